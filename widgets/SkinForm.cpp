#include "SkinForm.h"

#include <cstring>

#include "Forms.h"
#include "RegionData.h"

namespace {

constexpr WPARAM kMoveFromCaption = 0xF012;  // SC_MOVE | HTCAPTION

std::vector<DWORD> RegionBytes(HRGN region, DWORD& size) {
  size = GetRegionData(region, 0, nullptr);
  std::vector<DWORD> buffer((size + 3) / 4);
  if (size == 0 || GetRegionData(region, size, reinterpret_cast<RGNDATA*>(buffer.data())) != size)
    size = 0;
  return buffer;
}

}  // namespace

TSkinForm::TSkinForm(TComponent* AOwner) : TImage(AOwner), mask_(std::make_unique<TRegionType>()) {
  SetAlign(alClient);
  mask_->Skin = this;
  // Erasing beneath the skin is answered as done: the picture covers it.
  SetControlStyle(ControlStyle() | csOpaque);
}

TSkinForm::~TSkinForm() = default;

void TSkinForm::SetMask(std::unique_ptr<TRegionType> mask) {
  if (!mask) return;
  mask->Skin = this;
  mask_ = std::move(mask);
}

std::span<const uint8_t> TSkinForm::MaskData() const {
  if (maskSize_ == 0) return {};
  return {reinterpret_cast<const uint8_t*>(maskValue_.data()) + kMask2CountSize, maskSize_};
}

void TSkinForm::SetParent(TWinControl* parent) {
  TImage::SetParent(parent);
  if (auto* form = dynamic_cast<TForm*>(parent)) form->SetBorderStyle(bsNone);
  SetTop(0);
  SetLeft(0);
}

void TSkinForm::SetLeft(int) {
  TImage::SetBounds(0, top_, width_, height_);
}

void TSkinForm::SetTop(int) {
  TImage::SetBounds(left_, 0, width_, height_);
}

void TSkinForm::MouseDown(TMouseButton button, TShiftState, int, int) {
  if (button != mbLeft || !parent_) return;
  ReleaseCapture();
  // Returns only when the system's move loop ends, at the button's release.
  SendMessageA(parent_->Handle(), WM_SYSCOMMAND, kMoveFromCaption, 0);
  if (OnDragEnd) OnDragEnd(this);
}

void TSkinForm::DefineProperties(TFiler& filer) {
  TImage::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Mask2", [this](TStream& stream) { ReadMask(stream); },
      [this](TStream& stream) { WriteMask(stream); }, true);
}

void TSkinForm::ReadMask(TStream& stream) {
  mask_->Handle.reset();
  maskValue_.clear();
  maskSize_ = 0;

  const int64_t available = stream.Size() - stream.Position();
  if (available <= 0) return;
  std::vector<DWORD> value((static_cast<size_t>(available) + 3) / 4);
  stream.ReadBuffer(value.data(), available);
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(value.data()),
                                 static_cast<size_t>(available));

  // A value shorter than it claims is never read past its end.
  uint32_t count = 0;
  if (bytes.size() >= kMask2CountSize) std::memcpy(&count, bytes.data(), sizeof count);
  if (count == 0 || count > bytes.size() - kMask2CountSize) return;
  const bool valid = ParseMask2(bytes.first(kMask2CountSize + count), nullptr) == Mask2Status::Ok;
  maskValue_ = std::move(value);
  maskSize_ = count;
  if (!valid) return;
  mask_->Handle.reset(ExtCreateRegion(nullptr, maskSize_, MaskRegionData()));
  if (mask_->Handle) ApplyToParent();
}

const RGNDATA* TSkinForm::MaskRegionData() const {
  return reinterpret_cast<const RGNDATA*>(maskValue_.data() + 1);
}

void TSkinForm::SetPixelScale(int k) {
  const int old = PixelScale();
  TImage::SetPixelScale(k);
  if (PixelScale() != old && mask_->Handle) ApplyToParent();
}

void TSkinForm::ApplyToParent() {
  if (IsDesigning() || !parent_) return;
  // The window gets a region of its own; the holder keeps its copy, so WriteMask and
  // PictureChanged never touch a region the system owns.
  RegionHandle windowRegion;
  if (PixelScale() == 1) {
    windowRegion.reset(ExtCreateRegion(nullptr, maskSize_, MaskRegionData()));
  } else {
    const auto* value = reinterpret_cast<const uint8_t*>(maskValue_.data());
    std::vector<uint8_t> scaled = ScaleMask2({value, kMask2CountSize + maskSize_}, PixelScale());
    if (scaled.size() <= kMask2CountSize) return;
    // Copied into DWORDs: RGNDATA must be aligned.
    std::vector<DWORD> aligned((scaled.size() + 3) / 4);
    std::memcpy(aligned.data(), scaled.data(), scaled.size());
    windowRegion.reset(ExtCreateRegion(nullptr, static_cast<DWORD>(scaled.size() - kMask2CountSize),
                                       reinterpret_cast<const RGNDATA*>(aligned.data() + 1)));
  }
  if (!windowRegion) return;
  if (SetWindowRgn(parent_->Handle(), windowRegion.get(), TRUE)) (void)windowRegion.release();
}

void TSkinForm::WriteMask(TStream& stream) {
  DWORD size = 0;
  std::vector<DWORD> data;
  if (mask_->Handle) data = RegionBytes(mask_->Handle.get(), size);
  const uint32_t count = size;
  stream.WriteBuffer(&count, sizeof count);
  if (count) stream.WriteBuffer(data.data(), count);
}

void TSkinForm::PictureChanged(TObject* Sender) {
  TImage::PictureChanged(Sender);
  if (mask_) mask_->Handle.reset();
}

void ReadMaskResource(TSkinForm& skin, HINSTANCE instance, int id) {
  HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!info) return;
  HGLOBAL loaded = LoadResource(instance, info);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return;
  ReadBinaryProperty(skin, "Mask2", bytes, SizeofResource(instance, info));
}
