// How the fuzz targets in tests/fuzz read their input, shared with the seed generator that
// writes their starting corpora. Little-endian throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz_input {

// brain_fuzz: a control block, then NUL-separated fields: Answers.brain, Dialog.brain,
// Greetings.brain, the short date, then one question per field (NUL is no special byte of
// the knowledge files, so nothing is lost by keeping it out of them).
inline constexpr size_t kBrainControlSize = 6;
enum BrainFlags : uint8_t {
  kNoAnswers = 1,  // the file is missing
  kNoDialog = 2,
  kNoGreetings = 4,
};
struct BrainControl {
  uint8_t flags = 0;
  uint8_t maxRead = 0;  // the most bytes one read of a file returns; 0: no limit
  uint32_t seed = 0;    // of the first re-seeding; each later one takes the next number
};
inline constexpr size_t kMaxQuestions = 4;

// rec_fuzz: a control block, then the bytes of the .rec file.
inline constexpr size_t kRecControlSize = 9;
enum RecFlags : uint8_t {
  kLowLevel = 1,     // the system refuses the journal playback hook
  kAppendAfter = 2,  // a recording appended to the stream once playback is over
  kUserBreaks = 4,   // the user presses Esc during the low-level replay
  kStopMidway = 8,   // Stop is called halfway through
};
struct RecControl {
  uint8_t flags = 0;
  int32_t speed = 100;
  uint32_t startTick = 0;
};

// profile_fuzz, bmp_fuzz and mask2_fuzz take the raw bytes: a plugin.ini value, a bitmap
// file, a Mask2 value.

inline uint32_t GetU32(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline void PutU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(value >> (8 * i));
}

inline BrainControl ReadBrainControl(const uint8_t* p) {
  return {p[0], p[1], GetU32(p + 2)};
}

inline RecControl ReadRecControl(const uint8_t* p) {
  return {p[0], static_cast<int32_t>(GetU32(p + 1)), GetU32(p + 5)};
}

// The NUL-separated fields of a text; at least one.
inline std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (;;) {
    const size_t end = text.find('\0');
    fields.push_back(text.substr(0, end));
    if (end == std::string_view::npos) return fields;
    text.remove_prefix(end + 1);
  }
}

inline std::string BrainInput(const BrainControl& control, const std::vector<std::string>& fields) {
  std::string out;
  out += static_cast<char>(control.flags);
  out += static_cast<char>(control.maxRead);
  PutU32(out, control.seed);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += '\0';
    out += fields[i];
  }
  return out;
}

inline std::string RecInput(const RecControl& control, std::string_view rec) {
  std::string out;
  out += static_cast<char>(control.flags);
  PutU32(out, static_cast<uint32_t>(control.speed));
  PutU32(out, control.startTick);
  out += rec;
  return out;
}

}  // namespace fuzz_input
