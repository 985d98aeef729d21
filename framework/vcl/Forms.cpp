#include "Forms.h"

#include <exception>
#include <memory>
#include <vector>

#include "AppTitle.h"
#include "Handles.h"
#include "Win32Platform.h"

void SetWindowTopmost(HWND window, bool topmost, UINT flags) {
  if (topmost) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, flags);
    return;
  }
  HWND owner = GetWindow(window, GW_OWNER);
  if (owner) SetWindowLongPtrA(window, GWLP_HWNDPARENT, 0);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  if (owner) SetWindowLongPtrA(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

// TForm

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  TWinControl::SetVisible(false);
  SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  if (Application->mainForm_ == this) Application->mainForm_ = nullptr;
}

namespace {

// Components in creation order, then what each of them owns.
void RunLoaded(TComponent* owner) {
  std::vector<TComponent*> components;
  for (int i = 0; i < owner->ComponentCount(); ++i) components.push_back(owner->Components(i));
  auto stillOwned = [owner](TComponent* c) {
    for (int i = 0; i < owner->ComponentCount(); ++i)
      if (owner->Components(i) == c) return true;
    return false;
  };
  for (TComponent* c : components)
    if (stillOwned(c) && c->IsLoading()) GuardedCall([c] { c->Loaded(); });
  for (TComponent* c : components)
    if (stillOwned(c)) RunLoaded(c);
}

}  // namespace

void TForm::Load() {
  BeginLoading();
  GuardedCall([this] { CreateComponents(); });
  GuardedCall([this] { ReadProperties(); });
  RunLoaded(this);
  GuardedCall([this] { Loaded(); });
  GuardedCall([this] { DoCreate(); });
  GuardedCall([this] { HandleNeeded(); });
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TForm::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (HandleAllocated()) SetWindowTextA(Handle(), caption_.c_str());
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_) return;
  int clientWidth = ClientWidth(), clientHeight = ClientHeight();
  bool hadHandle = HandleAllocated();
  DestroyHandle();
  borderStyle_ = style;
  SetClientWidth(clientWidth);
  SetClientHeight(clientHeight);
  if (hadHandle) HandleNeeded();
}

void TForm::SetFormStyle(TFormStyle style) {
  if (style == formStyle_) return;
  formStyle_ = style;
  if (HandleAllocated()) SetWindowTopmost(Handle(), style == fsStayOnTop);
}

void TForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  if (Parent()) return;
  params.Caption = caption_;
  params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.ExStyle = 0;
  switch (borderStyle_) {
    case bsNone:
      params.Style |= WS_POPUP;
      break;
    case bsSingle:
      params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER;
      break;
    case bsSizeable:
      params.Style |= WS_OVERLAPPEDWINDOW;
      break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
      params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      params.Style |= WS_CAPTION | WS_SYSMENU;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (Visible()) params.Style |= WS_VISIBLE;
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (formStyle_ == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
  // Owned by the application window, so the form has no taskbar button of its own.
  params.WndParent = Application->handle_.get();
}

void TForm::CreateWnd() {
  if (!Parent()) Application->Handle();
  TWinControl::CreateWnd();
}

void TForm::Centre() {
  int left = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
  SetBounds(left, top, Width(), Height());
}

void TForm::SetVisible(bool visible) {
  if (visible == Visible()) return;
  if (visible) {
    if (!shownOnce_ && position_ == poDesktopCenter) Centre();
    shownOnce_ = true;
    DoShow();
    TWinControl::SetVisible(true);
    HandleNeeded();
  } else {
    TWinControl::SetVisible(false);
  }
}

void TForm::Show() {
  SetVisible(true);
  BringWindowToTop(Handle());
}

void TForm::Close() {
  if (Application->MainForm() == this) Application->Terminate();
  Hide();
}

void TForm::PaintWindow(HDC dc) {
  canvas_.SetHandle(dc);
  try {
    canvas_.Font()->Assign(Font());
    canvas_.Brush()->SetColor(Color());
    if (OnPaint) OnPaint(this);
  } catch (...) {
    canvas_.SetHandle(nullptr);
    throw;
  }
  canvas_.SetHandle(nullptr);
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Close();
      return 0;
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}

// TApplication

namespace {

const char kApplicationClass[] = "QvApplication";
// wParam: a heap std::string with the message of an exception raised inside a hook.
constexpr UINT kShowQueuedException = WM_APP + 0x3F0;

LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
  if (message == kShowQueuedException) {
    std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(wParam));
    if (text) Application->ShowException(*text);
    return 0;
  }
  if (message == WM_CLOSE) {
    GuardedCall([] {
      if (Application->MainForm()) Application->MainForm()->Close();
    });
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TApplication theApplication(nullptr);

}  // namespace

TApplication* const Application = &theApplication;

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  OemToCharA(path, path);
  title_ = DefaultTitle(path, Win32Platform());
}

TApplication::~TApplication() {
  Destroying();
  DestroyComponents();
}

void TApplication::Initialize() {
  SetPlatform(Win32Platform());
  Handle();
}

HWND TApplication::Handle() {
  if (!handle_) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterWindowClass(kApplicationClass, ApplicationWindowProc);
    handle_.reset(
        CreateWindowExA(0, kApplicationClass, title_.c_str(),
                        WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                        GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                        nullptr, nullptr, instance, nullptr));
    if (!handle_) throw Exception("Error creating window");
  }
  return handle_.get();
}

std::string TApplication::Title() {
  if (!handle_) return title_;
  char text[256] = {};
  int n = GetWindowTextA(handle_.get(), text, sizeof text);
  return std::string(text, static_cast<size_t>(n > 0 ? n : 0));
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (handle_) SetWindowTextA(handle_.get(), title_.c_str());
}

void TApplication::Run() {
  GuardedCall([this] {
    if (!mainForm_) return;
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    mainForm_->Show();
  });
  MSG message{};
  while (!terminated_) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
      terminated_ = true;
      break;
    }
    ProcessMessage(message);
  }
}

bool TApplication::ProcessMessage(MSG& message) {
  bool handled = false;
  if (OnMessage) GuardedCall([&] { OnMessage(message, handled); });
  if (!handled) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return handled;
}

void TApplication::ProcessMessages() {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    ProcessMessage(message);
  }
}

void TApplication::Terminate() {
  PostQuitMessage(0);
}

void TApplication::HandleException() noexcept {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& e) {
    ShowException(ExceptionMessage(e));
  } catch (...) {
    ShowException("Unknown exception");
  }
}

void TApplication::QueueException() noexcept {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  std::string text = "Unknown exception";
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& e) {
    text = ExceptionMessage(e);
  } catch (...) {
  }
  try {
    auto message = std::make_unique<std::string>(std::move(text));
    if (PostMessageA(Handle(), kShowQueuedException, reinterpret_cast<WPARAM>(message.get()), 0))
      (void)message.release();
  } catch (...) {
    // No window to post to: nothing is left to report to.
  }
}

void TApplication::ShowException(const std::string& message) noexcept {
  try {
    ShowMessageBox(ErrorBoxText(message), Title(), MB_ICONERROR | MB_OK);
  } catch (...) {
    // Nothing is left to report to.
  }
}

int TApplication::ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (messageBoxHook_) return messageBoxHook_(text, caption, flags);
  // Owned by the active window, so the box is not hidden behind a stay-on-top form.
  return MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), flags);
}
