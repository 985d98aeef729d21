#include "WavePlay.h"

#include <windows.h>
#include <mmsystem.h>

#include <span>

#include "WaveSound.h"

namespace {

TSoundFunction& SoundFunction() {
  static TSoundFunction function;
  return function;
}

bool PlaySystemSound(const void* sound, unsigned flags) {
  const TSoundFunction& function = SoundFunction();
  if (function) return function(sound, flags);
  return sndPlaySoundA(static_cast<LPCSTR>(sound), flags) != FALSE;
}

}  // namespace

void SetSoundFunction(TSoundFunction function) {
  SoundFunction() = std::move(function);
}

TWavePlayer::TWavePlayer(TComponent* AOwner) : TComponent(AOwner) {}

TWavePlayer::~TWavePlayer() {
  Stop();
}

void TWavePlayer::Play() {
  Stop();
  if (sound_.Size() == 0) return;
  const auto* bytes = static_cast<const uint8_t*>(sound_.Memory());
  std::span<const uint8_t> image(bytes, static_cast<size_t>(sound_.Size()));
  if (!IsWaveImage(image)) return;
  playing_.assign(image.begin(), image.end());
  const bool started =
      PlaySystemSound(playing_.data(), WavePlayFlags(stopOthers_, waitToStop_, loop_));
  active_ = started && loop_;
}

void TWavePlayer::Stop() {
  active_ = false;
  PlaySystemSound(nullptr, kSndMemory);
  playing_.clear();
}

void TWavePlayer::SetActive(bool active) {
  if (active == active_) return;
  if (active)
    Play();
  else
    Stop();
}

void TWavePlayer::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Data", [this](TStream& stream) { ReadData(stream); },
      [this](TStream& stream) { WriteData(stream); }, sound_.Size() > 0);
}

void TWavePlayer::ReadData(TStream& stream) {
  sound_.LoadFromStream(stream);
}

void TWavePlayer::WriteData(TStream& stream) {
  sound_.SaveToStream(stream);
}
