// qv-assetgen OUTDIR: draws the character's pictures, icons and outline into OUTDIR.
#include <cstdio>
#include <exception>
#include <string>

#include "Art.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qv-assetgen OUTDIR\n");
    return 2;
  }
  try {
    const std::string dir = argv[1];
    for (const AssetFile& file : GenerateAssets()) {
      const std::string path = dir + "/" + file.name;
      if (!WriteFileBytes(path, file.bytes)) {
        std::fprintf(stderr, "qv-assetgen: cannot write %s\n", path.c_str());
        return 1;
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qv-assetgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
