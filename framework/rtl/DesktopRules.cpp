#include "DesktopRules.h"

#include <algorithm>

namespace {

// The move along one axis that puts [low, high) inside [workLow, workHigh), keeping the
// field's [fieldLow, fieldHigh) inside when the whole does not fit.
int64_t AxisMove(int64_t low, int64_t high, int64_t fieldLow, int64_t fieldHigh, int64_t workLow,
                 int64_t workHigh) {
  if (high - low <= workHigh - workLow) {
    if (low < workLow) return workLow - low;
    if (high > workHigh) return workHigh - high;
    return 0;
  }
  if (fieldHigh - fieldLow > workHigh - workLow) return workLow - fieldLow;
  // Too large: centred on the work area as far as the field allows.
  const int64_t centred = workLow - low + ((workHigh - workLow) - (high - low)) / 2;
  return std::clamp(centred, workLow - fieldLow, workHigh - fieldHigh);
}

}  // namespace

DeskPoint StartPosition(std::span<const DeskMonitor> monitors, int32_t width, int32_t height,
                        int32_t screenWidth, int32_t screenHeight) {
  if (monitors.size() < 2) return {(screenWidth - width) / 2, (screenHeight - height) / 2};
  const auto primary = std::find_if(monitors.begin(), monitors.end(),
                                    [](const DeskMonitor& m) { return m.primary; });
  const DeskRect& work = (primary != monitors.end() ? *primary : monitors.front()).work;
  return {work.left + (work.Width() - width) / 2, work.top + (work.Height() - height) / 2};
}

DeskPoint MoveOnScreen(std::span<const DeskMonitor> monitors, const DeskRect& window,
                       const DeskRect& field) {
  const DeskRect inner = field.Empty() ? window : field;
  const DeskRect whole{std::min(window.left, inner.left), std::min(window.top, inner.top),
                       std::max(window.right, inner.right), std::max(window.bottom, inner.bottom)};
  bool found = false;
  int64_t bestX = 0, bestY = 0, bestCost = 0;
  for (const DeskMonitor& monitor : monitors) {
    const DeskRect& work = monitor.work;
    const int64_t x =
        AxisMove(whole.left, whole.right, inner.left, inner.right, work.left, work.right);
    const int64_t y =
        AxisMove(whole.top, whole.bottom, inner.top, inner.bottom, work.top, work.bottom);
    const int64_t cost = x * x + y * y;
    if (!found || cost < bestCost) {
      found = true;
      bestX = x;
      bestY = y;
      bestCost = cost;
    }
  }
  return {static_cast<int32_t>(bestX), static_cast<int32_t>(bestY)};
}

bool ShellReportsFullScreen(int shellState) {
  return shellState == 2 || shellState == 3 || shellState == 4;
}

bool IsFullScreenForeground(const ForegroundWindow& window, const DeskRect& monitor,
                            int shellState) {
  if (!window.visible || window.ownProcess || window.desktop) return false;
  if (ShellReportsFullScreen(shellState)) return true;
  return (window.style & kCaptionStyle) != kCaptionStyle && !monitor.Empty() &&
         window.rect.Contains(monitor);
}
