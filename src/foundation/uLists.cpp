// Integer, pointer and real lists. See uLists.h.
#include "foundation/uLists.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace qx {

namespace {
[[noreturn]] void IndexError(const char* list, int32_t index, int32_t count) {
  throw std::out_of_range(std::string(list) + ": index " + std::to_string(index) + " outside 0.." +
                          std::to_string(count - 1));
}
}  // namespace

// ---- TIntList ---------------------------------------------------------------

TIntList::TIntList(int32_t n) : items_(static_cast<size_t>(std::max(n, 0)), 0) {}

void TIntList::Add(int32_t value) {
  items_.push_back(value);
}

void TIntList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
}

int32_t TIntList::At(int32_t index) const {
  if (index < 0 || index >= Count()) IndexError("TIntList", index, Count());
  return items_[static_cast<size_t>(index)];
}

void TIntList::Set(int32_t index, int32_t value) {
  if (index < 0 || index >= Count()) IndexError("TIntList", index, Count());
  items_[static_cast<size_t>(index)] = value;
}

bool TIntList::Contains(int32_t value) const {
  return std::find(items_.begin(), items_.end(), value) != items_.end();
}

// ---- TPtrList ---------------------------------------------------------------

void TPtrList::Add(void* p) {
  items_.push_back(p);
}

void TPtrList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
}

void* TPtrList::At(int32_t index) const {
  if (index < 0 || index >= Count()) IndexError("TPtrList", index, Count());
  return items_[static_cast<size_t>(index)];
}

void TPtrList::Set(int32_t index, void* p) {
  if (index < 0 || index >= Count()) IndexError("TPtrList", index, Count());
  items_[static_cast<size_t>(index)] = p;
}

int32_t TPtrList::IndexOf(const void* p) const {
  for (size_t k = 0; k < items_.size(); ++k)
    if (items_[k] == p) return static_cast<int32_t>(k);
  return -1;
}

// ---- TRealList --------------------------------------------------------------

TRealList::TRealList(int32_t growStep) : growStep_(std::max(growStep, 1)) {}

void TRealList::Add(double value) {
  if (count_ == Capacity())
    items_.resize(static_cast<size_t>(count_) + static_cast<size_t>(growStep_));
  items_[static_cast<size_t>(count_)] = value;
  ++count_;
}

void TRealList::Trim() {
  items_.resize(static_cast<size_t>(count_));
  items_.shrink_to_fit();
}

void TRealList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  count_ = 0;
}

double TRealList::At(int32_t index) const {
  if (index < 0 || index >= count_) IndexError("TRealList", index, count_);
  return items_[static_cast<size_t>(index)];
}

void TRealList::Set(int32_t index, double value) {
  if (index < 0 || index >= count_) IndexError("TRealList", index, count_);
  items_[static_cast<size_t>(index)] = value;
}

}  // namespace qx
