// The wave player against a recording stand-in for sndPlaySoundA, and once against the system.
#include "WavePlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "WaveImage.h"
#include "WaveSound.h"

namespace {

struct SoundCall {
  bool stop;  // null sound pointer
  unsigned flags;
  std::vector<uint8_t> bytes;  // of a started sound, as the system would see them
};

class WavePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSoundFunction([this](const void* sound, unsigned flags) {
      SoundCall call{sound == nullptr, flags, {}};
      if (sound) {
        lastSound = static_cast<const uint8_t*>(sound);
        call.bytes.assign(lastSound, lastSound + player->Sound()->Size());
      }
      calls.push_back(std::move(call));
      return sound ? accept : true;
    });
    player = std::make_unique<TWavePlayer>(nullptr);
  }
  void TearDown() override {
    player.reset();
    SetSoundFunction(nullptr);
  }
  void LoadSound(const std::vector<uint8_t>& bytes) {
    player->Sound()->Clear();
    player->Sound()->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  // Flags of the calls that started a sound, 0 for a stop.
  std::vector<unsigned> Pattern() const {
    std::vector<unsigned> out;
    for (const SoundCall& c : calls) out.push_back(c.stop ? 0 : c.flags);
    return out;
  }

  std::unique_ptr<TWavePlayer> player;
  std::vector<SoundCall> calls;
  const uint8_t* lastSound = nullptr;
  bool accept = true;
  const std::vector<uint8_t> wave = MakeWave(64);
};

using Calls = std::vector<unsigned>;

TEST_F(WavePlayerTest, DefaultsStopThenPlayOnceAsynchronously) {
  EXPECT_FALSE(player->Active());
  LoadSound(wave);
  player->Play();
  EXPECT_EQ(Pattern(), (Calls{0, kSndMemory | kSndNoStop | kSndAsync}));
  EXPECT_EQ(calls[0].flags, kSndMemory);
  EXPECT_EQ(calls[1].bytes, wave);
  EXPECT_FALSE(player->Active());  // a one-shot sound never sets it
}

TEST_F(WavePlayerTest, LoopSetsActiveAndActiveFalseStopsIt) {
  LoadSound(wave);
  player->SetLoop(true);
  player->SetStopOthers(true);
  player->Play();
  EXPECT_TRUE(player->Active());
  EXPECT_EQ(Pattern(), (Calls{0, kSndMemory | kSndAsync | kSndLoop}));

  calls.clear();
  player->SetActive(true);  // already playing: nothing
  EXPECT_TRUE(calls.empty());
  player->SetActive(false);
  EXPECT_FALSE(player->Active());
  EXPECT_EQ(Pattern(), (Calls{0}));
  player->SetActive(false);
  EXPECT_EQ(Pattern(), (Calls{0}));
}

TEST_F(WavePlayerTest, ActiveTrueRestartsAndPlayTwiceStartsAgain) {
  LoadSound(wave);
  player->SetWaitToStop(true);
  player->SetActive(true);  // a synchronous one-shot: Active stays false
  EXPECT_FALSE(player->Active());
  player->SetActive(true);
  player->Play();
  const unsigned sync = kSndMemory | kSndNoStop;
  EXPECT_EQ(Pattern(), (Calls{0, sync, 0, sync, 0, sync}));
}

TEST_F(WavePlayerTest, EmptyOrForeignSoundPlaysNothing) {
  player->SetLoop(true);
  player->Play();
  EXPECT_EQ(Pattern(), (Calls{0}));
  EXPECT_FALSE(player->Active());

  calls.clear();
  LoadSound({'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e', '!', '!', '!'});
  player->Play();
  EXPECT_EQ(Pattern(), (Calls{0}));
  EXPECT_FALSE(player->Active());

  calls.clear();
  std::vector<uint8_t> cut = wave;
  cut.resize(cut.size() - 10);  // its chunks claim bytes that are not there
  LoadSound(cut);
  player->Play();
  EXPECT_EQ(Pattern(), (Calls{0}));
}

TEST_F(WavePlayerTest, RefusedLoopLeavesActiveFalse) {
  LoadSound(wave);
  player->SetLoop(true);
  accept = false;
  player->Play();
  EXPECT_EQ(Pattern().size(), 2u);
  EXPECT_FALSE(player->Active());
}

TEST_F(WavePlayerTest, PlayingSoundSurvivesReplacedContent) {
  LoadSound(wave);
  player->SetLoop(true);
  player->Play();
  ASSERT_NE(lastSound, nullptr);
  const uint8_t* playing = lastSound;
  LoadSound(std::vector<uint8_t>(50000, 0x55));  // reallocates Sound while the loop plays
  EXPECT_TRUE(std::equal(wave.begin(), wave.end(), playing));
  EXPECT_TRUE(player->Active());
}

TEST_F(WavePlayerTest, DestroyingStopsTheSound) {
  LoadSound(wave);
  player->SetLoop(true);
  player->Play();
  calls.clear();
  player.reset();
  EXPECT_EQ(Pattern(), (Calls{0}));
}

TEST_F(WavePlayerTest, DataIsStoredOnlyWithASound) {
  TMemoryStream value;
  EXPECT_FALSE(WriteBinaryProperty(*player, "Data", value));

  LoadSound(wave);
  ASSERT_TRUE(WriteBinaryProperty(*player, "Data", value));
  ASSERT_EQ(value.Size(), static_cast<int64_t>(wave.size()));
  EXPECT_EQ(std::memcmp(value.Memory(), wave.data(), wave.size()), 0);

  // Reading replaces the content, whatever was there before.
  TWavePlayer other(nullptr);
  const std::vector<uint8_t> old(5000, 1);
  other.Sound()->WriteBuffer(old.data(), static_cast<int64_t>(old.size()));
  ReadBinaryProperty(other, "Data", value.Memory(), static_cast<size_t>(value.Size()));
  ASSERT_EQ(other.Sound()->Size(), static_cast<int64_t>(wave.size()));
  EXPECT_EQ(std::memcmp(other.Sound()->Memory(), wave.data(), wave.size()), 0);
}

// Without a sound device Wine still reports a memory wave as started.
TEST(WavePlayerSystem, StartsAndStopsAMemoryWave) {
  TWavePlayer player(nullptr);
  const std::vector<uint8_t> wave = MakeWave(800);
  player.Sound()->WriteBuffer(wave.data(), static_cast<int64_t>(wave.size()));
  player.SetLoop(true);
  player.Play();
  EXPECT_TRUE(player.Active());
  player.Stop();
  EXPECT_FALSE(player.Active());
}

}  // namespace
