// The sample macro: the mouse pointer once round a circle, no clicks, no keys.
#pragma once

#include <cstdint>
#include <vector>

#include "RecorderCore.h"

struct CircleMacroShape {
  int32_t centreX = 512, centreY = 384;  // the middle of a 1024 x 768 screen
  int32_t radius = 100;
  int steps = 25;           // moves after the first position
  uint32_t stepTime = 100;  // ms; playback runs in whole 100 ms steps anyway
};

// Mouse moves from angle 0 round to angle 0 again, clockwise on the screen.
std::vector<TEventMsg> CircleMacroEvents(const CircleMacroShape& shape = {});
// The .rec bytes of those events.
std::vector<uint8_t> MacroBytes(const std::vector<TEventMsg>& events);

inline constexpr char kCircleMacroName[] = "Circle.rec";
