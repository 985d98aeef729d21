// The teaching window as the program makes it, on a scratch application folder, driven
// through the system's input queue: what it writes, what it loads, the recorder buttons,
// the save dialog, errors and the keyboard.
#include "EduForm.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "KnowledgeBase.h"
#include "Recorder.h"
#include "TeachTestSupport.h"

namespace {

const std::string kSeed = "HELLO\r\n!\r\nHi\r\n.\r\n";
// "Привет!", then lines ended by CR, LF and CR LF.
const std::string kGreetings = "\xCF\xF0\xE8\xE2\xE5\xF2!\rHi\nHey\r\n";
const std::string kDialog = "one\n\ntwo";

std::string MacroOf(const std::vector<TEventMsg>& events) {
  std::string bytes(events.size() * kEventMsgSize, '\0');
  for (size_t i = 0; i < events.size(); ++i)
    WriteEventMsg(events[i], reinterpret_cast<uint8_t*>(bytes.data()) + i * kEventMsgSize);
  return bytes;
}

std::string StreamBytes() {
  TMemoryStream& stream = GlobalRecorder->Stream();
  const auto* bytes = static_cast<const char*>(stream.Memory());
  return bytes ? std::string(bytes, static_cast<size_t>(stream.Size())) : std::string();
}

class EduFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    InitRecorderModule();
    Application->OnMessage = RecorderMessageFilter;
    if (!DisplayAvailable()) return;
    folder = new ScratchFolder("qv-edu");
    app = folder->Path();
    CreateDirectoryW(ToWide(app + "Brain").c_str(), nullptr);
    CreateDirectoryW(ToWide(app + "Scripts").c_str(), nullptr);
    ResetFiles();
    SetEduApplicationFolder(app);
    // As the program does: the main window first, the teaching window after it.
    Application->CreateForm(mainForm);
    Application->CreateForm(Edu);
    Edu->Show();
  }
  static void TearDownTestSuite() {
    if (GlobalRecorder) GlobalRecorder->Stop();
    Application->OnMessage = nullptr;
    delete folder;
    folder = nullptr;
  }
  static void ResetFiles() {
    WriteBytes(app + kAnswersFile, kSeed);
    WriteBytes(app + kGreetingsFile, kGreetings);
    WriteBytes(app + kDialogFile, kDialog);
  }

  void SetUp() override {
    if (!folder) GTEST_SKIP() << "no display";
    GlobalRecorder->Stop();
    ResetFiles();
    JustRecorded = false;
    Edu->SpinEdit1->SetValue(100);
    SetForegroundWindow(Edu->Handle());
    PumpUntil([] { return GetForegroundWindow() == Edu->Handle(); }, 2000);
  }
  void TearDown() override {
    if (GlobalRecorder) GlobalRecorder->Stop();
    if (!boxes.boxes.empty() && !boxesChecked)
      ADD_FAILURE() << "error box: " << boxes.boxes.front().text;
  }

  std::vector<std::string> Boxes() {
    boxesChecked = true;
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }

  static void Click(TWinControl* control) { ClickAt(CentreOf(control->Handle())); }
  static void Click(TControl* picture) {
    ClickAt(ScreenCentre(picture->Parent()->Handle(), picture->BoundsRect()));
  }
  static void ShowPage(TTabSheet* page) {
    RECT rect{};
    SendMessageW(Edu->EduPages->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(page->PageIndex()),
                 reinterpret_cast<LPARAM>(&rect));
    ClickAt(ScreenCentre(Edu->EduPages->Handle(), rect));
    // The page may be the active one already: let the click arrive in any case.
    PumpFor(150);
    PumpUntil([page] { return Edu->EduPages->ActivePage() == page; }, 2000);
    ASSERT_EQ(Edu->EduPages->ActivePage(), page);
  }
  static void ClickAndWait(TWinControl* control, const std::function<bool()>& done) {
    Click(control);
    PumpUntil(done, 3000);
  }
  static bool FocusIn(TWinControl* control) { return GetFocus() == control->Handle(); }

  static std::string AnswersTail() { return ReadBytes(app + kAnswersFile).substr(kSeed.size()); }

  static ScratchFolder* folder;
  static std::string app;
  static TForm* mainForm;
  RecordingBoxes boxes;
  bool boxesChecked = false;
};

ScratchFolder* EduFormTest::folder = nullptr;
std::string EduFormTest::app;
TForm* EduFormTest::mainForm = nullptr;

TEST_F(EduFormTest, ShowingLoadsBothListsAndReopeningLoadsThemAgain) {
  EXPECT_EQ(Edu->GreetMemo->Text(), "\xCF\xF0\xE8\xE2\xE5\xF2!\r\nHi\r\nHey\r\n");
  EXPECT_EQ(Edu->DlgMemo->Text(), "one\r\n\r\ntwo");
  EXPECT_EQ(Edu->FileListBox1->Directory(), app + "Scripts");
  EXPECT_EQ(Edu->EduPages->ActivePage(), Edu->Act);

  Edu->SetBounds(60, 50, Edu->Width(), Edu->Height());
  Edu->GreetMemo->SetText("unsaved");
  Edu->Edit1->SetText("KEEP");
  WriteBytes(app + kGreetingsFile, "new\rlist");
  // The close box only hides the window.
  PostMessageW(Edu->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpUntil([] { return !IsWindowVisible(Edu->Handle()); }, 5000);
  ASSERT_NE(Edu, nullptr);
  EXPECT_FALSE(Edu->Visible());
  EXPECT_FALSE(Application->Terminated());

  Edu->Show();
  PumpFor(100);
  RECT rect{};
  GetWindowRect(Edu->Handle(), &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(Edu->GreetMemo->Text(), "new\r\nlist");
  EXPECT_EQ(Edu->DlgMemo->Text(), "one\r\n\r\ntwo");
  EXPECT_EQ(Edu->Edit1->Text(), "KEEP");
  Edu->Edit1->Clear();
}

TEST_F(EduFormTest, ABlockTypedIntoTheAnswerPageIsAppendedExactly) {
  ShowPage(Edu->Answ);
  Click(Edu->Edit1);
  TypeText("privet");
  Click(Edu->Edit3);
  TypeText("kak dela");
  Click(Edu->Memo1);
  TypeText("one\ntwo\n\nfour\nfive\nsix\nseven");
  PumpUntil([] { return Edu->Memo1->Text().ends_with("seven"); }, 5000);
  // Lower case typed is upper case in the box.
  EXPECT_EQ(Edu->Edit1->Text(), "PRIVET");
  ClickAndWait(Edu->AswSave_Btn, [] { return Edu->Memo1->Text().empty(); });
  // Boxes 1 and 3 in order; the first five lines of the answer box without the empty one.
  EXPECT_EQ(AnswersTail(), "PRIVET\r\nKAK DELA\r\n!\r\none\r\ntwo\r\nfour\r\nfive\r\n.\r\n");
  EXPECT_EQ(ReadBytes(app + kAnswersFile).substr(0, kSeed.size()), kSeed);
  for (TEdit* edit : {Edu->Edit1, Edu->Edit2, Edu->Edit3, Edu->Edit4}) EXPECT_EQ(edit->Text(), "");
}

TEST_F(EduFormTest, AWrappedLineGivesSeveralAnswersAndEmptyBoxesBareMarkers) {
  ShowPage(Edu->Answ);
  // "Это очень длинный ответ, который не помещается в одну строку поля" in Windows-1251.
  const std::string text =
      "\xDD\xF2\xEE \xEE\xF7\xE5\xED\xFC \xE4\xEB\xE8\xED\xED\xFB\xE9 \xEE\xF2\xE2\xE5\xF2, "
      "\xEA\xEE\xF2\xEE\xF0\xFB\xE9 \xED\xE5 \xEF\xEE\xEC\xE5\xF9\xE0\xE5\xF2\xF1\xFF \xE2 "
      "\xEE\xE4\xED\xF3 \xF1\xF2\xF0\xEE\xEA\xF3 \xEF\xEE\xEB\xFF";
  Edu->Memo1->SetText(text);
  std::vector<std::string> shown;
  for (int i = 0; i < Edu->Memo1->Lines()->Count(); ++i)
    shown.push_back(Edu->Memo1->Lines()->Strings(i));
  ASSERT_GE(shown.size(), 2u);
  ASSERT_LE(shown.size(), 5u);
  std::string joined, expected = "!\r\n";
  for (const std::string& line : shown) {
    joined += line;
    expected += line + "\r\n";
  }
  EXPECT_EQ(joined, text);
  ClickAndWait(Edu->AswSave_Btn, [] { return Edu->Memo1->Text().empty(); });
  expected += ".\r\n";
  EXPECT_EQ(AnswersTail(), expected);

  ClickAndWait(Edu->AswSave_Btn, [&] { return AnswersTail().size() > expected.size(); });
  EXPECT_EQ(AnswersTail(), expected + "!\r\n.\r\n");
}

TEST_F(EduFormTest, AMissingAnswersFileIsReportedAndTheBoxesKeepTheirText) {
  ShowPage(Edu->Answ);
  DeleteFileW(ToWide(app + kAnswersFile).c_str());
  Edu->Edit2->SetText("KEY");
  Edu->Memo1->SetText("answer");
  ClickAndWait(Edu->AswSave_Btn, [&] { return !boxes.boxes.empty(); });
  EXPECT_EQ(Boxes(), std::vector<std::string>{"File not found."});
  EXPECT_EQ(Edu->Edit2->Text(), "KEY");
  EXPECT_EQ(Edu->Memo1->Text(), "answer");
  EXPECT_FALSE(Exists(app + kAnswersFile));
  Edu->Edit2->Clear();
  Edu->Memo1->Clear();
}

TEST_F(EduFormTest, TheListPagesWriteTheirBoxesExactly) {
  ShowPage(Edu->Answ);
  Edu->Edit1->SetFocus();
  ASSERT_TRUE(FocusIn(Edu->Edit1));
  // Ctrl+Tab turns to the next page, and the focus goes with it.
  TypeKey(VK_TAB, {VK_CONTROL});
  PumpUntil([] { return Edu->EduPages->ActivePage() == Edu->Greet; }, 2000);
  EXPECT_EQ(Edu->EduPages->ActivePage(), Edu->Greet);
  EXPECT_TRUE(FocusIn(Edu->GreetMemo));
  Edu->GreetMemo->SetText("");
  ClickAndWait(Edu->GreetSave_Btn, [&] { return ReadBytes(app + kGreetingsFile).empty(); });
  EXPECT_TRUE(Exists(app + kGreetingsFile));
  EXPECT_EQ(ReadBytes(app + kGreetingsFile), "");

  ShowPage(Edu->Dlg);
  // "Раз" and "Два".
  const std::string lines = "\xD0\xE0\xE7\r\n\xC4\xE2\xE0\r\n";
  Edu->DlgMemo->SetText(lines);
  ClickAndWait(Edu->DlgSave_Btn, [&] { return ReadBytes(app + kDialogFile) == lines; });
  EXPECT_EQ(ReadBytes(app + kDialogFile), lines);
}

TEST_F(EduFormTest, AMissingScriptsFolderEndsShowingBeforeTheLists) {
  ScratchFolder other("qv-edu-other");
  CreateDirectoryW(ToWide(other.Path() + "Brain").c_str(), nullptr);
  WriteBytes(other.Path() + kGreetingsFile, "other");
  WriteBytes(other.Path() + kDialogFile, "other");
  const std::string greetings = Edu->GreetMemo->Text();
  SetEduApplicationFolder(other.Path());
  GuardedCall([] { Edu->FormShow(Edu); });
  SetEduApplicationFolder(app);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"File not found."});
  EXPECT_EQ(Edu->GreetMemo->Text(), greetings);
  EXPECT_EQ(Edu->FileListBox1->Directory(), app + "Scripts");
}

TEST_F(EduFormTest, ARecordingIsSavedUnderANewNameAndListed) {
  ShowPage(Edu->Act);
  Click(Edu->Image1);
  PumpUntil([] { return GlobalRecorder->State() == rsRecording; }, 2000);
  ASSERT_EQ(GlobalRecorder->State(), rsRecording);
  EXPECT_TRUE(JustRecorded);
  PumpFor(100);
  Click(Edu->Image3);
  PumpUntil([] { return GlobalRecorder->State() == rsIdle; }, 2000);
  ASSERT_EQ(GlobalRecorder->State(), rsIdle);
  const std::string macro = StreamBytes();
  EXPECT_GT(macro.size(), 0u);
  EXPECT_EQ(macro.size() % kEventMsgSize, 0u);

  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  {
    // Cancelled: nothing is written and the list is not read again.
    DialogDriver dialog(L"");
    Click(Edu->Image5);
    // The dialog's loop runs inside the click: once seen and back here, it is closed.
    PumpUntil([&] { return dialog.Seen() == 1; }, 10000);
    EXPECT_EQ(dialog.Seen(), 1);
  }
  EXPECT_EQ(Edu->FileListBox1->Count(), 0);
  EXPECT_TRUE(JustRecorded);

  const std::string saved = app + "Scripts\\fresh.rec";
  {
    DialogDriver dialog(L"fresh");
    Click(Edu->Image5);
    PumpUntil([&] { return Exists(saved) && Edu->FileListBox1->Count() > 0; }, 10000);
    EXPECT_EQ(dialog.Seen(), 1);
    // "Файлы сеценариев", starting in the list's folder.
    EXPECT_EQ(FromWide(dialog.filter),
              "\xD4\xE0\xE9\xEB\xFB \xF1\xE5\xF6\xE5\xED\xE0\xF0\xE8\xE5\xE2");
    EXPECT_EQ(FromWide(dialog.folder), app + "Scripts");
  }
  EXPECT_EQ(ReadBytes(saved), macro);
  ASSERT_EQ(Edu->FileListBox1->Count(), 1);
  EXPECT_EQ(Edu->FileListBox1->Items(0), "fresh.rec");
  EXPECT_EQ(Edu->FileListBox1->ItemIndex(), -1);
  EXPECT_FALSE(JustRecorded);

  // Saved again under the same name: replaced without a question.
  WriteBytes(saved, "stale");
  {
    DialogDriver dialog(L"fresh");
    Click(Edu->Image5);
    PumpUntil([&] { return ReadBytes(saved) == macro; }, 10000);
    EXPECT_EQ(dialog.Seen(), 1);
  }
  EXPECT_EQ(ReadBytes(saved), macro);
  wchar_t after[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_EQ(std::wstring(after), std::wstring(current)) << "the dialog changed the current folder";

  // The list was read again, so Play opens the empty selection.
  Click(Edu->Image2);
  PumpUntil([&] { return !boxes.boxes.empty(); }, 3000);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Cannot open file "});
  EXPECT_EQ(StreamBytes(), macro);
  EXPECT_EQ(GlobalRecorder->State(), rsIdle);
  DeleteFileW(ToWide(saved).c_str());
  Edu->FileListBox1->Update();
}

TEST_F(EduFormTest, LoadPlaysTheSelectedFileAtTheSpeedOfTheBox) {
  ShowPage(Edu->Act);
  const std::string moves = app + "Scripts\\moves.rec";
  const std::string macro = MacroOf({{kMsgMouseMove, 700, 500, 0, 0},
                                     {kMsgMouseMove, 710, 510, 100, 0},
                                     {kMsgMouseMove, 720, 520, 200, 0}});
  WriteBytes(moves, macro);
  Edu->FileListBox1->Update();
  ASSERT_EQ(Edu->FileListBox1->Count(), 1);

  // Load without a selection does nothing.
  GlobalRecorder->Stream().Clear();
  Click(Edu->Image4);
  PumpFor(200);
  EXPECT_EQ(GlobalRecorder->State(), rsIdle);
  EXPECT_EQ(StreamBytes(), "");

  JustRecorded = true;
  RECT row{};
  SendMessageW(Edu->FileListBox1->Handle(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  ClickAt(ScreenCentre(Edu->FileListBox1->Handle(), row));
  PumpUntil([] { return Edu->FileListBox1->ItemIndex() == 0; }, 2000);
  EXPECT_FALSE(JustRecorded);
  EXPECT_EQ(Edu->FileListBox1->FileName(), moves);

  // Below 1: as fast as the system takes the input.
  Edu->SpinEdit1->SetValue(-5);
  Click(Edu->Image4);
  PumpUntil([] { return GlobalRecorder->State() == rsPlaying; }, 2000);
  EXPECT_EQ(GlobalRecorder->Speed(), 0);
  EXPECT_EQ(StreamBytes(), macro);
  EXPECT_TRUE(PumpUntil([] { return GlobalRecorder->State() == rsIdle; }, 5000));
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, 720);
  EXPECT_EQ(cursor.y, 520);

  // Play without a fresh recording loads the selected file too.
  GlobalRecorder->Stream().Clear();
  Edu->SpinEdit1->SetValue(250);
  Click(Edu->Image2);
  PumpUntil([] { return GlobalRecorder->State() == rsPlaying; }, 2000);
  EXPECT_EQ(GlobalRecorder->Speed(), 250);
  EXPECT_EQ(EduPlaybackSpeed(), 250);
  EXPECT_EQ(StreamBytes(), macro);
  GlobalRecorder->Stop();
  DeleteFileW(ToWide(moves).c_str());
  Edu->FileListBox1->Update();
}

TEST_F(EduFormTest, TheKeyboardReachesEveryBoxInOrder) {
  ShowPage(Edu->Answ);
  Edu->Edit1->SetFocus();
  const std::vector<TWinControl*> order = {Edu->Edit2,       Edu->Edit3,    Edu->Edit4, Edu->Memo1,
                                           Edu->AswSave_Btn, Edu->EduPages, Edu->Edit1};
  for (TWinControl* next : order) {
    TypeKey(VK_TAB);
    PumpUntil([next] { return FocusIn(next); }, 1500);
    EXPECT_TRUE(FocusIn(next)) << next->Name();
  }
  TypeKey(VK_TAB, {VK_CONTROL, VK_SHIFT});
  PumpUntil([] { return Edu->EduPages->ActivePage() == Edu->Act; }, 1500);
  EXPECT_EQ(Edu->EduPages->ActivePage(), Edu->Act);
  EXPECT_TRUE(FocusIn(Edu->FileListBox1));
}

}  // namespace
