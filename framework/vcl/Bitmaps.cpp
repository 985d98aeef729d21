// Bitmaps, icons and pictures.
#include "Graphics.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "WideText.h"

namespace {

// Set from a test's own thread while the GUI thread paints.
std::atomic<bool> bitmapCreationFails{false};

int Stride(int width) {
  return (width * 3 + 3) & ~3;
}

BitmapHandle CreateDib(int width, int height, uint8_t*& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* memory = nullptr;
  BitmapHandle bitmap(bitmapCreationFails
                          ? nullptr
                          : CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
  if (!bitmap || !memory) throw Exception("Out of system resources");
  bits = static_cast<uint8_t*>(memory);
  return bitmap;
}

}  // namespace

void SetBitmapCreationFailsForTesting(bool fails) {
  bitmapCreationFails = fails;
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.SetHandle(nullptr);
  if (dc_ && oldBitmap_) SelectObject(dc_.get(), oldBitmap_);
}

void TBitmap::Replace(BitmapHandle bitmap, uint8_t* bits, int width, int height) {
  canvas_.SetHandle(nullptr);
  if (dc_ && oldBitmap_) SelectObject(dc_.get(), oldBitmap_);
  oldBitmap_ = nullptr;
  bitmap_ = std::move(bitmap);
  bits_ = bits;
  if (!bitmap_) monochrome_ = false;
  width_ = bitmap_ ? width : 0;
  height_ = bitmap_ ? height : 0;
  if (!bitmap_) return;
  if (!dc_) dc_.reset(CreateCompatibleDC(nullptr));
  oldBitmap_ = SelectObject(dc_.get(), bitmap_.get());
  canvas_.SetHandle(dc_.get());
}

void TBitmap::Changed() {
  if (OnChange) OnChange(this);
}

void TBitmap::SetSize(int width, int height) {
  width = std::clamp(width, 0, kBmpMaxSide);
  height = std::clamp(height, 0, kBmpMaxSide);
  if (width == width_ && height == height_) return;
  if (width == 0 || height == 0) {
    Replace(BitmapHandle(), nullptr, 0, 0);
  } else {
    uint8_t* bits = nullptr;
    BitmapHandle bitmap = CreateDib(width, height, bits);
    GdiFlush();
    int rows = std::min(height, height_), bytes = std::min(width, width_) * 3;
    for (int row = 0; row < rows; ++row)
      std::memcpy(bits + static_cast<size_t>(height - 1 - row) * Stride(width),
                  bits_ + static_cast<size_t>(height_ - 1 - row) * Stride(width_), bytes);
    Replace(std::move(bitmap), bits, width, height);
  }
  Changed();
}

uint8_t* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  GdiFlush();
  return bits_ + static_cast<size_t>(height_ - 1 - row) * Stride(width_);
}

TCanvas* TBitmap::Canvas() {
  return &canvas_;
}

void TBitmap::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Changed();
}

TColor TBitmap::TransparentColor() {
  if (transparentMode_ == tmFixed) return transparentColor_;
  if (Empty()) return clDefault;
  if (monochrome_) return clWhite;
  const uint8_t* pixel = ScanLine(height_ - 1);
  return static_cast<TColor>(RGB(pixel[2], pixel[1], pixel[0]));
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == transparentColor_ && transparentMode_ == (color == clDefault ? tmAuto : tmFixed))
    return;
  transparentColor_ = color;
  transparentMode_ = color == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
  if (mode == transparentMode_) return;
  transparentMode_ = mode;
  if (mode == tmAuto) transparentColor_ = clDefault;
  Changed();
}

void TBitmap::Assign(TPersistent* source) {
  if (!source) {
    if (!Empty()) {
      Replace(BitmapHandle(), nullptr, 0, 0);
      Changed();
    }
    return;
  }
  if (auto* picture = dynamic_cast<TPicture*>(source)) return Assign(picture->Bitmap());
  auto* other = dynamic_cast<TBitmap*>(source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  if (other->Empty()) {
    Replace(BitmapHandle(), nullptr, 0, 0);
  } else {
    uint8_t* bits = nullptr;
    BitmapHandle bitmap = CreateDib(other->width_, other->height_, bits);
    GdiFlush();
    std::memcpy(bits, other->bits_, static_cast<size_t>(Stride(other->width_)) * other->height_);
    Replace(std::move(bitmap), bits, other->width_, other->height_);
  }
  monochrome_ = other->monochrome_;
  transparent_ = other->transparent_;
  transparentMode_ = other->transparentMode_;
  transparentColor_ = other->transparentColor_;
  Changed();
}

void TBitmap::LoadFromDIB(const void* data, size_t size) {
  if (!data) throw EInvalidGraphic(kInvalidBitmapText);
  LoadDecoded(DecodePackedDib({static_cast<const uint8_t*>(data), size}));
}

void TBitmap::LoadDecoded(const DecodedBitmap& decoded) {
  uint8_t* bits = nullptr;
  BitmapHandle bitmap = CreateDib(decoded.width, decoded.height, bits);
  GdiFlush();
  const size_t rowBytes = static_cast<size_t>(decoded.width) * 3;
  for (int y = 0; y < decoded.height; ++y)
    std::memcpy(bits + static_cast<size_t>(decoded.height - 1 - y) * Stride(decoded.width),
                decoded.Row(y), rowBytes);
  Replace(std::move(bitmap), bits, decoded.width, decoded.height);
  monochrome_ = decoded.Monochrome();
  Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
  const int64_t available = stream.Size() - stream.Position();
  if (available <= 0 || available > static_cast<int64_t>(kBmpMaxPixelBytes) * 2)
    throw EInvalidGraphic(kInvalidBitmapText);
  std::vector<uint8_t> file(static_cast<size_t>(available));
  stream.ReadBuffer(file.data(), available);
  LoadDecoded(DecodeBmpFile(file));
}

void TBitmap::LoadFromFile(const TPath& fileName) {
  TMemoryStream stream;
  stream.LoadFromFile(fileName);
  LoadFromStream(stream);
}

static void LoadBitmapResource(TBitmap& bitmap, HINSTANCE instance, LPCSTR name,
                               const std::string& shownName) {
  HRSRC resource = FindResourceA(instance, name, MAKEINTRESOURCEA(2));  // RT_BITMAP
  HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) throw Exception("Resource " + shownName + " not found");
  bitmap.LoadFromDIB(data, SizeofResource(instance, resource));
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  LoadBitmapResource(*this, instance, name.c_str(), name);
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
  LoadBitmapResource(*this, instance, MAKEINTRESOURCEA(id), std::to_string(id));
}

// Icons

void TIcon::Assign(TPersistent* source) {
  auto* icon = dynamic_cast<TIcon*>(source);
  if (!source || (icon && icon->Empty())) {
    Clear();
    return;
  }
  if (!icon) return TPersistent::Assign(source);
  if (icon == this) return;
  handle_.reset(CopyIcon(icon->handle_.get()));
  size_ = icon->size_;
  Changed();
}

void TIcon::LoadFromResourceID(HINSTANCE instance, int id, int size) {
  if (size <= 0) size = GetSystemMetrics(SM_CXSMICON);
  auto* loaded = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (!loaded) throw Exception("Resource " + std::to_string(id) + " not found");
  handle_.reset(loaded);
  size_ = size;
  Changed();
}

void TIcon::Clear() {
  if (!handle_) return;
  handle_.reset();
  size_ = 0;
  Changed();
}

void TIcon::Changed() {
  if (OnChange) OnChange(this);
}

// Pictures

TPicture::TPicture() {
  bitmap_.OnChange = [this](TObject*) {
    if (OnChange) OnChange(this);
  };
}

void TPicture::Assign(TPersistent* source) {
  if (!source) return bitmap_.Assign(nullptr);
  if (auto* picture = dynamic_cast<TPicture*>(source)) return bitmap_.Assign(picture->Bitmap());
  if (dynamic_cast<TBitmap*>(source)) return bitmap_.Assign(source);
  TPersistent::Assign(source);
}

void TPicture::LoadFromFile(const TPath& fileName) {
  bitmap_.LoadFromFile(fileName);
}
