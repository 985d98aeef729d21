#include "EduForm.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "AssetIds.h"
#include "KnowledgeBase.h"
#include "Platform.h"
#include "Recorder.h"

TEdu* Edu = nullptr;
bool JustRecorded = false;

namespace {

TPath applicationFolder;
TPath applicationFolderOverride;

// Windows-1251.
const char kCaption[] = "\xCE\xE1\xF3\xF7\xE5\xED\xE8\xE5";                   // Обучение
const char kActCaption[] = "\xC4\xE5\xE9\xF1\xF2\xE2\xE8\xFF";                // Действия
const char kAnswCaption[] = "\xCE\xF2\xE2\xE5\xF2\xFB";                       // Ответы
const char kGreetCaption[] = "\xCF\xF0\xE8\xE2\xE5\xF2\xF1\xF2\xE2\xE8\xFF";  // Приветствия
const char kDlgCaption[] = "\xC4\xE8\xE0\xEB\xEE\xE3";                        // Диалог
// Файлы сеценариев|*.rec
const char kMacroFilter[] = "\xD4\xE0\xE9\xEB\xFB \xF1\xE5\xF6\xE5\xED\xE0\xF0\xE8\xE5\xE2|*.rec";

void WorkOutApplicationFolder() {
  applicationFolder =
      applicationFolderOverride.Empty() ? ApplicationFolder() : applicationFolderOverride;
}

std::string ReadWholeFile(const TPath& path) {
  auto file = Platform().OpenFile(path, FileMode::Read);
  std::string text;
  char buffer[65536];
  while (size_t n = file->Read(buffer, sizeof buffer)) text.append(buffer, n);
  return text;
}

// Every CR, LF or CR LF becomes CR LF: how the boxes hold a list, and how the list files end
// their lines.
std::string WithCrLfBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      result += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      result += c;
    }
  }
  return result;
}

TRecorder& Recorder() {
  if (!GlobalRecorder) throw Exception("The recorder module is not initialised");
  return *GlobalRecorder;
}

// The selected macro file replaces the recorder's stream; a file that cannot be opened
// leaves the stream as it was.
void LoadSelectedMacro(const TPath& fileName) {
  TMemoryStream& stream = Recorder().Stream();
  stream.LoadFromFile(fileName);
  stream.Seek(0, soEnd);
}

void StopAndPlay() {
  TRecorder& recorder = Recorder();
  recorder.Stop();
  recorder.SetSpeed(EduPlaybackSpeed());
  recorder.Play();
}

void PlacePicture(TImage* image, int left, int top, int size, int resource, bool transparent) {
  image->SetBounds(left, top, size, size);
  image->Picture()->Bitmap()->LoadFromResourceID(GetModuleHandleW(nullptr), resource);
  image->SetCursor(crHandPoint);
  image->SetTransparent(transparent);
}

void PlaceKeywordBox(TEdit* edit, int left, int top) {
  edit->SetBounds(left, top, 105, 17);
  edit->SetColor(clWhite);
  edit->SetCharCase(ecUpperCase);
}

void PlaceListBox(TMemo* memo, TButton* save) {
  memo->SetBounds(0, 0, 273, 105);
  memo->SetScrollBars(ssVertical);
  save->SetBounds(104, 108, 75, 17);
  save->SetCaption("Save");
}

}  // namespace

TPath EduApplicationFolder() {
  if (applicationFolder.Empty()) WorkOutApplicationFolder();
  return applicationFolder;
}

void SetEduApplicationFolder(const TPath& folder) {
  applicationFolderOverride = folder;
  WorkOutApplicationFolder();
}

int EduPlaybackSpeed() {
  if (!Edu || !Edu->SpinEdit1) return TRecorder::kDefaultSpeed;
  return std::max(Edu->SpinEdit1->Value(), 0);
}

void PlayMacroFile(const TPath& fileName) {
  LoadSelectedMacro(fileName);
  StopAndPlay();
}

// TEdu

TEdu::TEdu(TComponent* AOwner) : TForm(AOwner) {}

TEdu::~TEdu() {
  if (Edu == this) Edu = nullptr;
}

void TEdu::CreateComponents() {
  // The frame first: the stay-on-top component takes the window as it is made now.
  SetBorderStyle(bsToolWindow);
  SetCaption(kCaption);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
  SetClientWidth(281);
  SetClientHeight(156);

  EduPages = new TPageControl(this);
  EduPages->SetParent(this);
  Act = new TTabSheet(this);
  Act->SetPageControl(EduPages);
  FileListBox1 = new TFileListBox(this);
  FileListBox1->SetParent(Act);
  Image1 = new TImage(this);
  Image1->SetParent(Act);
  Image2 = new TImage(this);
  Image2->SetParent(Act);
  Image3 = new TImage(this);
  Image3->SetParent(Act);
  Image4 = new TImage(this);
  Image4->SetParent(Act);
  Image5 = new TImage(this);
  Image5->SetParent(Act);
  SpeedLbl = new TLabel(this);
  SpeedLbl->SetParent(Act);
  SpinEdit1 = new TSpinEdit(this);
  SpinEdit1->SetParent(Act);

  Answ = new TTabSheet(this);
  Answ->SetPageControl(EduPages);
  Edit1 = new TEdit(this);
  Edit1->SetParent(Answ);
  Edit2 = new TEdit(this);
  Edit2->SetParent(Answ);
  Edit3 = new TEdit(this);
  Edit3->SetParent(Answ);
  Edit4 = new TEdit(this);
  Edit4->SetParent(Answ);
  Memo1 = new TMemo(this);
  Memo1->SetParent(Answ);
  AswSave_Btn = new TButton(this);
  AswSave_Btn->SetParent(Answ);

  Greet = new TTabSheet(this);
  Greet->SetPageControl(EduPages);
  GreetMemo = new TMemo(this);
  GreetMemo->SetParent(Greet);
  GreetSave_Btn = new TButton(this);
  GreetSave_Btn->SetParent(Greet);

  Dlg = new TTabSheet(this);
  Dlg->SetPageControl(EduPages);
  DlgMemo = new TMemo(this);
  DlgMemo->SetParent(Dlg);
  DlgSave_Btn = new TButton(this);
  DlgSave_Btn->SetParent(Dlg);

  SaveDialog = new TSaveDialog(this);
  OnTop = new TStayOnTop(this);
}

void TEdu::ReadProperties() {
  SetName("Edu");
  const std::pair<TComponent*, const char*> names[] = {{EduPages, "EduPages"},
                                                       {Act, "Act"},
                                                       {FileListBox1, "FileListBox1"},
                                                       {Image1, "Image1"},
                                                       {Image2, "Image2"},
                                                       {Image3, "Image3"},
                                                       {Image4, "Image4"},
                                                       {Image5, "Image5"},
                                                       {SpeedLbl, "SpeedLbl"},
                                                       {SpinEdit1, "SpinEdit1"},
                                                       {Answ, "Answ"},
                                                       {Edit1, "Edit1"},
                                                       {Edit2, "Edit2"},
                                                       {Edit3, "Edit3"},
                                                       {Edit4, "Edit4"},
                                                       {Memo1, "Memo1"},
                                                       {AswSave_Btn, "AswSave_Btn"},
                                                       {Greet, "Greet"},
                                                       {GreetMemo, "GreetMemo"},
                                                       {GreetSave_Btn, "GreetSave_Btn"},
                                                       {Dlg, "Dlg"},
                                                       {DlgMemo, "DlgMemo"},
                                                       {DlgSave_Btn, "DlgSave_Btn"},
                                                       {SaveDialog, "SaveDialog"},
                                                       {OnTop, "OnTop"}};
  for (const auto& [component, name] : names) component->SetName(name);

  OnShow = [this](TObject* sender) { FormShow(sender); };

  EduPages->SetAlign(alClient);
  Act->SetCaption(kActCaption);
  Answ->SetCaption(kAnswCaption);
  Greet->SetCaption(kGreetCaption);
  Dlg->SetCaption(kDlgCaption);
  EduPages->SetActivePage(Act);

  FileListBox1->SetBounds(0, 8, 146, 108);
  FileListBox1->SetMask("*.rec");
  FileListBox1->OnChange = [this](TObject* sender) { FileListBox1Click(sender); };
  PlacePicture(Image1, 160, 8, 20, IDB_RECORD, true);
  Image1->OnClick = [this](TObject* sender) { BTNRecordClick(sender); };
  PlacePicture(Image2, 205, 8, 20, IDB_PLAY, true);
  Image2->OnClick = [this](TObject* sender) { BTNPlayClick(sender); };
  PlacePicture(Image3, 248, 8, 20, IDB_STOP, true);
  Image3->OnClick = [this](TObject* sender) { BTNStopClick(sender); };
  PlacePicture(Image4, 187, 40, 13, IDB_LOAD_DISK, false);
  Image4->OnClick = [this](TObject* sender) { Load_BClick(sender); };
  PlacePicture(Image5, 228, 40, 13, IDB_SAVE_DISK, false);
  Image5->OnClick = [this](TObject* sender) { Save_BClick(sender); };
  SpeedLbl->SetBounds(168, 72, 44, 13);
  SpeedLbl->SetCaption("Speed :");
  SpinEdit1->SetBounds(216, 68, 41, 22);
  SpinEdit1->SetValue(100);

  PlaceKeywordBox(Edit1, 1, 0);
  PlaceKeywordBox(Edit2, 169, 0);
  PlaceKeywordBox(Edit3, 1, 18);
  PlaceKeywordBox(Edit4, 169, 18);
  Memo1->SetBounds(1, 37, 272, 68);
  Memo1->SetColor(clWhite);
  Memo1->SetWordWrap(true);
  Memo1->SetScrollBars(ssNone);
  AswSave_Btn->SetBounds(104, 108, 75, 17);
  AswSave_Btn->SetCaption("Save");
  AswSave_Btn->OnClick = [this](TObject* sender) { BitBtn1Click(sender); };

  PlaceListBox(GreetMemo, GreetSave_Btn);
  GreetSave_Btn->OnClick = [this](TObject* sender) { GreetSave_BtnClick(sender); };
  PlaceListBox(DlgMemo, DlgSave_Btn);
  DlgSave_Btn->OnClick = [this](TObject* sender) { DlgSave_BtnClick(sender); };

  SaveDialog->SetDefaultExt("rec");
  SaveDialog->SetFilter(kMacroFilter);
}

bool TEdu::DialogKey(WORD key, TShiftState shift) {
  if (key == VK_TAB && (shift & ssCtrl) && !(shift & ssAlt)) {
    EduPages->SelectNextPage((shift & ssShift) == 0);
    return true;
  }
  return TForm::DialogKey(key, shift);
}

void TEdu::Loaded() {
  TForm::Loaded();
  FollowDpi(TDpiRule::Exact);
}

void TEdu::FormShow(TObject*) {
  SetBounds(0, 0, Width(), Height());
  WorkOutApplicationFolder();
  FileListBox1->SetDirectory(applicationFolder + "Scripts");
  GreetMemo->Lines()->SetText(WithCrLfBreaks(ReadWholeFile(applicationFolder + kGreetingsFile)));
  DlgMemo->Lines()->SetText(WithCrLfBreaks(ReadWholeFile(applicationFolder + kDialogFile)));
}

void TEdu::BitBtn1Click(TObject*) {
  const std::string keywords[] = {Edit1->Text(), Edit2->Text(), Edit3->Text(), Edit4->Text()};
  // The lines as the box shows them: a wrapped line counts as several.
  std::vector<std::string> answers;
  const int shown = std::min(Memo1->Lines()->Count(), 5);
  for (int i = 0; i < shown; ++i) answers.push_back(Memo1->Lines()->Strings(i));
  AppendBlock(EduApplicationFolder() + kAnswersFile, keywords, answers);
  for (TEdit* edit : {Edit1, Edit2, Edit3, Edit4}) edit->Clear();
  Memo1->Clear();
}

void TEdu::GreetSave_BtnClick(TObject*) {
  RewriteListFile(EduApplicationFolder() + kGreetingsFile, WithCrLfBreaks(GreetMemo->Text()));
}

void TEdu::DlgSave_BtnClick(TObject*) {
  RewriteListFile(EduApplicationFolder() + kDialogFile, WithCrLfBreaks(DlgMemo->Text()));
}

void TEdu::BTNRecordClick(TObject*) {
  JustRecorded = true;
  TRecorder& recorder = Recorder();
  recorder.Stop();
  recorder.Record(false);
}

void TEdu::BTNStopClick(TObject*) {
  Recorder().Stop();
}

void TEdu::BTNPlayClick(TObject*) {
  if (!JustRecorded) LoadSelectedMacro(FileListBox1->FileName());
  StopAndPlay();
}

void TEdu::Load_BClick(TObject*) {
  if (FileListBox1->ItemIndex() < 0) return;
  PlayMacroFile(FileListBox1->FileName());
}

void TEdu::Save_BClick(TObject*) {
  SaveDialog->SetInitialDir(FileListBox1->Directory());
  if (!SaveDialog->Execute()) return;
  TMemoryStream& stream = Recorder().Stream();
  try {
    stream.SaveToFile(SaveDialog->FileName());
  } catch (const EFCreateError&) {
    throw;
  } catch (...) {
    // A failed copy still reads the list again; its own error is the one to report.
    try {
      FileListBox1->Update();
    } catch (...) {
    }
    throw;
  }
  stream.Seek(0, soEnd);
  FileListBox1->Update();
}

void TEdu::FileListBox1Click(TObject*) {
  JustRecorded = false;
}
