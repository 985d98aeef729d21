// Painting: what a control shows, into any DC, and what it asks to have repainted.
#include "Controls.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "Handles.h"

void TControl::Invalidate() {
  if (!parent_ || !parent_->HandleAllocated()) return;
  RECT rect = BoundsRect();
  InvalidateRect(parent_->handle_, &rect, (controlStyle_ & csOpaque) ? FALSE : TRUE);
}

void TControl::Repaint() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  if (!(controlStyle_ & csOpaque)) {
    Invalidate();
    parent_->Update();
    return;
  }
  // A cache DC: letting it go discards what the paint changed, so nothing is saved (under
  // Wine every RestoreDC selects a font afresh, which a fading frame would pay each time).
  WindowDC dc(parent_->handle_);
  IntersectClipRect(dc.dc(), left_, top_, left_ + width_, top_ + height_);
  parent_->PaintControls(dc.dc(), this);
}

void TControl::Update() {
  if (auto* window = dynamic_cast<TWinControl*>(this)) {
    if (window->HandleAllocated()) UpdateWindow(window->handle_);
  } else if (parent_) {
    parent_->Update();
  }
}

// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

void TGraphicControl::PaintTo(HDC dc) {
  CanvasDC painting(canvas_, dc);
  canvas_.Font()->Assign(Font());
  canvas_.Brush()->SetColor(Color());
  Paint();
}

// Painting

void TWinControl::PaintContent(HDC dc, const TRect& rect) {
  SavedDC saved(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  PaintWindow(dc);
  PaintControls(dc, nullptr);
}

void TWinControl::PaintBackground(HDC dc) {
  // Opaque children paint every pixel of their own; a copy for a transparent child's
  // background needs what lies beneath them too. The DC is saved only when its clipping
  // changes: a transparent child's frame fills the background on every step.
  const bool copy = (ControlState() & csPaintCopy) != 0;
  std::optional<SavedDC> saved;
  for (TControl* control : controls_) {
    if (!copy && !dynamic_cast<TWinControl*>(control) && control->Visible() &&
        (control->ControlStyle() & csOpaque)) {
      if (!saved) saved.emplace(dc);
      RECT r = control->BoundsRect();
      ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
  }
  RECT client = ClientRect();
  FillRect(dc, &client, ColorBrush());
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto start = controls_.begin();
  if (first) start = std::find(controls_.begin(), controls_.end(), first);
  // A copy: painting may add or remove controls.
  std::vector<TControl*> controls(start, controls_.end());
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  for (TControl* control : controls) {
    auto* graphic = dynamic_cast<TGraphicControl*>(control);
    if (!graphic || !graphic->Visible()) continue;
    RECT rect = graphic->BoundsRect();
    if (!RectVisible(dc, &rect)) continue;
    SavedDC saved(dc);
    SetViewportOrgEx(dc, origin.x + rect.left, origin.y + rect.top, nullptr);
    IntersectClipRect(dc, 0, 0, graphic->Width(), graphic->Height());
    graphic->PaintTo(dc);
  }
}

LRESULT TWinControl::OnPaint() {
  if (defaultProc_) return DefaultHandler(WM_PAINT, 0, 0);
  PaintGuard paint(handle_);
  PaintContent(paint.dc(), paint.rect());
  return 0;
}

LRESULT TWinControl::OnPrintClient(HDC dc) {
  if (defaultProc_) return DefaultHandler(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), 0);
  PaintContent(dc, ClientRect());
  return 0;
}

LRESULT TWinControl::OnEraseBackground(HDC dc) {
  if (defaultProc_) return DefaultHandler(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  PaintBackground(dc);
  return 1;
}

HBRUSH TWinControl::ColorBrush() {
  const COLORREF color = ColorToRGB(Color());
  if (!colorBrush_ || colorBrushColor_ != color) {
    colorBrush_.reset(CreateSolidBrush(color));
    colorBrushColor_ = color;
  }
  return colorBrush_.get();
}
