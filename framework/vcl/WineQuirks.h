// Every workaround for a Wine quirk lives here and runs only under Wine, detected at run
// time; Windows gets the plain call.
//
// - SetWindowPos with HWND_NOTOPMOST leaves an owned popup in the topmost layer under Wine:
//   the owner is detached for that call (SetWindowNotTopmost).
// - MessageBoxW ignores MB_TOPMOST under Wine 8; MB_SYSTEMMODAL (on Windows: application
//   modal and topmost) puts the box in the topmost layer there (TopmostBoxFlag).
// - Wine 8 never calls an out-of-context WinEvent hook when another process's window comes
//   to the front (GetForegroundWindow does report it): the foreground is looked at on a
//   light timer instead (ForegroundPollInterval). Wine also moves a window that was just
//   put behind another program's window back above it a moment later, without a message
//   to it: the same timer puts it back.
//
// Differences that need no workaround, because the code works from what it is given on
// both platforms: an owner-drawn popup menu's first item starts at (3, 3) under Wine and at
// (0, 0) on Windows (the side bar measures from the first item's rectangle); Wine 8 installs
// a journal playback hook but never calls it (the recorder switches to SendInput when a
// playback is not served).
#pragma once

#include <windows.h>

bool RunningUnderWine();

// GetGuiResources answers 0 under Wine: the live GDI objects of the process's handle table
// instead, -1 when there is none to read.
long WineGdiObjectCount();

// SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags).
void SetWindowNotTopmost(HWND window, UINT flags);

// The MessageBoxW flag for a box in the topmost layer: MB_TOPMOST.
UINT TopmostBoxFlag();

// The period, in milliseconds, at which to look at the foreground window because WinEvent
// hooks miss other processes' windows; 0 where the hooks serve.
unsigned ForegroundPollInterval();
