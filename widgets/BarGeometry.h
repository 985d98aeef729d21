// The side bar of TBarPopupMenu: the colour of each row, where the text and the picture go,
// which items count, and the bookkeeping of one popup that turns the platform's item
// rectangles into menu rows and columns.
//
// Menu rows count from the top of the first item and menu columns from the items' left
// edge. Windows puts the first item at (0, 0); Wine puts it at (3, 3). Everything painted is
// given in the platform's coordinates.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

enum TBitmapVertAlignment { bvaTop, bvaBottom, bvaMiddle };
enum TBitmapHorzAlignment { bhaLeft, bhaRight, bhaCenter };

// The published settings the bar is measured and painted with. Colours as stored: a colour
// reference (0x00BBGGRR) or a system colour; here only their equality matters.
struct TBarSettings {
  int BarWidth = 31;
  int BitmapOffsetX = 0;
  int BitmapOffsetY = 0;
  TBitmapVertAlignment BitmapVertAlignment = bvaBottom;
  TBitmapHorzAlignment BitmapHorzAlignment = bhaLeft;
  bool BarVisible = true;
  int32_t GradientEnd = 0x000000;
  int32_t GradientStart = 0xFF0000;
  int VerticalTextOffsetY = -6;
};

struct BarRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // right and bottom exclusive

  bool operator==(const BarRect&) const = default;
};

struct BarPoint {
  int X = 0, Y = 0;

  bool operator==(const BarPoint&) const = default;
};

// Size of the bar's picture; a picture object that holds nothing is 0 x 0 but exists.
struct BarBitmapSize {
  int Width = 0, Height = 0;
};

// An item captioned exactly "#" keeps its size but paints nothing and is not counted.
inline bool IsBlankBarItem(std::string_view caption) {
  return caption == "#";
}
inline bool CountsInBar(bool visible, std::string_view caption) {
  return visible && !IsBlankBarItem(caption);
}

// The bar covers columns 0 .. BarWidth - 3; this is its exclusive right edge.
constexpr int BarRight(int barWidth) {
  return barWidth - 2;
}

// c1 + ((c2 - c1) * y) / totalHeight, truncating toward zero, low 8 bits kept;
// c1 when totalHeight is 0.
uint8_t GradientChannel(int c1, int c2, int y, int totalHeight);
// The colour of menu row y between two colour references (0x00BBGGRR, no system colours).
uint32_t GradientColor(uint32_t startRgb, uint32_t endRgb, int y, int totalHeight);

// (barWidth - textHeight) / 2 - 0.5, rounded to the nearest integer, halves to even.
int VerticalTextX(int barWidth, int textHeight);
// Menu row of the text's reference point: the bottom of the counted items plus the offset,
// lifted by the picture's height when a picture sits at the bottom.
int VerticalTextY(const TBarSettings& settings, int totalHeight, const BarBitmapSize* bitmap);
// Menu position of the picture's top left corner.
BarPoint BarBitmapPosition(const TBarSettings& settings, int totalHeight, BarBitmapSize bitmap);

struct BarFill {
  BarRect Rect;
  uint32_t Color = 0;  // colour reference
};

// What painting one top-level item takes, in the platform's coordinates.
struct BarItemPaint {
  bool Body = false;  // the framework's default painting of the item into BodyRect
  BarRect BodyRect;
  std::vector<BarFill> Fills;  // the item's slice of the bar, top to bottom
  bool Text = false;           // the vertical text, clipped to TextClip, at TextPoint(h)
  BarRect TextClip;
  int TextY = 0;
  bool Bitmap = false;  // the picture, unclipped, at BitmapAt
  BarPoint BitmapAt;
  BarPoint Origin;  // menu column and row 0
  int BarWidth = 0;

  // Reference point of the text for a rotated font whose "X" is textHeight high.
  BarPoint TextPoint(int textHeight) const {
    return {Origin.X + VerticalTextX(BarWidth, textHeight) - 1, TextY};
  }
};

// Run-time state of one popup. Every item of the platform menu reports its measured height
// at its position there (hidden items are not in it); an item drawn at (left, top) then
// places the menu's row 0 at top minus the heights above it, so the rules hold whatever
// corner the platform starts the first item at.
class TBarPopupState {
 public:
  // At every popup, before the platform measures.
  void Reset();

  int TotalHeight() const { return totalHeight_; }
  bool BarDrawn() const { return barDrawn_; }

  // A top-level item that carries the bar, after the framework put its default size in
  // width and height: widened by BarWidth; counted when visible and not "#".
  void MeasureBarItem(const TBarSettings& settings, int position, bool visible,
                      std::string_view caption, int& width, int& height);
  // Any other top-level item of the platform menu: its rows lie above the items below it.
  void MeasureOtherItem(int position, int height);

  // The platform row of menu row 0, seen from an item at `position` whose top is `top`.
  // Items never measured count as 0 rows high.
  int OriginY(int position, int top) const;

  // Painting a top-level item that carries the bar. The colours are the settings' gradient
  // colours turned into colour references. Sets BarDrawn when the item ends where the
  // counted items end. bitmap is null when the menu has no picture object.
  BarItemPaint PaintItem(const TBarSettings& settings, uint32_t startRgb, uint32_t endRgb,
                         int position, std::string_view caption, const BarRect& rect,
                         const BarBitmapSize* bitmap);

 private:
  struct Row {
    int height = 0;
    bool counted = false;
  };
  void Record(int position, int height, bool counted);

  std::vector<Row> rows_;
  int totalHeight_ = 0;
  bool barDrawn_ = false;
};
