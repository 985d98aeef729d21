// The keyword scan's inner loop, in variants for the instruction sets the processor offers.
#pragma once

#include <cstddef>
#include <span>

inline constexpr size_t kNoPosition = static_cast<size_t>(-1);

// The first position p in from..last (from >= 1) that holds a byte 26 or may start a line
// equal to a text of `length` bytes beginning with `first`: a CR or LF at p - 1, `first` at p
// and a CR at p + length. The bytes up to last + length must be readable. kNoPosition if none.
using ScanFunction = size_t (*)(const char* data, size_t from, size_t last, size_t length,
                                char first);

struct ScanVariant {
  const char* name;
  ScanFunction scan;
};

// The variants this processor runs, the fastest first; the last is plain C++.
std::span<const ScanVariant> AvailableScans();
ScanFunction BestScan();
