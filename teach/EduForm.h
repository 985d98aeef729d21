// EduForm: the teaching window. It appends keyword/answer blocks to Answers.brain, rewrites
// Greetings.brain and Dialog.brain, and drives the recorder and the macro files in Scripts.
//
// The main window makes it hidden, after itself, and shows it from its popup menu:
//
//   Application->CreateForm(Edu);   // after the main window
//   Edu->Show();                    // Educate1's click
//
// It lives until the program ends; its close box only hides it.
#pragma once

#include <windows.h>

#include <string>

#include "ComCtrls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "FileCtrl.h"
#include "Forms.h"
#include "Spin.h"
#include "StayOnTop.h"
#include "StdCtrls.h"

class TEdu : public TForm {
 public:
  explicit TEdu(TComponent* AOwner);
  ~TEdu() override;

  TPageControl* EduPages = nullptr;
  TTabSheet* Act = nullptr;
  TFileListBox* FileListBox1 = nullptr;
  TImage* Image1 = nullptr;
  TImage* Image2 = nullptr;
  TImage* Image3 = nullptr;
  TImage* Image4 = nullptr;
  TImage* Image5 = nullptr;
  TLabel* SpeedLbl = nullptr;
  TSpinEdit* SpinEdit1 = nullptr;
  TTabSheet* Answ = nullptr;
  TEdit* Edit1 = nullptr;
  TEdit* Edit2 = nullptr;
  TEdit* Edit3 = nullptr;
  TEdit* Edit4 = nullptr;
  TMemo* Memo1 = nullptr;
  TButton* AswSave_Btn = nullptr;
  TTabSheet* Greet = nullptr;
  TMemo* GreetMemo = nullptr;
  TButton* GreetSave_Btn = nullptr;
  TTabSheet* Dlg = nullptr;
  TMemo* DlgMemo = nullptr;
  TButton* DlgSave_Btn = nullptr;
  TSaveDialog* SaveDialog = nullptr;
  TStayOnTop* OnTop = nullptr;

  void FormShow(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  void GreetSave_BtnClick(TObject* Sender);
  void DlgSave_BtnClick(TObject* Sender);
  void BTNRecordClick(TObject* Sender);
  void BTNStopClick(TObject* Sender);
  void BTNPlayClick(TObject* Sender);
  void Load_BClick(TObject* Sender);
  void Save_BClick(TObject* Sender);
  void FileListBox1Click(TObject* Sender);

 protected:
  void CreateComponents() override;
  void ReadProperties() override;
  // Scaled by the exact DPI of its monitor, its pictures by the whole factor.
  void Loaded() override;
  // Ctrl+Tab and Ctrl+Shift+Tab turn the pages.
  bool DialogKey(WORD key, TShiftState shift) override;
};

extern TEdu* Edu;

// True from a press of the record button until the file list next changes: the play button
// then replays the recorder's stream instead of the selected file.
extern bool JustRecorded;

// The application folder the handlers use, with its trailing backslash: the executable's
// folder, worked out again each time the window is shown.
TPath EduApplicationFolder();
// Tests name another folder (with its trailing backslash); empty restores the executable's.
void SetEduApplicationFolder(const TPath& folder);

// The playback speed for the recorder (percent of the recorded duration) from the speed box:
// 100 the recorded pace, 50 twice as fast, 200 half as fast; below 1 it is 0, as fast as the
// system takes the input. 100 while the teaching window does not exist. Play, Load and the
// Run menu set the recorder's Speed to it right before playing.
int EduPlaybackSpeed();
// Plays a macro file at that speed, as Load and the Run menu do; a file that cannot be opened
// leaves the recorder as it was.
void PlayMacroFile(const TPath& fileName);
