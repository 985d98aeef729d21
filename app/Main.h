// The main window: the character itself, with its input field, speech area, glyph buttons,
// popup menu with the Plugins and Run submenus, tray icon and the hand-off of answers to
// the text fader.
#pragma once

#include <memory>
#include <string>

#include "BarPopupMenu.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "FullScreenWatch.h"
#include "Menus.h"
#include "SingleInstance.h"
#include "SkinForm.h"
#include "StayOnTop.h"
#include "StdCtrls.h"
#include "TextFade.h"
#include "TrayIcon.h"
#include "WavePlay.h"

class TMainForm : public TForm {
 public:
  explicit TMainForm(TComponent* AOwner);
  ~TMainForm() override;

  TSkinForm* SkinForm1 = nullptr;
  TEdit* Edit1 = nullptr;
  TBarPopupMenu* BarPopupMenu1 = nullptr;
  TMenuItem* Maximize1 = nullptr;
  TMenuItem* Minimize1 = nullptr;
  TMenuItem* Educate1 = nullptr;
  TMenuItem* Exit1 = nullptr;
  TMenuItem* Plugins1 = nullptr;
  TMenuItem* MenuLine = nullptr;
  TImage* Minimize = nullptr;
  TSingleInstance* OnlyOne = nullptr;
  TTextFader* Answer = nullptr;
  TMenuItem* TaskL = nullptr;
  TStayOnTop* KeepOnTop = nullptr;
  TTrayIcon* TaskbarIcon = nullptr;
  TImage* About_B = nullptr;
  TImage* Close_B = nullptr;
  TWavePlayer* PlayWave = nullptr;
  // Steps back behind full-screen programs.
  TFullScreenWatch* FullScreen = nullptr;

  // The picture of the plugin chosen last, and the hidden box that breaks answers into
  // display lines; both made at run time.
  std::unique_ptr<TBitmap> PluginImage;
  TMemo* LayoutMemo = nullptr;

  void FormCreate(TObject* Sender);
  void FormPaint(TObject* Sender);
  void Edit1KeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void ApplicationMinimize(TObject* Sender);
  void ApplicationRestore(TObject* Sender);
  void EduClick(TObject* Sender);
  void About_BClick(TObject* Sender);
  void ExitClick(TObject* Sender);
  void BarPopupMenu1Popup(TObject* Sender);
  void PluginClick(TObject* Sender);
  void ScriptClick(TObject* Sender);

  // The Plugins submenu, built once; the Run submenu, built again at every opening.
  void BuildPluginMenu();
  void BuildScriptMenu();
  // The answer broken into display lines and handed to the fader, which starts over.
  void ShowAnswer();
  // Brings the window, with its input field, wholly onto the nearest monitor's work area
  // when it is not on one: after a drag and after the displays changed.
  void KeepOnScreen();

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  void CreateComponents() override;
  void ReadProperties() override;
  // The whole window follows its monitor's DPI by the whole factor, as pixel art.
  void Loaded() override;
  // The menu follows it exactly.
  void DpiChanged() override;

 private:
  TMenuItem* NewItem(const std::string& caption, TNotifyEvent onClick);
  // One entry per name in `folder` matching `mask`, tagged with its index in `names`.
  void FillSubmenu(TMenuItem* parent, std::unique_ptr<TStringList>& names, const char* folder,
                   const char* mask, const TNotifyEvent& onClick);
};

extern TMainForm* MainForm;
