#include "BarGeometry.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(BarGeometry, GradientTextAndPicturePlaces) {
  // Blue to black: blue channel 255 - 255 * y / total, the others stay 0.
  for (int total : {1, 7, 100, 251})
    for (int y = 0; y <= total; ++y)
      ASSERT_EQ(GradientColor(0xFF0000, 0, y, total), uint32_t(255 - 255 * y / total) << 16) << y;
  // Each channel truncated toward zero, low 8 bits kept; nothing measured: the start colour.
  EXPECT_EQ(GradientColor(0x00FF00, 0xFF0000, 1, 2), 0x7F8000u);  // -127.5 and 127.5
  EXPECT_EQ(GradientColor(0x0000C8, 0x00C800, 4, 2), 0x009038u);  // 400 and -200
  EXPECT_EQ(GradientColor(0x123456, 0x654321, 17, 0), 0x123456u);

  // The text's column (width - height) / 2 - 0.5 rounds halves to even.
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  for (int width = -40; width <= 80; ++width)
    for (int h = -20; h <= 60; ++h)
      ASSERT_EQ(VerticalTextX(width, h), std::nearbyint((width - h) / 2.0 - 0.5)) << width << h;

  TBarSettings s{.BarWidth = 15, .BitmapOffsetX = 2, .BitmapOffsetY = 3};
  const BarBitmapSize picture{8, 20};
  EXPECT_EQ(VerticalTextY(s, 100, &picture), 74);  // lifted only by a picture at the bottom
  s.BitmapVertAlignment = bvaMiddle;
  EXPECT_EQ(VerticalTextY(s, 100, &picture), 94);
  auto at = [&](TBitmapVertAlignment v, TBitmapHorzAlignment h, int total, BarBitmapSize b) {
    s.BitmapVertAlignment = v;
    s.BitmapHorzAlignment = h;
    return BarBitmapPosition(s, total, b);
  };
  EXPECT_EQ(at(bvaTop, bhaLeft, 100, picture), (BarPoint{2, 3}));
  EXPECT_EQ(at(bvaBottom, bhaRight, 100, picture), (BarPoint{7, 83}));
  EXPECT_EQ(at(bvaMiddle, bhaCenter, 100, picture), (BarPoint{4, 43}));
  // Halves truncate toward zero, also below zero.
  EXPECT_EQ(at(bvaMiddle, bhaCenter, 100, {20, 21}), (BarPoint{-1, 42}));
  EXPECT_EQ(at(bvaMiddle, bhaCenter, 10, {8, 21}), (BarPoint{4, -2}));
}

struct Item {
  std::string caption;
  int height;
  bool visible = true;
  bool hooked = true;  // false: added by OnPopup after the items were hooked
};

// A platform menu: items laid out top to bottom from (corner, corner), measured and painted
// through the popup state, its pixels kept in a map. Windows puts the first item at (0, 0)
// and lets an item paint outside itself; Wine puts it at (3, 3) and clips each item.
struct Menu {
  Menu(int at, std::vector<Item> list) : corner(at), items(std::move(list)) {}

  int corner;
  std::vector<Item> items;
  TBarSettings settings{.BarWidth = 15};
  uint32_t startRgb = 0xFF0000, endRgb = 0;
  BarBitmapSize picture{5, 6};
  const BarBitmapSize* bitmap = nullptr;

  TBarPopupState state;
  std::vector<int> widths;
  std::vector<std::pair<const Item*, BarRect>> shown;  // the items in the platform menu
  std::map<std::pair<int, int>, uint32_t> pixels;
  std::vector<BarItemPaint> paints;

  void Open() {
    state.Reset();
    shown.clear();
    widths.assign(items.size(), 80);
    int y = corner;
    for (size_t i = 0; i < items.size(); ++i) {
      const Item& item = items[i];
      int height = item.height, position = item.visible ? static_cast<int>(shown.size()) : -1;
      if (item.hooked)
        state.MeasureBarItem(settings, position, item.visible, item.caption, widths[i], height);
      else if (item.visible)
        state.MeasureOtherItem(position, height);
      if (item.visible) shown.push_back({&item, {corner, y, corner + 120, y += height}});
    }
  }

  void Paint(size_t i) {
    const auto& [item, r] = shown[i];
    if (!item->hooked) return;
    paints.push_back(
        state.PaintItem(settings, startRgb, endRgb, static_cast<int>(i), item->caption, r, bitmap));
    for (const BarFill& f : paints.back().Fills)
      for (int y = f.Rect.Top; y < f.Rect.Bottom; ++y)
        for (int x = f.Rect.Left; x < f.Rect.Right; ++x)
          if (corner == 0 || (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom))
            pixels[{x, y}] = f.Color;
  }

  Menu& Show() {
    Open();
    for (size_t i = 0; i < shown.size(); ++i) Paint(i);
    return *this;
  }

  // The whole band: in columns 0 .. 12 of each counted item the colour of its menu row, and
  // for a gradient of the row below it where nothing clips; nothing anywhere else.
  void ExpectBar() const {
    const int below = corner == 0 && settings.GradientStart != settings.GradientEnd;
    std::map<std::pair<int, int>, uint32_t> want;
    for (const auto& [item, r] : shown)
      if (item->hooked && item->caption != "#")
        for (int y = r.Top; y < r.Bottom + below; ++y)
          for (int x = corner; x < corner + 13; ++x)
            want[{x, y}] = GradientColor(startRgb, endRgb, y - corner, state.TotalHeight());
    EXPECT_TRUE(pixels == want);
  }
};

const std::vector<Item> kMainMenu = {
    {"Hide", 19},         {"-", 9},      {"Teach", 19}, {"Run", 19},
    {"Extra", 19, false}, {"About", 19}, {"Exit", 19}};

TEST(BarPopup, MenusAtEitherCorner) {
  for (int corner : {0, 3}) {
    SCOPED_TRACE(corner);
    Menu m{corner, kMainMenu};
    m.Show().ExpectBar();
    EXPECT_EQ(m.widths, std::vector<int>(7, 95));  // a hidden item is widened but takes no rows
    EXPECT_TRUE(m.state.TotalHeight() == 104 && m.state.BarDrawn());
    // Every item draws the same text at the same place; the body moves right of the band.
    const BarPoint text{corner - 1, corner + 104 - 6};
    for (const BarItemPaint& p : m.paints)
      EXPECT_TRUE(p.Text && p.TextPoint(13) == text && p.TextPoint(14) == text &&
                  p.BodyRect.Left == corner + 15);
    EXPECT_EQ(m.paints.back().TextClip, (BarRect{corner, corner + 85, corner + 120, corner + 105}));

    // The highlight moving repaints bodies only; the next popup starts afresh.
    m.Paint(2);
    EXPECT_TRUE(m.paints.back().Body && m.paints.back().Fills.empty() && !m.paints.back().Text);
    m.Open();
    EXPECT_TRUE(m.state.TotalHeight() == 104 && !m.state.BarDrawn());

    // Uncounted items still take rows. Placed last: completion, the picture and the text it
    // lifts at the last counted item; the blank item paints nothing.
    Menu last{corner, {{"A", 20}, {"B", 20}, {"#", 10}}};
    last.bitmap = &last.picture;
    last.Show().ExpectBar();
    EXPECT_EQ(last.widths, (std::vector<int>{95, 95, 95}));
    EXPECT_TRUE(last.state.TotalHeight() == 40 && last.state.BarDrawn());
    EXPECT_FALSE(last.paints[2].Body || last.paints[0].Bitmap);
    EXPECT_TRUE(last.paints[1].Bitmap &&
                last.paints[1].BitmapAt == (BarPoint{corner, corner + 34}));
    EXPECT_EQ(last.paints[1].TextY, corner + 40 - 6 - 6);

    // Placed between, or added by OnPopup (neither widened nor counted nor painted): the
    // colours go by the counted total, and no bottom meets it.
    for (bool hooked : {true, false}) {
      Menu between{corner, {{"A", 20}, {hooked ? "#" : "Added", 10, true, hooked}, {"B", 20}}};
      between.Show().ExpectBar();
      EXPECT_EQ(between.widths[1], hooked ? 95 : 80);
      EXPECT_TRUE(between.state.TotalHeight() == 40 && !between.state.BarDrawn());
    }
  }
}

TEST(BarPopup, OneColourNoBarAndNothingMeasured) {
  for (int corner : {0, 3}) {
    Menu solid{corner, kMainMenu};
    solid.settings.GradientEnd = solid.settings.GradientStart;
    solid.endRgb = solid.startRgb = 0x00A0B0;
    solid.Show().ExpectBar();
    for (const BarItemPaint& p : solid.paints) EXPECT_EQ(p.Fills.size(), 1u);  // no division
    EXPECT_TRUE(solid.state.BarDrawn());
  }

  Menu none{3, kMainMenu};
  none.settings.BarVisible = false;
  none.bitmap = &none.picture;
  none.Show();
  EXPECT_EQ(none.widths, std::vector<int>(7, 80));
  EXPECT_EQ(none.state.TotalHeight(), 0);
  EXPECT_TRUE(none.pixels.empty());
  for (const BarItemPaint& p : none.paints) EXPECT_TRUE(p.Body && !p.Text && !p.Bitmap);
  EXPECT_EQ(none.paints[0].BodyRect, none.shown[0].second);

  // Painted before any measuring: the start colour; measured twice, the last height counts.
  TBarPopupState state;
  const BarItemPaint p = state.PaintItem({}, 0x0000FF, 0x00FF00, 0, "A", {3, 3, 90, 22}, nullptr);
  ASSERT_EQ(p.Fills.size(), 20u);
  for (const BarFill& f : p.Fills) EXPECT_EQ(f.Color, 0x0000FFu);
  for (int w = 0; int h : {25, 19}) state.MeasureBarItem({}, 0, true, "A", w, h);
  EXPECT_EQ(state.TotalHeight(), 19);
  EXPECT_EQ(state.OriginY(1, 22), 3);
}

}  // namespace
