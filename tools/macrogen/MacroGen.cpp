// qv-macrogen OUTDIR: writes the sample macro into OUTDIR (the Scripts folder).
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CircleMacro.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qv-macrogen OUTDIR\n");
    return 2;
  }
  const std::filesystem::path path = std::filesystem::path(argv[1]) / kCircleMacroName;
  const std::vector<uint8_t> bytes = MacroBytes(CircleMacroEvents());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "qv-macrogen: cannot write %s\n", path.string().c_str());
    return 1;
  }
  return 0;
}
