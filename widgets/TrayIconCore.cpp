#include "TrayIconCore.h"

#include <algorithm>

#include "AnsiText.h"

namespace {

void PutLittleEndian(uint8_t* at, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::array<uint8_t, kNotifyIconDataSize> TNotifyIconData::Bytes() const {
  std::array<uint8_t, kNotifyIconDataSize> bytes{};
  PutLittleEndian(&bytes[0], Size, 4);
  PutLittleEndian(&bytes[kNidWindowOffset], Window, 8);
  PutLittleEndian(&bytes[kNidIDOffset], ID, 4);
  PutLittleEndian(&bytes[kNidFlagsOffset], Flags, 4);
  PutLittleEndian(&bytes[kNidCallbackMessageOffset], CallbackMessage, 4);
  PutLittleEndian(&bytes[kNidIconOffset], Icon, 8);
  for (size_t i = 0; i < kNidTipLength; ++i)
    PutLittleEndian(&bytes[kNidTipOffset + 2 * i], Tip[i], 2);
  return bytes;
}

TNotifyIconData BuildNotifyIconData(uint64_t window, int32_t iconID, uint32_t flags, uint64_t icon,
                                    std::string_view hint) {
  TNotifyIconData data;
  data.Window = window;
  data.ID = static_cast<uint32_t>(iconID);
  data.Flags = flags;
  data.CallbackMessage = kTrayCallbackMessage;
  data.Icon = icon;
  const std::u16string tip = AnsiToUtf16(hint.substr(0, kMaxHintLength));
  std::copy_n(tip.begin(), std::min(tip.size(), kMaxHintLength), data.Tip.begin());
  return data;
}

TTrayIconCore::TTrayIconCore(TComponent* AOwner, ITrayIconPlatform& platform)
    : TComponent(AOwner), platform_(platform) {}

TTrayIconCore::~TTrayIconCore() {
  try {
    SetVisible(false);
  } catch (...) {
    // No exception may leave a destructor, and an icon left behind would outlive the
    // program. Deleting needs only the window and the identifier, not the picture.
    try {
      platform_.ShellNotifyIcon(kNimDelete,
                                BuildNotifyIconData(platform_.WindowHandle(), iconID_, 0, 0, {}));
    } catch (...) {
    }
  }
}

void TTrayIconCore::Loaded() {
  TComponent::Loaded();
  if (visible_) ShowIcon();
}

void TTrayIconCore::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) {
    if (AComponent == popupMenu_) popupMenu_ = nullptr;
    // A freed image list must not be read by the next change of ImageIndex.
    if (AComponent == imageList_) imageList_ = nullptr;
  }
  TComponent::Notification(AComponent, Operation);
}

void TTrayIconCore::FillIconData() {
  iconData_ = BuildNotifyIconData(platform_.WindowHandle(), iconID_, iconFlags_,
                                  platform_.IconHandle(), hint_);
}

void TTrayIconCore::Send(uint32_t message, const char* operation) {
  try {
    FillIconData();
    platform_.ShellNotifyIcon(message, iconData_);
  } catch (...) {
    throw ETrayIcon(Name() + "." + operation + " failed");
  }
}

void TTrayIconCore::AddToTaskbar() {
  Send(kNimAdd, "AddToTaskbar");
}

void TTrayIconCore::UpDate() {
  Send(kNimModify, "UpDate");
}

void TTrayIconCore::DeleteFromTaskbar() {
  Send(kNimDelete, "DeleteFromTaskbar");
}

void TTrayIconCore::ShowIcon() {
  iconFlags_ |= kNifIcon;
  AddToTaskbar();
  visible_ = true;
  if (OnShow) OnShow(this);
}

void TTrayIconCore::HideIcon() {
  iconFlags_ &= ~kNifIcon;
  DeleteFromTaskbar();
  visible_ = false;
  if (OnHide) OnHide(this);
}

void TTrayIconCore::TaskbarCreated() {
  if (visible_ && !IsLoading()) AddToTaskbar();
}

void TTrayIconCore::UpdateFromImageList() {
  if (!imageList_) return;
  platform_.ClearIcon();
  platform_.CopyIconFromImageList(imageList_, imageIndex_);
  UpDate();
}

void TTrayIconCore::SetIcon(const TObject* icon) {
  platform_.AssignIcon(icon);
  UpDate();
}

void TTrayIconCore::SetImageList(TComponent* imageList) {
  imageList_ = imageList;
  UpdateFromImageList();
}

void TTrayIconCore::SetImageIndex(int32_t index) {
  imageIndex_ = index;
  UpdateFromImageList();
}

void TTrayIconCore::SetIconID(int32_t id) {
  if (id == iconID_) return;
  const bool wasVisible = visible_;
  SetVisible(false);
  iconID_ = id;
  SetVisible(wasVisible);
}

void TTrayIconCore::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  // Shown once by Loaded rather than here and there again.
  if (IsLoading()) return;
  if (value)
    ShowIcon();
  else
    HideIcon();
}

void TTrayIconCore::SetEnabled(bool value) {
  enabled_ = value;
}

void TTrayIconCore::SetHint(std::string hint) {
  if (hint.size() > kMaxHintLength) hint.resize(kMaxHintLength);
  hint_ = std::move(hint);
  UpDate();
}

void TTrayIconCore::MouseDown(int Button, unsigned Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TTrayIconCore::MouseUp(int Button, unsigned Shift, int X, int Y) {
  platform_.SetForegroundApplication();
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TTrayIconCore::Click() {
  if (OnClick) OnClick(this);
}

void TTrayIconCore::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TTrayIconCore::PopupAtCursor() {
  if (!popupMenu_) return;
  const TTrayPoint at = platform_.CursorPos();
  platform_.Popup(popupMenu_, at.X, at.Y);
  // Without a message after the menu the next click on the icon may not open it again.
  platform_.PostNullMessage();
  if (OnPopupMenu) OnPopupMenu(this);
}

unsigned TTrayIconCore::ShiftState() {
  unsigned shift = 0;
  if (platform_.KeyDown(kVkShift)) shift |= kTrayShift;
  if (platform_.KeyDown(kVkMenu)) shift |= kTrayAlt;
  if (platform_.KeyDown(kVkControl)) shift |= kTrayCtrl;
  return shift;
}

intptr_t TTrayIconCore::HandleIconMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (taskbarCreatedMessage_ != 0 && message == taskbarCreatedMessage_) {
    TaskbarCreated();
    return 0;
  }
  if (message != kTrayCallbackMessage || !enabled_)
    return platform_.DefaultHandler(message, wParam, lParam);

  const TTrayPoint at = platform_.CursorPos();
  const unsigned shift = ShiftState();
  switch (lParam) {
    case kWmLButtonDown:
      clicked_ = true;
      MouseDown(kTrayButtonLeft, shift | kTrayLeftButton, at.X, at.Y);
      break;
    case kWmLButtonUp:
      MouseUp(kTrayButtonLeft, shift | kTrayLeftButton, at.X, at.Y);
      if (clicked_) Click();
      clicked_ = false;
      break;
    case kWmLButtonDblClk:
      DblClick();
      break;
    case kWmRButtonDown:
      platform_.SetForegroundIconWindow();
      MouseDown(kTrayButtonRight, shift | kTrayRightButton, at.X, at.Y);
      break;
    case kWmRButtonUp:
      PopupAtCursor();
      MouseUp(kTrayButtonRight, shift | kTrayRightButton, at.X, at.Y);
      break;
    default:
      break;
  }
  return 0;
}
