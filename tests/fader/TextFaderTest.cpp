// The fader on a real window under Wine: what lands on the window's pixels while its ticks
// are driven by hand, and the real timer after loading.
#include "TextFade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "AnsiText.h"
#include "Forms.h"
#include "ScreenCapture.h"
#include "Win32TestSupport.h"

namespace {

constexpr RECT kFader{14, 16, 148, 70};
constexpr RECT kFront{138, 60, 158, 80};  // in front of the fader's bottom-right corner
constexpr int kBackHeight = 62;           // the form itself shows below the picture

COLORREF Pattern(int x, int y) {
  return RGB(x * 37 + y * 11, (x * 5) ^ (y * 29), x * y * 3 + 17);
}

void Fill(TBitmap& bitmap, int width, int height, COLORREF (*color)(int, int)) {
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      const COLORREF c = color(x, y);
      p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
    }
}

// What lies beneath the fader: the picture, the form's own colour under it.
COLORREF Behind(int x, int y) {
  return y < kBackHeight ? Pattern(x, y) : GetSysColor(COLOR_BTNFACE);
}

// In z-order: the picture, a hidden blue one, the fader, a red square in front of the fader.
class TFaderTestForm : public TForm {
 public:
  using TForm::TForm;
  TImage *Back = nullptr, *Hidden = nullptr, *Front = nullptr;
  TTextFader* Answer = nullptr;
  bool activeAtLoad = false;
  bool timerOnWhileLoading = true;

 protected:
  void CreateComponents() override {
    SetBorderStyle(bsNone);
    SetBounds(100, 100, 200, 120);
    Back = new TImage(this);
    Hidden = new TImage(this);
    Answer = new TTextFader(this);
    Front = new TImage(this);
    for (TControl* c : std::initializer_list<TControl*>{Back, Hidden, Answer, Front})
      c->SetParent(this);
  }
  void ReadProperties() override {
    Back->SetBounds(0, 0, 200, kBackHeight);
    Fill(*Back->Picture()->Bitmap(), 200, kBackHeight, Pattern);
    Hidden->SetBounds(0, 0, 200, 120);
    Fill(*Hidden->Picture()->Bitmap(), 200, 120, [](int, int) { return RGB(0, 0, 255); });
    Hidden->SetVisible(false);
    Answer->SetBounds(14, 16, 134, 54);
    Answer->SetTransparent(true);
    Answer->SetActive(activeAtLoad);
    timerOnWhileLoading = Answer->Timer()->Enabled();
    Front->SetBounds(kFront.left, kFront.top, 20, 20);
    Fill(*Front->Picture()->Bitmap(), 20, 20, [](int, int) { return RGB(255, 0, 0); });
  }
};

class TextFaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!DisplayAvailable()) return;
    form = new TFaderTestForm(Application);
    form->Load();
    form->Show();
    PumpFor(300);
  }
  static void TearDownTestSuite() {
    delete form;
    form = nullptr;
  }
  void SetUp() override {
    if (!form) GTEST_SKIP() << "no display";
    fader = form->Answer;
    fader->SetActive(false);
    fader->Timer()->SetEnabled(false);
    fader->Reset();
    fader->SetTransparent(true);
    fader->Repaint();
  }
  static ScreenCapture Take() { return Capture(form->Handle(), {0, 0, 200, 120}); }

  // The fader's box in `shot` against a frame model, pixel by pixel, the front picture apart.
  template <class Model>
  static int Mismatches(const ScreenCapture& shot, Model model) {
    int bad = 0;
    for (int y = kFader.top; y < kFader.bottom; ++y)
      for (int x = kFader.left; x < kFader.right; ++x)
        bad += shot.At(x, y) != (PtInRect(&kFront, {x, y}) ? RGB(255, 0, 0) : model(x, y));
    return bad;
  }

  static TFaderTestForm* form;
  TTextFader* fader = nullptr;
};

TFaderTestForm* TextFaderTest::form = nullptr;

// floor(new * p / 100) + floor(old * (100 - p) / 100) per channel.
uint32_t Mix(uint32_t fresh, uint32_t old, int p) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t n = fresh >> shift & 255, o = old >> shift & 255;
    out |= (n * p / 100 + o * (100 - p) / 100) << shift;
  }
  return out;
}

// Only the visible non-windowed controls behind the fader make its snapshot, the one in front
// stays. Painting the parent into the frame may lead back here (dropped: a frame is under
// way), and a failed frame leaves no paint state behind.
TEST_F(TextFaderTest, TransparentBoxShowsWhatLiesBehindIt) {
  bool copyWhilePainting = false, fail = false;
  form->OnPaint = [&](TObject*) {
    copyWhilePainting = (form->ControlState() & csPaintCopy) != 0;
    fader->Repaint();
    if (fail) throw std::runtime_error("paint failed");
  };
  fader->Repaint();
  EXPECT_TRUE(copyWhilePainting);
  EXPECT_EQ(Mismatches(Take(), Behind), 0);
  fail = true;
  EXPECT_THROW(fader->Repaint(), std::runtime_error);
  form->OnPaint = nullptr;
  EXPECT_FALSE(fader->Painting() || (form->ControlState() & csPaintCopy));
  fader->Repaint();
  EXPECT_EQ(Mismatches(Take(), Behind), 0);
}

// Every frame, as drawn on the window, is the fully shown pictures before and after mixed
// exactly as Progress says; the shown item is centred glyphs over the picture. Frames after a
// run's first make no pictures.
TEST_F(TextFaderTest, EachTickBlendsTheOldItemIntoTheNewOne) {
  const std::string first = Utf16ToAnsi(u"Старое & слово"), second = Utf16ToAnsi(u"Новый ответ");
  fader->Lines()->Clear();
  fader->Lines()->Add(first);
  fader->Lines()->Add(second);
  fader->SetActive(true);
  fader->Timer()->SetEnabled(false);
  const ScreenCapture background = Take();
  auto fade = [&](const std::string& text, const ScreenCapture& from) {
    std::vector<std::pair<int, ScreenCapture>> frames;
    do {
      fader->TimerTick();
      frames.emplace_back(fader->Progress(), Take());
    } while (fader->Progress() < 100);
    EXPECT_EQ(fader->CurrentText(), text);
    EXPECT_EQ(frames.size(), 25u);
    const ScreenCapture& to = frames.back().second;
    for (const auto& [p, shot] : frames)
      EXPECT_EQ(Mismatches(shot, [&](int x, int y) { return Mix(to.At(x, y), from.At(x, y), p); }),
                0)
          << "progress " << p;
    return to;
  };
  const ScreenCapture firstShown = fade(first, background);
  // The pictures made for the run serve all its further frames: none makes a bitmap.
  SetBitmapCreationFailsForTesting(true);
  const ScreenCapture shown = fade(second, firstShown);
  SetBitmapCreationFailsForTesting(false);

  // The changed pixels lie in a band around the box's middle, equally far from its sides, and
  // cover little of it. Nothing outside the box changed.
  RECT ink{1000, 1000, -1, -1};
  int changed = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 200; ++x) {
      if (shown.At(x, y) == background.At(x, y)) continue;
      ASSERT_TRUE(PtInRect(&kFader, {x, y})) << x << "," << y;
      ++changed;
      ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y),
             std::max<LONG>(ink.right, x + 1), std::max<LONG>(ink.bottom, y + 1)};
    }
  ASSERT_GT(changed, 20) << "no text drawn";
  EXPECT_LE(std::abs((ink.left - kFader.left) - (kFader.right - ink.right)), 2);
  EXPECT_LE(std::abs((ink.top - kFader.top) - (kFader.bottom - ink.bottom)), 6);
  EXPECT_LT(changed, (ink.right - ink.left) * (ink.bottom - ink.top) / 2);
}

// A frame that cannot be made fails on every tick, and the real box's modal loop goes on
// ticking and painting: still one box, in front of the window that was active, and the
// failing tick is not run again inside it. Once the failure is lifted and the box closed,
// the fader goes on.
TEST_F(TextFaderTest, FramesThatCannotBeMadeGiveOneErrorBox) {
  fader->Lines()->Clear();
  fader->Lines()->Add("one");
  std::atomic<int> ticks{0};
  fader->Timer()->OnTimer = [&](TObject*) { ++ticks; };
  SetActiveWindow(form->Handle());
  const HWND active = GetActiveWindow();
  std::set<HWND> seen;
  size_t most = 0;
  int ticksWhileOpen = -1;
  HWND owner = nullptr;
  LONG_PTR style = 0;
  std::atomic<bool> done{false};
  // The boxes as a user sees them; a second after one opened, the failure is lifted and every
  // box closed.
  std::thread user([&] {
    int atOpen = 0;
    bool lifted = false;
    for (DWORD start = GetTickCount(), opened = 0, quiet = 0; quiet < 25; ::Sleep(20)) {
      std::vector<HWND> open;
      for (HWND box = nullptr; (box = FindWindowExW(nullptr, box, L"#32770", nullptr));)
        if (IsWindowVisible(box)) open.push_back(box);
      most = std::max(most, open.size());
      seen.insert(open.begin(), open.end());
      if (!opened && !open.empty()) opened = GetTickCount(), atOpen = ticks;
      if (!lifted && GetTickCount() - (opened ? opened : start) > (opened ? 1000 : 30000)) {
        ticksWhileOpen = ticks - atOpen;
        owner = open.empty() ? nullptr : GetWindow(open[0], GW_OWNER);
        style = open.empty() ? 0 : GetWindowLongPtrW(open[0], GWL_EXSTYLE);
        SetBitmapCreationFailsForTesting(false);
        lifted = true;
      }
      for (HWND box : open)
        if (lifted) PostMessageW(box, WM_COMMAND, IDOK, 0);
      quiet = lifted && open.empty() ? quiet + 1 : 0;
    }
    done = true;
  });
  SetBitmapCreationFailsForTesting(true);
  fader->SetActive(true);
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }, 60000));
  user.join();
  EXPECT_EQ(most, 1u) << "nested boxes";
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_LE(ticksWhileOpen, 1);  // the first to fail may be a paint, which the tick joins
  EXPECT_EQ(owner, active);
  EXPECT_TRUE(style & WS_EX_TOPMOST);  // the form is not: the box stays above stay-on-top ones
  EXPECT_TRUE(
      PumpUntil([&] { return fader->Progress() == 100 && fader->CurrentText() == "one"; }, 10000));
  EXPECT_GT(Mismatches(Take(), Behind), 20) << "no text drawn";
  fader->Timer()->OnTimer = nullptr;
}

// Each layout of an opaque box's picture against a model in the box's own coordinates.
TEST_F(TextFaderTest, OpaqueBoxLaysOutItsBackground) {
  fader->SetTransparent(false);
  fader->SetColor(clYellow);
  TPicture small, large;
  const auto smallAt = [](int x, int y) { return Pattern(x * 9, y * 13); };
  Fill(*small.Bitmap(), 7, 5, smallAt);
  Fill(*large.Bitmap(), 151, 60, Pattern);
  const auto yellow = [](int, int) { return RGB(255, 255, 0); };
  auto mismatches = [&](TPicture* picture, TBackgroundMode mode, auto model) {
    fader->SetBackground(picture);
    fader->SetBackgroundMode(mode);
    PumpFor(50);  // the changes queued a repaint
    return Mismatches(Take(), [&](int x, int y) { return model(x - kFader.left, y - kFader.top); });
  };
  EXPECT_EQ(mismatches(&small, bmNone, yellow), 0);
  EXPECT_EQ(mismatches(&small, bmTiled, [&](int x, int y) { return smallAt(x % 7, y % 5); }), 0);
  // 17 columns and 6 rows too many: 8 cut on the left, 9 on the right, 3 above and below.
  EXPECT_EQ(mismatches(&large, bmCentered, [](int x, int y) { return Pattern(x + 8, y + 3); }), 0);
  // Stretched: the picture's corners land in the box's corners.
  mismatches(&small, bmStretched, yellow);
  const ScreenCapture stretched = Take();
  EXPECT_EQ(stretched.At(kFader.left, kFader.bottom - 1), smallAt(0, 4));
  EXPECT_EQ(stretched.At(kFader.right - 1, kFader.top), smallAt(6, 0));
  EXPECT_EQ(mismatches(nullptr, bmTiled, yellow), 0);  // no picture: the colour alone
}

// Switched on while its form loads, the fader runs on its real timer from Loaded on: both
// items, then the pass ends it and is told once more.
TEST(TextFaderTimerTest, SwitchedOnWhileLoadingItRunsFromLoadedOn) {
  SKIP_WITHOUT_DISPLAY();
  auto* form = new TFaderTestForm(Application);  // never shown
  form->activeAtLoad = true;
  form->Load();
  TTextFader* fader = form->Answer;
  EXPECT_FALSE(form->timerOnWhileLoading);
  fader->SetFadeDelay(10);
  fader->SetLineDelay(20);
  fader->SetFadeStep(50);
  fader->SetRepeatCount(1);
  fader->Lines()->Clear();
  fader->Lines()->Add("one");
  fader->Lines()->Add("two");
  int completes = 0;
  fader->OnComplete = [&](TObject* sender) { completes += sender == fader; };
  PumpUntil([&] { return !fader->Active(); }, 10000);
  EXPECT_FALSE(fader->Active() || fader->Timer()->Enabled());
  EXPECT_EQ(completes, 3);
  EXPECT_EQ(fader->CurrentText(), "two");
  delete form;
}

}  // namespace
