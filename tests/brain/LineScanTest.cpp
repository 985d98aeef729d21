#include <gtest/gtest.h>

#include <random>
#include <string>

#include "LineScan.h"

namespace {

size_t Reference(const std::string& data, size_t from, size_t last, size_t length, char first) {
  for (size_t p = from; p <= last; ++p) {
    if (data[p] == 26) return p;
    if (data[p] == first && data[p + length] == '\r' &&
        (data[p - 1] == '\r' || data[p - 1] == '\n'))
      return p;
  }
  return kNoPosition;
}

// Every variant the processor runs must find exactly what the plain definition finds, at
// every alignment and across its block boundaries.
TEST(LineScan, EveryVariantAgreesWithThePlainDefinition) {
  std::mt19937 random(7);
  const char alphabet[] = {'K', 'K', 'x', 'y', '\r', '\n', '\r', '\n', '\x1a', '\xCA'};
  for (int round = 0; round < 400; ++round) {
    std::string data;
    size_t size = 2 + random() % 400;
    bool stops = round % 4 == 0;
    for (size_t i = 0; i < size; ++i)
      data += alphabet[random() % (stops ? sizeof alphabet : sizeof alphabet - 2)];
    if (!stops && round % 2) data[random() % size] = '\xCA';
    size_t length = random() % 12;
    if (size < length + 2) continue;
    char first = round % 3 ? 'K' : '\r';
    size_t from = 1 + random() % 70;
    size_t maxLast = size - length - 1;
    if (from > maxLast) from = maxLast;
    size_t last = from + random() % (maxLast - from + 1);
    size_t expected = Reference(data, from, last, length, first);
    for (const auto& variant : AvailableScans()) {
      EXPECT_EQ(variant.scan(data.data(), from, last, length, first), expected)
          << variant.name << " on " << ::testing::PrintToString(data) << " from " << from << " to "
          << last << " length " << length;
    }
  }
}

TEST(LineScan, FindsCandidatesAtTheLastPositionOfLongBuffers) {
  for (const auto& variant : AvailableScans()) {
    for (size_t size : {64u, 65u, 127u, 128u, 129u, 200u}) {
      std::string data(size, 'x');
      data[0] = '\r';
      size_t length = 3;
      size_t last = size - length - 1;
      EXPECT_EQ(variant.scan(data.data(), 1, last, length, 'K'), kNoPosition) << variant.name;
      data[last - 1] = '\n';
      data[last] = 'K';
      data[last + length] = '\r';
      EXPECT_EQ(variant.scan(data.data(), 1, last, length, 'K'), last) << variant.name << size;
      data[last / 2] = '\x1a';
      EXPECT_EQ(variant.scan(data.data(), 1, last, length, 'K'), last / 2) << variant.name << size;
    }
  }
}

}  // namespace
