// Portable rules of the wave player: the sndPlaySoundA flags and the check that a memory
// image is a wave file the system may be given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr unsigned kSndAsync = 0x01;
inline constexpr unsigned kSndMemory = 0x04;
inline constexpr unsigned kSndLoop = 0x08;
inline constexpr unsigned kSndNoStop = 0x10;

constexpr unsigned WavePlayFlags(bool stopOthers, bool waitToStop, bool loop) {
  unsigned flags = kSndMemory;
  if (!stopOthers) flags |= kSndNoStop;
  if (!waitToStop) flags |= kSndAsync;
  if (loop) flags |= kSndLoop;
  return flags;
}

// A RIFF "WAVE" image whose chunks all lie within the bytes, with a format chunk and a
// data chunk. The system trusts the chunk sizes of a memory image, so anything else must
// never reach it.
constexpr bool IsWaveImage(std::span<const uint8_t> bytes) {
  auto u32 = [&](size_t at) {
    return uint64_t{bytes[at]} | uint64_t{bytes[at + 1]} << 8 | uint64_t{bytes[at + 2]} << 16 |
           uint64_t{bytes[at + 3]} << 24;
  };
  auto tag = [&](size_t at, const char* text) {
    for (size_t i = 0; i < 4; ++i)
      if (bytes[at + i] != static_cast<uint8_t>(text[i])) return false;
    return true;
  };
  if (bytes.size() < 12 || !tag(0, "RIFF") || !tag(8, "WAVE")) return false;
  const uint64_t end = 8 + u32(4);
  if (end > bytes.size()) return false;
  bool format = false, data = false;
  for (uint64_t at = 12; at + 8 <= end;) {
    const uint64_t size = u32(static_cast<size_t>(at) + 4);
    if (at + 8 + size > end) return false;
    if (tag(static_cast<size_t>(at), "fmt ")) format = size >= 16;
    if (tag(static_cast<size_t>(at), "data")) data = true;
    at += 8 + size + (size & 1);
  }
  return format && data;
}
