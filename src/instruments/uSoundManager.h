// The speaker shared by every beeper (module uSoundManager).
//
// TSoundManager keeps a stack of sounding elements: the one that started
// last is heard; when it stops, the one below it is heard again. It drives a
// tone device, which the program fills with the ALSA tone generator and
// tests with a fake. GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace qx {

// A continuous speaker tone: Start replaces any tone that sounds, Stop ends
// it. Nothing is answered: a machine without a sound device stays silent.
class IToneDevice {
 public:
  virtual ~IToneDevice() = default;
  virtual void Start(uint16_t frequency) = 0;
  virtual void Stop() = 0;
};

// What the stack holds: something with a tone frequency.
class TSoundSource {
 public:
  virtual ~TSoundSource() = default;
  virtual uint16_t SoundFrequency() const = 0;
};

class TSoundManager {
 public:
  static constexpr int32_t kMaxItems = 20;

  explicit TSoundManager(std::unique_ptr<IToneDevice> device);
  TSoundManager(const TSoundManager&) = delete;
  TSoundManager& operator=(const TSoundManager&) = delete;

  void StartSound(TSoundSource& e);
  void StopSound(TSoundSource& e);
  // Position of e from the bottom (0-based), or -1.
  int32_t IndexOf(const TSoundSource& e) const;
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // The element heard, or none.
  TSoundSource* Top() const { return items_.empty() ? nullptr : items_.back(); }
  IToneDevice& Device() const { return *device_; }

 private:
  void Push(TSoundSource& e);
  void Remove(int32_t index);

  std::unique_ptr<IToneDevice> device_;
  std::vector<TSoundSource*> items_;
};

// The program's sound manager: made by the first beeper with the ALSA tone
// device, kept to the end of the process.
extern TSoundManager* SoundManager;
TSoundManager& EnsureSoundManager();
// Replaces the sound manager by one on this device (tests); the stack starts
// empty.
void InitSoundManager(std::unique_ptr<IToneDevice> device);

}  // namespace qx
