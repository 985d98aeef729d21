#include "CircleMacro.h"

#include <cmath>
#include <numbers>

std::vector<TEventMsg> CircleMacroEvents(const CircleMacroShape& shape) {
  std::vector<TEventMsg> events;
  for (int i = 0; i <= shape.steps; ++i) {
    const double angle = 2 * std::numbers::pi * (i % shape.steps) / shape.steps;
    TEventMsg event;
    event.message = kMsgMouseMove;
    event.paramL =
        static_cast<uint32_t>(shape.centreX + std::lround(shape.radius * std::cos(angle)));
    event.paramH =
        static_cast<uint32_t>(shape.centreY + std::lround(shape.radius * std::sin(angle)));
    event.time = static_cast<uint32_t>(i) * shape.stepTime;
    events.push_back(event);
  }
  return events;
}

std::vector<uint8_t> MacroBytes(const std::vector<TEventMsg>& events) {
  std::vector<uint8_t> bytes(events.size() * kEventMsgSize);
  for (size_t i = 0; i < events.size(); ++i) WriteEventMsg(events[i], &bytes[i * kEventMsgSize]);
  return bytes;
}
