#include "Random.h"

#include "Platform.h"

void TRandomGenerator::Randomize() {
  if (source_) {
    seed_ = source_();
    return;
  }
  TimeOfDay now = Platform().UtcTimeOfDay();
  seed_ = static_cast<uint32_t>(((now.hour * 60 + now.minute) * 60 + now.second) * 1000 +
                                now.millisecond);
}

uint32_t TRandomGenerator::Random(uint32_t n) {
  seed_ = seed_ * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(seed_) * n) >> 32);
}

TRandomGenerator& GlobalRandom() {
  static TRandomGenerator generator;
  return generator;
}
