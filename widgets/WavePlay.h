// TWavePlayer: plays a wave image held in memory through sndPlaySoundA.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "Classes.h"

// Stands for sndPlaySoundA(sound, flags): a null sound stops the one playing; returns
// whether the sound was started.
using TSoundFunction = std::function<bool(const void* sound, unsigned flags)>;

// Replaces the system call for every player (tests record the calls); null restores it.
void SetSoundFunction(TSoundFunction function);

class TWavePlayer : public TComponent {
 public:
  explicit TWavePlayer(TComponent* AOwner);
  ~TWavePlayer() override;

  void Play();
  void Stop();

  bool Active() const { return active_; }
  void SetActive(bool active);
  bool StopOthers() const { return stopOthers_; }
  void SetStopOthers(bool stopOthers) { stopOthers_ = stopOthers; }
  bool WaitToStop() const { return waitToStop_; }
  void SetWaitToStop(bool waitToStop) { waitToStop_ = waitToStop; }
  bool Loop() const { return loop_; }
  void SetLoop(bool loop) { loop_ = loop; }
  // The complete wave file; callers replace its content directly.
  TMemoryStream* Sound() { return &sound_; }

  // "Data": Sound's bytes, stored only when Sound is not empty.
  void DefineProperties(TFiler& filer) override;

 private:
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);

  bool active_ = false;
  bool stopOthers_ = false;
  bool waitToStop_ = false;
  bool loop_ = false;
  TMemoryStream sound_;
  // What the system plays from: an asynchronous sound reads its memory while it plays,
  // and callers may replace Sound's content meanwhile.
  std::vector<uint8_t> playing_;
};
