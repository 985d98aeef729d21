// The teaching window as the program makes it, on a scratch application folder, driven
// through the system's input queue: its pages, file list and speed box, what it writes and
// loads, the recorder buttons, the save dialog, errors and the keyboard.
#include "EduForm.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "Handles.h"
#include "KnowledgeBase.h"
#include "Recorder.h"
#include "WideText.h"
#include "Win32TestSupport.h"

namespace {

const std::string kSeed = "HELLO\r\n!\r\nHi\r\n.\r\n";
// "Привет!", then lines ended by CR, LF and CR LF.
const std::string kGreetings = "\xCF\xF0\xE8\xE2\xE5\xF2!\rHi\nHey\r\n";
const std::string kDialog = "one\n\ntwo";

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(ToWide(path).c_str(), std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream file(ToWide(path).c_str(), std::ios::binary);
  if (!file) return "(missing)";
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void MakeFolder(const std::string& path) {
  std::filesystem::create_directories(ToWide(path));
}

// Types lower-case Latin letters, blanks and line breaks.
void TypeText(const std::string& text) {
  for (char c : text)
    TypeKey(c == ' ' ? VK_SPACE : c == '\n' ? VK_RETURN : static_cast<WORD>(c - 'a' + 'A'));
}

// The centre of a rectangle of a window (a tab, a row, a picture) on the screen.
POINT ScreenCentre(HWND window, RECT rect) {
  POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ClientToScreen(window, &point);
  return point;
}

std::string StreamBytes() {
  TMemoryStream& stream = GlobalRecorder->Stream();
  const auto* bytes = static_cast<const char*>(stream.Memory());
  return bytes ? std::string(bytes, static_cast<size_t>(stream.Size())) : std::string();
}

// The recorder's stream made a macro of one pointer move; its bytes.
std::string StreamOfOneMove(uint32_t x, uint32_t y) {
  std::string macro(kEventMsgSize, '\0');
  WriteEventMsg({kMsgMouseMove, x, y, 0, 0}, reinterpret_cast<uint8_t*>(macro.data()));
  GlobalRecorder->Stream().Clear();
  GlobalRecorder->Stream().WriteBuffer(macro.data(), static_cast<int64_t>(macro.size()));
  return macro;
}

int pageChanges = 0, fileChanges = 0;

class EduFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    InitRecorderModule();
    if (!DisplayAvailable()) return;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    // A new name each run: the save dialog remembers the folder it saved in last.
    app = FromWide(temp) + "qv-edu-" + std::to_string(GetTickCount64()) + "\\";
    MakeFolder(app + "Brain");
    MakeFolder(app + "Scripts");
    ResetFiles();
    SetEduApplicationFolder(app);
    // As the program does: the main window first, the teaching window after it.
    Application->CreateForm(mainForm);
    Application->CreateForm(Edu);
    Edu->EduPages->OnChange = [](TObject*) { ++pageChanges; };
    Edu->FileListBox1->OnChange = [](TObject* sender) {
      ++fileChanges;
      Edu->FileListBox1Click(sender);
    };
    Edu->Show();
  }
  static void TearDownTestSuite() {
    if (GlobalRecorder) GlobalRecorder->Stop();
    if (app.empty()) return;
    // Read-only entries too.
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ToWide(app), error))
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(ToWide(app), error);
  }
  static void ResetFiles() {
    WriteBytes(app + kAnswersFile, kSeed);
    WriteBytes(app + kGreetingsFile, kGreetings);
    WriteBytes(app + kDialogFile, kDialog);
  }

  void SetUp() override {
    if (!Edu) GTEST_SKIP() << "no display";
    GlobalRecorder->Stop();
    ResetFiles();
    Edu->FileListBox1->SetDirectory(app + "Scripts");
    Edu->FileListBox1->SetMask("*.rec");
    Edu->FileListBox1->Update();
    for (TEdit* edit : {Edu->Edit1, Edu->Edit2, Edu->Edit3, Edu->Edit4}) edit->Clear();
    Edu->Memo1->Clear();
    JustRecorded = false;
    Edu->SpinEdit1->SetValue(100);
    SetForegroundWindow(Edu->Handle());
    PumpUntil([] { return GetForegroundWindow() == Edu->Handle(); }, 2000);
    pageChanges = fileChanges = 0;
  }
  void TearDown() override {
    if (GlobalRecorder) GlobalRecorder->Stop();
    for (const auto& box : boxes.boxes) ADD_FAILURE() << "error box: " << box.text;
  }

  // The error boxes shown so far, taken as expected.
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    boxes.boxes.clear();
    return texts;
  }

  // A second click on one spot within the double-click time would be a double click.
  static void ClickAt(POINT at) {
    static POINT last{};
    static DWORD time = 0;
    if (at.x == last.x && at.y == last.y)
      PumpUntil([] { return GetTickCount() - time > GetDoubleClickTime(); }, 2000);
    ::ClickAt(at);
    last = at;
    time = GetTickCount();
  }
  static void Click(TWinControl* control) { ClickAt(CentreOf(control->Handle())); }
  static void Click(TControl* picture) {
    ClickAt(ScreenCentre(picture->Parent()->Handle(), picture->BoundsRect()));
  }
  // Item `index` of a list box or tab control, `message` its ..._GETITEMRECT.
  static void ClickItem(TWinControl* control, UINT message, int index) {
    RECT rect{};
    SendMessageW(control->Handle(), message, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&rect));
    ClickAt(ScreenCentre(control->Handle(), rect));
  }
  static void ShowPage(TTabSheet* page) {
    ClickItem(Edu->EduPages, TCM_GETITEMRECT, page->PageIndex());
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
  // Which pages show, one character each.
  static std::string ShownPages() {
    std::string shown;
    for (int i = 0; i < Edu->EduPages->PageCount(); ++i)
      shown += IsWindowVisible(Edu->EduPages->Pages(i)->Handle()) ? '1' : '0';
    return shown;
  }
  // The save picture clicked (or `open` run) and its dialog answered, from a timer that ticks
  // inside the dialog's loop, until done(): the first filter and folder noted, `name` typed
  // in (empty: Escape). A second dialog (a question not to be asked) gets No; one left open,
  // Cancel.
  struct Saved {
    std::vector<HWND> dialogs;
    std::wstring filter, folder;
  };
  static Saved SaveAs(const std::wstring& name, const std::function<bool()>& done,
                      const std::function<void()>& open = {}) {
    Saved saved;
    DWORD answered = 0;
    TTimer timer(nullptr);
    timer.SetInterval(100);
    timer.OnTimer = [&](TObject*) {
      HWND dialog = FindWindowW(L"#32770", nullptr);
      if (!dialog || !IsWindowVisible(dialog)) return;
      if (std::ranges::find(saved.dialogs, dialog) != saved.dialogs.end()) {
        if (GetTickCount() - answered > 2000) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      saved.dialogs.push_back(dialog);
      answered = GetTickCount();
      if (saved.dialogs.size() > 1) return (void)PostMessageW(dialog, WM_COMMAND, IDNO, 0);
      wchar_t text[MAX_PATH] = {};
      SendMessageW(GetDlgItem(dialog, cmb1), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
      saved.filter = text;
      SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(text));
      saved.folder = text;
      SetForegroundWindow(dialog);
      HWND box = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
      SetWindowTextW(box, name.c_str());
      SetFocus(box);
      TypeKey(name.empty() ? VK_ESCAPE : VK_RETURN);
    };
    open ? open() : Click(Edu->Image5);
    // Seen from here, out of the click, the dialog is closed.
    PumpUntil([&] { return !saved.dialogs.empty() && done(); }, 10000);
    return saved;
  }

  static std::string app;
  static TForm* mainForm;
  RecordingBoxes boxes;
};

std::string EduFormTest::app;
TForm* EduFormTest::mainForm = nullptr;

TEST_F(EduFormTest, ShowingLoadsBothListsAndReopeningLoadsThemAgain) {
  EXPECT_EQ(Edu->GreetMemo->Text(), "\xCF\xF0\xE8\xE2\xE5\xF2!\r\nHi\r\nHey\r\n");
  EXPECT_EQ(Edu->DlgMemo->Text(), "one\r\n\r\ntwo");

  Edu->SetBounds(60, 50, Edu->Width(), Edu->Height());
  Edu->GreetMemo->SetText("unsaved");
  Edu->FileListBox1->SetDirectory(app + "Brain");
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
  EXPECT_EQ(Edu->FileListBox1->Directory(), app + "Scripts");
  EXPECT_EQ(Edu->Edit1->Text(), "KEEP");

  // Without a Scripts folder showing ends before the lists, which keep their text.
  const std::string other = app + "Other\\";
  MakeFolder(other + "Brain");
  WriteBytes(other + kGreetingsFile, "other");
  WriteBytes(other + kDialogFile, "other");
  fileChanges = 0;
  SetEduApplicationFolder(other);
  GuardedCall([] { Edu->FormShow(Edu); });
  SetEduApplicationFolder(app);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"File not found."});
  EXPECT_EQ(Edu->GreetMemo->Text(), "new\r\nlist");
  EXPECT_EQ(Edu->FileListBox1->Directory(), app + "Scripts");
  EXPECT_EQ(fileChanges, 0);
}

TEST_F(EduFormTest, TheTabsShowOnePageAtATimeAndTheKeyboardGoesRound) {
  HWND tabs = Edu->EduPages->Handle();
  ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
  // Every page covers the display area below the tabs.
  const TRect area = Edu->EduPages->DisplayRect();
  EXPECT_GT(area.top, 10);
  for (int i = 0; i < 4; ++i) {
    wchar_t text[32] = {};
    TCITEMW item{TCIF_TEXT, 0, 0, text, 32, 0, 0};
    SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    TTabSheet* sheet = Edu->EduPages->Pages(i);
    EXPECT_EQ(FromWide(text), sheet->Caption());
    EXPECT_EQ(sheet->Top(), area.top);
    EXPECT_EQ(sheet->Height(), area.bottom - area.top);
    EXPECT_EQ(sheet->Width(), area.right - area.left);
  }
  Edu->EduPages->SetActivePage(Edu->Act);
  EXPECT_EQ(ShownPages(), "1000");
  ShowPage(Edu->Greet);
  EXPECT_EQ(pageChanges, 1);
  EXPECT_EQ(ShownPages(), "0010");
  // The arrow keys on the focused tabs.
  Edu->EduPages->SetFocus();
  TypeKey(VK_LEFT);
  PumpUntil([] { return pageChanges == 2; }, 2000);
  EXPECT_EQ(ShownPages(), "0100");

  Edu->Edit1->SetFocus();
  for (TWinControl* next :
       std::initializer_list<TWinControl*>{Edu->Edit2, Edu->Edit3, Edu->Edit4, Edu->Memo1,
                                           Edu->AswSave_Btn, Edu->EduPages, Edu->Edit1}) {
    TypeKey(VK_TAB);
    EXPECT_TRUE(PumpUntil([next] { return FocusIn(next); }, 1500)) << next->Name();
  }
  // Ctrl+Shift+Tab and Ctrl+Tab turn the pages, and the focus goes with them.
  TypeKey(VK_TAB, {VK_CONTROL, VK_SHIFT});
  EXPECT_TRUE(PumpUntil(
      [] { return Edu->EduPages->ActivePage() == Edu->Act && FocusIn(Edu->FileListBox1); }, 2000));
  TypeKey(VK_TAB, {VK_CONTROL});
  EXPECT_TRUE(PumpUntil(
      [] { return Edu->EduPages->ActivePage() == Edu->Answ && FocusIn(Edu->Edit1); }, 2000));
  // Chosen in code: no OnChange.
  Edu->EduPages->SetActivePage(Edu->Greet);
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(ShownPages(), "0010");
  EXPECT_EQ(pageChanges, 4);
}

TEST_F(EduFormTest, BlocksTypedIntoTheAnswerPageAreAppendedExactly) {
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
  std::string expected = "PRIVET\r\nKAK DELA\r\n!\r\none\r\ntwo\r\nfour\r\nfive\r\n.\r\n";
  EXPECT_EQ(AnswersTail(), expected);
  EXPECT_EQ(ReadBytes(app + kAnswersFile).substr(0, kSeed.size()), kSeed);
  for (TEdit* edit : {Edu->Edit1, Edu->Edit2, Edu->Edit3, Edu->Edit4}) EXPECT_EQ(edit->Text(), "");

  // "Это очень длинный ответ, который не помещается в одну строку поля": one line wrapped.
  const std::string text =
      "\xDD\xF2\xEE \xEE\xF7\xE5\xED\xFC \xE4\xEB\xE8\xED\xED\xFB\xE9 \xEE\xF2\xE2\xE5\xF2, "
      "\xEA\xEE\xF2\xEE\xF0\xFB\xE9 \xED\xE5 \xEF\xEE\xEC\xE5\xF9\xE0\xE5\xF2\xF1\xFF \xE2 "
      "\xEE\xE4\xED\xF3 \xF1\xF2\xF0\xEE\xEA\xF3 \xEF\xEE\xEB\xFF";
  Edu->Memo1->SetText(text);
  const int shown = Edu->Memo1->Lines()->Count();
  ASSERT_GE(shown, 2);
  ASSERT_LE(shown, 5);
  std::string joined;
  expected += "!\r\n";
  for (int i = 0; i < shown; ++i) {
    joined += Edu->Memo1->Lines()->Strings(i);
    expected += Edu->Memo1->Lines()->Strings(i) + "\r\n";
  }
  EXPECT_EQ(joined, text);
  ClickAndWait(Edu->AswSave_Btn, [] { return Edu->Memo1->Text().empty(); });
  expected += ".\r\n";
  EXPECT_EQ(AnswersTail(), expected);
  // Empty boxes: the bare markers.
  ClickAndWait(Edu->AswSave_Btn, [&] { return AnswersTail().size() > expected.size(); });
  EXPECT_EQ(AnswersTail(), expected + "!\r\n.\r\n");

  // Without the file: reported, and the boxes keep their text.
  DeleteFileW(ToWide(app + kAnswersFile).c_str());
  Edu->Edit2->SetText("KEY");
  Edu->Memo1->SetText("answer");
  ClickAndWait(Edu->AswSave_Btn, [&] { return !boxes.boxes.empty(); });
  EXPECT_EQ(Boxes(), std::vector<std::string>{"File not found."});
  EXPECT_EQ(Edu->Edit2->Text(), "KEY");
  EXPECT_EQ(Edu->Memo1->Text(), "answer");
  EXPECT_EQ(ReadBytes(app + kAnswersFile), "(missing)");
}

TEST_F(EduFormTest, TheListPagesWriteTheirBoxesExactly) {
  ShowPage(Edu->Greet);
  Edu->GreetMemo->SetText("");
  ClickAndWait(Edu->GreetSave_Btn, [&] { return ReadBytes(app + kGreetingsFile).empty(); });
  EXPECT_EQ(ReadBytes(app + kGreetingsFile), "");

  ShowPage(Edu->Dlg);
  // "Раз" and "Два".
  const std::string lines = "\xD0\xE0\xE7\r\n\xC4\xE2\xE0\r\n";
  Edu->DlgMemo->SetText(lines);
  ClickAndWait(Edu->DlgSave_Btn, [&] { return ReadBytes(app + kDialogFile) == lines; });
  EXPECT_EQ(ReadBytes(app + kDialogFile), lines);
}

TEST_F(EduFormTest, TheFileListShowsEveryMatchingEntryOfItsFolder) {
  ShowPage(Edu->Act);
  const std::string dir = app + "Macros";
  MakeFolder(dir + "\\folder.rec");
  for (const char* name :
       {"plain.rec", "hidden.rec", "system.rec", "other.txt", "\xEC\xE0\xEA\xF0\xEE.rec"})
    WriteBytes(dir + "\\" + name, "x");
  SetFileAttributesW(ToWide(dir + "\\hidden.rec").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(ToWide(dir + "\\system.rec").c_str(),
                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  TFileListBox* files = Edu->FileListBox1;
  auto listed = [files] {
    std::vector<std::string> names;
    HWND list = files->Handle();
    for (int i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
      std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      names.push_back(FromWide(text));
    }
    return names;
  };

  files->SetDirectory(dir);
  EXPECT_EQ(fileChanges, 1);
  // In the system's order: the list's names are the enumeration's.
  std::vector<std::string> expected;
  WIN32_FIND_DATAW found{};
  const FindHandle find(FindFirstFileW(ToWide(dir + "\\*.rec").c_str(), &found));
  for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &found))
    expected.push_back(FromWide(found.cFileName));
  EXPECT_EQ(expected.size(), 5u);
  EXPECT_EQ(listed(), expected);

  // A click selects; FileName is the entry's full path.
  JustRecorded = true;
  ClickItem(Edu->FileListBox1, LB_GETITEMRECT, 1);
  PumpUntil([] { return fileChanges == 2; }, 2000);
  EXPECT_EQ(files->ItemIndex(), 1);
  EXPECT_EQ(files->FileName(), dir + "\\" + expected[1]);
  EXPECT_FALSE(JustRecorded);

  // The same folder, written otherwise, is not read again.
  files->SetDirectory(AnsiUpperCase(dir));
  EXPECT_EQ(fileChanges, 2);
  EXPECT_EQ(files->ItemIndex(), 1);

  // Reading again finds new entries and clears the selection; two masks list both kinds.
  WriteBytes(dir + "\\new.rec", "");
  files->Update();
  EXPECT_EQ(fileChanges, 3);
  EXPECT_EQ(files->ItemIndex(), -1);
  EXPECT_EQ(files->Count(), 6);
  files->SetMask("*.txt; *.rec");
  EXPECT_EQ(fileChanges, 4);
  EXPECT_EQ(listed().front(), "other.txt");
  EXPECT_EQ(files->Count(), 7);
}

TEST_F(EduFormTest, TheSpeedBoxStepsWithoutBounds) {
  ShowPage(Edu->Act);
  TSpinEdit* spin = Edu->SpinEdit1;
  RECT rect{};
  GetWindowRect(spin->Button()->Handle(), &rect);
  const int x = (rect.left + rect.right) / 2;
  ClickAt(POINT{x, rect.top + 2});
  PumpUntil([&] { return spin->Text() == "101"; }, 2000);
  EXPECT_EQ(spin->Text(), "101");
  EXPECT_TRUE(FocusIn(spin));
  ClickAt(POINT{x, rect.bottom - 3});
  PumpFor(100);
  ClickAt(POINT{x, rect.bottom - 3});
  PumpUntil([&] { return spin->Text() == "99"; }, 2000);
  EXPECT_EQ(spin->Value(), 99);
  // The arrow keys step too; letters are not taken.
  TypeKey(VK_UP);
  TypeText("x");
  PumpUntil([&] { return spin->Text() == "100"; }, 2000);
  EXPECT_EQ(spin->Text(), "100");
  spin->SetValue(0);
  TypeKey(VK_DOWN);
  TypeKey(VK_DOWN);
  PumpUntil([&] { return spin->Value() == -2; }, 2000);
  EXPECT_EQ(spin->Text(), "-2");
  spin->SetValue(INT_MAX);
  spin->Step(1);
  EXPECT_EQ(spin->Value(), INT_MAX);
  spin->SetValue(INT_MIN);
  spin->Step(-1);
  EXPECT_EQ(spin->Value(), INT_MIN);

  // A text that is no number keeps the last value, and is put back when the focus leaves.
  spin->SetValue(42);
  spin->SetText("4x");
  EXPECT_EQ(spin->Value(), 42);
  spin->SetText("");
  EXPECT_EQ(spin->Value(), 42);
  Edu->FileListBox1->SetFocus();
  PumpFor(50);
  EXPECT_EQ(spin->Text(), "42");
}

TEST_F(EduFormTest, ARecordingIsSavedUnderANewNameAndListed) {
  ShowPage(Edu->Act);
  Click(Edu->Image1);
  ASSERT_TRUE(PumpUntil([] { return GlobalRecorder->State() == rsRecording; }, 2000));
  EXPECT_TRUE(JustRecorded);
  PumpFor(100);
  Click(Edu->Image3);
  ASSERT_TRUE(PumpUntil([] { return GlobalRecorder->State() == rsIdle; }, 2000));
  const std::string macro = StreamBytes();
  EXPECT_GT(macro.size(), 0u);
  wchar_t current[MAX_PATH] = {}, after[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);

  // Cancelled: nothing is written and the list is not read again.
  const Saved cancelled = SaveAs(L"", [] { return true; });
  EXPECT_EQ(cancelled.dialogs.size(), 1u);
  EXPECT_EQ(fileChanges, 0);
  EXPECT_TRUE(JustRecorded);
  // "Файлы сеценариев", starting in the list's folder.
  EXPECT_EQ(FromWide(cancelled.filter),
            "\xD4\xE0\xE9\xEB\xFB \xF1\xE5\xF6\xE5\xED\xE0\xF0\xE8\xE5\xE2");
  EXPECT_EQ(FromWide(cancelled.folder), app + "Scripts");

  const std::string saved = app + "Scripts\\fresh.rec";
  EXPECT_EQ(SaveAs(L"fresh", [] { return Edu->FileListBox1->Count() > 0; }).dialogs.size(), 1u);
  EXPECT_EQ(ReadBytes(saved), macro);
  ASSERT_EQ(Edu->FileListBox1->Count(), 1);
  EXPECT_EQ(Edu->FileListBox1->Items(0), "fresh.rec");
  EXPECT_FALSE(JustRecorded);

  // Saved again under the same name: replaced without a question.
  WriteBytes(saved, "stale");
  EXPECT_EQ(SaveAs(L"fresh", [&] { return ReadBytes(saved) == macro; }).dialogs.size(), 1u);
  EXPECT_EQ(ReadBytes(saved), macro);
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_EQ(std::wstring(after), std::wstring(current)) << "the dialog changed the current folder";

  // The list was read again, so Play opens the empty selection.
  Click(Edu->Image2);
  PumpUntil([&] { return !boxes.boxes.empty(); }, 3000);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Cannot open file "});
  EXPECT_EQ(StreamBytes(), macro);
  EXPECT_EQ(GlobalRecorder->State(), rsIdle);
  DeleteFileW(ToWide(saved).c_str());
}

TEST_F(EduFormTest, AFailedSaveLeavesTheOldMacroWholeAndSaysWhy) {
  ShowPage(Edu->Act);
  const std::string macro = StreamOfOneMove(600, 400), held = app + "Scripts\\held.rec";
  WriteBytes(held, "old macro");
  JustRecorded = true;
  // Held by another program: letting no one write it, the file cannot be created and the list
  // is not read again; letting others write but not replace it, the copy fails at its last
  // step and the list is read again. The old file stays whole, with nothing left beside it.
  const std::tuple<DWORD, std::string, int> holds[] = {
      {0, "Cannot create file " + held + ".", 0},
      {FILE_SHARE_READ | FILE_SHARE_WRITE, "File access denied.", 1}};
  for (const auto& [share, box, changes] : holds) {
    fileChanges = 0;
    {
      const FileHandle hold(CreateFileW(ToWide(held).c_str(), GENERIC_READ, share, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      SaveAs(L"held", [&] { return !boxes.boxes.empty(); });
    }
    EXPECT_EQ(Boxes(), std::vector<std::string>{box});
    EXPECT_EQ(fileChanges, changes);
    EXPECT_EQ(JustRecorded, changes == 0);
    EXPECT_EQ(ReadBytes(held), "old macro");
    EXPECT_EQ(ReadBytes(held + ".tmp"), "(missing)");
  }
  SaveAs(L"held", [&] { return ReadBytes(held) == macro; });
  EXPECT_EQ(ReadBytes(held), macro);
  DeleteFileW(ToWide(held).c_str());
}

// A list that never had its folder (the Scripts folder was missing when the window was
// shown): a save still reads it again, so Play opens the empty selection instead of
// replaying the stream.
TEST_F(EduFormTest, ASaveWithoutTheScriptsFolderStillEndsTheFreshRecording) {
  const std::unique_ptr<TEdu> unshown(NewForm<TEdu>(nullptr));
  ASSERT_EQ(unshown->FileListBox1->Directory(), "");
  const std::string macro = StreamOfOneMove(610, 410), saved = app + "Scripts\\orphan.rec";
  JustRecorded = true;
  SaveAs(
      ToWide(saved), [&] { return ReadBytes(saved) == macro; },
      [&] { GuardedCall([&] { unshown->Save_BClick(unshown.get()); }); });
  EXPECT_EQ(ReadBytes(saved), macro);
  EXPECT_FALSE(JustRecorded);
  GuardedCall([&] { unshown->BTNPlayClick(unshown.get()); });
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Cannot open file "});
  EXPECT_EQ(GlobalRecorder->State(), rsIdle);
  DeleteFileW(ToWide(saved).c_str());
}

TEST_F(EduFormTest, LoadPlaysTheSelectedFileAtTheSpeedOfTheBox) {
  ShowPage(Edu->Act);
  const std::string moves = app + "Scripts\\moves.rec";
  std::string macro(3 * kEventMsgSize, '\0');
  for (uint32_t i = 0; i < 3; ++i)
    WriteEventMsg({kMsgMouseMove, 700 + 10 * i, 500 + 10 * i, 100 * i, 0},
                  reinterpret_cast<uint8_t*>(macro.data()) + i * kEventMsgSize);
  WriteBytes(moves, macro);
  Edu->FileListBox1->Update();
  ASSERT_EQ(Edu->FileListBox1->Count(), 1);

  // Load without a selection does nothing.
  GlobalRecorder->Stream().Clear();
  Click(Edu->Image4);
  PumpFor(200);
  EXPECT_EQ(GlobalRecorder->State(), rsIdle);
  EXPECT_EQ(StreamBytes(), "");

  ClickItem(Edu->FileListBox1, LB_GETITEMRECT, 0);
  PumpUntil([] { return Edu->FileListBox1->ItemIndex() == 0; }, 2000);
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

  // Play replays the recorder's stream after a recording, and loads the selected file else.
  Edu->SpinEdit1->SetValue(250);
  for (bool fresh : {true, false}) {
    GlobalRecorder->Stop();
    GlobalRecorder->Stream().Clear();
    GlobalRecorder->Stream().Write(macro.data(), kEventMsgSize);
    GlobalRecorder->SetSpeed(100);
    JustRecorded = fresh;
    Click(Edu->Image2);
    PumpUntil([] { return GlobalRecorder->Speed() == 250; }, 2000);
    EXPECT_EQ(GlobalRecorder->Speed(), 250);
    EXPECT_EQ(StreamBytes(), fresh ? macro.substr(0, kEventMsgSize) : macro) << fresh;
  }
  DeleteFileW(ToWide(moves).c_str());
}

}  // namespace
