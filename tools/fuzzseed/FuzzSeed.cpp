// qv-fuzzseed OUTDIR: writes the starting corpora of the fuzz targets, one folder per target
// (OUTDIR/brain_fuzz/...), from the generators of the shipped files and a few small cases of
// each format. The same run always writes the same bytes.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Art.h"
#include "BmpBuilder.h"
#include "CircleMacro.h"
#include "FuzzInputs.h"
#include "RegionData.h"

namespace {

using namespace fuzz_input;

struct Seed {
  std::string target, name, bytes;
};

std::string Text(const std::vector<uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

std::string Crlf(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

void BrainSeeds(std::vector<Seed>& seeds) {
  // Two blocks of one keyword and one of another; the later of two matching words wins.
  const std::string pooled = Crlf({"K", "L", "!", "a1", "a2", ".", "K", "!", "b1", "."});
  const std::string dialog = Crlf({"\xCD\xE5 \xEF\xEE\xED\xFF\xEB.", "", "# *"});  // Не понял.
  const std::string greetings = Crlf({"\xCF\xF0\xE8\xE2\xE5\xF2!", "$Date $KeyWord"});  // Привет!
  seeds.push_back(
      {"brain_fuzz", "blocks",
       BrainInput({0, 0, 7}, {pooled, dialog, greetings, "01.02.2003", "k l", "l, k?"})});
  // Placeholders and markers, a Russian keyword, a date that holds a placeholder itself.
  const std::string marked =
      Crlf({"\xCA\xC0\xCA", "\xC4\xC5\xCB\xC0", "!",  // КАК ДЕЛА
            "$KeyWord: *", "# $Date #", "^\xCF\xEE\xEA\xE0", ".", "", "KEY", "!", "...", "."});
  seeds.push_back({"brain_fuzz", "markers",
                   BrainInput({0, 0, 0x9E3779B9u},
                              {marked, dialog, greetings, "$KeyWord$Date",
                               "\xea\xe0\xea \xe4\xe5\xeb\xe0 \xe4\xf0\xf3\xe3", "a  b ", "key"})});
  // Line ends of every kind read in pieces of three bytes: a lone LF, a CR without LF, an LF
  // starting a line, a Ctrl-Z hiding the rest, a block left open at the end.
  const std::string grammar = "A\nB\rX\r\n\nY\r\n!\r\nans\rwer\r.\rZ\r\n!\r\nopen";
  seeds.push_back({"brain_fuzz", "line-ends",
                   BrainInput({0, 3, 42}, {grammar,
                                           "d1\r\nd2\x1a"
                                           "d3",
                                           "g\r", "", "X", "Z Y", "A\nB"})});
  // Missing files, an empty greeting list.
  seeds.push_back({"brain_fuzz", "missing",
                   BrainInput({kNoAnswers | kNoDialog, 0, 1}, {pooled, dialog, "", "", "k"})});
}

void RecSeeds(std::vector<Seed>& seeds) {
  const std::string circle = Text(MacroBytes(CircleMacroEvents()));
  seeds.push_back({"rec_fuzz", "circle-journal", RecInput({0, 100, 1000}, circle)});
  seeds.push_back({"rec_fuzz", "circle-low-level-fast",
                   RecInput({kLowLevel | kStopMidway, 50, 0xFFFFF000u}, circle)});
  // Ctrl held, A typed, a button pressed and never released, Ctrl+Break at the end.
  std::vector<TEventMsg> keys = {
      EventFromKey(kMsgKeyDown, {0x11, 0x1D, false, false, 0}),
      EventFromKey(kMsgKeyDown, {'A', 0x1E, false, false, 120}),
      EventFromKey(kMsgKeyUp, {'A', 0x1E, false, false, 180}),
      EventFromMouse(kMsgRButtonDown, {300, 200, 0, false, 250}),
      EventFromMouse(kMsgXButtonDown, {300, 200, 2, false, 260}),
      EventFromKey(kMsgKeyDown, {kVkCancel, 0x46, true, false, 1290}),
  };
  seeds.push_back(
      {"rec_fuzz", "keys-break",
       RecInput({kLowLevel | kUserBreaks | kAppendAfter, 200, 5}, Text(MacroBytes(keys)))});
  seeds.push_back({"rec_fuzz", "fragment",
                   RecInput({kStopMidway | kAppendAfter, 100, 0}, circle.substr(0, 67))});
}

void ProfileSeeds(std::vector<Seed>& seeds) {
  int n = 0;
  for (const AssetFile& file : GeneratePlugins()) {
    if (!file.name.ends_with("plugin.ini")) continue;
    const std::string text = Text(file.bytes);
    for (size_t at = 0; at < text.size();) {
      const size_t end = text.find("\r\n", at);
      const std::string line = text.substr(at, end - at);
      at = end + 2;
      if (const size_t equals = line.find('='); equals != std::string::npos)
        seeds.push_back({"profile_fuzz", "ini-" + std::to_string(++n), line.substr(equals + 1)});
    }
  }
  n = 0;
  for (const char* value : {"0x10", "$7FFFFFFF", "-$80000000", " -12\t", "0040", "img\\pic.bmp",
                            "..\\pic.bmp", ". .\\x", "COM1.wav", "C:pic.bmp", "a/b/../c"})
    seeds.push_back({"profile_fuzz", "form-" + std::to_string(++n), value});
}

void BmpSeeds(std::vector<Seed>& seeds) {
  for (const AssetFile& file : GenerateAssets())
    if (file.name == "Close.bmp") seeds.push_back({"bmp_fuzz", file.name, Text(file.bytes)});
  // A small picture in every format the reader knows, but with short colour tables.
  std::mt19937 rng(11);
  int n = 0;
  for (const BmpFormat& format : EveryFormat()) {
    if (format.palette.size() > 32) continue;
    const std::vector<uint8_t> dib = BuildDib(format, 5, 3, RandomValues(format, 5, 3, rng));
    seeds.push_back({"bmp_fuzz", "format-" + std::to_string(++n) + ".bmp",
                     Text(WithFileHeader(dib, BitsOffset(format)))});
  }
}

void Mask2Seeds(std::vector<Seed>& seeds) {
  for (const AssetFile& file : GenerateAssets())
    if (file.name == "Character.mask2")
      seeds.push_back({"mask2_fuzz", file.name, Text(file.bytes)});
  // The close glyph's dark pixels, and no outline at all.
  const Image glyph = DrawCloseGlyph();
  std::vector<uint8_t> dark;
  for (int y = 0; y < glyph.Height(); ++y)
    for (int x = 0; x < glyph.Width(); ++x) dark.push_back(glyph.At(x, y).r < 128);
  seeds.push_back({"mask2_fuzz", "glyph.mask2",
                   Text(BuildMask2(BandMask(glyph.Width(), glyph.Height(), dark)))});
  seeds.push_back({"mask2_fuzz", "empty.mask2", std::string(4, '\0')});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qv-fuzzseed OUTDIR\n");
    return 2;
  }
  std::vector<Seed> seeds;
  BrainSeeds(seeds);
  RecSeeds(seeds);
  ProfileSeeds(seeds);
  BmpSeeds(seeds);
  Mask2Seeds(seeds);
  for (const Seed& seed : seeds) {
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / seed.target;
    std::filesystem::create_directories(folder);
    if (!WriteFileBytes((folder / seed.name).string(),
                        {reinterpret_cast<const uint8_t*>(seed.bytes.data()), seed.bytes.size()})) {
      std::fprintf(stderr, "qv-fuzzseed: cannot write %s\n", (folder / seed.name).string().c_str());
      return 1;
    }
  }
  return 0;
}
