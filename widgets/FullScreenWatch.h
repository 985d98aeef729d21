// TFullScreenWatch: while another program's window in front runs full screen on the owning
// form's monitor (or the shell reports a full-screen state), the program's windows leave the
// topmost layer and stay behind it; when it leaves full screen, closes or another window
// comes to the front, those that stay on top return to the topmost layer. A layer above
// TStayOnTop, whose rules it keeps: it only restores what they ask for.
#pragma once

#include <windows.h>

#include "Classes.h"
#include "DesktopRules.h"
#include "Handles.h"

class TForm;
class TTimer;

using WinEventHandle =
    UniqueHandle<NullHandleTraits<HWINEVENTHOOK, UnhookWinEvent, THandleKind::Hook>>;

class TFullScreenWatch : public TComponent {
 public:
  // The owner must be a form (EInvalidCast otherwise). One watch follows the foreground at
  // a time: a later one takes over.
  explicit TFullScreenWatch(TComponent* AOwner);
  ~TFullScreenWatch() override;

  void Loaded() override;

  // Looks at the foreground window again: after the form moved or the displays changed.
  void Check();
  // The full-screen window the program's windows stay behind; null while there is none.
  HWND Behind() const { return behind_; }

 private:
  static void CALLBACK WinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                LONG child, DWORD thread, DWORD time) noexcept;
  void Poll();
  void Follow(HWND foreground);
  void Decide(HWND foreground);
  void Apply(HWND behind);
  // A visible window of the program lies above the one it should stay behind.
  bool OursAbove() const;

  TForm* form_;  // the owner
  WinEventHandle foregroundHook_;
  // Moves, hiding and closing of the window in front, from its own thread only.
  WinEventHandle windowHook_;
  TTimer* poll_ = nullptr;  // owned as a component; only where hooks miss other programs
  HWND followed_ = nullptr;
  HWND behind_ = nullptr;
  // What the last look at the foreground saw, so that a poll that finds it unchanged stops.
  HWND polled_ = nullptr;
  RECT polledRect_{};
  LONG polledStyle_ = 0;
};
