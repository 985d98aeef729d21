// The shipped plugins, read as the main window reads them: plugin.ini, the picture through
// the bitmap reader, the wave. Each picture must show where it is drawn: on the character,
// inside the window's outline, off the controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "Art.h"
#include "BmpReader.h"
#include "SysUtils.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Section and key names in capitals, as the platform's profile functions ignore their case.
std::map<std::string, std::string> ParseIni(const Bytes& bytes) {
  std::map<std::string, std::string> keys;
  std::string text(bytes.begin(), bytes.end()), section;
  EXPECT_TRUE(text.ends_with("\r\n"));
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    std::string line = text.substr(start, end - start);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "lines end with CR LF: " << line;
    const size_t eq = line.find('=');
    for (size_t i = 0; i < std::min(eq, line.size()); ++i)
      if (line[i] >= 'a' && line[i] <= 'z') line[i] = static_cast<char>(line[i] - 'a' + 'A');
    if (line.starts_with('['))
      section = line;
    else if (eq != std::string::npos)
      keys[section + line.substr(0, eq)] = line.substr(eq + 1);
  }
  return keys;
}

uint32_t Le(const Bytes& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
  return v;
}

// A mono 16-bit PCM chime, audible, not clipped, that starts and ends quietly.
void CheckWave(const Bytes& wav) {
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(
      std::string(wav.begin(), wav.begin() + 4) + std::string(wav.begin() + 8, wav.begin() + 16),
      "RIFFWAVEfmt ");
  EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
  EXPECT_EQ(Le(wav, 20, 4), 0x00010001u) << "PCM, mono";
  EXPECT_EQ(Le(wav, 28, 4), Le(wav, 24, 4) * 2);
  EXPECT_EQ(Le(wav, 32, 4), 0x00100002u) << "16 bits";
  EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
  ASSERT_EQ(Le(wav, 40, 4), wav.size() - 44);
  int peak = 0;
  for (size_t at = 44; at < wav.size(); at += 2)
    peak = std::max(peak, std::abs(static_cast<int16_t>(Le(wav, at, 2))));
  EXPECT_GT(peak, 32768 / 4);
  EXPECT_LT(peak, 32767);
  EXPECT_LT(std::abs(static_cast<int16_t>(Le(wav, 44, 2))), 328) << "a click at the start";
  EXPECT_LT(std::abs(static_cast<int16_t>(Le(wav, wav.size() - 2, 2))), 328) << "at the end";
}

TEST(PluginData, PicturesSitOnTheCharacterAndSoundsPlay) {
  const DecodedBitmap character = DecodeBmpFile(ReadAll(fs::path(QV_ASSET_DIR) / "Character.bmp"));
  const uint32_t kSkinGreen = 0x00FF00;
  const int kClientWidth = 162;
  int plugins = 0, withSound = 0;
  for (const auto& entry : fs::directory_iterator(QV_PLUGIN_DIR)) {
    const fs::path folder = entry.path();
    if (folder.extension() != ".plg") continue;
    SCOPED_TRACE(folder.filename().string());
    ++plugins;
    auto ini = ParseIni(ReadAll(folder / "plugin.ini"));
    const std::string imgName = ini["[PLUGIN]IMGNAME"];
    ASSERT_TRUE(IsNameWithinFolder(imgName));
    // The keys convert whole; an absent or broken one would put the picture at 0, 0.
    int top = 0, left = 0;
    ASSERT_TRUE(TryStrToInt(ini["[PLUGIN]PTOP"], top));
    ASSERT_TRUE(TryStrToInt(ini["[PLUGIN]PLEFT"], left));

    const DecodedBitmap picture = DecodeBmpFile(ReadAll(folder / imgName));
    EXPECT_EQ(picture.TransparentColor(), 0xFF00FFu) << "magenta left undrawn";
    int shown = 0;
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x) {
        if (picture.PixelColor(x, y) == picture.TransparentColor()) continue;
        const int wx = left + x, wy = top + y;
        ASSERT_TRUE(wx >= 0 && wy >= 0 && wx < kClientWidth && wy < character.height &&
                    character.PixelColor(wx, wy) != kSkinGreen)
            << "pixel " << x << ", " << y << " falls outside the window's outline";
        for (const ControlArea& area : kCharacterControls)
          ASSERT_FALSE(wx >= area.left && wx < area.left + area.width && wy >= area.top &&
                       wy < area.top + area.height)
              << "pixel " << x << ", " << y << " covers the " << area.name;
        ++shown;
      }
    EXPECT_GT(shown, 500);

    if (ini["[SOUND]WAV"] == "True") {
      ++withSound;
      ASSERT_TRUE(IsNameWithinFolder(ini["[SOUND]WAVNAME"]));
      CheckWave(ReadAll(folder / ini["[SOUND]WAVNAME"]));
    }
  }
  EXPECT_EQ(plugins, 2);
  EXPECT_EQ(withSound, 1);
}

}  // namespace
