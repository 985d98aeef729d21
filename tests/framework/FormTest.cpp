#include <memory>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Win32TestSupport.h"

namespace {

std::vector<std::string> steps;

class Part : public TComponent {
 public:
  Part(TComponent* owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
  void Loaded() override {
    steps.push_back("loaded " + Name() + (IsLoading() ? "" : " (not loading!)"));
    TComponent::Loaded();
  }
};

class OrderForm : public TForm {
 public:
  explicit OrderForm(TComponent* owner) : TForm(owner) {
    OnCreate = [this](TObject*) {
      steps.push_back(std::string("create") + (a->IsLoading() ? " (still loading!)" : ""));
    };
  }
  Part* a = nullptr;
  Part* b = nullptr;
  bool failIn[3] = {};

 protected:
  void CreateComponents() override {
    steps.push_back("construct");
    a = new Part(this, "a");
    if (failIn[0]) throw Exception("Broken construction");
    b = new Part(this, "b");
  }
  void ReadProperties() override {
    steps.push_back(std::string("properties") + (a->IsLoading() ? "" : " (not loading!)"));
    if (failIn[1]) throw Exception("Broken properties");
  }
  void Loaded() override {
    steps.push_back("form loaded");
    TForm::Loaded();
  }
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override { steps.clear(); }
  // Without a display the window cannot be made, which is reported too.
  std::vector<RecordedBox> Reported() const {
    std::vector<RecordedBox> reported;
    for (const auto& box : boxes.boxes)
      if (DisplayAvailable() || box.text != "Error creating window.") reported.push_back(box);
    return reported;
  }
  RecordingBoxes boxes;
};

TEST_F(FormTest, CreationRunsConstructionPropertiesLoadedThenOnCreate) {
  std::unique_ptr<OrderForm> form(NewForm<OrderForm>(nullptr));
  EXPECT_EQ(steps, (std::vector<std::string>{"construct", "properties", "loaded a", "loaded b",
                                             "form loaded", "create"}));
  EXPECT_FALSE(form->IsLoading());
  EXPECT_TRUE(Reported().empty());
  if (DisplayAvailable()) {
    EXPECT_TRUE(form->HandleAllocated());
  }
}

class FailingForm : public OrderForm {
 public:
  explicit FailingForm(TComponent* owner) : OrderForm(owner) { failIn[0] = true; }
};

TEST_F(FormTest, AnErrorInCreationIsShownAndTheRestStillRuns) {
  std::unique_ptr<FailingForm> form(NewForm<FailingForm>(nullptr));
  auto reported = Reported();
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].text, "Broken construction.");
  EXPECT_EQ(reported[0].caption, Application->Title());
  EXPECT_EQ(reported[0].flags, static_cast<unsigned>(MB_ICONERROR | MB_OK));
  EXPECT_EQ(steps, (std::vector<std::string>{"construct", "properties", "loaded a", "form loaded",
                                             "create"}));
  if (DisplayAvailable()) {
    EXPECT_TRUE(form->HandleAllocated());
  }
}

TEST_F(FormTest, AnErrorInOnCreateIsShownAndTheWindowIsStillMade) {
  SKIP_WITHOUT_DISPLAY();
  class Form : public TForm {
   public:
    explicit Form(TComponent* owner) : TForm(owner) {
      OnCreate = [](TObject*) { throw Exception("File not found"); };
    }
  };
  std::unique_ptr<Form> form(NewForm<Form>(nullptr));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "File not found.");
  EXPECT_TRUE(form->HandleAllocated());
  EXPECT_TRUE(IsWindow(form->Handle()));
}

// A form with a picture that reports clicks and mouse presses.
class ClickForm : public TForm {
 public:
  using TForm::TForm;
  TImage* image = nullptr;
  TImage* under = nullptr;
  std::vector<std::string> seen;

 protected:
  void CreateComponents() override {
    SetBorderStyle(bsNone);
    SetClientWidth(100);
    SetClientHeight(80);
    under = new TImage(this);
    under->SetParent(this);
    under->SetAlign(alClient);
    under->OnClick = [this](TObject*) { seen.push_back("under click"); };
    image = new TImage(this);
    image->SetParent(this);
    image->SetBounds(10, 10, 20, 20);
    image->SetCursor(crHandPoint);
    image->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
      seen.push_back("down " + std::to_string(button) + " " + std::to_string(x) + "," +
                     std::to_string(y) + ((shift & ssShift) ? " shift" : ""));
    };
    image->OnClick = [this](TObject*) {
      seen.push_back("click");
      throw Exception("Click failed");
    };
  }
};

void Press(HWND window, UINT down, UINT up, WPARAM keys, int x, int y) {
  SendMessageA(window, down, keys, MAKELPARAM(x, y));
  SendMessageA(window, up, keys & ~(MK_LBUTTON | MK_RBUTTON), MAKELPARAM(x, y));
}

TEST_F(FormTest, MouseGoesToTheTopmostPictureAndAnErrorInItsHandlerIsShown) {
  SKIP_WITHOUT_DISPLAY();
  std::unique_ptr<ClickForm> form(NewForm<ClickForm>(nullptr));
  HWND window = form->Handle();
  EXPECT_EQ(form->under->Width(), 100);
  EXPECT_EQ(form->under->Height(), 80);
  Press(window, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON | MK_SHIFT, 15, 17);
  EXPECT_EQ(form->seen, (std::vector<std::string>{"down 0 5,7 shift", "click"}));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Click failed.");
  // The program goes on: the window still answers.
  form->seen.clear();
  Press(window, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 12, 12);
  Press(window, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 50, 50);
  EXPECT_EQ(form->seen, (std::vector<std::string>{"down 1 2,2", "under click"}));
  // A press that ends outside the picture is no click.
  form->seen.clear();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 12));
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
  EXPECT_EQ(form->seen, (std::vector<std::string>{"down 0 2,2"}));
  // A double click makes one click.
  form->seen.clear();
  Press(window, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 12, 12);
  Press(window, WM_LBUTTONDBLCLK, WM_LBUTTONUP, MK_LBUTTON, 12, 12);
  EXPECT_EQ(form->seen, (std::vector<std::string>{"down 0 2,2", "click", "down 0 2,2"}));
  boxes.boxes.clear();
  // Hidden and disabled pictures let the press through to what lies beneath.
  form->seen.clear();
  form->image->SetEnabled(false);
  Press(window, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 15, 15);
  EXPECT_EQ(form->seen, (std::vector<std::string>{"under click"}));
  EXPECT_EQ(form->ControlAtPos(15, 15), form->under);
  form->image->SetEnabled(true);
  EXPECT_EQ(form->ControlAtPos(15, 15), form->image);
}

TEST_F(FormTest, ChangingTheBorderStyleRemakesTheWindowAndKeepsTheClientSize) {
  SKIP_WITHOUT_DISPLAY();
  auto form = std::make_unique<TForm>(nullptr);
  form->SetClientWidth(162);
  form->SetClientHeight(251);
  HWND first = form->Handle();
  EXPECT_NE(GetWindowLongPtrA(first, GWL_STYLE) & WS_CAPTION, 0);
  RECT client{};
  GetClientRect(first, &client);
  EXPECT_EQ(client.right, 162);
  EXPECT_EQ(client.bottom, 251);
  form->SetBorderStyle(bsNone);
  EXPECT_FALSE(IsWindow(first));
  HWND second = form->Handle();
  EXPECT_EQ(GetWindowLongPtrA(second, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
  EXPECT_EQ(form->Width(), 162);
  EXPECT_EQ(form->Height(), 251);
  EXPECT_EQ(form->ClientWidth(), 162);
  EXPECT_EQ(form->ClientHeight(), 251);
  // Owned by the application window: no taskbar button of its own.
  EXPECT_EQ(GetWindow(second, GW_OWNER), Application->Handle());
}

TEST_F(FormTest, StayOnTopCentredCaptionAndShow) {
  SKIP_WITHOUT_DISPLAY();
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetFormStyle(fsStayOnTop);
  form->SetPosition(poDesktopCenter);
  form->SetCaption("Quelvoran");
  form->SetBounds(0, 0, 100, 60);
  bool shown = false;
  form->OnShow = [&](TObject*) { shown = true; };
  HWND window = form->Handle();
  EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_FALSE(IsWindowVisible(window));
  form->Show();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(IsWindowVisible(window));
  RECT rect{};
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 100) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 60) / 2);
  char caption[32] = {};
  GetWindowTextA(window, caption, sizeof caption);
  EXPECT_STREQ(caption, "Quelvoran");
  form->SetFormStyle(fsNormal);
  EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetWindow(window, GW_OWNER), Application->Handle());
  form->SetFormStyle(fsStayOnTop);
  EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  form->Hide();
  EXPECT_FALSE(IsWindowVisible(window));
  // Shown again: centred only the first time.
  form->SetBounds(5, 6, 100, 60);
  form->Show();
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 5);
  EXPECT_EQ(rect.top, 6);
}

TEST_F(FormTest, AnErrorInOnShowIsShownAndTheWindowStillShows) {
  SKIP_WITHOUT_DISPLAY();
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(0, 0, 80, 60);
  form->OnShow = [](TObject*) { throw EInOutError(3); };
  form->Show();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  ASSERT_EQ(Reported().size(), 1u);
  EXPECT_EQ(Reported()[0].text, "I/O error 3.");
  form->Hide();
}

TEST_F(FormTest, ClosingTheMainFormEndsTheMessageLoop) {
  SKIP_WITHOUT_DISPLAY();
  ASSERT_EQ(Application->MainForm(), nullptr);
  TForm* main = nullptr;
  Application->CreateForm(main);
  ASSERT_EQ(Application->MainForm(), main);
  main->SetBorderStyle(bsNone);
  main->SetBounds(0, 0, 50, 50);
  TTimer closer(nullptr);
  closer.SetInterval(50);
  closer.OnTimer = [&](TObject*) {
    closer.SetEnabled(false);
    // Sent like the close glyph of a window frame would.
    PostMessageA(main->Handle(), WM_CLOSE, 0, 0);
  };
  TTimer failSafe(nullptr);
  failSafe.SetInterval(5000);
  bool timedOut = false;
  failSafe.OnTimer = [&](TObject*) {
    timedOut = true;
    PostQuitMessage(0);
  };
  Application->Run();
  EXPECT_FALSE(timedOut);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(main->Visible());
  delete main;
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(FormTest, TheTitleIsReadBackFromTheApplicationWindow) {
  SKIP_WITHOUT_DISPLAY();
  std::string original = Application->Title();
  // The executable is framework_win32_tests.exe.
  EXPECT_EQ(original, "framework_win32_tests");
  Application->Handle();
  Application->SetTitle(std::string(300, 'x'));
  EXPECT_EQ(Application->Title(), std::string(255, 'x'));
  // "Г.Г.Кормид"
  Application->SetTitle("\xC3.\xC3.\xCA\xEE\xF0\xEC\xE8\xE4");
  EXPECT_EQ(Application->Title(), "\xC3.\xC3.\xCA\xEE\xF0\xEC\xE8\xE4");
  Application->SetTitle(original);
}

TEST_F(FormTest, TheLoopShowsEveryMessageToOnMessageFirst) {
  std::vector<UINT> seen;
  Application->OnMessage = [&](MSG& message, bool& handled) {
    if (message.message == WM_APP + 7) {
      seen.push_back(message.message);
      handled = true;
    }
    if (message.message == WM_APP + 8) throw Exception("Message failed");
  };
  // Posted without a window, as WM_CANCELJOURNAL is.
  PostThreadMessageA(GetCurrentThreadId(), WM_APP + 7, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_APP + 8, 0, 0);
  Application->ProcessMessages();
  Application->OnMessage = nullptr;
  EXPECT_EQ(seen, std::vector<UINT>{WM_APP + 7});
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Message failed.");
}

TEST_F(FormTest, OwnedControlsGoWithTheForm) {
  auto form = std::make_unique<TForm>(nullptr);
  auto* image = new TImage(form.get());
  image->SetParent(form.get());
  EXPECT_EQ(form->ControlCount(), 1);
  delete image;
  EXPECT_EQ(form->ControlCount(), 0);
  auto* kept = new TImage(form.get());
  kept->SetParent(form.get());
  form.reset();  // frees kept without touching a freed parent
}

TEST_F(FormTest, ParentColorAndFontFollowTheParent) {
  auto form = std::make_unique<TForm>(nullptr);
  auto* image = new TImage(form.get());
  image->SetParentColor(true);
  image->SetParent(form.get());
  form->SetColor(clNavy);
  EXPECT_EQ(image->Color(), clNavy);
  form->Font()->SetHeight(-14);
  EXPECT_EQ(image->Font()->Height(), -14);
  image->Font()->SetName("Tahoma");
  EXPECT_FALSE(image->ParentFont());
  form->Font()->SetHeight(-20);
  EXPECT_EQ(image->Font()->Height(), -14);
  image->SetColor(clWhite);
  EXPECT_FALSE(image->ParentColor());
}

}  // namespace
