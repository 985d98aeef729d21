// A 24-bit picture in memory, the file formats the program's resources use (24-bit BMP,
// 16-colour ICO) and the outline mask of a skin picture.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;

  bool operator==(const Rgb&) const = default;
};

// The skin's transparent background.
constexpr Rgb kSkinGreen{0, 255, 0};

class Image {
 public:
  Image() = default;
  Image(int width, int height, Rgb fill);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  Rgb At(int x, int y) const { return pixels_[Index(x, y)]; }
  // Writes outside the picture are dropped, so shapes may run over the edge.
  void Set(int x, int y, Rgb colour) {
    if (Contains(x, y)) pixels_[Index(x, y)] = colour;
  }

 private:
  size_t Index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }

  int width_ = 0, height_ = 0;
  std::vector<Rgb> pixels_;
};

// A 24-bit bottom-up BMP file, rows padded to 4 bytes.
std::vector<uint8_t> EncodeBmp24(const Image& image);
// Reads an uncompressed 24- or 32-bit BMP (bottom-up or top-down). Returns false, with a
// reason, for anything else or for a truncated file.
bool DecodeBmp(std::span<const uint8_t> file, Image* image, std::string* error);

// A one-image ICO file, 4 bits per pixel with the given palette (at most 16 colours) and
// an AND mask: indexes[y * width + x] is a palette index, or -1 for a transparent pixel.
std::vector<uint8_t> EncodeIco4(int width, int height, std::span<const Rgb> palette,
                                std::span<const int> indexes);

// Nonzero for every pixel that is not the skin green: the window's outline.
std::vector<uint8_t> OutlineMask(const Image& image);

// Little-endian fields of the file formats.
void PutU16(std::vector<uint8_t>& out, uint32_t value);
void PutU32(std::vector<uint8_t>& out, uint32_t value);

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes);
bool WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes);
