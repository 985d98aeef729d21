// qv-mask PICTURE.bmp OUT.mask2: the stored outline (Mask2) of a skin picture, made of
// its pixels that are not the pure green background.
#include <cstdio>
#include <string>
#include <vector>

#include "Image.h"
#include "RegionData.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qv-mask PICTURE.bmp OUT.mask2\n");
    return 2;
  }
  std::vector<uint8_t> file;
  if (!ReadFileBytes(argv[1], &file)) {
    std::fprintf(stderr, "qv-mask: cannot read %s\n", argv[1]);
    return 1;
  }
  Image picture;
  std::string error;
  if (!DecodeBmp(file, &picture, &error)) {
    std::fprintf(stderr, "qv-mask: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  const std::vector<RegionRect> rects =
      BandMask(picture.Width(), picture.Height(), OutlineMask(picture));
  if (!WriteFileBytes(argv[2], BuildMask2(rects))) {
    std::fprintf(stderr, "qv-mask: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%s: %zu rectangles\n", argv[2], rects.size());
  return 0;
}
