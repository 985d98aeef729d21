// The page control, file list and spin edit on a form built in code, driven
// through the system's input queue.
#include <windows.h>

#include <commctrl.h>

#include <climits>
#include <string>
#include <vector>

#include "ComCtrls.h"
#include "FileCtrl.h"
#include "Forms.h"
#include "Spin.h"
#include "Platform.h"
#include "TeachTestSupport.h"

namespace {

// "Первая", "Вторая", "Третья" in Windows-1251.
const char* const kCaptions[] = {"\xCF\xE5\xF0\xE2\xE0\xFF", "\xC2\xF2\xEE\xF0\xE0\xFF",
                                 "\xD2\xF0\xE5\xF2\xFC\xFF"};

class TControlsForm : public TForm {
 public:
  using TForm::TForm;

  TPageControl* Pages = nullptr;
  TTabSheet* Sheets[3] = {};
  TEdit* Edits[3] = {};
  TFileListBox* Files = nullptr;
  TSpinEdit* Spin = nullptr;
  int pageChanges = 0, fileChanges = 0;

 protected:
  void CreateComponents() override {
    SetBorderStyle(bsToolWindow);
    SetBounds(300, 200, 420, 220);
    Pages = new TPageControl(this);
    Pages->SetParent(this);
    for (int i = 0; i < 3; ++i) {
      Sheets[i] = new TTabSheet(this);
      Sheets[i]->SetPageControl(Pages);
      Edits[i] = new TEdit(this);
      Edits[i]->SetParent(Sheets[i]);
    }
    Files = new TFileListBox(this);
    Files->SetParent(this);
    Spin = new TSpinEdit(this);
    Spin->SetParent(this);
  }
  void ReadProperties() override {
    Pages->SetBounds(0, 0, 250, 150);
    for (int i = 0; i < 3; ++i) {
      Sheets[i]->SetCaption(kCaptions[i]);
      Edits[i]->SetBounds(10, 10 + 20 * i, 100, 20);
    }
    Pages->OnChange = [this](TObject*) { ++pageChanges; };
    Files->SetBounds(260, 10, 140, 120);
    Files->OnChange = [this](TObject*) { ++fileChanges; };
    Spin->SetBounds(260, 140, 60, 22);
  }
};

class TeachControlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    if (!DisplayAvailable()) return;
    shared = NewForm<TControlsForm>(nullptr);
    shared->Show();
  }
  static void TearDownTestSuite() {
    delete shared;
    shared = nullptr;
  }
  void SetUp() override {
    if (!shared) GTEST_SKIP() << "no display";
    form = shared;
    SetForegroundWindow(form->Handle());
    PumpUntil([&] { return GetForegroundWindow() == form->Handle(); }, 2000);
    form->pageChanges = form->fileChanges = 0;
  }
  void TearDown() override {
    if (!boxes.boxes.empty()) ADD_FAILURE() << "error box: " << boxes.boxes.front().text;
  }

  POINT TabCentre(int index) {
    RECT rect{};
    SendMessageW(form->Pages->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&rect));
    return ScreenCentre(form->Pages->Handle(), rect);
  }
  std::vector<bool> ShownPages() {
    std::vector<bool> shown;
    for (TTabSheet* sheet : form->Sheets) shown.push_back(IsWindowVisible(sheet->Handle()) != 0);
    return shown;
  }
  std::vector<std::string> ListedNames() {
    std::vector<std::string> names;
    HWND list = form->Files->Handle();
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      names.push_back(FromWide(text));
    }
    return names;
  }
  static bool FocusIn(TWinControl* control) { return GetFocus() == control->Handle(); }

  static TControlsForm* shared;
  RecordingBoxes boxes;
  TControlsForm* form = nullptr;
};

TControlsForm* TeachControlsTest::shared = nullptr;

TEST_F(TeachControlsTest, OnePageShowsAtATimeAndFollowsTheTabs) {
  HWND tabs = form->Pages->Handle();
  ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
  for (int i = 0; i < 3; ++i) {
    wchar_t text[32] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(FromWide(text), kCaptions[i]);
  }
  EXPECT_TRUE(GetWindowLongPtrW(tabs, GWL_STYLE) & TCS_FLATBUTTONS);
  EXPECT_EQ(form->Pages->ActivePage(), form->Sheets[0]);
  EXPECT_EQ(ShownPages(), (std::vector<bool>{true, false, false}));
  // Every page covers the display area below the tabs.
  const TRect area = form->Pages->DisplayRect();
  EXPECT_GT(area.top, 10);
  for (TTabSheet* sheet : form->Sheets) {
    EXPECT_EQ(sheet->Top(), area.top);
    EXPECT_EQ(sheet->Height(), area.bottom - area.top);
    EXPECT_EQ(sheet->Width(), area.right - area.left);
  }

  ClickAt(TabCentre(2));
  PumpUntil([&] { return form->pageChanges == 1; }, 2000);
  EXPECT_EQ(form->pageChanges, 1);
  EXPECT_EQ(form->Pages->ActivePage(), form->Sheets[2]);
  EXPECT_EQ(ShownPages(), (std::vector<bool>{false, false, true}));

  // The arrow keys on the focused tabs.
  form->Pages->SetFocus();
  TypeKey(VK_LEFT);
  PumpUntil([&] { return form->pageChanges == 2; }, 2000);
  EXPECT_EQ(form->Pages->ActivePage(), form->Sheets[1]);
  EXPECT_EQ(ShownPages(), (std::vector<bool>{false, true, false}));

  // Chosen in code: no OnChange.
  form->Pages->SetActivePage(form->Sheets[0]);
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(ShownPages(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(form->pageChanges, 2);
}

TEST_F(TeachControlsTest, TheFileListShowsEveryMatchingEntryOfItsFolder) {
  ScratchFolder folder("qv-files");
  const std::string dir = folder.Path() + "Macros";
  CreateDirectoryW(ToWide(dir).c_str(), nullptr);
  for (const char* name :
       {"plain.rec", "hidden.rec", "system.rec", "other.txt", "\xEC\xE0\xEA\xF0\xEE.rec"})
    WriteBytes(dir + "\\" + name, "x");
  SetFileAttributesW(ToWide(dir + "\\hidden.rec").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(ToWide(dir + "\\system.rec").c_str(),
                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  CreateDirectoryW(ToWide(dir + "\\folder.rec").c_str(), nullptr);

  form->Files->SetMask("*.rec");
  form->Files->SetDirectory(dir);
  EXPECT_EQ(form->fileChanges, 1);
  // In the system's order: the list's names are the enumeration's.
  std::vector<std::string> expected;
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW(ToWide(dir + "\\*.rec").c_str(), &found);
  do expected.push_back(FromWide(found.cFileName));
  while (FindNextFileW(find, &found));
  FindClose(find);
  EXPECT_EQ(expected.size(), 5u);
  EXPECT_EQ(ListedNames(), expected);
  EXPECT_EQ(form->Files->ItemIndex(), -1);
  EXPECT_EQ(form->Files->FileName(), "");

  // A click selects; FileName is the entry's full path.
  RECT row{};
  SendMessageW(form->Files->Handle(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  ClickAt(ScreenCentre(form->Files->Handle(), row));
  PumpUntil([&] { return form->fileChanges == 2; }, 2000);
  EXPECT_EQ(form->Files->ItemIndex(), 1);
  EXPECT_EQ(form->Files->FileName(), dir + "\\" + expected[1]);

  // The same folder, written otherwise, is not read again.
  form->Files->SetDirectory(AnsiUpperCase(dir));
  EXPECT_EQ(form->fileChanges, 2);
  EXPECT_EQ(form->Files->ItemIndex(), 1);

  // A missing folder fails and changes nothing.
  try {
    form->Files->SetDirectory(folder.Path() + "Missing");
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), ERROR_FILE_NOT_FOUND) << e.Message();
  }
  EXPECT_EQ(form->Files->Directory(), dir);
  EXPECT_EQ(form->Files->ItemIndex(), 1);
  EXPECT_EQ(form->fileChanges, 2);

  // Reading again finds new entries and clears the selection; two masks list both kinds.
  WriteBytes(dir + "\\new.rec", "");
  form->Files->Update();
  EXPECT_EQ(form->fileChanges, 3);
  EXPECT_EQ(form->Files->ItemIndex(), -1);
  EXPECT_EQ(form->Files->Count(), 6);
  form->Files->SetMask("*.txt; *.rec");
  EXPECT_EQ(form->fileChanges, 4);
  EXPECT_EQ(ListedNames().front(), "other.txt");
  EXPECT_EQ(form->Files->Count(), 7);
  form->Files->SetItemIndex(0);
  EXPECT_EQ(form->fileChanges, 5);
  EXPECT_EQ(form->Files->FileName(), dir + "\\other.txt");
}

TEST_F(TeachControlsTest, TheSpinEditStepsWithoutBounds) {
  TSpinEdit* spin = form->Spin;
  spin->SetValue(100);
  HWND button = spin->Button()->Handle();
  RECT rect{};
  GetWindowRect(button, &rect);
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
  spin->SetFocus();
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
  form->Edits[0]->SetFocus();
  form->Pages->SetActivePage(form->Sheets[0]);
  form->Edits[0]->SetFocus();
  PumpFor(50);
  EXPECT_EQ(spin->Text(), "42");
  spin->SetText("-17");
  EXPECT_EQ(spin->Value(), -17);
}

}  // namespace
