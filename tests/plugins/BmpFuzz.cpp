// libFuzzer target for the bitmap reader: every input is tried as a file and as a packed DIB.
#include <cstddef>
#include <cstdint>
#include <span>

#include "BmpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  try {
    DecodeBmpFile(bytes);
  } catch (const EInvalidGraphic&) {
  }
  try {
    DecodePackedDib(bytes);
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
