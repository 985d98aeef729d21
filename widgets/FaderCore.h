// TextFade, portable half: the text fader's state machine (items of Lines faded in one after
// another, driven by a timer) and the arithmetic of its painting. The Win32 control owns a
// real timer, forwards its properties here and paints what this core says.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Classes.h"
#include "Timing.h"

// TAlignment (taLeftJustify, taRightJustify, taCenter) comes from Classes.h.
enum TBackgroundMode { bmNone, bmTiled, bmStretched, bmCentered };
// Percent added per fade step, 1..100.
using TProgressStep = uint8_t;

// DrawText flags, with the platform's values.
inline constexpr unsigned kDtLeft = 0x0;
inline constexpr unsigned kDtCenter = 0x1;
inline constexpr unsigned kDtRight = 0x2;
inline constexpr unsigned kDtWordBreak = 0x10;
inline constexpr unsigned kDtCalcRect = 0x400;
inline constexpr unsigned kDtNoPrefix = 0x800;
inline constexpr unsigned kDtRtlReading = 0x20000;

struct FaderPoint {
  int x = 0, y = 0;
  bool operator==(const FaderPoint&) const = default;
};

struct FaderRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool operator==(const FaderRect&) const = default;
};

// Offset that centres `content` pixels in `box` pixels, truncated toward zero: content
// larger than the box is cut equally, the odd pixel at the far side.
constexpr int CenteredOffset(int box, int content) {
  return (box - content) / 2;
}

// Where a text block `textHeight` high is drawn in a width x height box.
constexpr FaderRect TextRect(int width, int height, int textHeight) {
  const int dy = CenteredOffset(height, textHeight);
  return {0, dy, width, dy + textHeight};
}

// Top-left corner of an unscaled picture centred in the box (bmCentered).
constexpr FaderPoint CenteredOrigin(int width, int height, int pictureWidth, int pictureHeight) {
  return {CenteredOffset(width, pictureWidth), CenteredOffset(height, pictureHeight)};
}

// Positions of the unscaled tiles that cover `rect` from its top-left corner (bmTiled); the
// last row and column reach past it and are clipped by the caller. None for a picture
// without pixels.
std::vector<FaderPoint> TilePositions(FaderRect rect, int pictureWidth, int pictureHeight);

// DrawText flags for a line of the fader. Right-to-left alignment mirrors left and right.
constexpr unsigned DrawTextFlags(TAlignment alignment, bool wordWrap, bool rightToLeftAlignment,
                                 bool rightToLeftReading) {
  if (rightToLeftAlignment) {
    if (alignment == taLeftJustify)
      alignment = taRightJustify;
    else if (alignment == taRightJustify)
      alignment = taLeftJustify;
  }
  unsigned flags = alignment == taLeftJustify    ? kDtLeft
                   : alignment == taRightJustify ? kDtRight
                                                 : kDtCenter;
  if (wordWrap) flags |= kDtWordBreak;
  flags |= kDtNoPrefix;
  if (rightToLeftReading) flags |= kDtRtlReading;
  return flags;
}

class TFaderCore : public TObject {
 public:
  static constexpr uint16_t kDefaultLineDelay = 2000;
  static constexpr uint16_t kDefaultFadeDelay = 30;
  static constexpr TProgressStep kDefaultFadeStep = 4;
  // Period of the first tick after a switch-on or Reset.
  static constexpr unsigned kStartDelay = 5;

  // The default Lines, one item per line (Windows-1251).
  static const std::vector<std::string>& DefaultLines();

  // Takes over `timer` (disabled here, its OnTick bound to TimerTick) for the core's life.
  // OnComplete gets `sender`, or the core itself when it is null.
  explicit TFaderCore(ITimer& timer, TObject* sender = nullptr);
  ~TFaderCore() override;
  TFaderCore(const TFaderCore&) = delete;
  TFaderCore& operator=(const TFaderCore&) = delete;

  // What the host does for the core; unset ones do nothing.
  std::function<void()> OnRedraw;      // paint at once where the control is (in a tick)
  std::function<void()> OnInvalidate;  // queue a repaint
  std::function<bool()> IsLoading;     // the owner form is still being read
  // Raised when an item has become fully visible.
  TNotifyEvent OnComplete;

  bool Active() const { return active_; }
  void SetActive(bool active);
  // Every completed change runs LinesChanged (through Lines().OnChange, which is the core's).
  TStringList& Lines() { return lines_; }
  const TStringList& Lines() const { return lines_; }
  void SetLines(const TStringList& lines) { lines_.Assign(lines); }
  // Lines is stored with the form only when it differs from the default.
  bool LinesStored() const;
  uint16_t LineDelay() const { return lineDelay_; }
  void SetLineDelay(uint16_t milliseconds);
  uint16_t FadeDelay() const { return fadeDelay_; }
  void SetFadeDelay(uint16_t milliseconds);
  TProgressStep FadeStep() const { return fadeStep_; }
  // Held within 1..100.
  void SetFadeStep(TProgressStep step);
  int32_t RepeatCount() const { return repeatCount_; }
  // 0 = never switch off; negative counts are taken as 0.
  void SetRepeatCount(int32_t count);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  TBackgroundMode BackgroundMode() const { return backgroundMode_; }
  void SetBackgroundMode(TBackgroundMode mode);

  // Forgets the texts and the line: the next item taken is the first, faded in from empty.
  void Reset();
  void TimerTick();
  // Moves to the next item (counting a pass after the last one) and returns its text.
  std::string NextLine();
  void SetLineIndex(int index);
  void LinesChanged();
  // The owner form has been read: a recorded switch-on takes effect.
  void Loaded();

  int LineIndex() const { return lineIndex_; }
  int Progress() const { return progress_; }
  const std::string& CurrentText() const { return currentText_; }
  const std::string& PreviousText() const { return previousText_; }
  int PassCount() const { return passCount_; }

  // Painting: a fading frame draws PreviousText and CurrentText on two copies of the
  // background and blends them with BlendBitmaps(frame, old, OldWeight()); a held frame
  // draws CurrentText alone.
  bool Fading() const { return progress_ < 100; }
  int OldWeight() const { return 100 - progress_; }
  unsigned TextFlags(bool rightToLeftAlignment, bool rightToLeftReading) const {
    return DrawTextFlags(alignment_, wordWrap_, rightToLeftAlignment, rightToLeftReading);
  }
  bool Painting() const { return painting_; }
  // Runs paintFrame unless a paint is already under way (painting the parent for a
  // transparent background can lead back here); Painting is cleared again in any case.
  template <class F>
  void Paint(F&& paintFrame) {
    if (painting_) return;
    painting_ = true;
    try {
      paintFrame();
    } catch (...) {
      painting_ = false;
      throw;
    }
    painting_ = false;
  }

 private:
  void Invalidate() {
    if (OnInvalidate) OnInvalidate();
  }
  bool Loading() const { return IsLoading && IsLoading(); }

  ITimer& timer_;
  TObject* sender_;
  TStringList lines_;
  bool active_ = false;
  uint16_t lineDelay_ = kDefaultLineDelay;
  uint16_t fadeDelay_ = kDefaultFadeDelay;
  TProgressStep fadeStep_ = kDefaultFadeStep;
  int32_t repeatCount_ = 0;
  TAlignment alignment_ = taCenter;
  bool wordWrap_ = true;
  bool transparent_ = false;
  TBackgroundMode backgroundMode_ = bmTiled;

  int lineIndex_ = -1;
  uint8_t progress_ = 0;
  std::string currentText_;
  std::string previousText_;
  int32_t passCount_ = 0;
  bool painting_ = false;
};
