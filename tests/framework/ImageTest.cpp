#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Win32TestSupport.h"

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0), kRed = RGB(255, 0, 0);

void SetPixel24(TBitmap& bitmap, int x, int y, COLORREF color) {
  uint8_t* p = bitmap.ScanLine(y) + x * 3;
  p[0] = GetBValue(color);
  p[1] = GetGValue(color);
  p[2] = GetRValue(color);
}

COLORREF Pixel24(TBitmap& bitmap, int x, int y) {
  const uint8_t* p = bitmap.ScanLine(y) + x * 3;
  return RGB(p[2], p[1], p[0]);
}

// 4 × 3, green with a red diagonal.
void MakeSprite(TBitmap& bitmap) {
  bitmap.SetSize(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) SetPixel24(bitmap, x, y, x == y || x == 3 ? kRed : kGreen);
}

// Paints `form` into a 10 × 10 blue surface and returns it.
std::unique_ptr<TBitmap> PaintInto(TForm& form) {
  auto surface = std::make_unique<TBitmap>();
  surface->SetSize(10, 10);
  surface->Canvas()->Brush()->SetColor(clBlue);
  surface->Canvas()->FillRect(Rect(0, 0, 10, 10));
  form.PaintContent(surface->Canvas()->Handle(), Rect(0, 0, 10, 10));
  return surface;
}

TEST(ImageTest, ATransparentImageLeavesItsTransparentPixelsUntouched) {
  TForm form(nullptr);
  auto* image = new TImage(&form);
  image->SetParent(&form);
  // One column narrower than the picture: its last column is cut off.
  image->SetBounds(2, 1, 3, 3);
  MakeSprite(*image->Picture()->Bitmap());
  image->SetTransparent(true);
  EXPECT_EQ(image->Picture()->Bitmap()->TransparentColor(), static_cast<TColor>(kGreen));
  auto surface = PaintInto(form);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      int ix = x - 2, iy = y - 1;
      bool inImage = ix >= 0 && ix < 3 && iy >= 0 && iy < 3;
      COLORREF expected = inImage && ix == iy ? kRed : kBlue;
      EXPECT_EQ(Pixel24(*surface, x, y), expected) << x << "," << y;
    }
  }
}

TEST(ImageTest, AnOpaqueImageIsDrawnWholeAndClipped) {
  TForm form(nullptr);
  auto* image = new TImage(&form);
  image->SetParent(&form);
  image->SetBounds(2, 1, 3, 3);
  MakeSprite(*image->Picture()->Bitmap());
  auto surface = PaintInto(form);
  EXPECT_EQ(Pixel24(*surface, 3, 1), kGreen);
  EXPECT_EQ(Pixel24(*surface, 2, 1), kRed);
  EXPECT_EQ(Pixel24(*surface, 5, 1), kBlue);
  // Hidden: nothing painted.
  image->Hide();
  surface = PaintInto(form);
  EXPECT_EQ(Pixel24(*surface, 3, 1), kBlue);
}

TEST(ImageTest, ChildrenPaintInOrderAndAFixedTransparentColourIsUsed) {
  TForm form(nullptr);
  auto* back = new TImage(&form);
  back->SetParent(&form);
  back->SetBounds(0, 0, 4, 3);
  MakeSprite(*back->Picture()->Bitmap());
  auto* front = new TImage(&form);
  front->SetParent(&form);
  front->SetBounds(0, 0, 4, 3);
  MakeSprite(*front->Picture()->Bitmap());
  front->Picture()->Bitmap()->SetTransparentColor(static_cast<TColor>(kRed));
  front->SetTransparent(true);
  auto surface = PaintInto(form);
  // Front's red is left out, so back's red shows; front's green covers back's.
  EXPECT_EQ(Pixel24(*surface, 0, 0), kRed);
  EXPECT_EQ(Pixel24(*surface, 1, 0), kGreen);
  EXPECT_EQ(Pixel24(*surface, 5, 0), kBlue);
}

TEST(ImageTest, TheFormPaintsThroughPrintClient) {
  SKIP_WITHOUT_DISPLAY();
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 10, 10);
  auto* image = new TImage(&form);
  image->SetParent(&form);
  image->SetBounds(1, 1, 4, 3);
  MakeSprite(*image->Picture()->Bitmap());
  int painted = 0;
  form.OnPaint = [&](TObject* sender) {
    EXPECT_EQ(sender, &form);
    ++painted;
  };
  TBitmap surface;
  surface.SetSize(10, 10);
  surface.Canvas()->Brush()->SetColor(clBlue);
  surface.Canvas()->FillRect(Rect(0, 0, 10, 10));
  SendMessageA(form.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.Canvas()->Handle()),
               PRF_CLIENT);
  EXPECT_EQ(painted, 1);
  EXPECT_EQ(Pixel24(surface, 1, 1), kRed);
  EXPECT_EQ(Pixel24(surface, 2, 1), kGreen);
  EXPECT_EQ(Pixel24(surface, 0, 0), kBlue);
  // Erasing fills with the form's colour.
  form.SetColor(clWhite);
  SendMessageA(form.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.Canvas()->Handle()),
               0);
  EXPECT_EQ(Pixel24(surface, 0, 0), RGB(255, 255, 255));
}

// .bmp files built byte by byte.
struct BmpBuilder {
  int width, height, bpp;
  std::vector<uint32_t> palette;
  std::vector<uint8_t> bits;

  std::vector<uint8_t> File() const {
    std::vector<uint8_t> out;
    auto put32 = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](uint16_t v) {
      out.push_back(static_cast<uint8_t>(v));
      out.push_back(static_cast<uint8_t>(v >> 8));
    };
    uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size()) * 4;
    out.push_back('B');
    out.push_back('M');
    put32(offset + static_cast<uint32_t>(bits.size()));
    put32(0);
    put32(offset);
    put32(40);
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));
    put16(1);
    put16(static_cast<uint16_t>(bpp));
    put32(0);
    put32(0);
    put32(2835);
    put32(2835);
    put32(static_cast<uint32_t>(palette.size()));
    put32(0);
    for (uint32_t c : palette) put32(c);
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
  }
};

void Load(TBitmap& bitmap, const std::vector<uint8_t>& bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(0);
  bitmap.LoadFromStream(stream);
}

TEST(BitmapTest, LoadsA24BitBottomUpFile) {
  // 2 × 2, rows of 8 bytes (padded); the bottom row first.
  BmpBuilder bmp{2,
                 2,
                 24,
                 {},
                 {0, 0, 255, 0, 255, 0, 0, 0,        // bottom: red, green
                  255, 0, 0, 255, 255, 255, 0, 0}};  // top: blue, white
  TBitmap bitmap;
  int changes = 0;
  bitmap.OnChange = [&](TObject*) { ++changes; };
  Load(bitmap, bmp.File());
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(bitmap.Width(), 2);
  ASSERT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(Pixel24(bitmap, 0, 0), kBlue);
  EXPECT_EQ(Pixel24(bitmap, 1, 0), RGB(255, 255, 255));
  EXPECT_EQ(Pixel24(bitmap, 0, 1), kRed);
  EXPECT_EQ(Pixel24(bitmap, 1, 1), kGreen);
  EXPECT_EQ(bitmap.TransparentColor(), static_cast<TColor>(kRed));
}

TEST(BitmapTest, LoadsATopDownPalettedFileAsTwentyFourBits) {
  // 3 × 2, 8 bits per pixel, top row first.
  BmpBuilder bmp{3, -2, 8, {0x000000FF, 0x0000FF00}, {0, 1, 0, 0, 1, 1, 0, 0}};
  TBitmap bitmap;
  Load(bitmap, bmp.File());
  ASSERT_EQ(bitmap.Width(), 3);
  ASSERT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(Pixel24(bitmap, 0, 0), kBlue);
  EXPECT_EQ(Pixel24(bitmap, 1, 0), kGreen);
  EXPECT_EQ(Pixel24(bitmap, 0, 1), kGreen);
  EXPECT_EQ(Pixel24(bitmap, 2, 1), kBlue);
}

TEST(BitmapTest, MalformedFilesAreRefusedAndTheOldPictureStays) {
  BmpBuilder good{2, 2, 24, {}, std::vector<uint8_t>(16, 0x40)};
  TBitmap bitmap;
  Load(bitmap, good.File());
  std::vector<std::vector<uint8_t>> bad;
  auto bytes = good.File();
  // Bits cut short (a missing padding of the last row is forgiven, pixels are not).
  bad.push_back({bytes.begin(), bytes.end() - 3});
  auto wrongMagic = bytes;
  wrongMagic[0] = 'X';
  bad.push_back(wrongMagic);
  bad.push_back(BmpBuilder{0, 2, 24, {}, std::vector<uint8_t>(16)}.File());
  bad.push_back(BmpBuilder{2, 2, 7, {}, std::vector<uint8_t>(16)}.File());
  bad.push_back(BmpBuilder{1, 1, 8, std::vector<uint32_t>(257), std::vector<uint8_t>(4)}.File());
  bad.push_back(BmpBuilder{100000, 1, 24, {}, std::vector<uint8_t>(16)}.File());
  auto hugeOffset = bytes;
  hugeOffset[10] = 0xFF;
  hugeOffset[13] = 0x7F;
  bad.push_back(hugeOffset);
  bad.push_back({bytes.begin(), bytes.begin() + 20});
  for (size_t i = 0; i < bad.size(); ++i) {
    try {
      Load(bitmap, bad[i]);
      ADD_FAILURE() << "case " << i;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Bitmap image is not valid") << "case " << i;
    }
    EXPECT_EQ(bitmap.Width(), 2) << "case " << i;
    EXPECT_EQ(Pixel24(bitmap, 1, 1), RGB(0x40, 0x40, 0x40)) << "case " << i;
  }
}

TEST(BitmapTest, SizeScanLinesAssignAndPictureNotifications) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_THROW(bitmap.ScanLine(0), EInvalidGraphicOperation);
  MakeSprite(bitmap);
  EXPECT_THROW(bitmap.ScanLine(3), EInvalidGraphicOperation);
  EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphicOperation);
  bitmap.SetSize(5, 4);
  EXPECT_EQ(Pixel24(bitmap, 1, 1), kRed);          // kept
  EXPECT_EQ(Pixel24(bitmap, 4, 3), RGB(0, 0, 0));  // new

  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &picture);
    ++changes;
  };
  picture.Assign(&bitmap);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(picture.Width(), 5);
  EXPECT_EQ(Pixel24(*picture.Bitmap(), 0, 0), kRed);
  // A deep copy: painting the original leaves the copy alone.
  SetPixel24(bitmap, 0, 0, kBlue);
  EXPECT_EQ(Pixel24(*picture.Bitmap(), 0, 0), kRed);
  TPicture other;
  other.Assign(&picture);
  EXPECT_EQ(other.Height(), 4);
  picture.Assign(nullptr);
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(picture.LoadFromFile("C:\\qv_no_such_picture.bmp"), EFOpenError);
  TFont font;
  EXPECT_THROW(picture.Assign(&font), EConvertError);
}

TEST(BitmapTest, FontsAreMadeWithTheDefaultCharset) {
  TFont font;
  EXPECT_EQ(font.Charset(), DEFAULT_CHARSET);
  font.SetSize(8);
  EXPECT_EQ(font.Height(), -11);
  font.SetStyle(fsBold | fsItalic);
  LOGFONTA logFont{};
  ASSERT_EQ(GetObjectA(font.Handle(), sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
  EXPECT_EQ(logFont.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(logFont.lfHeight, -11);
  EXPECT_EQ(logFont.lfWeight, FW_BOLD);
  EXPECT_TRUE(logFont.lfItalic);
  EXPECT_STREQ(logFont.lfFaceName, "MS Sans Serif");
}

TEST(BitmapTest, SystemColoursAreResolved) {
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clLime), RGB(0, 255, 0));
  EXPECT_EQ(ColorToRGB(clNavy), RGB(0, 0, 128));
}

}  // namespace

namespace {

TEST(BitmapTest, LoadsBitmapResourcesByNameAndNumber) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  TBitmap byName, byId;
  byName.LoadFromResourceName(instance, "TESTBMP");
  byId.LoadFromResourceID(instance, 7);
  for (TBitmap* bitmap : {&byName, &byId}) {
    ASSERT_EQ(bitmap->Width(), 2);
    ASSERT_EQ(bitmap->Height(), 1);
    EXPECT_EQ(Pixel24(*bitmap, 0, 0), kRed);
    EXPECT_EQ(Pixel24(*bitmap, 1, 0), kBlue);
  }
  try {
    byName.LoadFromResourceName(instance, "MISSING");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Resource MISSING not found");
  }
  EXPECT_EQ(byName.Width(), 2);
  // The same picture as a file.
  TBitmap fromFile;
  fromFile.LoadFromFile(TEST_BITMAP_FILE);
  EXPECT_EQ(Pixel24(fromFile, 1, 0), kBlue);
}

}  // namespace
