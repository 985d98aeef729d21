// TSkinForm: a picture filling its form that gives the form its stored outline (Mask2),
// takes away its border and drags the whole window on a left press.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "ExtCtrls.h"
#include "Handles.h"

class TSkinForm;

// The region a skin stands for; the holder owns it.
class TRegionType : public TPersistent {
 public:
  RegionHandle Handle;
  TSkinForm* Skin = nullptr;  // not owned
};

class TSkinForm : public TImage {
 public:
  explicit TSkinForm(TComponent* AOwner);
  ~TSkinForm() override;

  TRegionType* Mask() const { return mask_.get(); }
  // Takes the holder over and points it at this skin; the old one is released. Null is ignored.
  void SetMask(std::unique_ptr<TRegionType> mask);
  // Pressing and dragging works whatever its value.
  bool Draggable() const { return draggable_; }
  void SetDraggable(bool draggable) { draggable_ = draggable; }

  // The N region-data bytes last read from the stored description, and N.
  std::span<const uint8_t> MaskData() const;
  uint32_t MaskSize() const { return maskSize_; }

  // The picture and the window's outline k times as large.
  void SetPixelScale(int k) override;

  // A form parent loses its border; the skin ends at (0, 0).
  void SetParent(TWinControl* parent) override;
  // Any value puts the skin at 0 on that axis.
  void SetLeft(int left) override;
  void SetTop(int top) override;

  // A left press starts the system's move loop on the parent; no press event is raised.
  // OnDragEnd follows when the loop has ended.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  TNotifyEvent OnDragEnd;

  // Adds the binary property "Mask2", always stored.
  void DefineProperties(TFiler& filer) override;
  // A value the checks refuse leaves the mask empty and the window unshaped, silently.
  void ReadMask(TStream& stream);
  void WriteMask(TStream& stream);

 protected:
  // A new picture invalidates the outline held; a window that took it keeps it.
  void PictureChanged(TObject* Sender) override;

 private:
  const RGNDATA* MaskRegionData() const;
  void ApplyToParent();

  std::unique_ptr<TRegionType> mask_;
  // The whole stored value (count, then region data), DWORD-aligned as RGNDATA must be.
  std::vector<DWORD> maskValue_;
  uint32_t maskSize_ = 0;
  bool draggable_ = true;
};

// Hands an RCDATA resource to the skin as its stored "Mask2" value; a missing resource
// is a description without one.
void ReadMaskResource(TSkinForm& skin, HINSTANCE instance, int id);
