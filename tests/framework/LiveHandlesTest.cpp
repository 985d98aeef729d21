// What the framework holds, as the registered message "QvLiveHandles" tells a test.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Forms.h"
#include "Graphics.h"
#include "Handles.h"
#include "StdCtrls.h"
#include "Win32TestSupport.h"

namespace {

LRESULT Live(WPARAM what) {
  return SendMessageW(Application->Handle(), RegisterWindowMessageW(L"QvLiveHandles"), what, 0);
}
LRESULT Live(THandleKind kind) {
  return Live(static_cast<WPARAM>(kind));
}
LRESULT Live(TSystemCount count) {
  return Live(static_cast<WPARAM>(count));
}

TEST(LiveHandlesTest, WhatIsHeldIsCountedUntilItIsFreedOrHandedOver) {
  SKIP_WITHOUT_DISPLAY();
  const LRESULT windows = Live(THandleKind::Window), systemWindows = Live(TSystemCount::Windows);
  const LRESULT regions = Live(THandleKind::Region), brushes = Live(THandleKind::Brush);
  const LRESULT bitmaps = Live(THandleKind::Bitmap), dcs = Live(THandleKind::MemoryDC);
  auto form = std::make_unique<TForm>(nullptr);
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  edit->Handle();
  EXPECT_EQ(Live(THandleKind::Window), windows + 2);
  EXPECT_EQ(Live(TSystemCount::Windows), systemWindows + 2);
  // Remade: the old windows are gone, the child with them.
  form->SetBorderStyle(bsNone);
  edit->Handle();
  EXPECT_EQ(Live(THandleKind::Window), windows + 2);
  {
    RegionHandle moved, region(CreateRectRgn(0, 0, 4, 4));
    moved = std::move(region);
    EXPECT_EQ(Live(THandleKind::Region), regions + 1);
    ASSERT_TRUE(SetWindowRgn(form->Handle(), moved.get(), FALSE));
    (void)moved.release();  // the system's now
    EXPECT_EQ(Live(THandleKind::Region), regions);
  }
  {
    TBitmap bitmap;
    bitmap.SetSize(4, 4);
    bitmap.Canvas();
    EXPECT_EQ(Live(THandleKind::Bitmap), bitmaps + 1);
    EXPECT_EQ(Live(THandleKind::MemoryDC), dcs + 1);
  }
  EXPECT_EQ(Live(THandleKind::Bitmap), bitmaps);
  EXPECT_EQ(Live(THandleKind::MemoryDC), dcs);
  form.reset();
  EXPECT_EQ(Live(THandleKind::Window), windows);
  EXPECT_EQ(Live(TSystemCount::Windows), systemWindows);
  EXPECT_EQ(Live(WPARAM{99}), -1);

  // The system's own count of GDI objects, which Wine answers from the process's handle table.
  const LRESULT gdi = Live(TSystemCount::GdiObjects);
  ASSERT_GT(gdi, 0);
  std::vector<BrushHandle> made;
  for (int i = 0; i < 50; ++i) made.emplace_back(CreateSolidBrush(RGB(i, 0, 0)));
  EXPECT_EQ(Live(THandleKind::Brush), brushes + 50);
  EXPECT_EQ(Live(TSystemCount::GdiObjects), gdi + 50);
  made.clear();
  EXPECT_EQ(Live(TSystemCount::GdiObjects), gdi);
}

}  // namespace
