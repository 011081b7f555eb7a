// Speaker tone over ALSA (module uToneAlsa): a generator thread writes a
// square wave of the requested frequency to the default playback device.
// Without a device (or when it fails) the tone stays silent, with no
// message: the beeper reads no result.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>

#include "instruments/uSoundManager.h"

namespace qx {

class TToneAlsa final : public IToneDevice {
 public:
  static constexpr uint32_t kRate = 48000;

  TToneAlsa() = default;
  ~TToneAlsa() override;  // stops the tone and joins the thread
  TToneAlsa(const TToneAlsa&) = delete;
  TToneAlsa& operator=(const TToneAlsa&) = delete;

  void Start(uint16_t frequency) override;
  void Stop() override;
  // False once the device could not be opened or failed (no further tries).
  bool Available() const;

 private:
  void Run(std::stop_token stop);

  mutable std::mutex lock_;
  std::condition_variable_any wake_;
  uint16_t frequency_ = 0;  // 0: silent
  bool failed_ = false;
  std::jthread thread_;  // started by the first Start; declared last
};

// A square wave of `frequency` Hz at `rate` frames per second into out,
// continuing from phase (0 .. rate - 1, in 1/rate of a period, updated) so
// that blocks join without a click.
void FillSquareWave(int16_t* out, size_t frames, uint32_t rate, uint16_t frequency,
                    int16_t amplitude, uint32_t& phase);

}  // namespace qx
