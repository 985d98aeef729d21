// The platform's controls on a form built in code, driven through the system's input queue:
// clicks, keys, focus, colours, fonts, wrapped lines, context menus and freeing inside an event.
#include <windows.h>

#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Win32TestSupport.h"

namespace {

// "Привет" and "один два три четыре пять шесть семь восемь девять" in Windows-1251.
const char kHello[] = "\xCF\xF0\xE8\xE2\xE5\xF2";
const char kWords[] =
    "\xEE\xE4\xE8\xED \xE4\xE2\xE0 \xF2\xF0\xE8 \xF7\xE5\xF2\xFB\xF0\xE5 \xEF\xFF\xF2\xFC "
    "\xF8\xE5\xF1\xF2\xFC \xF1\xE5\xEC\xFC \xE2\xEE\xF1\xE5\xEC\xFC \xE4\xE5\xE2\xFF\xF2\xFC";

template <class T>
T* Place(TWinControl* parent, int left, int top, int width, int height) {
  auto* control = new T(parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

class TTestForm : public TForm {
 public:
  explicit TTestForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsToolWindow);
    SetCaption(kHello);
    SetBounds(100, 100, 320, 240);
    Button->SetCaption("\xC2\xFB\xF5\xEE\xE4");  // Выход
    Label->SetCaption(kHello);
    Edit->OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) {
      log.push_back("down " + std::to_string(key) + (shift & ssShift ? " shift" : "") +
                    (shift & ssCtrl ? " ctrl" : ""));
    };
    Edit->OnKeyPress = [this](TObject*, char& key) {
      log.push_back(std::string("press ") + key);
      if (key == 'x') key = 0;
      if (key == 'y') key = 'z';
    };
    Button->OnClick = [this](TObject*) { log.push_back("click"); };
  }

  TEdit* Edit = Place<TEdit>(this, 8, 8, 145, 20);
  TMemo* Memo = Place<TMemo>(this, 8, 36, 100, 90);
  TButton* Button = Place<TButton>(this, 160, 8, 75, 25);
  TLabel* Label = Place<TLabel>(this, 160, 40, 100, 16);
  TWinControl* Child = Place<TWinControl>(this, 160, 100, 100, 60);
  std::vector<std::string> log;
};

// One form for the whole suite: under Wine without a window manager, hiding or destroying
// the foreground window takes about two seconds.
class ControlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!DisplayAvailable()) return;
    form = new TTestForm(nullptr);
    form->Show();
  }
  static void TearDownTestSuite() {
    delete form;
    form = nullptr;
  }
  void SetUp() override {
    if (!form) GTEST_SKIP() << "no display";
    SetForegroundWindow(form->Handle());
    PumpUntil([] { return GetForegroundWindow() == form->Handle(); }, 2000);
    form->Edit->SetText("");
    form->log.clear();
  }
  // Waits until the input sent has been handled.
  static bool Settle(const std::function<bool()>& done) { return PumpUntil(done, 1500); }
  static bool Focused(TWinControl* control) { return GetFocus() == control->Handle(); }

  static TTestForm* form;
  RecordingBoxes boxes;
};

TTestForm* ControlsTest::form = nullptr;

TEST_F(ControlsTest, ClicksAndKeysReachTheHandlersBeforeTheControls) {
  ClickAt(CentreOf(form->Button->Handle()));
  Settle([] { return !form->log.empty(); });
  form->Button->SetFocus();
  TypeKey(VK_SPACE);
  Settle([] { return form->log.size() >= 2; });
  EXPECT_EQ(form->log, (std::vector<std::string>{"click", "click"}));

  // Enter with Shift and with Ctrl is seen; it is never typed (the edit would beep). A key the
  // handler cleared is not typed; one it changed is typed as changed.
  form->log.clear();
  form->Edit->SetFocus();
  TypeKey(VK_RETURN, {VK_SHIFT});
  TypeKey(VK_RETURN, {VK_CONTROL});
  for (WORD key : {'X', 'Y', 'A'}) TypeKey(key);
  Settle([] { return form->Edit->Text().size() >= 2; });
  PumpFor(100);
  const std::vector<std::string> expected = {
      "down 16 shift", "down 13 shift", "press \r", "down 17 ctrl", "down 13 ctrl", "press \n",
      "down 88",       "press x",       "down 89",  "press y",      "down 65",      "press a"};
  EXPECT_EQ(form->log, expected);
  EXPECT_EQ(form->Edit->Text(), "za");

  // Enter in the edit goes to the default button after the edit's own OnKeyDown.
  form->log.clear();
  form->Button->SetDefault(true);
  TypeKey(VK_RETURN);
  Settle([] { return form->log.size() >= 2; });
  EXPECT_EQ(form->log, (std::vector<std::string>{"down 13", "click"}));
  EXPECT_EQ(form->Edit->Text(), "za");
  form->Button->SetDefault(false);
}

TEST_F(ControlsTest, TabAndShiftTabMoveTheFocusInTabOrder) {
  form->Memo->SetText("");
  form->Edit->SetFocus();
  // The label and the plain child window are not tab stops.
  const struct {
    bool back;
    TWinControl* next;
  } steps[] = {
      {false, form->Memo}, {false, form->Button}, {false, form->Edit}, {true, form->Button}};
  for (const auto& step : steps) {
    step.back ? TypeKey(VK_TAB, {VK_SHIFT}) : TypeKey(VK_TAB);
    EXPECT_TRUE(Settle([&] { return Focused(step.next); })) << "step " << &step - steps;
  }
  EXPECT_EQ(form->ActiveControl(), form->Button);
  EXPECT_EQ(form->Memo->Text(), "") << "Tab is not typed into the memo";
  // A changed tab order is followed.
  form->Button->SetTabOrder(0);
  form->Edit->SetFocus();
  TypeKey(VK_TAB, {VK_SHIFT});
  EXPECT_TRUE(Settle([] { return Focused(form->Button); }));
  form->Button->SetTabOrder(2);
}

TEST_F(ControlsTest, AnEditTakesItsColoursFromItsColorAndFont) {
  form->Edit->SetBorderStyle(bsNone);
  form->Edit->SetColor(clBlack);
  form->Edit->Font()->SetColor(clLime);
  form->Edit->SetText("WWWW");
  HWND edit = form->Edit->Handle();
  // What the edit asks its parent for.
  WindowDC dc(edit);
  auto brush = reinterpret_cast<HBRUSH>(SendMessageW(form->Handle(), WM_CTLCOLOREDIT,
                                                     reinterpret_cast<WPARAM>(dc.dc()),
                                                     reinterpret_cast<LPARAM>(edit)));
  LOGBRUSH logBrush{};
  ASSERT_EQ(GetObjectW(brush, sizeof logBrush, &logBrush), static_cast<int>(sizeof logBrush));
  EXPECT_EQ(logBrush.lbColor, RGB(0, 0, 0));
  EXPECT_EQ(GetTextColor(dc.dc()), RGB(0, 255, 0));
  // And what it paints.
  RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  PumpFor(100);
  RECT rect{};
  GetClientRect(edit, &rect);
  int black = 0, green = 0;
  for (int y = 0; y < rect.bottom; ++y)
    for (int x = 0; x < rect.right; ++x) {
      COLORREF pixel = GetPixel(dc.dc(), x, y);
      black += pixel == RGB(0, 0, 0);
      green += GetGValue(pixel) > 160 && GetRValue(pixel) < 96 && GetBValue(pixel) < 96;
    }
  EXPECT_GT(black, rect.right * rect.bottom / 2);
  EXPECT_GT(green, 10);
}

TEST_F(ControlsTest, AFontChangedAfterTheWindowExistsIsLive) {
  HWND edit = form->Edit->Handle();
  form->Edit->Font()->SetHeight(-19);
  form->Edit->Font()->SetName("Arial");
  auto font = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));
  LOGFONTW logFont{};
  ASSERT_EQ(GetObjectW(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont))
      << "the edit holds a deleted font";
  EXPECT_EQ(logFont.lfHeight, -19);
  WindowDC dc(edit);
  SelectGuard select(dc.dc(), font);
  TEXTMETRICW metrics{};
  ASSERT_TRUE(GetTextMetricsW(dc.dc(), &metrics));
  EXPECT_GE(metrics.tmHeight, 19);
  // A font that follows the parent is live as well.
  form->Font()->SetHeight(-15);
  font = reinterpret_cast<HFONT>(SendMessageW(form->Memo->Handle(), WM_GETFONT, 0, 0));
  ASSERT_EQ(GetObjectW(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
  EXPECT_EQ(logFont.lfHeight, -15);
}

TEST_F(ControlsTest, AMemoGivesBackItsDisplayedLinesInOrder) {
  TMemoLines* lines = form->Memo->Lines();
  lines->Clear();
  EXPECT_EQ(lines->Count(), 0);
  lines->Add(kWords);
  ASSERT_GE(lines->Count(), 3) << "a 100-pixel memo wraps the words";
  std::string joined;
  for (int i = 0; i < lines->Count(); ++i) {
    std::string line = (*lines)[i];
    while (!line.empty() && line.back() == ' ') line.pop_back();
    EXPECT_FALSE(line.empty());
    joined += (joined.empty() ? "" : " ") + line;
  }
  EXPECT_EQ(joined, kWords);
  EXPECT_THROW((void)lines->Strings(lines->Count()), EListError);
  lines->Add("last");
  EXPECT_EQ((*lines)[lines->Count() - 1], "last");
}

TEST_F(ControlsTest, ARightClickOpensTheChildsContextMenuOrElseTheForms) {
  auto* menu = new TPopupMenu(form);
  form->Child->SetPopupMenu(menu);
  TMenuItem* last = nullptr;
  for (const char* caption : {kHello, "-", "&Last"}) {
    last = new TMenuItem(form);
    last->SetCaption(caption);
    menu->Items()->Add(last);
  }
  menu->OnPopup = [](TObject*) { form->log.push_back("popup"); };
  last->OnClick = [last](TObject* sender) {
    EXPECT_EQ(sender, last);
    form->log.push_back("last");
  };
  // While the menu runs its own loop: down, down (over the line), Enter.
  UINT_PTR driver = SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND shown = FindWindowW(L"#32768", nullptr);
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(shown, WM_KEYDOWN, key, 0);
  });
  ClickAt(CentreOf(form->Child->Handle()), MOUSEEVENTF_RIGHTDOWN);
  Settle([] { return form->log.size() >= 2; });
  KillTimer(nullptr, driver);
  EXPECT_EQ(form->log, (std::vector<std::string>{"popup", "last"}));

  // Without a menu of its own the child passes the request to the form's.
  form->log.clear();
  form->Child->SetPopupMenu(nullptr);
  form->SetPopupMenu(menu);
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
  });
  ClickAt(CentreOf(form->Child->Handle()), MOUSEEVENTF_RIGHTDOWN);
  Settle([] { return !form->log.empty(); });
  PumpFor(400);
  EXPECT_EQ(form->log, std::vector<std::string>{"popup"});
  // Freeing the menu frees its items and clears the references to it.
  form->Child->SetPopupMenu(menu);
  const int components = form->ComponentCount();
  delete menu;
  EXPECT_EQ(form->PopupMenu(), nullptr);
  EXPECT_EQ(form->Child->PopupMenu(), nullptr);
  EXPECT_EQ(form->ComponentCount(), components - 4);
}

TEST_F(ControlsTest, AControlReleasedInsideItsOwnEventIsFreedAfterIt) {
  bool freed = false;
  struct Watch : TComponent {
    Watch(TComponent* owner, bool& flag) : TComponent(owner), flag_(flag) {}
    ~Watch() override { flag_ = true; }
    bool& flag_;
  };
  auto* button = Place<TButton>(form, 160, 200, 75, 25);
  new Watch(button, freed);
  const int controls = form->ControlCount();
  bool freedInside = true;
  button->OnClick = [&](TObject*) {
    button->Release();
    Application->ProcessMessages();  // a loop nested in the handler, as a message box runs
    freedInside = freed;
    button->SetCaption("still here");  // the object lives until the event is done
  };
  ClickAt(CentreOf(button->Handle()));
  EXPECT_TRUE(Settle([&] { return freed; }));
  EXPECT_FALSE(freedInside);
  EXPECT_EQ(form->ControlCount(), controls - 1);

  // A picture freed by its own OnMouseUp is neither clicked nor touched after it.
  auto* image = Place<TImage>(form, 250, 200, 30, 30);
  bool clicked = false, up = false;
  image->OnClick = [&](TObject*) { clicked = true; };
  image->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) {
    up = true;
    delete image;
  };
  POINT centre{265, 215};
  ClientToScreen(form->Handle(), &centre);
  ClickAt(centre);
  EXPECT_TRUE(Settle([&] { return up; }));
  EXPECT_FALSE(clicked);
  // A released form freed otherwise before the message comes is forgotten.
  auto* other = new TForm(nullptr);
  other->Release();
  delete other;
  PumpFor(50);
}

// Another module's subclass replaces the window procedure; the child's notifications still
// reach its object.
TEST_F(ControlsTest, ASubclassedEditStillHearsItsChanges) {
  static WNDPROC previous = nullptr;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      form->Edit->Handle(), GWLP_WNDPROC,
      reinterpret_cast<LONG_PTR>(+[](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return CallWindowProcW(previous, window, message, wParam, lParam);
      })));
  int changes = 0;
  form->Edit->OnChange = [&](TObject*) { ++changes; };
  SetWindowTextW(form->Edit->Handle(), L"abc");
  EXPECT_EQ(changes, 1);
  SetWindowLongPtrW(form->Edit->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  form->Edit->OnChange = nullptr;
}

TEST(HookErrorTest, AnErrorInsideAHookIsShownAfterTheHookReturned) {
  RecordingBoxes boxes;
  GuardedHookCall([] { throw Exception("Recorder: Nothing to play"); });
  EXPECT_TRUE(boxes.boxes.empty());
  PumpUntil([&] { return !boxes.boxes.empty(); }, 1000);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Recorder: Nothing to play.");
}

}  // namespace
