#include "RecorderCore.h"

#include <utility>

namespace {

TRecorder* liveRecorder = nullptr;

uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void WriteLe32(uint32_t value, uint8_t* p) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}

constexpr int64_t kRecordSize = static_cast<int64_t>(kEventMsgSize);

}  // namespace

TEventMsg ReadEventMsg(const uint8_t* bytes) {
  TEventMsg event;
  event.message = ReadLe32(bytes);
  event.paramL = ReadLe32(bytes + 4);
  event.paramH = ReadLe32(bytes + 8);
  event.time = ReadLe32(bytes + 12);
  event.hwnd = ReadLe32(bytes + 16);
  return event;
}

void WriteEventMsg(const TEventMsg& event, uint8_t* bytes) {
  WriteLe32(event.message, bytes);
  WriteLe32(event.paramL, bytes + 4);
  WriteLe32(event.paramH, bytes + 8);
  WriteLe32(event.time, bytes + 12);
  WriteLe32(event.hwnd, bytes + 16);
}

TEventMsg EventFromKey(uint32_t message, const TLowLevelKey& key) {
  TEventMsg event;
  event.message = message;
  event.paramL = (key.vkCode & 0xFF) | (key.scanCode & 0xFF) << 8;
  // A repeat count of 1, as the journal reports keys.
  event.paramH = 1 | (key.extended ? kExtendedKeyFlag : 0);
  event.time = key.time;
  return event;
}

TEventMsg EventFromMouse(uint32_t message, const TLowLevelMouse& mouse) {
  TEventMsg event;
  event.message = message;
  event.paramL = static_cast<uint32_t>(mouse.x);
  event.paramH = static_cast<uint32_t>(mouse.y);
  event.time = mouse.time;
  if (message == kMsgMouseWheel || message == kMsgMouseHWheel || message == kMsgXButtonDown ||
      message == kMsgXButtonUp)
    event.hwnd = static_cast<uint32_t>(mouse.data);
  return event;
}

int32_t AbsoluteCoordinate(int32_t pixel, int32_t origin, int32_t extent) {
  if (extent <= 0) return 0;
  const int64_t offset = static_cast<int64_t>(pixel) - origin;
  if (offset <= 0) return 0;
  if (offset >= extent) return 65535;
  // The smallest value whose scaled form reaches the pixel: truncation gives the pixel, and
  // adding half a unit before truncating cannot carry it past the next one.
  const int64_t value = (offset * 65536 + extent - 1) / extent;
  return static_cast<int32_t>(value > 65535 ? 65535 : value);
}

// TRecorder

std::unique_ptr<TRecorder> TRecorder::Create(IRecorderPlatform& platform) {
  if (liveRecorder) return nullptr;
  return std::unique_ptr<TRecorder>(new TRecorder(platform));
}

TRecorder::TRecorder(IRecorderPlatform& platform) : platform_(platform) {
  liveRecorder = this;
}

TRecorder::~TRecorder() {
  // Whoever listened may be gone by now.
  OnStateChange = nullptr;
  Stop();
  timer_.reset();
  liveRecorder = nullptr;
}

void TRecorder::SetState(TRecorderState state) {
  if (state == rsIdle) {
    if (hook_ != 0) platform_.Unhook(std::exchange(hook_, 0));
    if (mouseHook_ != 0) platform_.Unhook(std::exchange(mouseHook_, 0));
    StopWatchingJournal();
    StopTimer();
    stopRequested_ = false;
    ReleaseHeld();
  }
  if (state != state_) {
    state_ = state;
    if (OnStateChange) OnStateChange(state);
  }
}

void TRecorder::Record(bool append) {
  if (state_ != rsIdle) throw Exception("Recorder: NotReady to record.");
  const IClock& clock = platform_.Clock();
  if (!append) {
    stream_.Clear();
    startTime_ = clock.TickCount();
  } else {
    currentEvent_.time = 0;
    // New records follow the last whole one wherever the position was left; a trailing
    // fragment would put every new record out of step.
    const int64_t end = stream_.Size() / kRecordSize * kRecordSize;
    stream_.SetSize(end);
    if (end > 0) {
      uint8_t bytes[kEventMsgSize];
      stream_.SetPosition(end - kRecordSize);
      stream_.ReadBuffer(bytes, kRecordSize);
      currentEvent_ = ReadEventMsg(bytes);
    }
    stream_.SetPosition(end);
    startTime_ = clock.TickCount() - currentEvent_.time;
  }

  if (useJournalHooks_) {
    if (THookHandle hook = platform_.SetHook(THookKind::JournalRecord)) {
      hook_ = hook;
      path_ = TInputPath::Journal;
      WatchJournal();
      SetState(rsRecording);
      return;
    }
  }
  if (!InstallLowLevelRecordHooks()) throw Exception("JournalHook cannot be created");
  path_ = TInputPath::LowLevel;
  SetState(rsRecording);
}

void TRecorder::WatchJournal() {
  // Without the watch the journal still works; only its removal by the system goes unseen.
  if (journalWatch_ == 0) journalWatch_ = platform_.SetHook(THookKind::ThreadMessages);
}

void TRecorder::StopWatchingJournal() {
  if (journalWatch_ != 0) platform_.Unhook(std::exchange(journalWatch_, 0));
}

bool TRecorder::InstallLowLevelRecordHooks() {
  const THookHandle keyboard = platform_.SetHook(THookKind::KeyboardLowLevel);
  if (!keyboard) return false;
  const THookHandle mouse = platform_.SetHook(THookKind::MouseLowLevel);
  if (!mouse) {
    platform_.Unhook(keyboard);
    return false;
  }
  hook_ = keyboard;
  mouseHook_ = mouse;
  return true;
}

void TRecorder::Play() {
  if (state_ != rsIdle) throw Exception("Recorder: Not ready to play.");
  // A stream without one whole record has nothing that could be played.
  if (stream_.Size() < kRecordSize) throw Exception("Recorder: Nothing to play");
  uint8_t bytes[kEventMsgSize];
  stream_.SetPosition(0);
  stream_.ReadBuffer(bytes, kRecordSize);
  currentEvent_ = ReadEventMsg(bytes);
  dueTime_ = currentEvent_.time;
  atFirstEvent_ = true;
  served_ = false;

  if (useJournalHooks_ && !journalPlaybackUnserved_) {
    if (THookHandle hook = platform_.SetHook(THookKind::JournalPlayback)) {
      try {
        ITimer& timer = Timer();
        timer.SetEnabled(false);
        timer.SetInterval(kServeTimeout);
        timer.SetEnabled(true);
      } catch (...) {
        // Without the watch the journal hook is relied on, as it would be anyway.
      }
      hook_ = hook;
      path_ = TInputPath::Journal;
      WatchJournal();
      startTime_ = platform_.Clock().TickCount();
      SetState(rsPlaying);
      return;
    }
  }
  try {
    StartLowLevelPlayback();
  } catch (...) {
    throw Exception("Playback hook cannot be created");
  }
  SetState(rsPlaying);
}

void TRecorder::StartLowLevelPlayback() {
  stopRequested_ = false;
  heldReleases_.clear();
  lastPointer_ = TEventMsg{};
  ITimer& timer = Timer();
  timer.SetEnabled(false);
  timer.SetInterval(kReplayInterval);
  timer.SetEnabled(true);
  // Real input is not blocked on this path, so the user can end the replay from the
  // keyboard; without the hook the stop button still does it.
  hook_ = platform_.SetHook(THookKind::KeyboardLowLevel);
  path_ = TInputPath::LowLevel;
  startTime_ = platform_.Clock().TickCount();
}

ITimer& TRecorder::Timer() {
  if (!timer_) {
    std::unique_ptr<ITimer> timer = platform_.CreateTimer();
    timer->SetEnabled(false);
    timer->OnTick = [this] { TimerTick(); };
    timer_ = std::move(timer);
  }
  return *timer_;
}

void TRecorder::StopTimer() {
  if (timer_ && timer_->Enabled()) timer_->SetEnabled(false);
}

void TRecorder::TimerTick() {
  if (state_ != rsPlaying || stopRequested_) {
    SetState(rsIdle);
    return;
  }
  if (path_ == TInputPath::Journal) {
    StopTimer();
    if (served_ || hook_ == 0) return;
    // Installed but never called: this system will not serve journal playback at all.
    journalPlaybackUnserved_ = true;
    platform_.Unhook(std::exchange(hook_, 0));
    StopWatchingJournal();
    try {
      StartLowLevelPlayback();
    } catch (...) {
      SetState(rsIdle);
      throw Exception("Playback hook cannot be created");
    }
  }
  ReplayDue();
}

void TRecorder::ReplayDue() {
  const uint32_t now = platform_.Clock().TickCount();
  for (int sent = 0; sent < kMaxEventsPerTick; ++sent) {
    if (!atFirstEvent_ && static_cast<int32_t>(dueTime_ - now) > 0) return;
    SendReplayed(currentEvent_);
    // The user's key may have asked to end the replay while the input was delivered.
    if (state_ != rsPlaying || stopRequested_) {
      SetState(rsIdle);
      return;
    }
    if (!ReadNextEvent()) {
      SetState(rsIdle);
      return;
    }
    // A record due already stays due: against a clock that runs on, one overdue by half the
    // tick range would seem weeks ahead at the next tick.
    dueTime_ = static_cast<int32_t>(currentEvent_.time - now) < 0 ? now : currentEvent_.time;
  }
}

namespace {

// The record that releases what `event` presses, and whether it presses anything.
bool ReleaseOf(const TEventMsg& event, TEventMsg& release) {
  release = event;
  switch (event.message) {
    case kMsgKeyDown:
      release.message = kMsgKeyUp;
      return true;
    case kMsgSysKeyDown:
      release.message = kMsgSysKeyUp;
      return true;
    case kMsgLButtonDown:
    case kMsgLButtonDown + 2:  // double click
      release.message = kMsgLButtonUp;
      return true;
    case kMsgRButtonDown:
    case kMsgRButtonDown + 2:
      release.message = kMsgRButtonUp;
      return true;
    case kMsgMButtonDown:
    case kMsgMButtonDown + 2:
      release.message = kMsgMButtonUp;
      return true;
    case kMsgXButtonDown:
    case kMsgXButtonDown + 2:
      release.message = kMsgXButtonUp;
      return true;
  }
  return false;
}

// Which key or button a press or release is about: the message in the high half, so that
// no message of a macro, however odd, passes for the release of a held key.
uint64_t InputId(const TEventMsg& event) {
  switch (event.message) {
    case kMsgKeyDown:
    case kMsgKeyUp:
    case kMsgSysKeyDown:
    case kMsgSysKeyUp:
      return uint64_t{kMsgKeyDown} << 32 | (event.paramL & 0xFF);
    case kMsgXButtonUp:
      return uint64_t{kMsgXButtonUp} << 32 | (event.hwnd & 0xFF);
    default:
      return uint64_t{event.message} << 32;
  }
}

bool IsMouseMessage(uint32_t message) {
  return message >= kMsgMouseMove && message <= kMsgMouseHWheel;
}

}  // namespace

void TRecorder::SendReplayed(const TEventMsg& event) {
  TEventMsg release;
  const bool presses = ReleaseOf(event, release);
  const uint64_t id = InputId(presses ? release : event);
  std::erase_if(heldReleases_, [id](const TEventMsg& held) { return InputId(held) == id; });
  if (presses) heldReleases_.push_back(release);
  if (IsMouseMessage(event.message)) lastPointer_ = event;
  platform_.SendEvent(event);
}

void TRecorder::ReleaseHeld() {
  while (!heldReleases_.empty()) {
    TEventMsg release = heldReleases_.back();
    heldReleases_.pop_back();
    // Buttons come up where the pointer is, not where they went down.
    if (IsMouseMessage(release.message)) {
      release.paramL = lastPointer_.paramL;
      release.paramH = lastPointer_.paramH;
    }
    platform_.SendEvent(release);
  }
}

bool TRecorder::ReadNextEvent() {
  const int64_t position = stream_.Position();
  if (position < 0 || stream_.Size() - position < kRecordSize) return false;
  uint8_t bytes[kEventMsgSize];
  stream_.ReadBuffer(bytes, kRecordSize);
  currentEvent_ = ReadEventMsg(bytes);
  currentEvent_.time = currentEvent_.time / 100 * static_cast<uint32_t>(speed_) + startTime_;
  atFirstEvent_ = false;
  return true;
}

void TRecorder::Capture(TEventMsg event) {
  currentEvent_ = event;
  const uint32_t elapsed = event.time - startTime_;
  // Input queued before the recording started counts as at its start, not 49 days later.
  currentEvent_.time = static_cast<int32_t>(elapsed) < 0 ? 0 : elapsed;
  if (IsKeyMessage(currentEvent_.message) && (currentEvent_.paramL & 0xFF) == kVkCancel)
    SetState(rsIdle);
  uint8_t bytes[kEventMsgSize];
  WriteEventMsg(currentEvent_, bytes);
  stream_.WriteBuffer(bytes, kRecordSize);
}

intptr_t TRecorder::RecordHookProc(int code, uintptr_t wParam, intptr_t lParam) {
  if (code < 0) return CallNext(code, wParam, lParam);
  if (code == kHookAction && state_ == rsRecording && path_ == TInputPath::Journal)
    Capture(platform_.LoadEvent(lParam));
  return 0;
}

intptr_t TRecorder::PlaybackHookProc(int code, uintptr_t wParam, intptr_t lParam) {
  if (code < 0 || state_ != rsPlaying || path_ != TInputPath::Journal)
    return CallNext(code, wParam, lParam);
  if (code == kHookGetNext) {
    served_ = true;
    platform_.StoreEvent(lParam, currentEvent_);
    if (atFirstEvent_) return 0;
    const int32_t wait = static_cast<int32_t>(currentEvent_.time - platform_.Clock().TickCount());
    return wait > 0 ? wait : 0;
  }
  if (code == kHookSkip) {
    served_ = true;
    if (!ReadNextEvent()) SetState(rsIdle);
    return 0;
  }
  if (lParam) platform_.StoreEvent(lParam, currentEvent_);
  return CallNext(code, wParam, lParam);
}

intptr_t TRecorder::KeyboardHookProc(int code, uintptr_t wParam, intptr_t lParam) {
  if (code == kHookAction && path_ == TInputPath::LowLevel && state_ != rsIdle) {
    const TLowLevelKey key = platform_.LoadKey(lParam);
    const auto message = static_cast<uint32_t>(wParam);
    if (state_ == rsRecording) {
      Capture(EventFromKey(message, key));
    } else if (!key.injected && (message == kMsgKeyDown || message == kMsgSysKeyDown) &&
               (key.vkCode == kVkCancel || key.vkCode == kVkEscape)) {
      stopRequested_ = true;
    }
  }
  return CallNext(code, wParam, lParam);
}

intptr_t TRecorder::MouseHookProc(int code, uintptr_t wParam, intptr_t lParam) {
  if (code == kHookAction && path_ == TInputPath::LowLevel && state_ == rsRecording)
    Capture(EventFromMouse(static_cast<uint32_t>(wParam), platform_.LoadMouse(lParam)));
  return platform_.CallNextHook(mouseHook_, code, wParam, lParam);
}

void TRecorder::JournalCancelled() {
  if (state_ == rsIdle || path_ != TInputPath::Journal) return;
  hook_ = 0;
  SetState(rsIdle);
}
