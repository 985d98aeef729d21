// Where a window belongs on a desktop of one or several monitors, and when the window in the
// foreground is a full-screen one that a stay-on-top window should make way for. Coordinates
// are the virtual screen's: a monitor left of or above the primary one has negative ones.
#pragma once

#include <cstdint>
#include <span>

struct DeskPoint {
  int32_t x = 0, y = 0;

  bool operator==(const DeskPoint&) const = default;
};

struct DeskRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(const DeskRect& inner) const {
    return inner.left >= left && inner.top >= top && inner.right <= right && inner.bottom <= bottom;
  }
  DeskRect Moved(DeskPoint by) const {
    return {left + by.x, top + by.y, right + by.x, bottom + by.y};
  }
  bool operator==(const DeskRect&) const = default;
};

struct DeskMonitor {
  DeskRect bounds;
  DeskRect work;  // the bounds less the taskbar and other docked bars
  bool primary = false;
};

// The top-left corner of a width x height window shown for the first time, centred: on the
// primary monitor's work area when there are several monitors (the desktop's centre could
// lie on the seam between two), on the screen of screenWidth x screenHeight otherwise.
DeskPoint StartPosition(std::span<const DeskMonitor> monitors, int32_t width, int32_t height,
                        int32_t screenWidth, int32_t screenHeight);

// The shortest move that brings `window`, and `field` inside it (empty: none), wholly inside
// one monitor's work area: that of the monitor needing the shortest move. Nothing when a
// work area already holds both, or when there are no monitors. A window larger than every
// work area keeps at least its field inside.
DeskPoint MoveOnScreen(std::span<const DeskMonitor> monitors, const DeskRect& window,
                       const DeskRect& field = {});

// The foreground window, as seen when deciding whether it runs full screen.
struct ForegroundWindow {
  DeskRect rect;
  uint32_t style = 0;
  bool visible = false;
  bool ownProcess = false;  // a window of our own never counts
  bool desktop = false;     // the shell's desktop covers its monitor too, and never counts
};

constexpr uint32_t kCaptionStyle = 0x00C00000;  // WS_CAPTION: WS_BORDER | WS_DLGFRAME

// The states of SHQueryUserNotificationState that mean a full-screen program or a
// presentation: busy (2), a Direct3D full-screen program (3), presentation mode (4).
bool ShellReportsFullScreen(int shellState);

// True when a window of another program is in front that covers the whole of `monitor`
// (the one our window is on) without a caption bar (WS_CAPTION not fully set, so a
// maximised window with its caption does not count), or when the shell reports a
// full-screen state while another program's window is in front.
bool IsFullScreenForeground(const ForegroundWindow& window, const DeskRect& monitor,
                            int shellState);
