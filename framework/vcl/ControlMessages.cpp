// Routing messages to their handlers, and child notifications to the child's object.
#include "Controls.h"

#include <windowsx.h>

#include "Menus.h"

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  if (defaultProc_) return CallWindowProcW(defaultProc_, handle_, message, wParam, lParam);
  return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT TWinControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_PAINT:
      return OnPaint();
    case WM_PRINTCLIENT:
      return OnPrintClient(reinterpret_cast<HDC>(wParam));
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return OnMouseButton(message, wParam, x, y);
    case WM_MOUSEMOVE:
      return OnMouseMove(wParam, x, y);
    case WM_CAPTURECHANGED:
      captureControl_ = nullptr;
      break;
    case WM_SETCURSOR:
      return OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_WINDOWPOSCHANGED:
      return OnWindowPosChanged(*reinterpret_cast<WINDOWPOS*>(lParam));
    case WM_NCDESTROY:
      return OnNcDestroy();
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return OnKey(message, wParam, lParam);
    case WM_CHAR:
      return OnChar(message, wParam, lParam);
    case WM_SETFOCUS:
      TopParent()->FocusChanged(this);
      break;
    case WM_CONTEXTMENU:
      return OnContextMenu(reinterpret_cast<HWND>(wParam), x, y);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_MENUCHAR:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORDLG: {
      bool handled = false;
      LRESULT result = OnChildMessage(message, wParam, lParam, handled);
      if (handled) return result;
      break;
    }
  }
  return DefaultHandler(message, wParam, lParam);
}

LRESULT TWinControl::OnChildMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  LRESULT result = 0;
  handled = true;
  switch (message) {
    case WM_COMMAND:
      if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
        handled = child->Command(HIWORD(wParam));
        return 0;
      }
      // A menu's choice (HIWORD 0, no window) goes to the item of that command.
      if (lParam == 0 && HIWORD(wParam) == 0 && HandleMenuMessage(message, wParam, lParam, result))
        return result;
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (TWinControl* child = FromHandle(header->hwndFrom)) {
        handled = child->Notify(*header, result);
        return result;
      }
      break;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU) {
        if (HandleMenuMessage(message, wParam, lParam, result)) return result;
      } else if (TWinControl* child = FromHandle(item->hwndItem)) {
        child->DrawItem(*item);
        return TRUE;
      }
      break;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU) {
        if (HandleMenuMessage(message, wParam, lParam, result)) return result;
      } else {
        TWinControl* child = creatingChild_;
        if (!child || child->childId_ != item->CtlID)
          child = FromHandle(GetDlgItem(handle_, static_cast<int>(item->CtlID)));
        if (child) {
          child->MeasureItem(*item);
          return TRUE;
        }
      }
      break;
    }
    case WM_MENUCHAR:
      if (HandleMenuMessage(message, wParam, lParam, result)) return result;
      break;
    default:  // WM_CTLCOLOR...
      if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)))
        if (HBRUSH brush = child->CtlColor(reinterpret_cast<HDC>(wParam)))
          return reinterpret_cast<LRESULT>(brush);
      break;
  }
  handled = false;
  return 0;
}

// Child notifications

bool TWinControl::Command(WORD) {
  return false;
}

bool TWinControl::Notify(NMHDR&, LRESULT&) {
  return false;
}

HBRUSH TWinControl::CtlColor(HDC dc) {
  SetTextColor(dc, ColorToRGB(Font()->Color()));
  SetBkColor(dc, ColorToRGB(Color()));
  return ColorBrush();
}

void TWinControl::DrawItem(const DRAWITEMSTRUCT&) {}

void TWinControl::MeasureItem(MEASUREITEMSTRUCT&) {}
