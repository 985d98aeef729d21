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
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// Section and key names without regard to case, as the platform's profile functions read.
using Profile = std::map<std::string, std::map<std::string, std::string>>;

Profile ParseIni(const Bytes& bytes) {
  Profile profile;
  std::string section;
  size_t start = 0;
  while (start < bytes.size()) {
    const auto cr = std::find(bytes.begin() + start, bytes.end(), '\r');
    const std::string line(bytes.begin() + start, cr);
    const bool crlf = cr != bytes.end() && cr + 1 != bytes.end() && cr[1] == '\n';
    EXPECT_TRUE(crlf) << "every line ends with CR LF: " << line;
    if (!crlf) break;
    EXPECT_EQ(line.find('\n'), std::string::npos) << "a bare LF in " << line;
    start = static_cast<size_t>(cr - bytes.begin()) + 2;
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      section = Upper(line.substr(1, line.size() - 2));
    } else if (const size_t eq = line.find('='); eq != std::string::npos) {
      profile[section][Upper(line.substr(0, eq))] = line.substr(eq + 1);
    }
  }
  return profile;
}

uint32_t Le(const Bytes& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
  return v;
}

// A short mono PCM chime that starts and ends quietly.
void CheckWave(const Bytes& wav) {
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(Le(wav, 20, 2), 1u) << "PCM";
  EXPECT_EQ(Le(wav, 22, 2), 1u) << "mono";
  const uint32_t rate = Le(wav, 24, 4), bits = Le(wav, 34, 2);
  ASSERT_TRUE(bits == 8 || bits == 16);
  EXPECT_EQ(Le(wav, 28, 4), rate * bits / 8);
  EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
  const uint32_t dataBytes = Le(wav, 40, 4);
  ASSERT_EQ(dataBytes, wav.size() - 44);
  const double seconds = static_cast<double>(dataBytes) / (rate * bits / 8);
  EXPECT_GT(seconds, 0.1);
  EXPECT_LT(seconds, 1.0);
  EXPECT_LT(wav.size(), 64u * 1024);
  std::vector<int> samples;
  for (size_t at = 44; at < wav.size(); at += bits / 8)
    samples.push_back(bits == 16 ? static_cast<int16_t>(Le(wav, at, 2)) : (wav[at] - 128) * 256);
  const int peak = std::abs(*std::max_element(
      samples.begin(), samples.end(), [](int a, int b) { return std::abs(a) < std::abs(b); }));
  EXPECT_GT(peak, 32768 / 4) << "audible";
  EXPECT_LT(peak, 32767) << "not clipped";
  EXPECT_LT(std::abs(samples.front()), 328) << "no click at the start";
  EXPECT_LT(std::abs(samples.back()), 328) << "no click at the end";
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
    const Profile ini = ParseIni(ReadAll(folder / "plugin.ini"));
    const auto& plugin = ini.at("PLUGIN");
    const std::string imgName = plugin.at("IMGNAME");
    ASSERT_TRUE(IsNameWithinFolder(imgName));
    // The keys convert whole; an absent or broken one would put the picture at 0, 0.
    int top = 0, left = 0;
    ASSERT_TRUE(TryStrToInt(plugin.at("PTOP"), top));
    ASSERT_TRUE(TryStrToInt(plugin.at("PLEFT"), left));

    const DecodedBitmap picture = DecodeBmpFile(ReadAll(folder / imgName));
    EXPECT_EQ(picture.bitsPerPixel, 24);
    EXPECT_EQ(picture.TransparentColor(), 0xFF00FFu) << "magenta left undrawn";
    int shown = 0;
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x) {
        if (picture.PixelColor(x, y) == picture.TransparentColor()) continue;
        const int wx = left + x, wy = top + y;
        ASSERT_TRUE(wx >= 0 && wy >= 0 && wx < kClientWidth && wy < character.height)
            << "pixel " << x << ", " << y << " lies outside the window";
        ASSERT_NE(character.PixelColor(wx, wy), kSkinGreen)
            << "pixel " << x << ", " << y << " falls outside the window's outline";
        for (const ControlArea& area : kCharacterControls)
          ASSERT_FALSE(wx >= area.left && wx < area.left + area.width && wy >= area.top &&
                       wy < area.top + area.height)
              << "pixel " << x << ", " << y << " covers the " << area.name;
        ++shown;
      }
    EXPECT_GT(shown, 500);

    const auto sound = ini.find("SOUND");
    if (sound != ini.end() && sound->second.count("WAV") && sound->second.at("WAV") == "True") {
      ++withSound;
      const std::string wavName = sound->second.at("WAVNAME");
      ASSERT_TRUE(IsNameWithinFolder(wavName));
      CheckWave(ReadAll(folder / wavName));
    }
  }
  EXPECT_EQ(plugins, 2);
  EXPECT_EQ(withSound, 1);
}

}  // namespace
