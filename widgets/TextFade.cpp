#include "TextFade.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "Blend.h"
#include "Handles.h"

namespace {

// Sets csPaintCopy on a control for the scope.
class PaintCopyState {
 public:
  explicit PaintCopyState(TControl& control) : control_(control), saved_(control.ControlState()) {
    control_.SetControlState(saved_ | csPaintCopy);
  }
  PaintCopyState(const PaintCopyState&) = delete;
  PaintCopyState& operator=(const PaintCopyState&) = delete;
  ~PaintCopyState() { control_.SetControlState(saved_); }

 private:
  TControl& control_;
  TControlState saved_;
};

// Moves the DC's origin by (dx, dy) from where it stands.
void OffsetOrigin(HDC dc, int dx, int dy) {
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  SetViewportOrgEx(dc, origin.x + dx, origin.y + dy, nullptr);
}

ptrdiff_t RowStride(TBitmap& bitmap) {
  if (bitmap.Height() < 2) return 0;
  return bitmap.ScanLine(1) - bitmap.ScanLine(0);
}

// All rows of a picture of at least one pixel, as they lie in memory.
std::span<uint8_t> Pixels(TBitmap& bitmap) {
  const size_t stride = (3 * static_cast<size_t>(bitmap.Width()) + 3) & ~size_t{3};
  return {bitmap.ScanLine(bitmap.Height() - 1), stride * static_cast<size_t>(bitmap.Height())};
}

void BlendPictures(TBitmap& frame, TBitmap& old, int oldWeight) {
  frame.SetPixelFormat(pf24bit);
  old.SetPixelFormat(pf24bit);
  const int width = std::min(frame.Width(), old.Width());
  const int height = std::min(frame.Height(), old.Height());
  if (width <= 0 || height <= 0) return;
  BlendBitmaps(frame.ScanLine(0), RowStride(frame), old.ScanLine(0), RowStride(old), width, height,
               oldWeight);
}

}  // namespace

TTextFader::TTextFader(TComponent* AOwner)
    : TGraphicControl(AOwner), core_(timer_, this), background_(std::make_unique<TPicture>()) {
  SetControlStyle(ControlStyle() | csOpaque);
  SetBounds(Left(), Top(), 200, 16);
  core_.OnRedraw = [this] { Repaint(); };
  core_.OnInvalidate = [this] { Invalidate(); };
  core_.IsLoading = [this] { return IsLoading(); };
  core_.OnComplete = [this](TObject* sender) {
    if (OnComplete) OnComplete(sender);
  };
  background_->OnChange = [this](TObject*) { Invalidate(); };
}

TTextFader::~TTextFader() {
  core_.SetActive(false);
  background_.reset();
  core_.OnRedraw = nullptr;
  core_.OnInvalidate = nullptr;
  core_.OnComplete = nullptr;
}

void TTextFader::SetLines(TStringList* lines) {
  if (lines)
    core_.SetLines(*lines);
  else
    core_.Lines().Clear();
}

void TTextFader::SetBackground(TPicture* picture) {
  background_->Assign(picture);
}

void TTextFader::SetBiDiMode(TBiDiMode mode) {
  if (mode == biDiMode_) return;
  biDiMode_ = mode;
  Invalidate();
}

void TTextFader::Loaded() {
  TGraphicControl::Loaded();
  core_.Loaded();
}

void TTextFader::Paint() {
  core_.Paint([this] { PaintFrame(); });
}

bool TTextFader::TTextStyle::operator==(const TTextStyle& other) const {
  return std::memcmp(&font, &other.font, sizeof font) == 0 && color == other.color &&
         flags == other.flags;
}

void TTextFader::SetActive(bool active) {
  // A run makes its pictures at its first frame (a run that cannot make them fails there)
  // and keeps them until it is switched off.
  if (active != core_.Active()) ReleasePictures();
  core_.SetActive(active);
}

void TTextFader::ReleasePictures() {
  backdrop_.SetSize(0, 0);
  for (TLinePicture& line : lines_) {
    line.bitmap.SetSize(0, 0);
    line.valid = false;
  }
  keptBackground_.clear();
  measured_ = {};
}

void TTextFader::SizePictures(int width, int height) {
  if (backdrop_.Width() == width && backdrop_.Height() == height) return;
  try {
    backdrop_.SetSize(width, height);
    for (TLinePicture& line : lines_) {
      line.bitmap.SetSize(width, height);
      line.valid = false;
    }
  } catch (...) {
    ReleasePictures();  // tried again at the next frame
    throw;
  }
  keptBackground_.clear();
  measured_ = {};
}

// A frame: the background painted afresh; where it and the text style are as before, the
// items' pictures drawn on it earlier are used again, so that a fading frame is one copy and
// one blend, and a held one only the copy onto the window.
void TTextFader::PaintFrame() {
  const int width = Width(), height = Height();
  if (width <= 0 || height <= 0) return;
  // Taken first: a paint that leads back here lets go of the canvas's DC.
  HDC target = Canvas()->CopyHandle();
  SizePictures(width, height);
  // Black where nothing paints, as in a picture just made.
  std::span<uint8_t> back = Pixels(backdrop_);
  std::fill(back.begin(), back.end(), uint8_t{0});
  if (Transparent())
    PaintParentBackground(backdrop_);
  else
    PaintOwnBackground(backdrop_);
  back = Pixels(backdrop_);  // after the drawing has landed

  const TTextStyle style{Font()->LogFont(), ColorToRGB(Font()->Color()),
                         core_.TextFlags(UseRightToLeftAlignment(), UseRightToLeftReading())};
  const bool sameBackground =
      std::equal(back.begin(), back.end(), keptBackground_.begin(), keptBackground_.end());
  if (!(style == style_) || !sameBackground) {
    if (!(style == style_)) measured_ = {};
    style_ = style;
    keptBackground_.assign(back.begin(), back.end());
    for (TLinePicture& line : lines_) line.valid = false;
  }

  // The next item taken: the picture of the one before it turns into the old one.
  TLinePicture& shown = lines_[fresh_];
  TLinePicture& other = lines_[1 - fresh_];
  if (shown.valid && shown.text != CurrentText() && shown.text == PreviousText() &&
      !(other.valid && other.text == PreviousText()))
    fresh_ = 1 - fresh_;
  TLinePicture& fresh = lines_[fresh_];
  Compose(fresh, CurrentText());
  if (!core_.Fading()) {
    BitBlt(target, 0, 0, width, height, fresh.bitmap.DC(), 0, 0, SRCCOPY);
    return;
  }
  TLinePicture& old = lines_[1 - fresh_];
  Compose(old, PreviousText());
  std::span<uint8_t> drawn = Pixels(fresh.bitmap);
  std::copy(drawn.begin(), drawn.end(), Pixels(backdrop_).begin());
  BlendPictures(backdrop_, old.bitmap, core_.OldWeight());
  BitBlt(target, 0, 0, width, height, backdrop_.DC(), 0, 0, SRCCOPY);
}

void TTextFader::Compose(TLinePicture& picture, const std::string& text) {
  if (picture.valid && picture.text == text) return;
  picture.valid = false;  // until the text is on it
  std::span<uint8_t> pixels = Pixels(picture.bitmap);
  std::copy(keptBackground_.begin(), keptBackground_.end(), pixels.begin());
  DrawLineText(picture.bitmap, text);
  picture.text = text;
  picture.valid = true;
}

void TTextFader::PaintOwnBackground(TBitmap& frame) {
  const int width = frame.Width(), height = frame.Height();
  TCanvas& canvas = *frame.Canvas();
  canvas.Brush()->SetStyle(bsSolid);
  canvas.Brush()->SetColor(Color());
  canvas.FillRect(Rect(0, 0, width, height));
  TBitmap& picture = *background_->Bitmap();
  if (picture.Empty()) return;
  switch (BackgroundMode()) {
    case bmNone:
      break;
    case bmTiled:
      TileGraphic(canvas, Rect(0, 0, width, height), picture);
      break;
    case bmStretched:
      canvas.StretchDraw(Rect(0, 0, width, height), &picture);
      break;
    case bmCentered: {
      const FaderPoint at = CenteredOrigin(width, height, picture.Width(), picture.Height());
      canvas.Draw(at.x, at.y, &picture);
      break;
    }
  }
}

void TTextFader::TileGraphic(TCanvas& canvas, const TRect& rect, TBitmap& picture) {
  const FaderRect area{rect.left, rect.top, rect.right, rect.bottom};
  for (FaderPoint at : TilePositions(area, picture.Width(), picture.Height()))
    canvas.Draw(at.x, at.y, &picture);
}

void TTextFader::PaintParentBackground(TBitmap& frame) {
  TWinControl* parent = Parent();
  if (!parent) return;
  HDC dc = frame.DC();
  PaintCopyState parentCopy(*parent);
  {
    SavedDC saved(dc);
    OffsetOrigin(dc, -Left(), -Top());
    const TRect client = parent->ClientRect();
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    parent->PaintBackground(dc);
    parent->PaintWindow(dc);
  }

  // The non-windowed controls behind this one; painting may change the list.
  std::vector<TControl*> siblings;
  for (int i = 0; i < parent->ControlCount(); ++i) siblings.push_back(parent->Controls(i));
  const TRect own = BoundsRect();
  for (TControl* control : siblings) {
    if (control == this) break;
    auto* graphic = dynamic_cast<TGraphicControl*>(control);
    if (!graphic || !graphic->Visible()) continue;
    TRect overlap{};
    const TRect bounds = graphic->BoundsRect();
    if (!IntersectRect(&overlap, &bounds, &own)) continue;
    PaintCopyState childCopy(*graphic);
    SavedDC saved(dc);
    OffsetOrigin(dc, graphic->Left() - Left(), graphic->Top() - Top());
    IntersectClipRect(dc, 0, 0, graphic->Width(), graphic->Height());
    graphic->PaintTo(dc);
  }
}

void TTextFader::DrawLineText(TBitmap& picture, const std::string& text) {
  if (text.empty()) return;
  TCanvas& canvas = *picture.Canvas();
  canvas.Font()->Assign(Font());
  canvas.Brush()->SetStyle(bsClear);
  SetBkMode(canvas.Handle(), TRANSPARENT);
  const FaderRect box =
      TextRect(picture.Width(), picture.Height(), MeasuredHeight(canvas, text, picture.Width()));
  TRect target = Rect(box.left, box.top, box.right, box.bottom);
  canvas.DrawTextRect(text, target, style_.flags);
}

int TTextFader::MeasuredHeight(TCanvas& canvas, const std::string& text, int width) {
  for (const TMeasured& known : measured_)
    if (known.height >= 0 && known.text == text) return known.height;
  TRect measured = Rect(0, 0, width, 0);
  canvas.DrawTextRect(text, measured, style_.flags | DT_CALCRECT);
  measured_[nextMeasured_] = {text, measured.bottom - measured.top};
  nextMeasured_ = 1 - nextMeasured_;
  return measured.bottom - measured.top;
}
