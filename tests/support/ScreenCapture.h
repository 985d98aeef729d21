// Pixels as a window tests them: read back through a window's DC, or the screen's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Handles.h"

struct ScreenCapture {
  RECT area{};
  std::vector<COLORREF> pixels;

  // In the DC's coordinates, inside area.
  COLORREF At(int x, int y) const {
    return pixels[static_cast<size_t>((y - area.top) * (area.right - area.left) + x - area.left)];
  }
};

// The area of the window's client DC; of the whole screen for no window.
inline ScreenCapture Capture(HWND window, RECT area) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  WindowDC source(window);
  MemoryDC memory(CreateCompatibleDC(source.dc()));
  BitmapHandle bitmap(CreateCompatibleBitmap(source.dc(), w, h));
  {
    SelectGuard select(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, w, h, source.dc(), area.left, area.top, SRCCOPY);
  }
  // Top-down rows of 32-bit pixels.
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  std::vector<uint32_t> bgra(static_cast<size_t>(w) * h);
  GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(h), bgra.data(), &info,
            DIB_RGB_COLORS);
  ScreenCapture capture{area, {}};
  for (uint32_t p : bgra)
    capture.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  return capture;
}
