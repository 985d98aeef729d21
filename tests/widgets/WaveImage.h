// Wave images for the tests: a valid mono 8-bit file and its bytes to spoil.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

// RIFF, WAVE, a 16-byte fmt chunk (PCM, mono, 8000 Hz, 8 bits) and `samples` bytes of data.
inline std::vector<uint8_t> MakeWave(uint32_t samples) {
  std::vector<uint8_t> w;
  PutTag(w, "RIFF");
  PutU32(w, 4 + 8 + 16 + 8 + samples + (samples & 1));
  PutTag(w, "WAVE");
  PutTag(w, "fmt ");
  PutU32(w, 16);
  for (uint8_t b : {1, 0, 1, 0}) w.push_back(b);  // PCM, one channel
  PutU32(w, 8000);
  PutU32(w, 8000);
  for (uint8_t b : {1, 0, 8, 0}) w.push_back(b);  // block align 1, 8 bits
  PutTag(w, "data");
  PutU32(w, samples);
  for (uint32_t i = 0; i < samples; ++i) w.push_back(static_cast<uint8_t>(128 + (i % 16)));
  if (samples & 1) w.push_back(0);
  return w;
}

inline void SetU32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Offsets in a MakeWave image.
inline constexpr size_t kRiffSizeAt = 4;
inline constexpr size_t kFmtSizeAt = 16;
inline constexpr size_t kDataSizeAt = 40;
