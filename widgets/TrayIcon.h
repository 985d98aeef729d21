// TTrayIcon: one icon with a tool-tip in the notification area, its mouse notifications as
// events, and a popup menu opened at the cursor on a right click.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Graphics.h"
#include "Handles.h"
#include "Menus.h"
#include "MessageWindow.h"
#include "TrayIconCore.h"

// A list of icon pictures, as far as a tray icon takes its picture from one.
class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* AOwner);

  int Count() const { return static_cast<int>(icons_.size()); }
  // Adds a copy of the picture; returns its index.
  int AddIcon(TIcon* icon);
  void Delete(int index);
  void Clear() { icons_.clear(); }
  // Copies the picture at index into icon; an index outside the list leaves icon empty.
  void GetIcon(int index, TIcon* icon) const;

 private:
  std::vector<std::unique_ptr<TIcon>> icons_;
};

// The Win32 side of the tray icon: the hidden window that receives the shell's callback
// message, the shell call, the icon picture. A base of TTrayIcon, so that it outlives the
// core, whose destructor takes the icon out of the notification area.
class TTrayIconWindow : public ITrayIconPlatform {
 public:
  TTrayIconWindow();
  ~TTrayIconWindow() override;
  TTrayIconWindow(const TTrayIconWindow&) = delete;
  TTrayIconWindow& operator=(const TTrayIconWindow&) = delete;

  void ShellNotifyIcon(uint32_t message, const TNotifyIconData& data) override;
  uint64_t WindowHandle() override;
  uint64_t IconHandle() override;
  void AssignIcon(const TObject* source) override;
  void ClearIcon() override;
  void CopyIconFromImageList(TComponent* imageList, int index) override;
  TTrayPoint CursorPos() override;
  bool KeyDown(int virtualKey) override;
  void SetForegroundIconWindow() override;
  void SetForegroundApplication() override;
  void PostNullMessage() override;
  intptr_t DefaultHandler(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void Popup(TComponent* popupMenu, int x, int y) override;

 protected:
  // Messages reach the core only while this is set.
  TTrayIconCore* target_ = nullptr;  // not owned
  TMessageWindow window_;
  TIcon icon_;
};

class TTrayIcon : private TTrayIconWindow, public TTrayIconCore {
 public:
  explicit TTrayIcon(TComponent* AOwner);
  ~TTrayIcon() override;

  // The hidden window the shell reports to.
  HWND Handle() const { return window_.Handle(); }

  // Owned. Changing the picture through it does not tell the shell; SetIcon does.
  TIcon* Icon() { return &icon_; }
  using TTrayIconCore::SetIcon;
  void SetIcon(TIcon* icon) { TTrayIconCore::SetIcon(icon); }

  TImageList* ImageList() const { return dynamic_cast<TImageList*>(TTrayIconCore::ImageList()); }
  using TTrayIconCore::SetImageList;
  void SetImageList(TImageList* list) { TTrayIconCore::SetImageList(list); }

  TPopupMenu* PopupMenu() const { return dynamic_cast<TPopupMenu*>(TTrayIconCore::PopupMenu()); }
  void SetPopupMenu(TPopupMenu* menu) { TTrayIconCore::SetPopupMenu(menu); }
};
