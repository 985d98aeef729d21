#include "TextFade.h"

#include <algorithm>
#include <vector>

#include "Blend.h"
#include "Handles.h"

namespace {

// Sets csPaintCopy on a control for the scope.
class PaintCopyState {
 public:
  explicit PaintCopyState(TControl& control) : control_(control), saved_(control.ControlState()) {
    control_.SetControlState(saved_ | csPaintCopy);
  }
  PaintCopyState(const PaintCopyState&) = delete;
  PaintCopyState& operator=(const PaintCopyState&) = delete;
  ~PaintCopyState() { control_.SetControlState(saved_); }

 private:
  TControl& control_;
  TControlState saved_;
};

// Moves the DC's origin by (dx, dy) from where it stands.
void OffsetOrigin(HDC dc, int dx, int dy) {
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  SetViewportOrgEx(dc, origin.x + dx, origin.y + dy, nullptr);
}

ptrdiff_t RowStride(TBitmap& bitmap) {
  if (bitmap.Height() < 2) return 0;
  return bitmap.ScanLine(1) - bitmap.ScanLine(0);
}

void BlendPictures(TBitmap& frame, TBitmap& old, int oldWeight) {
  frame.SetPixelFormat(pf24bit);
  old.SetPixelFormat(pf24bit);
  const int width = std::min(frame.Width(), old.Width());
  const int height = std::min(frame.Height(), old.Height());
  if (width <= 0 || height <= 0) return;
  BlendBitmaps(frame.ScanLine(0), RowStride(frame), old.ScanLine(0), RowStride(old), width, height,
               oldWeight);
}

}  // namespace

TTextFader::TTextFader(TComponent* AOwner)
    : TGraphicControl(AOwner), core_(timer_, this), background_(std::make_unique<TPicture>()) {
  SetControlStyle(ControlStyle() | csOpaque);
  SetBounds(Left(), Top(), 200, 16);
  core_.OnRedraw = [this] { Repaint(); };
  core_.OnInvalidate = [this] { Invalidate(); };
  core_.IsLoading = [this] { return IsLoading(); };
  core_.OnComplete = [this](TObject* sender) {
    if (OnComplete) OnComplete(sender);
  };
  background_->OnChange = [this](TObject*) { Invalidate(); };
}

TTextFader::~TTextFader() {
  core_.SetActive(false);
  background_.reset();
  core_.OnRedraw = nullptr;
  core_.OnInvalidate = nullptr;
  core_.OnComplete = nullptr;
}

void TTextFader::SetLines(TStringList* lines) {
  if (lines)
    core_.SetLines(*lines);
  else
    core_.Lines().Clear();
}

void TTextFader::SetBackground(TPicture* picture) {
  background_->Assign(picture);
}

void TTextFader::SetBiDiMode(TBiDiMode mode) {
  if (mode == biDiMode_) return;
  biDiMode_ = mode;
  Invalidate();
}

void TTextFader::Loaded() {
  TGraphicControl::Loaded();
  core_.Loaded();
}

void TTextFader::Paint() {
  core_.Paint([this] { PaintFrame(); });
}

void TTextFader::PaintFrame() {
  const int width = Width(), height = Height();
  if (width <= 0 || height <= 0) return;
  // Taken first: a paint that leads back here lets go of the canvas's DC.
  HDC target = Canvas()->Handle();
  TBitmap frame;
  frame.SetSize(width, height);
  if (Transparent())
    PaintParentBackground(frame);
  else
    PaintOwnBackground(frame);

  if (!core_.Fading()) {
    DrawLineText(frame, CurrentText());
  } else {
    TBitmap old;
    old.Assign(&frame);
    DrawLineText(old, PreviousText());
    DrawLineText(frame, CurrentText());
    BlendPictures(frame, old, core_.OldWeight());
  }
  BitBlt(target, 0, 0, width, height, frame.DC(), 0, 0, SRCCOPY);
}

void TTextFader::PaintOwnBackground(TBitmap& frame) {
  const int width = frame.Width(), height = frame.Height();
  TCanvas& canvas = *frame.Canvas();
  canvas.Brush()->SetStyle(bsSolid);
  canvas.Brush()->SetColor(Color());
  canvas.FillRect(Rect(0, 0, width, height));
  TBitmap& picture = *background_->Bitmap();
  if (picture.Empty()) return;
  switch (BackgroundMode()) {
    case bmNone:
      break;
    case bmTiled:
      TileGraphic(canvas, Rect(0, 0, width, height), picture);
      break;
    case bmStretched:
      canvas.StretchDraw(Rect(0, 0, width, height), &picture);
      break;
    case bmCentered: {
      const FaderPoint at = CenteredOrigin(width, height, picture.Width(), picture.Height());
      canvas.Draw(at.x, at.y, &picture);
      break;
    }
  }
}

void TTextFader::TileGraphic(TCanvas& canvas, const TRect& rect, TBitmap& picture) {
  const FaderRect area{rect.left, rect.top, rect.right, rect.bottom};
  for (FaderPoint at : TilePositions(area, picture.Width(), picture.Height()))
    canvas.Draw(at.x, at.y, &picture);
}

void TTextFader::PaintParentBackground(TBitmap& frame) {
  TWinControl* parent = Parent();
  if (!parent) return;
  HDC dc = frame.DC();
  PaintCopyState parentCopy(*parent);
  {
    SavedDC saved(dc);
    OffsetOrigin(dc, -Left(), -Top());
    const TRect client = parent->ClientRect();
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    parent->PaintBackground(dc);
    parent->PaintWindow(dc);
  }

  // The non-windowed controls behind this one; painting may change the list.
  std::vector<TControl*> siblings;
  for (int i = 0; i < parent->ControlCount(); ++i) siblings.push_back(parent->Controls(i));
  const TRect own = BoundsRect();
  for (TControl* control : siblings) {
    if (control == this) break;
    auto* graphic = dynamic_cast<TGraphicControl*>(control);
    if (!graphic || !graphic->Visible()) continue;
    TRect overlap{};
    const TRect bounds = graphic->BoundsRect();
    if (!IntersectRect(&overlap, &bounds, &own)) continue;
    PaintCopyState childCopy(*graphic);
    SavedDC saved(dc);
    OffsetOrigin(dc, graphic->Left() - Left(), graphic->Top() - Top());
    IntersectClipRect(dc, 0, 0, graphic->Width(), graphic->Height());
    graphic->PaintTo(dc);
  }
}

void TTextFader::DrawLineText(TBitmap& picture, const std::string& text) {
  if (text.empty()) return;
  TCanvas& canvas = *picture.Canvas();
  canvas.Font()->Assign(Font());
  canvas.Brush()->SetStyle(bsClear);
  SetBkMode(canvas.Handle(), TRANSPARENT);
  const UINT flags = core_.TextFlags(UseRightToLeftAlignment(), UseRightToLeftReading());
  TRect measured = Rect(0, 0, picture.Width(), 0);
  canvas.DrawTextRect(text, measured, flags | DT_CALCRECT);
  const FaderRect box = TextRect(picture.Width(), picture.Height(), measured.bottom - measured.top);
  TRect target = Rect(box.left, box.top, box.right, box.bottom);
  canvas.DrawTextRect(text, target, flags);
}
