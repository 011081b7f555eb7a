#include "instruments/uToneAlsa.h"

#include <alsa/asoundlib.h>

#include <vector>

namespace qx {

namespace {

// ALSA reports a missing device on stderr; the beeper is silent instead.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

constexpr size_t kBlockFrames = TToneAlsa::kRate / 100;  // 10 ms: a stop is heard at once
constexpr unsigned kLatencyUs = 50000;
constexpr int16_t kAmplitude = 6000;

snd_pcm_t* OpenDevice() {
  snd_lib_error_set_handler(QuietAlsaErrors);
  snd_pcm_t* pcm = nullptr;
  // Non-blocking open: a busy device must not hang the tone thread.
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return nullptr;
  if (snd_pcm_nonblock(pcm, 0) < 0 ||
      snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                         TToneAlsa::kRate, 1, kLatencyUs) < 0) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  return pcm;
}

}  // namespace

void FillSquareWave(int16_t* out, size_t frames, uint32_t rate, uint16_t frequency,
                    int16_t amplitude, uint32_t& phase) {
  if (rate == 0) return;
  // Whole numbers: the period does not drift over a long tone.
  for (size_t i = 0; i < frames; ++i) {
    out[i] = phase < rate / 2 ? amplitude : static_cast<int16_t>(-amplitude);
    phase = static_cast<uint32_t>((static_cast<uint64_t>(phase) + frequency) % rate);
  }
}

TToneAlsa::~TToneAlsa() {
  if (thread_.joinable()) {
    thread_.request_stop();
    wake_.notify_all();
    thread_.join();
  }
}

void TToneAlsa::Start(uint16_t frequency) {
  {
    std::lock_guard g(lock_);
    if (failed_) return;
    frequency_ = frequency;
    if (!thread_.joinable()) thread_ = std::jthread([this](std::stop_token s) { Run(s); });
  }
  wake_.notify_all();
}

void TToneAlsa::Stop() {
  {
    std::lock_guard g(lock_);
    frequency_ = 0;
  }
  wake_.notify_all();
}

bool TToneAlsa::Available() const {
  std::lock_guard g(lock_);
  return !failed_;
}

void TToneAlsa::Run(std::stop_token stop) {
  snd_pcm_t* pcm = nullptr;
  std::vector<int16_t> block(kBlockFrames);
  uint32_t phase = 0;
  bool playing = false;
  while (!stop.stop_requested()) {
    uint16_t f = 0;
    {
      std::unique_lock g(lock_);
      if (!playing) wake_.wait(g, stop, [this] { return frequency_ != 0 || failed_; });
      if (stop.stop_requested() || failed_) break;
      f = frequency_;
    }
    if (f == 0) {
      // Silence now, not after the buffered samples.
      snd_pcm_drop(pcm);
      snd_pcm_prepare(pcm);
      playing = false;
      continue;
    }
    if (!pcm && !(pcm = OpenDevice())) {
      std::lock_guard g(lock_);
      failed_ = true;
      break;
    }
    playing = true;
    FillSquareWave(block.data(), block.size(), kRate, f, kAmplitude, phase);
    snd_pcm_sframes_t n = snd_pcm_writei(pcm, block.data(), block.size());
    if (n < 0) n = snd_pcm_recover(pcm, static_cast<int>(n), 1);
    if (n < 0) {
      std::lock_guard g(lock_);
      failed_ = true;
      break;
    }
  }
  if (pcm) {
    snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
  }
}

}  // namespace qx
