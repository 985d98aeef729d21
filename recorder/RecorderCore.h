// Recorder, portable half: the macro record format, the recorder's state machine, the rules
// of its hook procedures and the playback schedule, over an injected platform. The Win32
// module (Recorder.h) supplies the platform and the hook procedures the system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Timing.h"

// One input event as a macro stores it: five 32-bit little-endian fields, 20 bytes, the
// layout of a 32-bit EVENTMSG. A 64-bit EVENTMSG is 24 bytes, so it is never copied whole.
struct TEventMsg {
  uint32_t message = 0;
  uint32_t paramL = 0;  // keys: virtual key in bits 0-7, scan code in 8-15; mouse: screen x
  uint32_t paramH = 0;  // keys: bit 15 marks an extended key; mouse: screen y
  uint32_t time = 0;    // stored: ms since the recording started; playing: tick when due
  uint32_t hwnd = 0;
  bool operator==(const TEventMsg&) const = default;
};

inline constexpr size_t kEventMsgSize = 20;

TEventMsg ReadEventMsg(const uint8_t* bytes);
void WriteEventMsg(const TEventMsg& event, uint8_t* bytes);

// Input messages, with the platform's values.
inline constexpr uint32_t kMsgKeyDown = 0x0100;
inline constexpr uint32_t kMsgKeyUp = 0x0101;
inline constexpr uint32_t kMsgSysKeyDown = 0x0104;
inline constexpr uint32_t kMsgSysKeyUp = 0x0105;
inline constexpr uint32_t kMsgKeyLast = 0x0108;
inline constexpr uint32_t kMsgMouseMove = 0x0200;
inline constexpr uint32_t kMsgLButtonDown = 0x0201;
inline constexpr uint32_t kMsgLButtonUp = 0x0202;
inline constexpr uint32_t kMsgRButtonDown = 0x0204;
inline constexpr uint32_t kMsgRButtonUp = 0x0205;
inline constexpr uint32_t kMsgMButtonDown = 0x0207;
inline constexpr uint32_t kMsgMButtonUp = 0x0208;
inline constexpr uint32_t kMsgMouseWheel = 0x020A;
inline constexpr uint32_t kMsgXButtonDown = 0x020B;
inline constexpr uint32_t kMsgXButtonUp = 0x020C;
inline constexpr uint32_t kMsgMouseHWheel = 0x020E;

inline constexpr uint32_t kVkCancel = 0x03;  // Break with Ctrl held
inline constexpr uint32_t kVkEscape = 0x1B;
inline constexpr uint32_t kExtendedKeyFlag = 0x8000;

// Hook codes, with the platform's values.
inline constexpr int kHookAction = 0;
inline constexpr int kHookGetNext = 1;
inline constexpr int kHookSkip = 2;

constexpr bool IsKeyMessage(uint32_t message) {
  return message >= kMsgKeyDown && message <= kMsgKeyLast;
}

// A key as a low-level keyboard hook reports it.
struct TLowLevelKey {
  uint32_t vkCode = 0;
  uint32_t scanCode = 0;
  bool extended = false;
  bool injected = false;  // sent by a program, not typed
  uint32_t time = 0;
};

// A mouse event as a low-level mouse hook reports it.
struct TLowLevelMouse {
  int32_t x = 0, y = 0;  // screen coordinates
  int32_t data = 0;      // wheel delta or X button, the high word of mouseData
  bool injected = false;
  uint32_t time = 0;
};

// The record of a low-level event. No window is captured on this path: hwnd holds the wheel
// delta or X button number for those messages and 0 otherwise.
TEventMsg EventFromKey(uint32_t message, const TLowLevelKey& key);
TEventMsg EventFromMouse(uint32_t message, const TLowLevelMouse& mouse);

// The absolute input coordinate (0..65535 across `extent` pixels from `origin`) that the
// system maps back to `pixel`, whether it truncates or rounds the scaled value.
int32_t AbsoluteCoordinate(int32_t pixel, int32_t origin, int32_t extent);

enum TRecorderState : uint8_t { rsIdle = 0, rsRecording = 1, rsPlaying = 2 };

// How input is captured or replayed: the journal hooks, or the low-level keyboard and mouse
// hooks with replay through the platform's SendInput from a timer.
enum class TInputPath : uint8_t { None, Journal, LowLevel };

// ThreadMessages watches the messages the recorder's own thread retrieves, from any message
// loop: the system tells of a journal hook it removed only by a message posted there.
enum class THookKind : uint8_t {
  JournalRecord,
  JournalPlayback,
  KeyboardLowLevel,
  MouseLowLevel,
  ThreadMessages
};
using THookHandle = uintptr_t;

// What the recorder needs of the system. Hook procedures get the system's raw arguments;
// the platform reads and writes the structures behind lParam.
class IRecorderPlatform {
 public:
  virtual ~IRecorderPlatform() = default;
  // The installed hook (system-wide, calling the matching hook procedure of the recorder;
  // ThreadMessages on the calling thread only), or 0 when the platform refuses it.
  virtual THookHandle SetHook(THookKind kind) = 0;
  // Removing a hook the system has already removed fails harmlessly.
  virtual void Unhook(THookHandle hook) = 0;
  virtual intptr_t CallNextHook(THookHandle hook, int code, uintptr_t wParam, intptr_t lParam) = 0;
  virtual TEventMsg LoadEvent(intptr_t lParam) = 0;
  virtual void StoreEvent(intptr_t lParam, const TEventMsg& event) = 0;
  virtual TLowLevelKey LoadKey(intptr_t lParam) = 0;
  virtual TLowLevelMouse LoadMouse(intptr_t lParam) = 0;
  // Feeds one record to the system as input (the low-level path's replay).
  virtual void SendEvent(const TEventMsg& event) = 0;
  virtual const IClock& Clock() = 0;
  // A timer ticking on the thread that runs the hook procedures; may raise.
  virtual std::unique_ptr<ITimer> CreateTimer() = 0;
};

// Records mouse and keyboard input into Stream and replays it with its recorded timing.
class TRecorder : public TObject {
 public:
  using TStateChangeEvent = std::function<void(TRecorderState state)>;

  static constexpr int32_t kDefaultSpeed = 100;
  // A journal playback hook that the system has not called this long after Play is taken
  // as one that will never be called; playback goes on through the low-level path.
  static constexpr unsigned kServeTimeout = 500;
  // Period of the low-level replay timer and the most records it sends per tick.
  static constexpr unsigned kReplayInterval = 10;
  static constexpr int kMaxEventsPerTick = 64;

  // Only one recorder exists at a time: this yields null while another one lives.
  static std::unique_ptr<TRecorder> Create(IRecorderPlatform& platform);
  // Stops (removing any hook) and frees the stream.
  ~TRecorder() override;
  TRecorder(const TRecorder&) = delete;
  TRecorder& operator=(const TRecorder&) = delete;

  // Starts capturing input into Stream, emptied first unless append is on. Raises
  // "Recorder: NotReady to record." or "JournalHook cannot be created".
  void Record(bool append);
  // Starts replaying Stream from its first record. Raises "Recorder: Not ready to play.",
  // "Recorder: Nothing to play" or "Playback hook cannot be created".
  void Play();
  void Stop() { SetState(rsIdle); }
  void SetState(TRecorderState state);

  // Hook procedures, called with the system's arguments.
  intptr_t RecordHookProc(int code, uintptr_t wParam, intptr_t lParam);
  intptr_t PlaybackHookProc(int code, uintptr_t wParam, intptr_t lParam);
  intptr_t KeyboardHookProc(int code, uintptr_t wParam, intptr_t lParam);
  intptr_t MouseHookProc(int code, uintptr_t wParam, intptr_t lParam);
  // The system removed the journal hook (Ctrl+Esc, Ctrl+Alt+Del): the recording or playback
  // is over. The dead handle is forgotten unremoved, as the system may reuse it.
  void JournalCancelled();
  // The replay timer's tick (also bound to the timer's OnTick).
  void TimerTick();
  // Keys and buttons the low-level replay has pressed and not yet released; released when
  // the replay ends, so that a macro cut short or ended by Ctrl+Break leaves nothing held.
  const std::vector<TEventMsg>& HeldReleases() const { return heldReleases_; }

  TRecorderState State() const { return state_; }
  TMemoryStream& Stream() { return stream_; }
  THookHandle Hook() const { return hook_; }
  uint32_t StartTime() const { return startTime_; }
  const TEventMsg& CurrentEvent() const { return currentEvent_; }
  // The tick from which the low-level replay sends the current record.
  uint32_t DueTime() const { return dueTime_; }
  int32_t Speed() const { return speed_; }
  void SetSpeed(int32_t speed) { speed_ = speed; }
  // The path in use while recording or playing; the last one used when idle.
  TInputPath Path() const { return path_; }
  // Off: the journal hooks are not tried, input goes through the low-level path at once.
  bool UseJournalHooks() const { return useJournalHooks_; }
  void SetUseJournalHooks(bool use) { useJournalHooks_ = use; }

  TStateChangeEvent OnStateChange;

 private:
  explicit TRecorder(IRecorderPlatform& platform);

  // A journal hook is installed: watch for the system removing it.
  void WatchJournal();
  void StopWatchingJournal();
  bool InstallLowLevelRecordHooks();
  void StartLowLevelPlayback();
  ITimer& Timer();
  void StopTimer();
  void Capture(TEventMsg event);
  void SendReplayed(const TEventMsg& event);
  void ReleaseHeld();
  // Reads the next whole record and makes its time absolute; false at the end.
  bool ReadNextEvent();
  void ReplayDue();
  intptr_t CallNext(int code, uintptr_t wParam, intptr_t lParam) {
    return platform_.CallNextHook(hook_, code, wParam, lParam);
  }

  IRecorderPlatform& platform_;
  TEventMsg currentEvent_;
  uint32_t dueTime_ = 0;
  TRecorderState state_ = rsIdle;
  TMemoryStream stream_;
  THookHandle hook_ = 0;
  // The low-level mouse hook while recording on that path.
  THookHandle mouseHook_ = 0;
  // The ThreadMessages hook while a journal hook is installed; 0 if the platform refused it.
  THookHandle journalWatch_ = 0;
  uint32_t startTime_ = 0;
  int32_t speed_ = kDefaultSpeed;

  TInputPath path_ = TInputPath::None;
  bool useJournalHooks_ = true;
  // The system accepts journal playback hooks here but never calls them.
  bool journalPlaybackUnserved_ = false;
  bool served_ = false;
  bool atFirstEvent_ = false;
  // The user's key asked to end the low-level replay; done at the next tick, outside the hook.
  bool stopRequested_ = false;
  std::vector<TEventMsg> heldReleases_;
  TEventMsg lastPointer_;
  std::unique_ptr<ITimer> timer_;
};
