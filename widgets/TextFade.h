// TextFade: TTextFader, a non-windowed control that shows the items of Lines one at a time,
// cross-fading each into the next. The state machine and the painting arithmetic are
// TFaderCore's; this shell owns the timer and does the drawing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "ExtCtrls.h"
#include "FaderCore.h"
#include "Graphics.h"

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

class TTextFader : public TGraphicControl {
 public:
  explicit TTextFader(TComponent* AOwner);
  ~TTextFader() override;

  bool Active() const { return core_.Active(); }
  void SetActive(bool active);
  // Every completed change of the list runs LinesChanged.
  TStringList* Lines() { return &core_.Lines(); }
  void SetLines(TStringList* lines);
  bool LinesStored() const { return core_.LinesStored(); }
  uint16_t LineDelay() const { return core_.LineDelay(); }
  void SetLineDelay(uint16_t milliseconds) { core_.SetLineDelay(milliseconds); }
  uint16_t FadeDelay() const { return core_.FadeDelay(); }
  void SetFadeDelay(uint16_t milliseconds) { core_.SetFadeDelay(milliseconds); }
  TProgressStep FadeStep() const { return core_.FadeStep(); }
  void SetFadeStep(TProgressStep step) { core_.SetFadeStep(step); }
  int32_t RepeatCount() const { return core_.RepeatCount(); }
  void SetRepeatCount(int32_t count) { core_.SetRepeatCount(count); }
  TAlignment Alignment() const { return core_.Alignment(); }
  void SetAlignment(TAlignment alignment) { core_.SetAlignment(alignment); }
  bool WordWrap() const { return core_.WordWrap(); }
  void SetWordWrap(bool wordWrap) { core_.SetWordWrap(wordWrap); }
  bool Transparent() const { return core_.Transparent(); }
  void SetTransparent(bool transparent) { core_.SetTransparent(transparent); }
  TBackgroundMode BackgroundMode() const { return core_.BackgroundMode(); }
  void SetBackgroundMode(TBackgroundMode mode) { core_.SetBackgroundMode(mode); }
  // Assigning copies the picture (null empties it); any change of the held one repaints.
  TPicture* Background() { return background_.get(); }
  void SetBackground(TPicture* picture);
  TBiDiMode BiDiMode() const { return biDiMode_; }
  void SetBiDiMode(TBiDiMode mode);
  bool UseRightToLeftAlignment() const { return biDiMode_ == bdRightToLeft; }
  bool UseRightToLeftReading() const { return biDiMode_ != bdLeftToRight; }

  // Raised with the fader as sender when an item has become fully visible.
  TNotifyEvent OnComplete;

  // Forgets the texts and the line: the next item taken is the first, faded in from empty.
  void Reset() { core_.Reset(); }
  void Loaded() override;

  int LineIndex() const { return core_.LineIndex(); }
  int Progress() const { return core_.Progress(); }
  const std::string& CurrentText() const { return core_.CurrentText(); }
  const std::string& PreviousText() const { return core_.PreviousText(); }
  int PassCount() const { return core_.PassCount(); }
  bool Painting() const { return core_.Painting(); }
  // One step of the animation, as the timer makes it; the frame is drawn on the spot.
  void TimerTick() { core_.TimerTick(); }
  // The tick source; a caller driving TimerTick itself may disable it.
  TTimer* Timer() { return &timer_; }

 protected:
  void Paint() override;

 private:
  // The background with one item's text drawn on it, kept while both stay the same.
  struct TLinePicture {
    TBitmap bitmap;
    std::string text;
    bool valid = false;
  };
  // What the text pictures were drawn with besides the background.
  struct TTextStyle {
    LOGFONTW font{};
    COLORREF color = 0;
    UINT flags = 0;
    bool operator==(const TTextStyle& other) const;
  };

  void PaintFrame();
  void PaintParentBackground(TBitmap& frame);
  void PaintOwnBackground(TBitmap& frame);
  void TileGraphic(TCanvas& canvas, const TRect& rect, TBitmap& picture);
  void DrawLineText(TBitmap& picture, const std::string& text);
  void SizePictures(int width, int height);
  void ReleasePictures();
  // Makes `picture` the kept background with `text` on it, unless it already is.
  void Compose(TLinePicture& picture, const std::string& text);
  int MeasuredHeight(TCanvas& canvas, const std::string& text, int width);

  TTimer timer_{nullptr};  // before core_, which holds it
  TFaderCore core_;
  std::unique_ptr<TPicture> background_;
  TBiDiMode biDiMode_ = bdLeftToRight;

  // The frame pictures, sized to the control: the background painted afresh each frame (and
  // the blend's output), and the two items' pictures, which swap when the next item is taken.
  TBitmap backdrop_;
  std::array<TLinePicture, 2> lines_;
  int fresh_ = 0;                        // lines_[fresh_] shows CurrentText, the other PreviousText
  std::vector<uint8_t> keptBackground_;  // the background the line pictures were drawn on
  TTextStyle style_;
  // Heights of the last texts laid out with style_ at the pictures' width.
  struct TMeasured {
    std::string text;
    int height = -1;
  };
  std::array<TMeasured, 2> measured_{};
  int nextMeasured_ = 0;
};
