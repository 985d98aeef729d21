// Owning wrappers for Win32 handles and scope guards for device-context state.
#pragma once

#include <windows.h>

#include <utility>

// Traits: `type`, `Invalid()` and `Close(type)`.
template <class Traits>
class UniqueHandle {
 public:
  using type = typename Traits::type;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(type handle) noexcept : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  type get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

  void reset(type handle = Traits::Invalid()) noexcept {
    if (handle_ != Traits::Invalid()) Traits::Close(handle_);
    handle_ = handle;
  }
  // Hands the handle over to someone else (the system, after SetWindowRgn).
  [[nodiscard]] type release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

 private:
  type handle_ = Traits::Invalid();
};

// Handles that are null when missing, closed by `close`.
template <class T, auto close>
struct NullHandleTraits {
  using type = T;
  static type Invalid() noexcept { return nullptr; }
  static void Close(type h) noexcept { close(h); }
};

template <class T>
using GdiObjectTraits = NullHandleTraits<T, DeleteObject>;

// CreateFile reports failure as INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
  using type = HANDLE;
  static type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(type h) noexcept { CloseHandle(h); }
};

// FindFirstFile's search, likewise.
struct FindHandleTraits {
  using type = HANDLE;
  static type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(type h) noexcept { FindClose(h); }
};

using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using PenHandle = UniqueHandle<GdiObjectTraits<HPEN>>;
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using RegionHandle = UniqueHandle<GdiObjectTraits<HRGN>>;
using MenuHandle = UniqueHandle<NullHandleTraits<HMENU, DestroyMenu>>;
using IconHandle = UniqueHandle<NullHandleTraits<HICON, DestroyIcon>>;
using HookHandle = UniqueHandle<NullHandleTraits<HHOOK, UnhookWindowsHookEx>>;
// Mutexes, events and the like.
using KernelHandle = UniqueHandle<NullHandleTraits<HANDLE, CloseHandle>>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
// A DC made by CreateCompatibleDC.
using MemoryDC = UniqueHandle<NullHandleTraits<HDC, DeleteDC>>;
using WindowHandle = UniqueHandle<NullHandleTraits<HWND, DestroyWindow>>;

// BeginPaint/EndPaint for one WM_PAINT.
class PaintGuard {
 public:
  explicit PaintGuard(HWND window) noexcept : window_(window) { dc_ = BeginPaint(window_, &ps_); }
  PaintGuard(const PaintGuard&) = delete;
  PaintGuard& operator=(const PaintGuard&) = delete;
  ~PaintGuard() { EndPaint(window_, &ps_); }

  HDC dc() const noexcept { return dc_; }
  const RECT& rect() const noexcept { return ps_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
};

// GetDC/ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }

  HDC dc() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC/RestoreDC around origin and clipping changes.
class SavedDC {
 public:
  explicit SavedDC(HDC dc) noexcept : dc_(dc), saved_(SaveDC(dc)) {}
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;
  ~SavedDC() {
    if (saved_) RestoreDC(dc_, saved_);
  }

 private:
  HDC dc_;
  int saved_;
};
