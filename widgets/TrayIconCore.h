// The tray icon's portable core: the shell's notification-icon record and the state machine
// behind TTrayIcon, over a small platform interface the Win32 side implements (shell call,
// hidden window, cursor, keys, the icon picture, the popup menu).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "Classes.h"
#include "SysUtils.h"

class ETrayIcon : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr uint32_t kNimAdd = 0;
inline constexpr uint32_t kNimModify = 1;
inline constexpr uint32_t kNimDelete = 2;

inline constexpr uint32_t kNifMessage = 1;
inline constexpr uint32_t kNifIcon = 2;
inline constexpr uint32_t kNifTip = 4;

// WM_USER + 1: the shell's callback message, with the mouse message in the second parameter.
inline constexpr uint32_t kTrayCallbackMessage = 0x401;
inline constexpr uint32_t kWmLButtonDown = 0x201;
inline constexpr uint32_t kWmLButtonUp = 0x202;
inline constexpr uint32_t kWmLButtonDblClk = 0x203;
inline constexpr uint32_t kWmRButtonDown = 0x204;
inline constexpr uint32_t kWmRButtonUp = 0x205;

inline constexpr int kVkShift = 0x10;
inline constexpr int kVkControl = 0x11;
inline constexpr int kVkMenu = 0x12;

// Button codes and shift bits of the mouse events: the values of mbLeft, mbRight and
// ssShift .. ssRight of the Win32 controls.
inline constexpr int kTrayButtonLeft = 0;
inline constexpr int kTrayButtonRight = 1;
inline constexpr unsigned kTrayShift = 1;
inline constexpr unsigned kTrayAlt = 2;
inline constexpr unsigned kTrayCtrl = 4;
inline constexpr unsigned kTrayLeftButton = 8;
inline constexpr unsigned kTrayRightButton = 16;

using TTrayMouseEvent =
    std::function<void(TObject* Sender, int Button, unsigned Shift, int X, int Y)>;

// The earliest wide NOTIFYICONDATAW, up to and including szTip[64], as a 64-bit build lays
// it out. The wide record shows the tool-tip right whatever the system's ANSI code page.
inline constexpr uint32_t kNotifyIconDataSize = 168;
inline constexpr size_t kNidWindowOffset = 8;
inline constexpr size_t kNidIDOffset = 16;
inline constexpr size_t kNidFlagsOffset = 20;
inline constexpr size_t kNidCallbackMessageOffset = 24;
inline constexpr size_t kNidIconOffset = 32;
inline constexpr size_t kNidTipOffset = 40;
inline constexpr size_t kNidTipLength = 64;  // UTF-16 units, the terminating zero included
inline constexpr size_t kMaxHintLength = 63;

struct TNotifyIconData {
  uint32_t Size = kNotifyIconDataSize;
  uint64_t Window = 0;
  uint32_t ID = 0;
  uint32_t Flags = 0;
  uint32_t CallbackMessage = 0;
  uint64_t Icon = 0;
  std::array<char16_t, kNidTipLength> Tip{};

  // The record's bytes, little-endian, padding zero: what the Win32 side copies.
  std::array<uint8_t, kNotifyIconDataSize> Bytes() const;
};

// The record for one shell call. hint: Windows-1251 bytes; its first 63 characters become
// the zero-terminated tool-tip.
TNotifyIconData BuildNotifyIconData(uint64_t window, int32_t iconID, uint32_t flags, uint64_t icon,
                                    std::string_view hint);

struct TTrayPoint {
  int X = 0, Y = 0;
};

// What the tray icon needs of the platform. Handles travel as integers.
class ITrayIconPlatform {
 public:
  virtual ~ITrayIconPlatform() = default;
  // Shell_NotifyIconW with NIM_ADD, NIM_MODIFY or NIM_DELETE; its answer is not examined.
  virtual void ShellNotifyIcon(uint32_t message, const TNotifyIconData& data) = 0;
  // The hidden window that receives the callback message.
  virtual uint64_t WindowHandle() = 0;
  // The icon picture's handle, made on demand; may raise.
  virtual uint64_t IconHandle() = 0;
  // Copies another icon picture into the tray icon's own.
  virtual void AssignIcon(const TObject* source) = 0;
  virtual void ClearIcon() = 0;
  // Copies the image list's picture at index into the tray icon's own.
  virtual void CopyIconFromImageList(TComponent* imageList, int index) = 0;
  // Screen pixels.
  virtual TTrayPoint CursorPos() = 0;
  // GetKeyState reports the key down (high bit set).
  virtual bool KeyDown(int virtualKey) = 0;
  virtual void SetForegroundIconWindow() = 0;
  // The application's own (hidden) window.
  virtual void SetForegroundApplication() = 0;
  // PostMessage (hidden window, WM_NULL, 0, 0).
  virtual void PostNullMessage() = 0;
  // DefWindowProc for the hidden window.
  virtual intptr_t DefaultHandler(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // The popup menu's Popup (x, y); returns once the menu has closed.
  virtual void Popup(TComponent* popupMenu, int x, int y) = 0;
};

// TTrayIcon without its window: properties, shell calls, events. The platform must outlive
// the component, since the destructor takes the icon out of the notification area.
class TTrayIconCore : public TComponent {
 public:
  TTrayIconCore(TComponent* AOwner, ITrayIconPlatform& platform);
  ~TTrayIconCore() override;

  TComponent* ImageList() const { return imageList_; }
  int32_t ImageIndex() const { return imageIndex_; }
  int32_t IconID() const { return iconID_; }
  bool Visible() const { return visible_; }
  bool Enabled() const { return enabled_; }
  const std::string& Hint() const { return hint_; }
  TComponent* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TComponent* menu) { popupMenu_ = menu; }
  uint32_t IconFlags() const { return iconFlags_; }
  bool Clicked() const { return clicked_; }
  // The record of the last shell call.
  const TNotifyIconData& IconData() const { return iconData_; }

  TTrayMouseEvent OnMouseDown;
  TTrayMouseEvent OnMouseUp;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnPopupMenu;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

  // The hidden window's procedure; returns the message's result.
  virtual intptr_t HandleIconMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
  virtual void FillIconData();
  virtual void AddToTaskbar();
  virtual void DeleteFromTaskbar();
  virtual void UpdateFromImageList();
  virtual void MouseDown(int Button, unsigned Shift, int X, int Y);
  virtual void MouseUp(int Button, unsigned Shift, int X, int Y);
  virtual void Click();
  virtual void DblClick();
  virtual void SetIcon(const TObject* icon);
  virtual void SetImageList(TComponent* imageList);
  virtual void SetImageIndex(int32_t index);
  virtual void SetIconID(int32_t id);
  // While the owner is loading, only stores the value: Loaded shows the icon once.
  virtual void SetVisible(bool value);
  virtual void SetEnabled(bool value);
  // Keeps the first 63 characters.
  virtual void SetHint(std::string hint);
  virtual void UpDate();
  virtual void ShowIcon();
  virtual void HideIcon();
  virtual void PopupAtCursor();

  // The shell's registered "TaskbarCreated" message: a new task bar (Explorer restarted)
  // has lost the icon, so a visible icon is added again. 0 until the Win32 side sets it.
  void SetTaskbarCreatedMessage(uint32_t message) { taskbarCreatedMessage_ = message; }
  void TaskbarCreated();

  void Loaded() override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void Send(uint32_t message, const char* operation);
  unsigned ShiftState();

  ITrayIconPlatform& platform_;  // not owned
  TComponent* imageList_ = nullptr;
  int32_t imageIndex_ = 0;
  int32_t iconID_ = 0;
  uint32_t iconFlags_ = kNifMessage | kNifTip;
  bool visible_ = false;
  bool enabled_ = true;
  std::string hint_;
  TComponent* popupMenu_ = nullptr;
  bool clicked_ = false;
  uint32_t taskbarCreatedMessage_ = 0;
  TNotifyIconData iconData_;
};
