// Under Wine: the resources are found in a program linking qv_assets, and the stored
// outline means to the platform exactly what the picture shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "AssetIds.h"
#include "Handles.h"
#include "RegionData.h"

namespace {

std::vector<uint8_t> RcData(int id) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!info) return {};
  HGLOBAL loaded = LoadResource(module, info);
  const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
  if (!bytes) return {};
  return {bytes, bytes + SizeofResource(module, info)};
}

// The region-data block in DWORD-aligned memory, as RGNDATA must be.
std::vector<DWORD> Aligned(std::span<const uint8_t> bytes) {
  std::vector<DWORD> out((bytes.size() + 3) / 4);
  std::memcpy(out.data(), bytes.data(), bytes.size());
  return out;
}

std::vector<uint8_t> RegionBytes(HRGN region) {
  const DWORD size = GetRegionData(region, 0, nullptr);
  std::vector<DWORD> buffer((size + 3) / 4);
  if (size == 0 || GetRegionData(region, size, reinterpret_cast<RGNDATA*>(buffer.data())) != size)
    return {};
  const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.data());
  return {bytes, bytes + size};
}

std::vector<uint8_t> Coverage(const std::vector<RegionRect>& rects) {
  std::vector<uint8_t> bits(163 * 251, 0);
  for (const RegionRect& r : rects)
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, 251); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, 163); ++x) bits[y * 163 + x] = 1;
  return bits;
}

struct Pixels {
  int width = 0, height = 0;
  std::vector<uint8_t> green;  // 1 where the picture is the skin's background
};

Pixels CharacterPixels() {
  Pixels p;
  BitmapHandle dib(
      static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CHARACTER),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  DIBSECTION section{};
  if (!dib || GetObjectA(dib.get(), sizeof section, &section) != sizeof section) return p;
  const BITMAP& bm = section.dsBm;
  if (bm.bmBitsPixel != 24 || !bm.bmBits) return p;
  p.width = bm.bmWidth;
  p.height = bm.bmHeight;
  p.green.resize(static_cast<size_t>(p.width) * p.height);
  const auto* bits = static_cast<const uint8_t*>(bm.bmBits);
  // The DIB section keeps the file's bottom-up row order.
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* row = bits + static_cast<size_t>(p.height - 1 - y) * bm.bmWidthBytes;
    for (int x = 0; x < p.width; ++x) {
      const uint8_t* px = row + 3 * x;  // blue, green, red
      p.green[static_cast<size_t>(y) * p.width + x] = px[0] == 0 && px[1] == 255 && px[2] == 0;
    }
  }
  return p;
}

}  // namespace

TEST(AssetResources, PicturesAndIconsAreBuiltIn) {
  struct Expect {
    int id, width, height;
  };
  for (const Expect& e :
       {Expect{IDB_CHARACTER, 163, 251}, Expect{IDB_ABOUT, 10, 10}, Expect{IDB_MINIMIZE, 10, 10},
        Expect{IDB_CLOSE, 10, 10}, Expect{IDB_RECORD, 20, 20}, Expect{IDB_PLAY, 20, 20},
        Expect{IDB_STOP, 20, 20}, Expect{IDB_SAVE_DISK, 13, 13}, Expect{IDB_LOAD_DISK, 13, 13},
        Expect{IDB_LOGO, 113, 45}}) {
    BitmapHandle bitmap(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(e.id)));
    ASSERT_TRUE(bitmap) << "bitmap " << e.id;
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(bitmap.get(), sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, e.width) << "bitmap " << e.id;
    EXPECT_EQ(bm.bmHeight, e.height) << "bitmap " << e.id;
  }
  for (int id : {IDI_MAIN, IDI_TRAY}) {
    IconHandle icon(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0)));
    ASSERT_TRUE(icon) << "icon " << id;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    BitmapHandle colour(info.hbmColor), mask(info.hbmMask);
    EXPECT_TRUE(info.fIcon);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(mask.get(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 16);
  }
}

TEST(AssetResources, OutlineSurvivesTheRoundTripThroughThePlatform) {
  const std::vector<uint8_t> value = RcData(IDR_CHARACTER_MASK2);
  Mask2Block block;
  ASSERT_EQ(ParseMask2(value, &block), Mask2Status::Ok);
  const std::vector<DWORD> data = Aligned(block.regionData);
  RegionHandle region(ExtCreateRegion(nullptr, static_cast<DWORD>(block.regionData.size()),
                                      reinterpret_cast<const RGNDATA*>(data.data())));
  ASSERT_TRUE(region);
  EXPECT_EQ(GetRegionData(region.get(), 0, nullptr), block.regionData.size());
  // The platform may band a region its own way; then the pixels covered must still agree.
  const std::vector<uint8_t> back = RegionBytes(region.get());
  if (back != std::vector<uint8_t>(block.regionData.begin(), block.regionData.end())) {
    Mask2Block backBlock;
    ASSERT_EQ(ParseRegionData(back, &backBlock), Mask2Status::Ok);
    EXPECT_EQ(Coverage(RegionRects(backBlock)), Coverage(RegionRects(block)));
  }

  RECT box{};
  EXPECT_EQ(GetRgnBox(region.get(), &box), COMPLEXREGION);
  EXPECT_EQ(box.left, block.header.bound.left);
  EXPECT_EQ(box.top, block.header.bound.top);
  EXPECT_EQ(box.right, block.header.bound.right);
  EXPECT_EQ(box.bottom, block.header.bound.bottom);

  const Pixels picture = CharacterPixels();
  ASSERT_EQ(picture.width, 163);
  ASSERT_EQ(picture.height, 251);
  int wrong = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const bool inside = PtInRegion(region.get(), x, y) != 0;
      const bool green = picture.green[static_cast<size_t>(y) * picture.width + x] != 0;
      if (inside == green) {
        ++wrong;
        if (wrong < 10) ADD_FAILURE() << "pixel " << x << "," << y << (green ? " green" : "");
      }
    }
  EXPECT_EQ(wrong, 0);
}

TEST(AssetResources, RegionFromTheMaskToolMatchesThePlatformsOwnBanding) {
  // The platform's union of the rectangles, one at a time, bands them afresh.
  const std::vector<uint8_t> value = RcData(IDR_CHARACTER_MASK2);
  Mask2Block block;
  ASSERT_EQ(ParseMask2(value, &block), Mask2Status::Ok);
  RegionHandle sum(CreateRectRgn(0, 0, 0, 0));
  for (const RegionRect& r : RegionRects(block)) {
    RegionHandle piece(CreateRectRgn(r.left, r.top, r.right, r.bottom));
    ASSERT_NE(CombineRgn(sum.get(), sum.get(), piece.get(), RGN_OR), ERROR);
  }
  EXPECT_EQ(RegionBytes(sum.get()),
            std::vector<uint8_t>(block.regionData.begin(), block.regionData.end()));
}
