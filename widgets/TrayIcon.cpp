#include "TrayIcon.h"

#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "Controls.h"
#include "Forms.h"

static_assert(offsetof(NOTIFYICONDATAW, hWnd) == kNidWindowOffset);
static_assert(offsetof(NOTIFYICONDATAW, uID) == kNidIDOffset);
static_assert(offsetof(NOTIFYICONDATAW, uFlags) == kNidFlagsOffset);
static_assert(offsetof(NOTIFYICONDATAW, uCallbackMessage) == kNidCallbackMessageOffset);
static_assert(offsetof(NOTIFYICONDATAW, hIcon) == kNidIconOffset);
static_assert(offsetof(NOTIFYICONDATAW, szTip) == kNidTipOffset);
static_assert(sizeof(NOTIFYICONDATAW::szTip) >= kNidTipLength * sizeof(wchar_t));
static_assert(sizeof(NOTIFYICONDATAW) >= kNotifyIconDataSize);

namespace {

const wchar_t kTrayWindowClass[] = L"QvTrayIconWindow";

}  // namespace

// TImageList

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}

int TImageList::AddIcon(TIcon* icon) {
  auto copy = std::make_unique<TIcon>();
  copy->Assign(icon);
  icons_.push_back(std::move(copy));
  return Count() - 1;
}

void TImageList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(index);
  icons_.erase(icons_.begin() + index);
}

void TImageList::GetIcon(int index, TIcon* icon) const {
  if (!icon) return;
  if (index < 0 || index >= Count()) {
    icon->Clear();
    return;
  }
  icon->Assign(icons_[static_cast<size_t>(index)].get());
}

// TTrayIconWindow

// A hidden top-level window: a message-only one would miss the "TaskbarCreated" broadcast.
TTrayIconWindow::TTrayIconWindow()
    : window_(
          kTrayWindowClass,
          [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
            if (!target_) return false;
            result = target_->HandleIconMessage(message, wParam, lParam);
            return true;
          },
          TMessageWindow::TopLevel(WS_POPUP)) {}

TTrayIconWindow::~TTrayIconWindow() {
  target_ = nullptr;
}

void TTrayIconWindow::ShellNotifyIcon(uint32_t message, const TNotifyIconData& data) {
  NOTIFYICONDATAW record{};
  const auto bytes = data.Bytes();
  std::memcpy(&record, bytes.data(), bytes.size());
  // The shell's answer is not examined: a refused call passes silently.
  Shell_NotifyIconW(message, &record);
}

uint64_t TTrayIconWindow::WindowHandle() {
  return reinterpret_cast<uintptr_t>(window_.Handle());
}

uint64_t TTrayIconWindow::IconHandle() {
  return reinterpret_cast<uintptr_t>(icon_.Handle());
}

void TTrayIconWindow::AssignIcon(const TObject* source) {
  icon_.Assign(dynamic_cast<TPersistent*>(const_cast<TObject*>(source)));
}

void TTrayIconWindow::ClearIcon() {
  icon_.Clear();
}

void TTrayIconWindow::CopyIconFromImageList(TComponent* imageList, int index) {
  if (auto* list = dynamic_cast<TImageList*>(imageList)) list->GetIcon(index, &icon_);
}

TTrayPoint TTrayIconWindow::CursorPos() {
  POINT at{};
  GetCursorPos(&at);
  return {at.x, at.y};
}

bool TTrayIconWindow::KeyDown(int virtualKey) {
  return GetKeyState(virtualKey) < 0;
}

void TTrayIconWindow::SetForegroundIconWindow() {
  SetForegroundWindow(window_.Handle());
}

void TTrayIconWindow::SetForegroundApplication() {
  SetForegroundWindow(Application->Handle());
}

void TTrayIconWindow::PostNullMessage() {
  PostMessageW(window_.Handle(), WM_NULL, 0, 0);
}

intptr_t TTrayIconWindow::DefaultHandler(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProcW(window_.Handle(), message, wParam, lParam);
}

void TTrayIconWindow::Popup(TComponent* popupMenu, int x, int y) {
  if (auto* menu = dynamic_cast<TPopupMenu*>(popupMenu)) menu->Popup(x, y);
}

// TTrayIcon

TTrayIcon::TTrayIcon(TComponent* AOwner)
    : TTrayIconWindow(), TTrayIconCore(AOwner, static_cast<ITrayIconPlatform&>(*this)) {
  SetTaskbarCreatedMessage(RegisterWindowMessageW(L"TaskbarCreated"));
  target_ = this;
}

// The core's destructor still takes the icon away through the window, which lives on in
// the base; only the messages stop reaching the core.
TTrayIcon::~TTrayIcon() {
  target_ = nullptr;
}
