#include "SingleInstance.h"

#include "Forms.h"
#include "WideText.h"

namespace {

// The title as read back from a window fits a 256-byte buffer with its terminator.
constexpr size_t kNameLength = 255;

}  // namespace

TSingleInstance::TSingleInstance(TComponent* AOwner) : TComponent(AOwner) {}

// The mutex handle closes with mutex_; it is held from the load-time check on, also in
// a copy that found another one running.
TSingleInstance::~TSingleInstance() = default;

void TSingleInstance::Loaded() {
  TComponent::Loaded();
  std::string name = Application->Title().substr(0, kNameLength);
  loadDone_ = false;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, ToWide(name).c_str());
  const DWORD error = GetLastError();
  mutex_.reset(mutex);
  if (error == ERROR_ALREADY_EXISTS || !mutex_) {
    if (AlreadyExist) AlreadyExist(this);
    if (goToPrevious_) BringPreviousForward(name);
    if (terminate_) {
      if (showMessage_)
        Application->ShowMessageBox(messageText_, "Information", MB_OK | MB_ICONINFORMATION);
      Application->Terminate();
    }
  }
  loadDone_ = true;
}

// The first window with the title is normally this copy's own application window:
// clearing its caption lets the second search find the earlier copy's.
void TSingleInstance::BringPreviousForward(const std::string& name) {
  const std::wstring caption = ToWide(name);
  if (HWND first = FindWindowW(nullptr, caption.c_str())) SetWindowTextW(first, L"");
  HWND previous = FindWindowW(nullptr, caption.c_str());
  if (!previous) return;
  if (IsIconic(previous))
    ShowWindow(previous, SW_RESTORE);
  else
    BringWindowToTop(previous);
}
