// Cross-fade of two 24-bit pictures, row by row, for the text fader's fading frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// For every byte of the first `width` pixels of `height` rows (3 bytes a pixel):
//   frame := frame * (100 - a) div 100 + old * a div 100,
// each product truncated on its own, so equal bytes may come out one level lower
// (255 and 255 at a = 50 give 254). `a` is the old picture's weight in percent (100 -
// Progress), taken as 0 below and 100 above. Strides are in bytes and may be negative
// (bottom-up rows).
void BlendBitmaps(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old, ptrdiff_t oldStride,
                  int width, int height, int a);

using BlendFunction = void (*)(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old,
                               ptrdiff_t oldStride, int width, int height, int a);
struct BlendVariant {
  const char* name;
  BlendFunction blend;
};
// The variants this processor runs, the one BlendBitmaps uses first; "generic" always.
std::span<const BlendVariant> AvailableBlends();

// The same with a division per byte; the tests hold the others to it.
void BlendBitmapsReference(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old,
                           ptrdiff_t oldStride, int width, int height, int a);
