// Controls: the visual base class, non-windowed controls painted by their parent, and the
// window-owning base with the one window procedure.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Classes.h"
#include "Graphics.h"

enum TAlign { alNone, alClient };

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateFlag : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64,
};
using TShiftState = unsigned;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
// Key is a virtual-key code; a handler that sets it to 0 keeps it from the control.
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
// Key is the typed character in Windows-1251; a handler that sets it to 0 swallows it.
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// Shift, Ctrl and Alt as the keyboard holds them now.
TShiftState KeyboardShiftState();

using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crHandPoint = -21;

// The system cursor for a cursor value (null for crDefault).
HCURSOR CursorHandle(TCursor cursor);

// Registers one of the framework's (Unicode) window classes; later calls find it
// registered. A refused registration shows when the window is created.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, UINT style = 0,
                         HCURSOR cursor = nullptr);

// Form and edit borders.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

enum TControlStyleFlag : unsigned {
  csOpaque = 1,  // paints its whole rectangle: the parent paints nothing beneath it
};
using TControlStyle = unsigned;

enum TControlStateFlag : unsigned {
  csPaintCopy = 1,  // painting into a copy, not onto the screen
};
using TControlState = unsigned;

class TWinControl;
class TPopupMenu;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  // Places the control on a parent window (null takes it off), at the end of its child order.
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  virtual void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  virtual void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  virtual void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  virtual void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  virtual void SetBounds(int left, int top, int width, int height);
  // The rectangle in the parent's client coordinates.
  TRect BoundsRect() const { return Rect(left_, top_, left_ + width_, top_ + height_); }
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint) { hint_ = std::move(hint); }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show) { showHint_ = show; }

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool parentColor);
  TFont* Font() { return &font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool parentFont);

  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle style) { controlStyle_ = style; }
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState state) { controlState_ = state; }

  // Queues a repaint of the control's rectangle.
  virtual void Invalidate();
  // Repaints at once where the control is (a non-windowed one together with the
  // non-windowed controls in front of it).
  virtual void Repaint();
  void Update();

  // Mouse entry points; coordinates are the control's client coordinates.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void Click();

  // The context menu: a right click (WM_CONTEXTMENU) opens it at the cursor.
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }
  // Opens PopupMenu at the screen point; false when there is none.
  virtual bool DoContextPopup(POINT screen);

  // Frees the control after the message being handled, for a handler of its own.
  void Release();

  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // A parent's colour or font changed: children that follow it copy it.
  virtual void ParentColorChanged();
  virtual void ParentFontChanged();
  virtual void ColorChanged() { Invalidate(); }
  virtual void FontChanged() { Invalidate(); }
  // The rectangle changed (already stored).
  virtual void BoundsChanged() {}

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;

 private:
  friend class TWinControl;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TCursor cursor_ = crDefault;
  std::string hint_;
  bool showHint_ = false;
  TColor color_ = clBtnFace;
  bool parentColor_ = false;
  TFont font_;
  bool parentFont_ = true;
  bool followingParent_ = false;
  TControlStyle controlStyle_ = 0;
  TControlState controlState_ = 0;
  TPopupMenu* popupMenu_ = nullptr;  // not owned
};

// A control without a window of its own: its parent paints it, in child order, through
// its Canvas, whose DC is set only while Paint runs.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);

  TCanvas* Canvas() { return &canvas_; }
  // Paints the control onto dc, whose origin is at the control's top-left corner.
  void PaintTo(HDC dc);

 protected:
  virtual void Paint() {}

 private:
  TCanvas canvas_;
};

// Window creation parameters, adjusted by each class's CreateParams.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  // Empty: the framework's own window class. A system class (L"EDIT", ...) is subclassed.
  std::wstring SystemClass;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // Made on demand; a window that is showing makes its visible windowed children with it,
  // a hidden one when it is shown.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys the window and makes it anew with the current properties; the new window keeps
  // the old one's region, its place in the topmost layer and its children's text.
  void RecreateWnd();
  // The object of one of the framework's windows, or null.
  static TWinControl* FromHandle(HWND window);

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;
  // The topmost visible, enabled non-windowed child at (x, y) of the client area, or null.
  TControl* ControlAtPos(int x, int y) const;

  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetClientWidth(int width);
  void SetClientHeight(int height);
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void Invalidate() override;
  void Repaint() override;

  // Keyboard focus. TabOrder ranks the windowed children of one parent; only controls
  // with TabStop are reached by Tab.
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
  int TabOrder() const;
  void SetTabOrder(int order);
  // Visible and enabled, with every parent.
  bool CanFocus() const;
  // Visible, with every parent.
  bool Showing() const;
  bool Focused() const;
  virtual void SetFocus();
  // The parent chain's top: the form.
  TWinControl* TopParent();
  // The windowed descendants in tab order, each before its own children.
  std::vector<TWinControl*> TabOrderList();
  // The first of TabOrderList that Tab would reach, or null.
  TWinControl* FirstTabStop();

  // Painting depends only on a DC and a rectangle: WM_PAINT and WM_PRINTCLIENT end here.
  void PaintContent(HDC dc, const TRect& rect);
  // The background (WM_ERASEBKGND): the client area in Color.
  virtual void PaintBackground(HDC dc);
  // The window's own content, without its children.
  virtual void PaintWindow(HDC dc);
  // The non-windowed children from `first` on (all when null), back to front.
  void PaintControls(HDC dc, TControl* first);

  // Lays out the children with alClient over the client area.
  void AlignControls();

  // Messages reach here through the one window procedure; unhandled ones go to DefaultHandler.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;

  // The window's text (caption, edit text), as Windows-1251.
  std::string GetText() const;
  void SetText(const std::string& text);

  // Fired before the control's own handling.
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

 protected:
  virtual void CreateParams(TCreateParams& params);
  // Creates the window; the window procedure ties it to this object from WM_NCCREATE.
  virtual void CreateWnd();
  void DestroyHandle();
  void BoundsChanged() override;
  void ColorChanged() override;
  void FontChanged() override;
  // A system control's window keeps its own mouse handling.
  bool IsSystemControl() const { return defaultProc_ != nullptr; }

  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // Whether the control takes Tab, Enter or Escape itself instead of the form.
  virtual bool WantsKey(WORD key);
  // The top parent's handling of Tab, Enter and Escape; true when it took the key.
  virtual bool DialogKey(WORD key, TShiftState shift);
  // Told by a descendant that it got the focus.
  virtual void FocusChanged(TWinControl* control);

  // Notifications that a child window sends its parent, delivered to the child's object.
  // Command: WM_COMMAND's notification code; true when handled.
  virtual bool Command(WORD code);
  virtual bool Notify(NMHDR& header, LRESULT& result);
  // WM_CTLCOLOR...: set the DC's colours and return the background brush, or null.
  virtual HBRUSH CtlColor(HDC dc);
  virtual void DrawItem(const DRAWITEMSTRUCT& item);
  virtual void MeasureItem(MEASUREITEMSTRUCT& item);

  LRESULT OnPaint();
  LRESULT OnPrintClient(HDC dc);
  LRESULT OnEraseBackground(HDC dc);
  LRESULT OnMouseButton(UINT message, WPARAM wParam, int x, int y);
  LRESULT OnMouseMove(WPARAM wParam, int x, int y);
  LRESULT OnSetCursor(HWND window, int hitTest, UINT mouseMessage);
  LRESULT OnWindowPosChanged(const WINDOWPOS& pos);
  LRESULT OnNcDestroy();
  LRESULT OnKey(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnChar(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnContextMenu(HWND window, int x, int y);
  LRESULT OnChildMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

 private:
  friend class TControl;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void UpdateBoundsFromWindow();
  RECT CurrentClientRect() const;
  void CreateChildHandles();
  HBRUSH ColorBrush();

  HWND handle_ = nullptr;
  std::string text_;               // the text while there is no window
  WNDPROC defaultProc_ = nullptr;  // the system class's own procedure when subclassed
  std::vector<TControl*> controls_;
  TControl* captureControl_ = nullptr;  // pressed child that gets the release
  bool clickPending_ = false;
  bool settingBounds_ = false;
  bool tabStop_ = false;
  UINT childId_ = 0;
  TWinControl* creatingChild_ = nullptr;  // whose CreateWindowEx is running
  RegionHandle keptRegion_;
  bool keptTopmost_ = false;
  UINT nextChildId_ = 1;
  BrushHandle colorBrush_;
  COLORREF colorBrushColor_ = 0;
};
