#include "BarGeometry.h"

uint8_t GradientChannel(int c1, int c2, int y, int totalHeight) {
  // Nothing measured yet (or a platform that paints without measuring): the start colour.
  if (totalHeight == 0) return static_cast<uint8_t>(c1);
  const int64_t step = (int64_t{c2} - c1) * y / totalHeight;
  return static_cast<uint8_t>(c1 + step);
}

uint32_t GradientColor(uint32_t startRgb, uint32_t endRgb, int y, int totalHeight) {
  uint32_t color = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int c1 = static_cast<int>((startRgb >> shift) & 0xFF);
    const int c2 = static_cast<int>((endRgb >> shift) & 0xFF);
    color |= uint32_t{GradientChannel(c1, c2, y, totalHeight)} << shift;
  }
  return color;
}

int VerticalTextX(int barWidth, int textHeight) {
  // The value is n / 2 exactly; an odd n lies halfway between q and q + 1.
  const int64_t n = int64_t{barWidth} - textHeight - 1;
  int64_t q = n / 2;
  if (n % 2 != 0) {
    if (n < 0) --q;
    if (q % 2 != 0) ++q;
  }
  return static_cast<int>(q);
}

int VerticalTextY(const TBarSettings& settings, int totalHeight, const BarBitmapSize* bitmap) {
  int y = totalHeight + settings.VerticalTextOffsetY;
  if (bitmap && settings.BitmapVertAlignment == bvaBottom) y -= bitmap->Height;
  return y;
}

BarPoint BarBitmapPosition(const TBarSettings& settings, int totalHeight, BarBitmapSize bitmap) {
  BarPoint at;
  switch (settings.BitmapVertAlignment) {
    case bvaTop:
      at.Y = settings.BitmapOffsetY;
      break;
    case bvaBottom:
      at.Y = totalHeight + settings.BitmapOffsetY - bitmap.Height;
      break;
    case bvaMiddle:
      at.Y = (totalHeight - bitmap.Height) / 2 + settings.BitmapOffsetY;
      break;
  }
  const int right = BarRight(settings.BarWidth);
  switch (settings.BitmapHorzAlignment) {
    case bhaLeft:
      at.X = settings.BitmapOffsetX;
      break;
    case bhaRight:
      at.X = right + settings.BitmapOffsetX - bitmap.Width;
      break;
    case bhaCenter:
      at.X = (right - bitmap.Width) / 2 + settings.BitmapOffsetX;
      break;
  }
  return at;
}

void TBarPopupState::Reset() {
  rows_.clear();
  totalHeight_ = 0;
  barDrawn_ = false;
}

void TBarPopupState::Record(int position, int height, bool counted) {
  if (position < 0) return;
  const auto at = static_cast<size_t>(position);
  if (at >= rows_.size()) rows_.resize(at + 1);
  // Measured again in the same popup: the new height replaces the old one.
  Row& row = rows_[at];
  if (row.counted) totalHeight_ -= row.height;
  row = {height, counted};
  if (counted) totalHeight_ += height;
}

void TBarPopupState::MeasureBarItem(const TBarSettings& settings, int position, bool visible,
                                    std::string_view caption, int& width, int& height) {
  // A hidden item is not in the platform menu and takes no rows.
  if (!settings.BarVisible) {
    if (visible) Record(position, height, false);
    return;
  }
  width += settings.BarWidth;
  if (visible) Record(position, height, CountsInBar(true, caption));
}

void TBarPopupState::MeasureOtherItem(int position, int height) {
  Record(position, height, false);
}

int TBarPopupState::OriginY(int position, int top) const {
  int64_t above = 0;
  for (size_t i = 0; i < rows_.size() && static_cast<int64_t>(i) < position; ++i)
    above += rows_[i].height;
  return static_cast<int>(top - above);
}

BarItemPaint TBarPopupState::PaintItem(const TBarSettings& settings, uint32_t startRgb,
                                       uint32_t endRgb, int position, std::string_view caption,
                                       const BarRect& rect, const BarBitmapSize* bitmap) {
  BarItemPaint paint;
  if (IsBlankBarItem(caption)) return paint;

  paint.Body = true;
  paint.BodyRect = rect;
  if (settings.BarVisible) paint.BodyRect.Left = rect.Left + settings.BarWidth;
  if (!settings.BarVisible || barDrawn_) return paint;

  paint.Origin = {rect.Left, OriginY(position, rect.Top)};
  paint.BarWidth = settings.BarWidth;
  const int left = rect.Left;
  const int right = rect.Left + BarRight(settings.BarWidth);
  const int top = rect.Top - paint.Origin.Y;
  const int bottom = rect.Bottom - paint.Origin.Y;

  if (right > left) {
    if (settings.GradientStart == settings.GradientEnd) {
      if (rect.Bottom > rect.Top)
        paint.Fills.push_back({{left, rect.Top, right, rect.Bottom}, startRgb});
    } else {
      // One row more than the item is high; the next item paints over it.
      for (int y = top; y <= bottom; ++y) {
        const int row = paint.Origin.Y + y;
        paint.Fills.push_back(
            {{left, row, right, row + 1}, GradientColor(startRgb, endRgb, y, totalHeight_)});
      }
    }
  }

  paint.Text = true;
  paint.TextClip = {rect.Left, rect.Top, rect.Right, rect.Bottom + 1};
  paint.TextY = paint.Origin.Y + VerticalTextY(settings, totalHeight_, bitmap);

  if (bottom == totalHeight_) {
    barDrawn_ = true;
    if (bitmap && bitmap->Width > 0 && bitmap->Height > 0) {
      const BarPoint at = BarBitmapPosition(settings, totalHeight_, *bitmap);
      paint.Bitmap = true;
      paint.BitmapAt = {paint.Origin.X + at.X, paint.Origin.Y + at.Y};
    }
  }
  return paint;
}
