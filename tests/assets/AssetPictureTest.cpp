// Checks of the committed pictures against what the windows expect of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Art.h"
#include "Image.h"
#include "RegionData.h"

namespace {

std::vector<uint8_t> ReadAsset(const std::string& name) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(ReadFileBytes(std::string(QV_ASSET_DIR) + "/" + name, &bytes)) << name;
  return bytes;
}

Image LoadPicture(const std::string& name) {
  Image image;
  std::string error;
  EXPECT_TRUE(DecodeBmp(ReadAsset(name), &image, &error)) << name << ": " << error;
  return image;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

}  // namespace

TEST(CharacterPicture, HasItsSizeDepthAndPlainControlAreas) {
  const std::vector<uint8_t> file = ReadAsset("Character.bmp");
  ASSERT_GE(file.size(), 54u);
  EXPECT_EQ(file[28], 24);  // bits per pixel
  const Image image = LoadPicture("Character.bmp");
  ASSERT_EQ(image.Width(), 163);
  ASSERT_EQ(image.Height(), 251);
  for (const ControlArea& area : kCharacterControls)
    for (int y = area.top; y < area.top + area.height; ++y)
      for (int x = area.left; x < area.left + area.width; ++x)
        ASSERT_EQ(image.At(x, y), area.colour) << area.name << " at " << x << "," << y;
  EXPECT_EQ(image.At(0, 0), kSkinGreen);
  EXPECT_EQ(image.At(162, 0), kSkinGreen);
  EXPECT_EQ(image.At(0, 250), kSkinGreen);
  EXPECT_EQ(image.At(162, 250), kSkinGreen);
}

// A green pixel the background cannot reach would be a hole in the window.
TEST(CharacterPicture, EveryGreenPixelIsBackground) {
  const Image image = LoadPicture("Character.bmp");
  const int w = image.Width(), h = image.Height();
  std::vector<uint8_t> reached(static_cast<size_t>(w) * h, 0);
  std::vector<std::pair<int, int>> todo;
  for (int x = 0; x < w; ++x) todo.insert(todo.end(), {{x, 0}, {x, h - 1}});
  for (int y = 0; y < h; ++y) todo.insert(todo.end(), {{0, y}, {w - 1, y}});
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    if (!image.Contains(x, y) || reached[static_cast<size_t>(y) * w + x]) continue;
    if (!(image.At(x, y) == kSkinGreen)) continue;
    reached[static_cast<size_t>(y) * w + x] = 1;
    todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
  }
  int holes = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      holes += image.At(x, y) == kSkinGreen && !reached[static_cast<size_t>(y) * w + x];
  EXPECT_EQ(holes, 0);
}

TEST(CharacterOutline, IsTheBandedMaskOfThePicture) {
  const Image image = LoadPicture("Character.bmp");
  const std::vector<uint8_t> value = ReadAsset("Character.mask2");
  Mask2Block block;
  ASSERT_EQ(ParseMask2(value, &block), Mask2Status::Ok);
  EXPECT_EQ(value.size(), 4 + block.regionData.size());
  const std::vector<RegionRect> rects = RegionRects(block);
  EXPECT_TRUE(IsBanded(rects));
  EXPECT_EQ(block.header.bound, RegionBound(rects));
  // The outline lies inside the 162 x 251 client area.
  EXPECT_GE(block.header.bound.left, 0);
  EXPECT_GE(block.header.bound.top, 0);
  EXPECT_LE(block.header.bound.right, 162);
  EXPECT_LE(block.header.bound.bottom, 251);

  std::vector<uint8_t> covered(static_cast<size_t>(image.Width()) * image.Height(), 0);
  for (const RegionRect& r : rects)
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        ASSERT_FALSE(covered[static_cast<size_t>(y) * image.Width() + x]) << "overlap";
        covered[static_cast<size_t>(y) * image.Width() + x] = 1;
      }
  EXPECT_EQ(covered, OutlineMask(image));
  for (const ControlArea& area : kCharacterControls)
    for (int y = area.top; y < area.top + area.height; ++y)
      for (int x = area.left; x < area.left + area.width; ++x)
        ASSERT_TRUE(covered[static_cast<size_t>(y) * image.Width() + x]) << area.name;
}

// At twice the size the outline is still one the platform takes back, and twice as large.
TEST(CharacterOutline, ScaledByTwoStaysBandedAndDoublesItsBox) {
  const std::vector<uint8_t> value = ReadAsset("Character.mask2");
  const std::vector<uint8_t> doubled = ScaleMask2(value, 2);
  Mask2Block block, original;
  ASSERT_EQ(ParseMask2(doubled, &block), Mask2Status::Ok);
  ASSERT_EQ(ParseMask2(value, &original), Mask2Status::Ok);
  EXPECT_EQ(block.header.count, original.header.count);
  EXPECT_TRUE(IsBanded(RegionRects(block)));
  EXPECT_EQ(original.header.bound, (RegionRect{2, 2, 161, 250}));
  EXPECT_EQ(block.header.bound, (RegionRect{4, 4, 322, 500}));
  EXPECT_EQ(ScaleMask2(value, 1), value);
}

// Transparent pictures take their bottom-left pixel as the transparent colour.
TEST(SmallPictures, SizesAndTransparentCorners) {
  struct Expect {
    const char* name;
    int size;
    bool transparent;
  };
  for (const Expect& e : {Expect{"About.bmp", 10, true}, Expect{"Minimize.bmp", 10, true},
                          Expect{"Close.bmp", 10, true}, Expect{"RecordBtn.bmp", 20, true},
                          Expect{"PlayBtn.bmp", 20, true}, Expect{"StopBtn.bmp", 20, true},
                          Expect{"SaveDisk.bmp", 13, false}, Expect{"LoadDisk.bmp", 13, false}}) {
    const Image image = LoadPicture(e.name);
    ASSERT_EQ(image.Width(), e.size) << e.name;
    ASSERT_EQ(image.Height(), e.size) << e.name;
    const Rgb corner = image.At(0, e.size - 1);
    int drawn = 0;
    for (int y = 0; y < e.size; ++y)
      for (int x = 0; x < e.size; ++x) drawn += !(image.At(x, y) == corner);
    EXPECT_GT(drawn, e.size) << e.name;
    if (!e.transparent) continue;
    // The glyphs sit on the white strip: what becomes transparent must be white there.
    EXPECT_EQ(corner, (Rgb{255, 255, 255})) << e.name;
  }
  EXPECT_EQ(LoadPicture("RecordBtn.bmp").At(10, 10).r > 150, true);
  EXPECT_EQ(LoadPicture("PlayBtn.bmp").At(8, 10), (Rgb{0, 0, 0}));
  EXPECT_EQ(LoadPicture("StopBtn.bmp").At(10, 10), (Rgb{0, 0, 0}));
}

TEST(SmallPictures, LogoIs113By45) {
  const std::vector<uint8_t> file = ReadAsset("Logo.bmp");
  ASSERT_GE(file.size(), 54u);
  EXPECT_EQ(file[28], 24);
  const Image logo = LoadPicture("Logo.bmp");
  EXPECT_EQ(logo.Width(), 113);
  EXPECT_EQ(logo.Height(), 45);
}

TEST(Icons, AreOne16By16ImageOf16ColoursWithAMask) {
  for (const char* name : {"MainIcon.ico", "TrayIcon.ico"}) {
    const std::vector<uint8_t> ico = ReadAsset(name);
    ASSERT_EQ(ico.size(), 22u + 40 + 64 + 16 * 8 + 16 * 4) << name;
    EXPECT_EQ(ico[2], 1);  // icon, not cursor
    EXPECT_EQ(ico[4], 1);  // one image
    EXPECT_EQ(ico[6], 16);
    EXPECT_EQ(ico[7], 16);
    EXPECT_EQ(ico[8], 16);  // colours
    EXPECT_EQ(U32(ico, 14), ico.size() - 22);
    EXPECT_EQ(U32(ico, 18), 22u);
    EXPECT_EQ(U32(ico, 22 + 8), 32u);  // colour and mask bitmaps stacked
    EXPECT_EQ(ico[22 + 14], 4);        // bits per pixel
    // The corners are transparent: mask bit set, colour index 0 (black).
    const size_t mask = 22 + 40 + 64 + 16 * 8;
    EXPECT_EQ(ico[mask] & 0x80, 0x80) << name;
    EXPECT_EQ(ico[22 + 40] & 0x0F, 0) << name;
    EXPECT_EQ(U32(ico, 22 + 40), 0u) << name;  // palette entry 0 is black
  }
}

TEST(BmpFiles, RoundTripAndRejectDamage) {
  Image image(5, 3, Rgb{1, 2, 3});
  image.Set(4, 0, Rgb{200, 100, 50});
  std::vector<uint8_t> bmp = EncodeBmp24(image);
  EXPECT_EQ(bmp.size(), 54u + 16 * 3);  // rows of 15 bytes padded to 16
  Image back;
  std::string error;
  ASSERT_TRUE(DecodeBmp(bmp, &back, &error)) << error;
  EXPECT_EQ(back.At(4, 0), (Rgb{200, 100, 50}));
  EXPECT_EQ(back.At(0, 2), (Rgb{1, 2, 3}));

  bmp.pop_back();
  EXPECT_FALSE(DecodeBmp(bmp, &back, &error));
  std::vector<uint8_t> header(bmp.begin(), bmp.begin() + 30);
  EXPECT_FALSE(DecodeBmp(header, &back, &error));
  bmp = EncodeBmp24(image);
  bmp[28] = 8;
  EXPECT_FALSE(DecodeBmp(bmp, &back, &error));
  // A top-down picture (negative height) reads the same.
  bmp = EncodeBmp24(image);
  bmp[22] = 0xFD, bmp[23] = bmp[24] = bmp[25] = 0xFF;
  ASSERT_TRUE(DecodeBmp(bmp, &back, &error)) << error;
  EXPECT_EQ(back.At(4, 2), (Rgb{200, 100, 50}));
}
