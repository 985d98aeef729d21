#include "BarGeometry.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kBlack = 0x000000;

TEST(BarGeometry, GradientAndTextColumn) {
  // Blue to black: blue channel 255 - 255 * y / total, the others stay 0.
  for (int total : {1, 7, 100, 251})
    for (int y = 0; y <= total; ++y)
      ASSERT_EQ(GradientColor(kBlue, kBlack, y, total), uint32_t(255 - 255 * y / total) << 16)
          << total << " " << y;
  // Each channel on its own, truncated toward zero, its low 8 bits kept; nothing measured
  // gives the start colour.
  EXPECT_EQ(GradientColor(0x00FF00, 0xFF0000, 1, 2), 0x7F8000u);  // -127.5 and 127.5
  EXPECT_EQ(GradientChannel(0, 200, 4, 2), 144);
  EXPECT_EQ(GradientChannel(200, 0, 4, 2), 56);
  EXPECT_EQ(GradientColor(0x123456, 0x654321, 17, 0), 0x123456u);

  // The text's column (width - height) / 2 - 0.5 rounds halves to even.
  EXPECT_EQ(VerticalTextX(15, 13), 0);
  EXPECT_EQ(VerticalTextX(15, 14), 0);
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  for (int width = -40; width <= 80; ++width)
    for (int h = -20; h <= 60; ++h)
      ASSERT_EQ(VerticalTextX(width, h), std::nearbyint((width - h) / 2.0 - 0.5))
          << width << " " << h;
}

TEST(BarGeometry, TextRowAndPicturePlaces) {
  TBarSettings s;
  s.BarWidth = 15;
  const BarBitmapSize picture{8, 20};
  // Only a picture at the bottom lifts the text.
  EXPECT_EQ(VerticalTextY(s, 100, &picture), 74);
  s.BitmapVertAlignment = bvaMiddle;
  EXPECT_EQ(VerticalTextY(s, 100, &picture), 94);

  s.BitmapOffsetX = 2;
  s.BitmapOffsetY = 3;
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

// A platform menu: items laid out top to bottom from (left, top), measured and painted
// through the popup state, its pixels kept in a map. Wine clips each item to its rectangle.
struct Item {
  std::string caption;
  int height;
  bool visible = true;
  bool hooked = true;  // false: added by OnPopup after the items were hooked
};

struct Menu {
  TBarSettings settings;
  std::vector<Item> items;
  int left = 0, top = 0;
  bool clip = false;
  uint32_t startRgb = kBlue, endRgb = kBlack;
  BarBitmapSize picture{5, 6};
  const BarBitmapSize* bitmap = nullptr;

  TBarPopupState state;
  std::vector<int> widths;
  std::vector<BarRect> rects;      // per visible item, in platform order
  std::vector<const Item*> shown;  // the items in the platform menu
  std::map<std::pair<int, int>, uint32_t> pixels;
  std::vector<BarItemPaint> paints;  // per painting, in order

  void Open() {
    state.Reset();
    shown.clear();
    rects.clear();
    widths.clear();
    int y = top;
    for (const Item& item : items) {
      int width = 80, height = item.height;
      if (item.visible) {
        const int position = static_cast<int>(shown.size());
        if (item.hooked)
          state.MeasureBarItem(settings, position, true, item.caption, width, height);
        else
          state.MeasureOtherItem(position, height);
        shown.push_back(&item);
        rects.push_back({left, y, left + 120, y + height});
        y += height;
      } else if (item.hooked) {
        state.MeasureBarItem(settings, -1, false, item.caption, width, height);
      }
      widths.push_back(width);
    }
  }

  void Paint(int position) {
    const Item& item = *shown[static_cast<size_t>(position)];
    if (!item.hooked) return;
    const BarRect& r = rects[static_cast<size_t>(position)];
    BarItemPaint p = state.PaintItem(settings, startRgb, endRgb, position, item.caption, r, bitmap);
    for (const BarFill& f : p.Fills)
      for (int y = f.Rect.Top; y < f.Rect.Bottom; ++y)
        for (int x = f.Rect.Left; x < f.Rect.Right; ++x)
          if (!clip || (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom))
            pixels[{x, y}] = f.Color;
    paints.push_back(std::move(p));
  }

  void PaintAll() {
    for (int i = 0; i < static_cast<int>(shown.size()); ++i) Paint(i);
  }
};

// Windows puts the first item at (0, 0) and lets an item paint outside itself; Wine puts it at
// (3, 3) and clips each item to its rectangle.
Menu At(int corner, std::vector<Item> items) {
  Menu m;
  m.settings.BarWidth = 15;
  m.left = m.top = corner;
  m.clip = corner != 0;
  m.items = std::move(items);
  return m;
}

Menu MainWindowMenu(int corner) {
  Menu m = At(corner, {});
  m.items = {{"Hide", 19},         {"-", 9},      {"Teach", 19}, {"Run", 19},
             {"Extra", 19, false}, {"About", 19}, {"Exit", 19}};
  return m;
}

// The whole band as painted: in columns 0 .. 12 of each counted item the colour of its menu
// row, and of the row below it where nothing clips; nothing anywhere else.
void ExpectBar(const Menu& m) {
  std::map<std::pair<int, int>, uint32_t> want;
  for (size_t i = 0; i < m.shown.size(); ++i) {
    if (!m.shown[i]->hooked || m.shown[i]->caption == "#") continue;
    for (int y = m.rects[i].Top; y <= m.rects[i].Bottom - m.clip; ++y)
      for (int x = m.left; x < m.left + 13; ++x)
        want[{x, y}] = GradientColor(m.startRgb, m.endRgb, y - m.top, m.state.TotalHeight());
  }
  for (const auto& [at, color] : want) {
    const auto pixel = m.pixels.find(at);
    ASSERT_TRUE(pixel != m.pixels.end() && pixel->second == color) << at.first << "," << at.second;
  }
  EXPECT_EQ(m.pixels.size(), want.size());  // nothing painted elsewhere
}

TEST(BarPopup, TheMainWindowsMenuAtEitherCorner) {
  for (int corner : {0, 3}) {
    SCOPED_TRACE(corner);
    Menu m = MainWindowMenu(corner);
    m.Open();
    EXPECT_EQ(m.widths, std::vector<int>(7, 95));  // a hidden item is widened but takes no rows
    EXPECT_EQ(m.state.TotalHeight(), 104);
    m.PaintAll();
    EXPECT_TRUE(m.state.BarDrawn());
    ExpectBar(m);
    // Every item draws the same text at the same place; the body moves right of the band.
    const BarPoint text{corner - 1, corner + 104 - 6};
    for (const BarItemPaint& p : m.paints) {
      EXPECT_TRUE(p.Text && p.TextPoint(13) == text && p.TextPoint(14) == text);
      EXPECT_EQ(p.BodyRect.Left, corner + 15);
    }
    EXPECT_EQ(m.paints.back().TextClip, (BarRect{corner, corner + 85, corner + 120, corner + 105}));

    // The highlight moving repaints bodies only; the next popup starts afresh.
    m.Paint(2);
    EXPECT_TRUE(m.paints.back().Body && m.paints.back().Fills.empty() && !m.paints.back().Text);
    m.Open();
    EXPECT_FALSE(m.state.BarDrawn());
    EXPECT_EQ(m.state.TotalHeight(), 104);
  }
}

TEST(BarPopup, UncountedItemsStillTakeRows) {
  for (int corner : {0, 3}) {
    SCOPED_TRACE(corner);
    // Placed last: completion, the picture and the text it lifts at the last counted item;
    // the blank item paints nothing.
    Menu last = At(corner, {{"A", 20}, {"B", 20}, {"#", 10}});
    last.bitmap = &last.picture;
    last.Open();
    EXPECT_EQ(last.widths, (std::vector<int>{95, 95, 95}));
    EXPECT_EQ(last.state.TotalHeight(), 40);
    last.PaintAll();
    EXPECT_TRUE(last.state.BarDrawn());
    ExpectBar(last);
    EXPECT_FALSE(last.paints[2].Body || last.paints[0].Bitmap);
    ASSERT_TRUE(last.paints[1].Bitmap);
    EXPECT_EQ(last.paints[1].BitmapAt, (BarPoint{corner, corner + 34}));
    EXPECT_EQ(last.paints[1].TextY, corner + 40 - 6 - 6);

    // Placed between, or added by OnPopup (neither widened nor counted nor painted): the
    // colours go by the counted total, and no bottom meets it.
    for (bool hooked : {true, false}) {
      Menu between = At(corner, {{"A", 20}, {hooked ? "#" : "Added", 10, true, hooked}, {"B", 20}});
      between.Open();
      EXPECT_EQ(between.widths[1], hooked ? 95 : 80);
      EXPECT_EQ(between.state.TotalHeight(), 40);
      between.PaintAll();
      EXPECT_FALSE(between.state.BarDrawn());
      ExpectBar(between);
    }
  }
}

TEST(BarPopup, OneColourAndNoBar) {
  Menu solid = MainWindowMenu(3);
  solid.settings.GradientEnd = solid.settings.GradientStart;
  solid.endRgb = solid.startRgb = 0x00A0B0;
  solid.Open();
  solid.PaintAll();
  ExpectBar(solid);
  for (const BarItemPaint& p : solid.paints) EXPECT_EQ(p.Fills.size(), 1u);  // no division
  EXPECT_TRUE(solid.state.BarDrawn());

  Menu none = MainWindowMenu(3);
  none.settings.BarVisible = false;
  none.bitmap = &none.picture;
  none.Open();
  EXPECT_EQ(none.widths, std::vector<int>(7, 80));
  EXPECT_EQ(none.state.TotalHeight(), 0);
  none.PaintAll();
  EXPECT_TRUE(none.pixels.empty());
  for (const BarItemPaint& p : none.paints) EXPECT_TRUE(p.Body && !p.Text && !p.Bitmap);
  EXPECT_EQ(none.paints[0].BodyRect, none.rects[0]);
}

TEST(BarPopup, PaintingWithoutMeasuringIsSafe) {
  TBarPopupState state;
  TBarSettings s;
  const BarItemPaint p = state.PaintItem(s, 0x0000FF, 0x00FF00, 0, "A", {3, 3, 90, 22}, nullptr);
  ASSERT_EQ(p.Fills.size(), 20u);
  for (const BarFill& f : p.Fills) EXPECT_EQ(f.Color, 0x0000FFu);

  // Measured twice in one popup: the second height replaces the first.
  int w = 0, h = 19;
  state.MeasureBarItem(s, 0, true, "A", w, h);
  state.MeasureBarItem(s, 0, true, "A", w, h);
  EXPECT_EQ(state.TotalHeight(), 19);
  EXPECT_EQ(state.OriginY(1, 22), 3);
}

}  // namespace
