// Owning wrappers for Win32 handles and scope guards for device-context state.
#pragma once

#include <windows.h>

#include <atomic>
#include <utility>

// Every handle the framework holds is counted by kind while it is held, so that a test can ask
// a running program what it holds (the registered message "QvLiveHandles", LiveHandles.cpp):
// GetGuiResources answers nothing under Wine.
enum class THandleKind {
  // GDI
  Font,
  Brush,
  Pen,
  Bitmap,
  Region,
  MemoryDC,
  WindowDC,
  // USER
  Window,
  Menu,
  Icon,
  Hook,
  // kernel
  File,
  Find,
  Kernel,
  Count
};

// What the system itself reports, asked by the same message with these values.
enum class TSystemCount { GdiObjects = 100, UserObjects, Windows };

inline std::atomic<long> LiveHandleCounts[static_cast<int>(THandleKind::Count)];

inline void CountHandle(THandleKind kind, long change) noexcept {
  LiveHandleCounts[static_cast<int>(kind)].fetch_add(change, std::memory_order_relaxed);
}

// The application window's answer to the query: true when `message` is it.
bool AnswerLiveHandleQuery(UINT message, WPARAM what, LRESULT& answer) noexcept;

// Traits: `type`, `kind`, `Invalid()` and `Close(type)`.
template <class Traits>
class UniqueHandle {
 public:
  using type = typename Traits::type;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(type handle) noexcept : handle_(handle) { Count(handle_, 1); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Take()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.Take();
    }
    return *this;
  }
  ~UniqueHandle() { reset(); }

  type get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

  void reset(type handle = Traits::Invalid()) noexcept {
    if (handle_ != Traits::Invalid()) Traits::Close(handle_);
    Count(handle_, -1);
    handle_ = handle;
    Count(handle_, 1);
  }
  // Hands the handle over to someone else (the system, after SetWindowRgn).
  [[nodiscard]] type release() noexcept {
    Count(handle_, -1);
    return Take();
  }

 private:
  static void Count(type handle, long change) noexcept {
    if (handle != Traits::Invalid()) CountHandle(Traits::kind, change);
  }
  type Take() noexcept { return std::exchange(handle_, Traits::Invalid()); }

  type handle_ = Traits::Invalid();
};

// Handles that are null when missing, closed by `close`.
template <class T, auto close, THandleKind counted>
struct NullHandleTraits {
  using type = T;
  static constexpr THandleKind kind = counted;
  static type Invalid() noexcept { return nullptr; }
  static void Close(type h) noexcept { close(h); }
};

template <class T, THandleKind counted>
using GdiObjectTraits = NullHandleTraits<T, DeleteObject, counted>;

// CreateFile reports failure as INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
  using type = HANDLE;
  static constexpr THandleKind kind = THandleKind::File;
  static type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(type h) noexcept { CloseHandle(h); }
};

// FindFirstFile's search, likewise.
struct FindHandleTraits {
  using type = HANDLE;
  static constexpr THandleKind kind = THandleKind::Find;
  static type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(type h) noexcept { FindClose(h); }
};

using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH, THandleKind::Brush>>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT, THandleKind::Font>>;
using PenHandle = UniqueHandle<GdiObjectTraits<HPEN, THandleKind::Pen>>;
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP, THandleKind::Bitmap>>;
using RegionHandle = UniqueHandle<GdiObjectTraits<HRGN, THandleKind::Region>>;
using MenuHandle = UniqueHandle<NullHandleTraits<HMENU, DestroyMenu, THandleKind::Menu>>;
using IconHandle = UniqueHandle<NullHandleTraits<HICON, DestroyIcon, THandleKind::Icon>>;
using HookHandle = UniqueHandle<NullHandleTraits<HHOOK, UnhookWindowsHookEx, THandleKind::Hook>>;
// Mutexes, events and the like.
using KernelHandle = UniqueHandle<NullHandleTraits<HANDLE, CloseHandle, THandleKind::Kernel>>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
// A DC made by CreateCompatibleDC.
using MemoryDC = UniqueHandle<NullHandleTraits<HDC, DeleteDC, THandleKind::MemoryDC>>;
using WindowHandle = UniqueHandle<NullHandleTraits<HWND, DestroyWindow, THandleKind::Window>>;

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
  explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {
    if (dc_) CountHandle(THandleKind::WindowDC, 1);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (!dc_) return;
    ReleaseDC(window_, dc_);
    CountHandle(THandleKind::WindowDC, -1);
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
