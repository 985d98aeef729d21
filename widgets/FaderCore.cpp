#include "FaderCore.h"

#include <algorithm>
#include <climits>

std::vector<FaderPoint> TilePositions(FaderRect rect, int pictureWidth, int pictureHeight) {
  std::vector<FaderPoint> tiles;
  if (pictureWidth <= 0 || pictureHeight <= 0) return tiles;
  const int rows = (rect.bottom - rect.top) / pictureHeight + 1;
  const int columns = (rect.right - rect.left) / pictureWidth + 1;
  if (rows <= 0 || columns <= 0) return tiles;
  tiles.reserve(static_cast<size_t>(rows) * static_cast<size_t>(columns));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      tiles.push_back({rect.left + c * pictureWidth, rect.top + r * pictureHeight});
  return tiles;
}

const std::vector<std::string>& TFaderCore::DefaultLines() {
  // "Квельворан" / "говорящий персонаж" / "для рабочего стола" / "(c) авторы проекта Quelvoran"
  static const std::vector<std::string> lines = {
      "\xCA\xE2\xE5\xEB\xFC\xE2\xEE\xF0\xE0\xED",
      "\xE3\xEE\xE2\xEE\xF0\xFF\xF9\xE8\xE9 \xEF\xE5\xF0\xF1\xEE\xED\xE0\xE6",
      "\xE4\xEB\xFF \xF0\xE0\xE1\xEE\xF7\xE5\xE3\xEE \xF1\xF2\xEE\xEB\xE0",
      "(c) \xE0\xE2\xF2\xEE\xF0\xFB \xEF\xF0\xEE\xE5\xEA\xF2\xE0 Quelvoran",
  };
  return lines;
}

TFaderCore::TFaderCore(ITimer& timer, TObject* sender)
    : timer_(timer), sender_(sender ? sender : this) {
  timer_.SetEnabled(false);
  timer_.OnTick = [this] { TimerTick(); };
  for (const auto& line : DefaultLines()) lines_.Add(line);
  lines_.OnChange = [this](TObject*) { LinesChanged(); };
}

TFaderCore::~TFaderCore() {
  // Switched off without the host's repaint: the control is going away with us.
  active_ = false;
  timer_.SetEnabled(false);
  timer_.OnTick = nullptr;
  lines_.OnChange = nullptr;
}

bool TFaderCore::LinesStored() const {
  const auto& defaults = DefaultLines();
  return !std::equal(lines_.begin(), lines_.end(), defaults.begin(), defaults.end());
}

void TFaderCore::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  progress_ = 100;
  if (Loading()) return;
  if (active) {
    timer_.SetEnabled(true);
    passCount_ = 0;
    timer_.SetInterval(kStartDelay);
  } else {
    timer_.SetEnabled(false);
    Invalidate();
  }
}

void TFaderCore::Loaded() {
  if (!active_) return;
  timer_.SetEnabled(true);
  timer_.SetInterval(kStartDelay);
}

void TFaderCore::SetLineDelay(uint16_t milliseconds) {
  if (milliseconds == lineDelay_) return;
  lineDelay_ = milliseconds;
  if (progress_ == 100) timer_.SetInterval(lineDelay_);
}

void TFaderCore::SetFadeDelay(uint16_t milliseconds) {
  if (milliseconds == fadeDelay_) return;
  fadeDelay_ = milliseconds;
  if (progress_ < 100) timer_.SetInterval(fadeDelay_);
}

void TFaderCore::SetFadeStep(TProgressStep step) {
  // A step of 0 would never finish a fade.
  fadeStep_ = std::clamp<TProgressStep>(step, 1, 100);
}

void TFaderCore::SetRepeatCount(int32_t count) {
  repeatCount_ = std::max(count, 0);
}

void TFaderCore::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

void TFaderCore::SetWordWrap(bool wordWrap) {
  if (wordWrap == wordWrap_) return;
  wordWrap_ = wordWrap;
  Invalidate();
}

void TFaderCore::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TFaderCore::SetBackgroundMode(TBackgroundMode mode) {
  if (mode == backgroundMode_) return;
  backgroundMode_ = mode;
  Invalidate();
}

void TFaderCore::Reset() {
  progress_ = 100;
  currentText_.clear();
  previousText_.clear();
  lineIndex_ = -1;
  if (active_)
    timer_.SetInterval(kStartDelay);
  else
    Invalidate();
}

void TFaderCore::TimerTick() {
  if (progress_ == 100) {
    previousText_ = currentText_;
    currentText_ = NextLine();
    if (active_) {
      progress_ = 0;
      timer_.SetInterval(fadeDelay_);
    }
  }
  progress_ = static_cast<uint8_t>(std::min(progress_ + fadeStep_, 100));
  if (OnRedraw) OnRedraw();
  if (progress_ == 100) {
    timer_.SetInterval(lineDelay_);
    if (OnComplete) OnComplete(sender_);
  }
}

std::string TFaderCore::NextLine() {
  if (lineIndex_ == lines_.Count() - 1) {
    // Saturates: with RepeatCount 0 it only ever grows.
    if (passCount_ < INT32_MAX) ++passCount_;
    if (repeatCount_ != 0 && passCount_ >= repeatCount_)
      SetActive(false);
    else
      SetLineIndex(0);
  } else {
    SetLineIndex(lineIndex_ + 1);
  }
  return lineIndex_ < 0 ? std::string() : lines_[lineIndex_];
}

void TFaderCore::SetLineIndex(int index) {
  index = std::max(index, 0);
  if (index >= lines_.Count()) index = lines_.Count() - 1;
  if (index == lineIndex_) return;
  lineIndex_ = index;
  if (progress_ == 100) timer_.SetInterval(lineDelay_);
}

void TFaderCore::LinesChanged() {
  if (lines_.Count() <= lineIndex_) SetLineIndex(lines_.Count() - 1);
}
