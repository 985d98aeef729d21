#include "FullScreenWatch.h"

#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "LateBound.h"
#include "StayOnTop.h"
#include "WineQuirks.h"

namespace {

// The watch the hook procedure serves; hook procedures carry no context of their own.
TFullScreenWatch* watching = nullptr;

constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

TForm* OwnerForm(TComponent* owner) {
  auto* form = dynamic_cast<TForm*>(owner);
  if (!form) throw EInvalidCast();
  return form;
}

// QUERY_USER_NOTIFICATION_STATE; 0 where the shell cannot tell.
int ShellState() {
  using Query = HRESULT(WINAPI*)(int*);
  static const auto query = LateBound<Query>(L"shell32.dll", "SHQueryUserNotificationState");
  int state = 0;
  if (!query || FAILED(query(&state))) return 0;
  return state;
}

bool IsDesktop(HWND window) {
  if (window == GetDesktopWindow() || window == GetShellWindow()) return true;
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  // The desktop's icons lie on a WorkerW or Progman window, which covers its monitor.
  return lstrcmpW(name, L"WorkerW") == 0 || lstrcmpW(name, L"Progman") == 0;
}

ForegroundWindow Describe(HWND window) {
  ForegroundWindow seen;
  RECT rect{};
  GetWindowRect(window, &rect);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  seen.rect = ToDeskRect(rect);
  seen.style = static_cast<uint32_t>(GetWindowLongW(window, GWL_STYLE));
  seen.visible = IsWindowVisible(window) != FALSE;
  seen.ownProcess = process == GetCurrentProcessId();
  seen.desktop = IsDesktop(window);
  return seen;
}

// What the form's stay-on-top component asks for, or else its form style.
bool StaysOnTop(const TForm& form) {
  for (int i = 0; i < form.ComponentCount(); ++i)
    if (auto* onTop = dynamic_cast<TStayOnTop*>(form.Components(i))) return onTop->OnTop();
  return form.FormStyle() == fsStayOnTop;
}

}  // namespace

TFullScreenWatch::TFullScreenWatch(TComponent* AOwner)
    : TComponent(AOwner), form_(OwnerForm(AOwner)) {
  watching = this;
  foregroundHook_.reset(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                        WinEvent, 0, 0, WINEVENT_OUTOFCONTEXT));
  if (const unsigned interval = ForegroundPollInterval()) {
    poll_ = new TTimer(this);
    poll_->SetInterval(interval);
    poll_->OnTimer = [this](TObject*) { Poll(); };
    // While one of the program's windows is in front, nothing else can be full screen before
    // it: the poll rests until they leave the front.
    Application->OnActivateApp = [this](bool active) {
      if (watching != this || active || poll_->Enabled()) return;
      poll_->SetEnabled(true);
      Poll();
    };
  }
}

TFullScreenWatch::~TFullScreenWatch() {
  if (watching == this) {
    watching = nullptr;
    if (poll_) Application->OnActivateApp = nullptr;
  }
  DestroyComponents();
}

void TFullScreenWatch::Loaded() {
  TComponent::Loaded();
  Check();
}

void TFullScreenWatch::Check() {
  if (IsDesigning()) return;
  HWND foreground = GetForegroundWindow();
  Follow(foreground);
  Decide(foreground);
}

void CALLBACK TFullScreenWatch::WinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object,
                                         LONG child, DWORD, DWORD) noexcept {
  TFullScreenWatch* watch = watching;
  if (!watch) return;
  // The window hook also reports the thread's other objects and windows.
  if (event != EVENT_SYSTEM_FOREGROUND &&
      (window != watch->followed_ || object != OBJID_WINDOW || child != CHILDID_SELF))
    return;
  GuardedCall([watch] { watch->Check(); });
}

void TFullScreenWatch::Poll() {
  // A few cheap calls a tick, and nothing more while the foreground stays as it was.
  HWND foreground = GetForegroundWindow();
  RECT rect{};
  LONG style = 0;
  if (foreground) {
    GetWindowRect(foreground, &rect);
    style = GetWindowLongW(foreground, GWL_STYLE);
  }
  DWORD process = 0;
  if (foreground && GetWindowThreadProcessId(foreground, &process) &&
      process == GetCurrentProcessId() && !behind_)
    poll_->SetEnabled(false);
  if (foreground == polled_ && EqualRect(&rect, &polledRect_) && style == polledStyle_) {
    // Wine moves a window just put behind another program's back above it a moment later.
    if (behind_ && OursAbove()) Apply(behind_);
    return;
  }
  polled_ = foreground;
  polledRect_ = rect;
  polledStyle_ = style;
  Check();
}

void TFullScreenWatch::Follow(HWND foreground) {
  if (foreground == followed_) return;
  followed_ = foreground;
  windowHook_.reset();
  DWORD process = 0;
  const DWORD thread = foreground ? GetWindowThreadProcessId(foreground, &process) : 0;
  if (!thread || process == GetCurrentProcessId()) return;
  // EVENT_OBJECT_DESTROY to EVENT_OBJECT_LOCATIONCHANGE: closing, hiding, moving and sizing.
  windowHook_.reset(SetWinEventHook(EVENT_OBJECT_DESTROY, EVENT_OBJECT_LOCATIONCHANGE, nullptr,
                                    WinEvent, process, thread, WINEVENT_OUTOFCONTEXT));
}

void TFullScreenWatch::Decide(HWND foreground) {
  if (!form_->HandleAllocated()) return;
  HWND behind = nullptr;
  if (foreground && IsWindow(foreground)) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HMONITOR on = MonitorFromWindow(form_->Handle(), MONITOR_DEFAULTTONEAREST);
    if (GetMonitorInfoW(on, &monitor) &&
        IsFullScreenForeground(Describe(foreground), ToDeskRect(monitor.rcMonitor), ShellState()))
      behind = foreground;
  }
  if (behind != behind_) Apply(behind);
}

void TFullScreenWatch::Apply(HWND behind) {
  behind_ = behind;
  // Every form of the program: the owner, and the teaching and About windows beside it.
  std::vector<HWND> windows;
  std::vector<bool> onTop;
  TComponent* forms = form_->Owner() ? form_->Owner() : form_;
  for (int i = 0; i < forms->ComponentCount(); ++i)
    if (auto* form = dynamic_cast<TForm*>(forms->Components(i)); form && form->HandleAllocated()) {
      windows.push_back(form->Handle());
      onTop.push_back(StaysOnTop(*form));
    }
  if (!behind) {
    for (size_t i = 0; i < windows.size(); ++i)
      if (onTop[i]) SetWindowTopmost(windows[i], true, kKeepPlace);
    return;
  }
  // All leave the layer before any goes behind: under Wine, taking one out of the layer
  // raises the windows of the same owner above the full-screen one again.
  for (HWND window : windows) SetWindowTopmost(window, false, kKeepPlace);
  // Behind a topmost window is where leaving the layer puts them already; placing them
  // after one would make them topmost again.
  if (GetWindowLongW(behind, GWL_EXSTYLE) & WS_EX_TOPMOST) return;
  // A hidden window's place matters not (showing brings it to the top); under Wine, moving
  // one raises its visible siblings again.
  for (HWND window : windows)
    if (IsWindowVisible(window)) SetWindowPos(window, behind, 0, 0, 0, 0, kKeepPlace);
}

bool TFullScreenWatch::OursAbove() const {
  TComponent* forms = form_->Owner() ? form_->Owner() : form_;
  for (HWND w = GetTopWindow(nullptr); w && w != behind_; w = GetWindow(w, GW_HWNDNEXT)) {
    if (!IsWindowVisible(w)) continue;
    for (int i = 0; i < forms->ComponentCount(); ++i)
      if (auto* form = dynamic_cast<TForm*>(forms->Components(i));
          form && form->HandleAllocated() && form->Handle() == w)
        return true;
  }
  return false;
}
