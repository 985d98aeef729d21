#include "Main.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "AbtForm.h"
#include "AnswerEngine.h"
#include "AssetIds.h"
#include "Captions.h"
#include "CharacterMenu.h"
#include "EduForm.h"
#include "Handles.h"
#include "Paths.h"
#include "Scaling.h"
#include "StrCon.h"
#include "SysUtils.h"
#include "WideText.h"

TMainForm* MainForm = nullptr;

namespace {

// The conversation's state: the application folder, the question, the keyword, the answer.
TAnswerEngine engine;

// The names behind the Plugins and Run entries; an entry's tag is its index here.
std::unique_ptr<TStringList> PluginNames;
std::unique_ptr<TStringList> ScriptNames;

// An entry found in a folder: the name the file calls take (system code page), and the name
// as shown (Windows-1251 text).
struct FoundName {
  std::string file;
  std::string shown;
};

// The names in `folder` matching `mask`, every kind of entry (files of any attribute and
// folders), in the order the system lists them. A missing folder has none.
std::vector<FoundName> FindNames(const TPath& folder, const char* mask) {
  std::vector<FoundName> names;
  WIN32_FIND_DATAW found{};
  FindHandle search(FindFirstFileW(PathToWide(folder + mask).c_str(), &found));
  if (!search) return names;
  do {
    const std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back({NameFromWide(found), FromWide(name)});
  } while (FindNextFileW(search.get(), &found));
  return names;
}

// The entry's name from its tag, through the list the submenu was built from.
const std::string& NameOfEntry(TObject* sender, const TStringList* names) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (!item || !names) throw EListError(-1);
  return (*names)[static_cast<int>(item->Tag())];
}

// A file named in plugin.ini, inside the plugin's own folder; anything that would leave
// the folder is refused as a file that cannot be opened.
// The name comes from a narrow profile call, in the system's code page.
TPath PluginFile(const TPath& folder, const std::string& name) {
  const TPath path = folder + "\\" + name;
  if (!name.empty() && !IsNameWithinFolder(name)) throw EFOpenError(path);
  return path;
}

std::string ProfileString(const TPath& ini, const char* section, const char* key,
                          const char* fallback) {
  char value[2048] = {};
  DWORD length = GetPrivateProfileStringA(section, key, fallback, value, sizeof value, ini.CStr());
  return std::string(value, length);
}

}  // namespace

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner) {
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnPaint = [this](TObject* sender) { FormPaint(sender); };
}

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}

TMenuItem* TMainForm::NewItem(const std::string& caption, TNotifyEvent onClick) {
  auto* item = new TMenuItem(this);
  item->SetCaption(caption);
  item->OnClick = std::move(onClick);
  return item;
}

void TMainForm::CreateComponents() {
  SkinForm1 = new TSkinForm(this);
  SkinForm1->SetParent(this);
  Edit1 = new TEdit(this);
  Edit1->SetParent(this);
  BarPopupMenu1 = new TBarPopupMenu(this);
  Maximize1 = NewItem(kRestore, [this](TObject* s) { ApplicationRestore(s); });
  Minimize1 = NewItem(kMinimize, [this](TObject* s) { ApplicationMinimize(s); });
  Educate1 = NewItem(kTeach, [this](TObject* s) { EduClick(s); });
  Exit1 = NewItem(kExit, [this](TObject* s) { ExitClick(s); });
  Plugins1 = NewItem("Plugins...", nullptr);
  MenuLine = NewItem("-", nullptr);
  Minimize = new TImage(this);
  Minimize->SetParent(this);
  OnlyOne = new TSingleInstance(this);
  Answer = new TTextFader(this);
  Answer->SetParent(this);
  TaskL = NewItem(kRun, nullptr);
  KeepOnTop = new TStayOnTop(this);
  TaskbarIcon = new TTrayIcon(this);
  About_B = new TImage(this);
  About_B->SetParent(this);
  Close_B = new TImage(this);
  Close_B->SetParent(this);
  PlayWave = new TWavePlayer(this);
  FullScreen = new TFullScreenWatch(this);
}

void TMainForm::ReadProperties() {
  SetName("MainForm");
  const std::pair<TComponent*, const char*> names[] = {
      {SkinForm1, "SkinForm1"}, {Edit1, "Edit1"},         {BarPopupMenu1, "BarPopupMenu1"},
      {Maximize1, "Maximize1"}, {Minimize1, "Minimize1"}, {Educate1, "Educate1"},
      {Exit1, "Exit1"},         {Plugins1, "Plugins1"},   {MenuLine, "MenuLine"},
      {Minimize, "Minimize"},   {OnlyOne, "OnlyOne"},     {Answer, "Answer"},
      {TaskL, "TaskL"},         {KeepOnTop, "KeepOnTop"}, {TaskbarIcon, "TaskbarIcon"},
      {About_B, "About_B"},     {Close_B, "Close_B"},     {PlayWave, "PlayWave"}};
  for (const auto& [component, name] : names) component->SetName(name);

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  SetPosition(poDesktopCenter);
  SetClientWidth(162);
  SetClientHeight(251);
  SetColor(clBtnFace);
  Font()->SetName("MS Sans Serif");
  Font()->SetHeight(-11);
  SetPopupMenu(BarPopupMenu1);
  Icon()->LoadFromResourceID(instance, IDI_MAIN, 16);
  SetCaption("Quelvoran");

  SkinForm1->SetBounds(0, 0, 162, 251);
  SkinForm1->Picture()->Bitmap()->LoadFromResourceID(instance, IDB_CHARACTER);
  ReadMaskResource(*SkinForm1, instance, IDR_CHARACTER_MASK2);
  SkinForm1->OnDragEnd = [this](TObject*) { KeepOnScreen(); };

  auto glyph = [instance](TImage* image, int left, int id, TNotifyEvent onClick) {
    image->SetBounds(left, 5, 10, 10);
    image->Picture()->Bitmap()->LoadFromResourceID(instance, id);
    image->SetTransparent(true);
    image->SetCursor(crHandPoint);
    image->OnClick = std::move(onClick);
  };
  glyph(Minimize, 131, IDB_MINIMIZE, [this](TObject* s) { ApplicationMinimize(s); });
  glyph(About_B, 119, IDB_ABOUT, [this](TObject* s) { About_BClick(s); });
  glyph(Close_B, 144, IDB_CLOSE, [this](TObject* s) { ExitClick(s); });

  Answer->SetBounds(14, 16, 134, 54);
  Answer->SetColor(clWhite);
  Answer->SetParentColor(false);
  Answer->SetTransparent(true);

  Edit1->SetBounds(8, 231, 145, 14);
  Edit1->SetBorderStyle(bsNone);
  Edit1->SetAutoSize(false);
  Edit1->SetColor(clBlack);
  Edit1->Font()->SetName("MS Sans Serif");
  Edit1->Font()->SetHeight(-11);
  Edit1->Font()->SetColor(clLime);
  Edit1->SetTabOrder(0);
  Edit1->OnKeyDown = [this](TObject* s, WORD& key, TShiftState shift) {
    Edit1KeyDown(s, key, shift);
  };

  StyleCharacterMenu(BarPopupMenu1);
  BarPopupMenu1->OnPopup = [this](TObject* s) { BarPopupMenu1Popup(s); };
  for (TMenuItem* item : {Maximize1, Minimize1, Educate1, Plugins1, TaskL, MenuLine, Exit1})
    BarPopupMenu1->Items()->Add(item);
  Maximize1->SetEnabled(false);

  OnlyOne->SetGoToPrevious(false);
  OnlyOne->SetTerminate(true);
  OnlyOne->SetShowMessage(false);

  TaskbarIcon->Icon()->LoadFromResourceID(instance, IDI_TRAY, 16);
  TaskbarIcon->SetHint(kDisplayName);
  TaskbarIcon->SetPopupMenu(BarPopupMenu1);
}

void TMainForm::Loaded() {
  TForm::Loaded();
  FollowDpi(TDpiRule::Whole);
  DpiChanged();
}

void TMainForm::DpiChanged() {
  StyleCharacterMenu(BarPopupMenu1, DpiLayout().Dpi());
  // The speech area shows the display lines as at 96 DPI, each on as many rows.
  const int k = SkinForm1->PixelScale();
  if (k > 1) Answer->Font()->SetHeight(FittedFontHeight(*Font(), -11, k));
}

void TMainForm::FormCreate(TObject*) {
  engine.SetAppFolder(ApplicationFolder());
  TaskbarIcon->SetVisible(true);
  LayoutMemo = new TMemo(this);
  LayoutMemo->SetParent(this);
  LayoutMemo->SetVisible(false);
  LayoutMemo->SetBounds(0, 0, 460, 36);
  LayoutMemo->SetAlignment(taCenter);
  LayoutMemo->SetBorderStyle(bsNone);
  LayoutMemo->SetColor(clBtnFace);
  LayoutMemo->SetWordWrap(true);
  LayoutMemo->Font()->Assign(Font());
  // Never scaled: an answer breaks into the same display lines at every DPI.
  LayoutMemo->Font()->SetHeight(-11);
  LayoutMemo->SetTabStop(false);
  engine.Greet();
  BuildPluginMenu();
  BuildScriptMenu();
  ShowAnswer();
}

void TMainForm::ShowAnswer() {
  TMemoLines* layout = LayoutMemo->Lines();
  layout->Clear();
  layout->Add(engine.Answer());
  Answer->SetActive(true);
  Answer->Reset();
  TStringList* lines = Answer->Lines();
  lines->Clear();
  for (int i = 0; i < layout->Count(); ++i) lines->Add(layout->Strings(i));
}

void TMainForm::KeepOnScreen() {
  RECT window{}, field{};
  if (!HandleAllocated() || !GetWindowRect(Handle(), &window)) return;
  if (Edit1->HandleAllocated()) GetWindowRect(Edit1->Handle(), &field);
  const DeskPoint move = MoveOnScreen(DisplayMonitors(), ToDeskRect(window), ToDeskRect(field));
  if (move != DeskPoint{}) SetBounds(window.left + move.x, window.top + move.y, Width(), Height());
  // The window may be on another monitor now, or the monitor another size.
  if (FullScreen) FullScreen->Check();
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DISPLAYCHANGE || (message == WM_SETTINGCHANGE && wParam == SPI_SETWORKAREA))
    KeepOnScreen();
  return TForm::HandleMessage(message, wParam, lParam);
}

void TMainForm::Edit1KeyDown(TObject*, WORD& Key, TShiftState) {
  if (Key != VK_RETURN) return;
  std::string field = Edit1->Text();
  const bool close = engine.AnswerQuestion(field);
  Edit1->SetText(field);
  ShowAnswer();
  Edit1->SetFocus();
  if (close) Close();
}

void TMainForm::ApplicationMinimize(TObject*) {
  ShowWindow(Application->Handle(), SW_HIDE);
  Maximize1->SetEnabled(true);
  Minimize1->SetEnabled(false);
  Hide();
}

void TMainForm::ApplicationRestore(TObject*) {
  ShowWindow(Application->Handle(), SW_HIDE);
  Minimize1->SetEnabled(true);
  Maximize1->SetEnabled(false);
  Show();
}

void TMainForm::FormPaint(TObject*) {
  // The program never keeps a taskbar button. Every fader frame paints this form into its
  // snapshot: a hidden window is left alone instead of asked again.
  HWND application = Application->Handle();
  if (IsWindowVisible(application)) ShowWindow(application, SW_HIDE);
}

void TMainForm::EduClick(TObject*) {
  if (Edu) Edu->Show();
}

void TMainForm::About_BClick(TObject*) {
  if (About) About->Show();
}

void TMainForm::ExitClick(TObject*) {
  PluginNames.reset();
  Close();
}

void TMainForm::BarPopupMenu1Popup(TObject*) {
  TaskL->Clear();
  BuildScriptMenu();
}

void TMainForm::FillSubmenu(TMenuItem* parent, std::unique_ptr<TStringList>& names,
                            const char* folder, const char* mask, const TNotifyEvent& onClick) {
  names = std::make_unique<TStringList>();
  const std::vector<FoundName> found = FindNames(engine.AppFolder() + folder, mask);
  for (int i = 0; i < static_cast<int>(found.size()); ++i) {
    names->Add(found[i].file);
    TMenuItem* item = NewItem(FileBaseName(found[i].shown), onClick);
    item->SetTag(i);
    parent->Add(item);
  }
}

void TMainForm::BuildPluginMenu() {
  FillSubmenu(Plugins1, PluginNames, "Plugins\\", "*.plg", [this](TObject* s) { PluginClick(s); });
}

void TMainForm::BuildScriptMenu() {
  FillSubmenu(TaskL, ScriptNames, "Scripts\\", "*.rec", [this](TObject* s) { ScriptClick(s); });
}

void TMainForm::PluginClick(TObject* Sender) {
  const TPath folder = engine.AppFolder() + "Plugins\\" + NameOfEntry(Sender, PluginNames.get());
  const TPath ini = folder + "\\plugin.ini";
  PluginImage = std::make_unique<TBitmap>();
  PluginImage->SetTransparent(true);
  PluginImage->LoadFromFile(PluginFile(folder, ProfileString(ini, "PLUGIN", "ImgName", "")));
  // Placed and drawn k times as large, as the character is.
  const int k = SkinForm1->PixelScale();
  const int top = StrToIntDef(ProfileString(ini, "PLUGIN", "PTop", ""), 0);
  const int left = StrToIntDef(ProfileString(ini, "PLUGIN", "PLeft", ""), 0);
  {
    TBitmap scaled;
    ScaleBitmap(scaled, *PluginImage, k);
    WindowDC dc(Handle());
    TCanvas canvas;
    CanvasDC drawing(canvas, dc.dc());
    canvas.Draw(left * k, top * k, &scaled);
  }
  if (ProfileString(ini, "SOUND", "Wav", "False") != "True") return;
  PlayWave->Sound()->LoadFromFile(PluginFile(folder, ProfileString(ini, "SOUND", "WavName", "")));
  PlayWave->SetActive(true);
  PlayWave->Play();
}

void TMainForm::ScriptClick(TObject* Sender) {
  PlayMacroFile(engine.AppFolder() + "Scripts\\" + NameOfEntry(Sender, ScriptNames.get()));
}
