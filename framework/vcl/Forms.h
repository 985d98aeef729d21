// Forms and the application: title, taskbar window, message loop and the handler that
// shows every exception reaching a window, timer or hook procedure in the error box.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Controls.h"
#include "Dpi.h"
#include "ErrorQueue.h"
#include "DesktopRules.h"
#include "MessageWindow.h"

enum TPosition { poDesigned, poDesktopCenter };

inline DeskRect ToDeskRect(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}
// The monitors as the system lists them, with their work areas, in virtual-screen
// coordinates.
std::vector<DeskMonitor> DisplayMonitors();

// SetWindowPos with HWND_TOPMOST or HWND_NOTOPMOST, position and size untouched.
void SetWindowTopmost(HWND window, bool topmost,
                      UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
enum TFormStyle { fsNormal, fsStayOnTop };

// Forms are described in code. A form class builds its components in CreateComponents
// (construct them with the form as owner, place them with SetParent), applies their stored
// properties in ReadProperties, and is then set going by Load (TApplication::CreateForm
// or NewForm does that):
//
//   class TMyForm : public TForm {
//    public:
//     using TForm::TForm;
//    protected:
//     void CreateComponents() override { Image1 = new TImage(this); Image1->SetParent(this); }
//     void ReadProperties() override { Image1->SetBounds(0, 0, 10, 10); }
//   };
//   auto* form = NewForm<TMyForm>(Application);
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;

  // csLoading on the form and its components; CreateComponents; ReadProperties; Loaded for
  // each owned component in creation order, then for the form; OnCreate. An exception in a
  // step is shown in the error box and ends that step only; the window is made in any case.
  void Load();

  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& caption) { SetText(caption); }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  // After the window exists the window is made anew; the client size is kept.
  void SetBorderStyle(TFormBorderStyle style);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle style);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }

  // Showing runs OnShow first; an error there is shown in the error box and the window is
  // shown all the same.
  void SetVisible(bool visible) override;
  void Show();
  // Hides the form; the main form ends the program.
  void Close();

  TCanvas* Canvas() { return &canvas_; }
  void PaintWindow(HDC dc) override;
  // The window's icon (title bar, Alt+Tab).
  TIcon* Icon() { return &icon_; }

  // The control that has, or last had, the focus in this form.
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);
  // The next (or previous) control in tab order after `current` that takes the focus,
  // going round; null when none does.
  TWinControl* FindNextControl(TWinControl* current, bool forward);
  void SelectNext(TWinControl* current, bool forward);

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnPaint;

 protected:
  virtual void CreateComponents() {}
  virtual void ReadProperties() {}
  virtual void DoCreate();
  virtual void DoShow();
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // Lays the form out for its monitor's DPI from the 96-DPI places and fonts it has now, and
  // again whenever the window moves to a monitor of another DPI (WM_DPICHANGED), where it
  // also takes the place the system suggests.
  void FollowDpi(TDpiRule rule);
  TDpiLayout& DpiLayout() { return dpiLayout_; }
  // After the layout followed a new DPI, before the window moves.
  virtual void DpiChanged() {}
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Tab and Shift+Tab move the focus; Enter clicks the default button, Escape the cancel one.
  bool DialogKey(WORD key, TShiftState shift) override;
  void FocusChanged(TWinControl* control) override;

 private:
  // The screen's centre; the primary monitor's work area's with several monitors.
  void Centre();
  LRESULT OnActivate(WPARAM wParam, LPARAM lParam);

  TWinControl* activeControl_ = nullptr;  // not owned
  TFormBorderStyle borderStyle_ = bsSizeable;
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  bool shownOnce_ = false;
  bool followDpi_ = false;
  TDpiRule dpiRule_ = TDpiRule::Exact;
  TDpiLayout dpiLayout_;
  TCanvas canvas_;
  TIcon icon_;
};

// Shows a message box, or records it in a test: returns the button pressed.
using TMessageBoxHook =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
// Sees every message the loop takes before it is dispatched (also those without a window).
using TMessageEvent = std::function<void(MSG& message, bool& handled)>;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Installs the Win32 platform services and makes the application window.
  void Initialize();

  // The application's own top-level window, which carries the taskbar button.
  HWND Handle();
  bool HandleAllocated() const { return window_ != nullptr; }
  // Read back from the window (at most 255 characters); the executable's name at first.
  std::string Title();
  void SetTitle(const std::string& title);

  TForm* MainForm() const { return mainForm_; }
  // The first form created becomes the main form. The reference is set before the form loads.
  template <class T>
  void CreateForm(T*& reference) {
    T* form = new T(this);
    reference = form;
    form->Load();
    if (!mainForm_) mainForm_ = form;
  }

  // Shows the main form and runs the message loop until the quit message.
  void Run();
  // Posts the quit message; the loop ends when it takes it up.
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Dispatches the messages waiting, then returns.
  void ProcessMessages();

  // Frees the control once the message being handled is done; a control freed meanwhile
  // is forgotten.
  void ReleaseLater(TControl* control);
  void CancelRelease(TControl* control);

  // For catch blocks at a handler's edge: shows the current exception in the error box, or
  // after the box already open.
  void HandleException() noexcept;
  // For catch blocks inside hook procedures, where no box may be shown: the current exception
  // is shown by the message loop once the hook has returned.
  void QueueException() noexcept;
  // The standard error box: ErrorBoxText(message), the title as caption, error icon, OK.
  // One is open at a time (TErrorQueue).
  void ShowException(const std::string& message) noexcept;
  TErrorQueue& Errors() { return errors_; }
  // Owned by the active window; in the topmost layer unless that window is in it already.
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);
  // A text that may hold a path's letters beyond Windows-1251 (ErrorToWide).
  int ShowMessageBox(const std::wstring& text, const std::string& caption, unsigned flags);
  // A null hook restores the system's message box.
  void SetMessageBoxHook(TMessageBoxHook hook) { messageBoxHook_ = std::move(hook); }

  TMessageEvent OnMessage;
  // The program's windows left the front (false) or came to it (true): WM_ACTIVATEAPP.
  std::function<void(bool active)> OnActivateApp;

  // Around every callback from the system (GuardedCall): frees wait for the outermost.
  void EnterCallback() noexcept { ++callbackDepth_; }
  void LeaveCallback() noexcept;

 private:
  friend class TForm;
  friend void ShutdownApplication() noexcept;
  bool ProcessMessage(MSG& message);
  void ReleasePending();
  bool HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  std::unique_ptr<TMessageWindow> window_;
  std::vector<TControl*> pendingRelease_;
  std::string title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  int callbackDepth_ = 0;
  TMessageBoxHook messageBoxHook_;
  TErrorQueue errors_;
};

// Made before the program's own code runs; freed by ShutdownApplication.
extern TApplication* Application;

// The executable's full path, in the ANSI code page the file functions take.
TPath ExeName();
// The application folder: the executable's folder with its trailing backslash, as the narrow
// file calls take it (Paths.h).
TPath ApplicationFolder();

// The end of the program, called last in WinMain: frees the forms and their components
// (last created first: tray icons leave, mutexes close, sounds stop), then runs the modules'
// finalisation, then destroys the application window and the application object.
void ShutdownApplication() noexcept;

template <class T>
T* NewForm(TComponent* owner) {
  T* form = new T(owner);
  form->Load();
  return form;
}

// Runs f at a Win32 callback's edge for `source`: any exception goes to the error box. While an
// error of the source is open or waiting, f is skipped and the caller does what the system
// does without it. A window's source is its handle and the message (a paint skipped so is
// asked for again once the box has closed); a timer's is the timer and WM_TIMER.
class TCallbackScope {
 public:
  TCallbackScope() noexcept { Application->EnterCallback(); }
  ~TCallbackScope() { Application->LeaveCallback(); }
  TCallbackScope(const TCallbackScope&) = delete;
  TCallbackScope& operator=(const TCallbackScope&) = delete;
};

template <class F>
TCallResult GuardedCall(const TErrorSource& source, F&& f) noexcept {
  const TCallbackScope scope;
  return Application->Errors().Run(source, std::forward<F>(f));
}

template <class F>
void GuardedCall(F&& f) noexcept {
  GuardedCall(TErrorSource{}, std::forward<F>(f));
}

// Runs f inside a hook procedure: any exception is shown after the hook has returned.
template <class F>
TCallResult GuardedHookCall(const TErrorSource& source, F&& f) noexcept {
  return Application->Errors().Run(source, std::forward<F>(f), true);
}

template <class F>
void GuardedHookCall(F&& f) noexcept {
  GuardedHookCall(TErrorSource{}, std::forward<F>(f));
}
