// qv-assetgen OUTDIR: draws the character's pictures, icons and outline into OUTDIR.
// qv-assetgen --plugins OUTDIR: makes the sample plugin folders in OUTDIR.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "Art.h"

int main(int argc, char** argv) {
  const bool plugins = argc == 3 && std::string_view(argv[1]) == "--plugins";
  if (argc != 2 && !plugins) {
    std::fprintf(stderr, "usage: qv-assetgen [--plugins] OUTDIR\n");
    return 2;
  }
  try {
    const std::string dir = argv[argc - 1];
    for (const AssetFile& file : plugins ? GeneratePlugins() : GenerateAssets()) {
      const std::filesystem::path path = std::filesystem::path(dir) / file.name;
      std::filesystem::create_directories(path.parent_path());
      if (!WriteFileBytes(path.string(), file.bytes)) {
        std::fprintf(stderr, "qv-assetgen: cannot write %s\n", path.string().c_str());
        return 1;
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qv-assetgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
