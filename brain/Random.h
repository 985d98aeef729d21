// The program's one pseudo-random generator: a 32-bit linear congruential seed.
#pragma once

#include <cstdint>
#include <functional>

class TRandomGenerator {
 public:
  // Re-seeds from the seed source: by default the UTC time of day in milliseconds.
  void Randomize();
  // One draw over n: an index in 0 .. n - 1 (0 when n is 0).
  uint32_t Random(uint32_t n);

  uint32_t Seed() const { return seed_; }
  void SetSeed(uint32_t seed) { seed_ = seed; }
  // Replaces the clock as the source of Randomize (tests, the console tool's --seed);
  // an empty function restores the clock.
  void SetSeedSource(std::function<uint32_t()> source) { source_ = std::move(source); }

 private:
  uint32_t seed_ = 0;
  std::function<uint32_t()> source_;
};

TRandomGenerator& GlobalRandom();
