#include "instruments/uSoundManager.h"

#include <algorithm>

#include "instruments/uToneAlsa.h"

namespace qx {

namespace {
std::unique_ptr<TSoundManager> ownedManager;
}  // namespace

TSoundManager* SoundManager = nullptr;

TSoundManager::TSoundManager(std::unique_ptr<IToneDevice> device) : device_(std::move(device)) {
  items_.reserve(kMaxItems);
}

void TSoundManager::StartSound(TSoundSource& e) {
  // A start for an element already on the stack only brings it to the top:
  // the tone heard is always that of the latest start still sounding.
  if (const int32_t i = IndexOf(e); i >= 0) Remove(i);
  device_->Start(e.SoundFrequency());
  Push(e);
}

void TSoundManager::StopSound(TSoundSource& e) {
  if (items_.empty()) return;
  if (items_.back() == &e) {
    items_.pop_back();
    if (items_.empty())
      device_->Stop();
    else
      device_->Start(items_.back()->SoundFrequency());
    return;
  }
  if (const int32_t i = IndexOf(e); i >= 0) Remove(i);
}

int32_t TSoundManager::IndexOf(const TSoundSource& e) const {
  for (int32_t i = Count() - 1; i >= 0; --i)
    if (items_[static_cast<size_t>(i)] == &e) return i;
  return -1;
}

void TSoundManager::Push(TSoundSource& e) {
  if (Count() == kMaxItems) items_.pop_back();  // the newest start replaces the top
  items_.push_back(&e);
}

void TSoundManager::Remove(int32_t index) {
  items_.erase(items_.begin() + index);
}

TSoundManager& EnsureSoundManager() {
  if (!SoundManager) InitSoundManager(std::make_unique<TToneAlsa>());
  return *SoundManager;
}

void InitSoundManager(std::unique_ptr<IToneDevice> device) {
  ownedManager = std::make_unique<TSoundManager>(std::move(device));
  SoundManager = ownedManager.get();
}

}  // namespace qx
