#include "Image.h"

#include <fstream>
#include <iterator>
#include <utility>

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

namespace {

uint32_t GetU16(std::span<const uint8_t> data, size_t at) {
  return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8;
}

uint32_t GetU32(std::span<const uint8_t> data, size_t at) {
  return GetU16(data, at) | GetU16(data, at + 2) << 16;
}

// BITMAPINFOHEADER with the fields a plain uncompressed picture uses.
void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, int bits, uint32_t imageSize) {
  PutU32(out, 40);
  PutU32(out, static_cast<uint32_t>(width));
  PutU32(out, static_cast<uint32_t>(height));
  PutU16(out, 1);
  PutU16(out, static_cast<uint32_t>(bits));
  PutU32(out, 0);  // BI_RGB
  PutU32(out, imageSize);
  PutU32(out, 2835);  // 72 dots per inch
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);
}

size_t RowBytes(int width, int bits) {
  return ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
}

}  // namespace

Image::Image(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

std::vector<uint8_t> EncodeBmp24(const Image& image) {
  const size_t rowBytes = RowBytes(image.Width(), 24);
  const uint32_t imageSize = static_cast<uint32_t>(rowBytes * image.Height());
  std::vector<uint8_t> out;
  out.reserve(54 + imageSize);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, 54 + imageSize);
  PutU32(out, 0);
  PutU32(out, 54);
  PutInfoHeader(out, image.Width(), image.Height(), 24, imageSize);
  for (int y = image.Height() - 1; y >= 0; --y) {
    const size_t start = out.size();
    for (int x = 0; x < image.Width(); ++x) {
      Rgb c = image.At(x, y);
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
    }
    out.resize(start + rowBytes, 0);
  }
  return out;
}

bool DecodeBmp(std::span<const uint8_t> file, Image* image, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return false;
  };
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return fail("not a BMP file");
  const uint32_t offset = GetU32(file, 10);
  const uint32_t infoSize = GetU32(file, 14);
  if (infoSize < 40 || 14 + static_cast<uint64_t>(infoSize) > file.size())
    return fail("unsupported BMP header");
  const int32_t width = static_cast<int32_t>(GetU32(file, 18));
  const int32_t rawHeight = static_cast<int32_t>(GetU32(file, 22));
  const uint32_t bits = GetU16(file, 28);
  const uint32_t compression = GetU32(file, 30);
  if (bits != 24 && bits != 32) return fail("only 24- and 32-bit BMP files are supported");
  if (compression != 0 && !(bits == 32 && compression == 3)) return fail("compressed BMP file");
  if (width <= 0 || width > 32768 || rawHeight == 0 || rawHeight < -32768 || rawHeight > 32768)
    return fail("bad BMP size");
  const bool topDown = rawHeight < 0;
  const int height = topDown ? -rawHeight : rawHeight;
  const size_t rowBytes = RowBytes(width, static_cast<int>(bits));
  if (offset > file.size() || file.size() - offset < rowBytes * height)
    return fail("truncated BMP file");
  Image result(width, height, Rgb{});
  const size_t step = bits / 8;
  for (int row = 0; row < height; ++row) {
    const int y = topDown ? row : height - 1 - row;
    const size_t base = offset + row * rowBytes;
    for (int x = 0; x < width; ++x) {
      const size_t at = base + x * step;
      result.Set(x, y, Rgb{file[at + 2], file[at + 1], file[at]});
    }
  }
  *image = std::move(result);
  return true;
}

std::vector<uint8_t> EncodeIco4(int width, int height, std::span<const Rgb> palette,
                                std::span<const int> indexes) {
  const size_t xorRow = RowBytes(width, 4);
  const size_t andRow = RowBytes(width, 1);
  const uint32_t imageBytes = static_cast<uint32_t>(40 + 16 * 4 + (xorRow + andRow) * height);
  std::vector<uint8_t> out;
  // ICONDIR and its one entry.
  PutU16(out, 0);
  PutU16(out, 1);
  PutU16(out, 1);
  out.push_back(static_cast<uint8_t>(width));
  out.push_back(static_cast<uint8_t>(height));
  out.push_back(16);
  out.push_back(0);
  PutU16(out, 1);
  PutU16(out, 4);
  PutU32(out, imageBytes);
  PutU32(out, 22);
  // The image: its height counts the colour and the mask bitmaps together.
  PutInfoHeader(out, width, height * 2, 4, static_cast<uint32_t>((xorRow + andRow) * height));
  for (size_t i = 0; i < 16; ++i) {
    Rgb c = i < palette.size() ? palette[i] : Rgb{};
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  // A transparent pixel is index 0 (black) under a set mask bit, so the screen shows through.
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(xorRow, 0);
    for (int x = 0; x < width; ++x) {
      int index = indexes[static_cast<size_t>(y) * width + x];
      if (index < 0) index = 0;
      row[x / 2] |= static_cast<uint8_t>((index & 0xF) << (x % 2 ? 0 : 4));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(andRow, 0);
    for (int x = 0; x < width; ++x)
      if (indexes[static_cast<size_t>(y) * width + x] < 0)
        row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<uint8_t> OutlineMask(const Image& image) {
  std::vector<uint8_t> mask(static_cast<size_t>(image.Width()) * image.Height());
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      mask[static_cast<size_t>(y) * image.Width() + x] = image.At(x, y) == kSkinGreen ? 0 : 1;
  return mask;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}
