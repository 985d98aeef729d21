// The DPI a window is shown at, pixel art made k times as large, and a form's 96-DPI layout
// scaled for its monitor.
#pragma once

#include <windows.h>

#include <vector>

#include "Controls.h"
#include "Graphics.h"

// The DPI of the window's monitor: GetDpiForWindow, else GetDpiForMonitor, else the screen's.
int WindowDpi(HWND window);
// GetDeviceCaps(LOGPIXELSX) of the screen DC; 96 when it cannot be read.
int ScreenDpi();

// `to` becomes `from` with every pixel k x k (nearest neighbour), transparency as `from`'s.
void ScaleBitmap(TBitmap& to, TBitmap& from, int k);

// The largest height, at most baseHeight x k (heights negative as in LOGFONT), at which the
// font's text is at most k times as wide as at baseHeight: text set in it breaks into the
// same lines as at 96 DPI where the font's hinting would widen it.
int FittedFontHeight(const TFont& font, int baseHeight, int k);

enum class TDpiRule {
  Whole,  // places, sizes and fonts by the whole factor, as pixel art
  Exact,  // by dpi / 96 exactly, as text and standard windows
};

// The places, sizes and font heights a form was built with at 96 DPI, kept so that every
// change of DPI scales from them rather than from the last scaled values. Pictures are made
// ScaleFactor(dpi) times as large and centred on their scaled place, inside the form.
class TDpiLayout {
 public:
  // The form's client size and font, and those of every control it owns (not a control's
  // own inner parts), as they are now. The controls must live as long as the form.
  void Capture(TWinControl* form);
  // A control the form made later, taken as it is now.
  void Add(TControl* control);
  // Lays the form out for `dpi`; nothing happens at 96 DPI before a first other DPI.
  void Apply(int dpi, TDpiRule rule);
  int Dpi() const { return dpi_; }

 private:
  struct Entry {
    TControl* control;  // not owned
    TRect bounds;
    int fontHeight;
  };
  int Scaled(int value, TDpiRule rule) const;

  TWinControl* form_ = nullptr;  // not owned
  int clientWidth_ = 0, clientHeight_ = 0, formFont_ = 0;
  std::vector<Entry> entries_;
  int dpi_ = 96;
};
