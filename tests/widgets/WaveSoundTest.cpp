#include "WaveSound.h"

#include <gtest/gtest.h>

#include "WaveImage.h"

TEST(WavePlayFlags, FollowTheThreeSwitches) {
  // Always from memory; NOSTOP unless StopOthers; ASYNC unless WaitToStop; LOOP with Loop.
  EXPECT_EQ(WavePlayFlags(false, false, false), 0x15u);
  EXPECT_EQ(WavePlayFlags(true, false, false), 0x05u);
  EXPECT_EQ(WavePlayFlags(false, true, false), 0x14u);
  EXPECT_EQ(WavePlayFlags(false, false, true), 0x1Du);
  EXPECT_EQ(WavePlayFlags(true, true, true), 0x0Cu);
  EXPECT_EQ(WavePlayFlags(true, false, true), 0x0Du);
}

TEST(IsWaveImage, AcceptsCompleteWaves) {
  EXPECT_TRUE(IsWaveImage(MakeWave(100)));
  EXPECT_TRUE(IsWaveImage(MakeWave(0)));
  EXPECT_TRUE(IsWaveImage(MakeWave(7)));  // odd data chunk with its pad byte

  // Another chunk before the format, and bytes after the RIFF chunk, are fine.
  std::vector<uint8_t> w = MakeWave(10);
  std::vector<uint8_t> list;
  PutTag(list, "LIST");
  PutU32(list, 3);
  list.insert(list.end(), {'a', 'b', 'c', 0});
  w.insert(w.begin() + 12, list.begin(), list.end());
  SetU32(w, kRiffSizeAt, static_cast<uint32_t>(w.size() - 8));
  w.push_back(0xEE);
  EXPECT_TRUE(IsWaveImage(w));
}

TEST(IsWaveImage, RefusesWhatTheSystemWouldReadPast) {
  EXPECT_FALSE(IsWaveImage({}));
  const std::vector<uint8_t> text = {'H', 'e', 'l', 'l', 'o', ',', ' ',
                                     'w', 'o', 'r', 'l', 'd', '!'};
  EXPECT_FALSE(IsWaveImage(text));

  std::vector<uint8_t> w = MakeWave(100);
  EXPECT_FALSE(IsWaveImage(std::span(w).first(11)));
  EXPECT_FALSE(IsWaveImage(std::span(w).first(w.size() - 1)));  // RIFF size beyond the bytes

  auto spoiled = [](size_t at, uint32_t value) {
    std::vector<uint8_t> bad = MakeWave(100);
    SetU32(bad, at, value);
    return bad;
  };
  EXPECT_FALSE(IsWaveImage(spoiled(0, 0x46464952 + 1)));  // not "RIFF"
  EXPECT_FALSE(IsWaveImage(spoiled(8, 0x45564157 + 1)));  // not "WAVE"
  EXPECT_FALSE(IsWaveImage(spoiled(kRiffSizeAt, 0xFFFFFFFF)));
  EXPECT_FALSE(IsWaveImage(spoiled(kDataSizeAt, 101)));  // data past the RIFF chunk
  EXPECT_FALSE(IsWaveImage(spoiled(kDataSizeAt, 0xFFFFFFF8)));
  EXPECT_FALSE(IsWaveImage(spoiled(kFmtSizeAt, 0xFFFFFFF0)));
  EXPECT_FALSE(IsWaveImage(spoiled(12, 0x20746D66 + 1)));  // no format chunk

  // A format chunk too small to hold the PCM fields.
  std::vector<uint8_t> shortFmt = MakeWave(4);
  SetU32(shortFmt, kFmtSizeAt, 8);
  shortFmt.erase(shortFmt.begin() + 28, shortFmt.begin() + 36);
  SetU32(shortFmt, kRiffSizeAt, static_cast<uint32_t>(shortFmt.size() - 8));
  EXPECT_FALSE(IsWaveImage(shortFmt));

  // A RIFF chunk cut right after its header: no data chunk.
  std::vector<uint8_t> noData = MakeWave(0);
  noData.resize(36);
  SetU32(noData, kRiffSizeAt, 28);
  EXPECT_FALSE(IsWaveImage(noData));
}
