#include "foundation/uBuffer.h"

#include <algorithm>

namespace qx {

namespace {
int32_t AtLeastOne(int32_t n) {
  return n < 1 ? 1 : n;
}

// At least size places. A half that shrinks back after a swap keeps its
// memory (and its texts their buffers) for the next tick: MaxCount bounds it,
// and giving it back only to take it again cost more than the rows.
template <class V>
void ReservePlaces(V& v, size_t size) {
  if (v.size() < size) v.resize(size);
}
}  // namespace

// ---------------------------------------------------------------- TBufferBase

TBufferBase::TBufferBase(int32_t capacity) : capacity_(AtLeastOne(capacity)) {}

void TBufferBase::SetOnOverflow(TOverflowEvent handler) {
  std::lock_guard lk(lock_);
  OnOverflow = std::move(handler);
}

void TBufferBase::FireOverflow() {
  lost_.fetch_add(1, std::memory_order_relaxed);
  if (OnOverflow) OnOverflow(*this);
}

void TBufferBase::AdvanceWrite() {
  auto& count = WriteCountRef();
  const int32_t n = count.load(std::memory_order_relaxed) + 1;
  if (n >= capacity_) {
    // The last place is a spare: the item stored there is never read.
    count.store(capacity_ - 1, std::memory_order_relaxed);
    FireOverflow();
  } else {
    count.store(n, std::memory_order_relaxed);
  }
}

bool TBufferBase::Swap() {
  // An empty buffer costs no lock: only the consumer flips the halves, so
  // the write half cannot change under us, only its count can grow.
  if (WriteCount() == 0) return false;
  std::lock_guard lk(lock_);
  readCount_ = WriteCount();
  const bool toA = !writeToA_.load(std::memory_order_relaxed);
  writeToA_.store(toA, std::memory_order_relaxed);
  readIndex_ = -1;
  // The new write half must be empty even if the consumer left the last read
  // unfinished; otherwise its stale items would be read a second time.
  WriteCountRef().store(0, std::memory_order_relaxed);
  AfterSwapLocked();
  return true;
}

bool TBufferBase::Next() {
  if (readIndex_ + 1 < readCount_) {
    ++readIndex_;
    return true;
  }
  if (readCount_ > 0) {
    // The read half is empty when it becomes the write half again; no
    // producer touches it until then.
    (ReadHalf() == 0 ? countA_ : countB_).store(0, std::memory_order_relaxed);
  }
  readIndex_ = readCount_;
  return false;
}

void TBufferBase::ResetCountsLocked() {
  countA_.store(0, std::memory_order_relaxed);
  countB_.store(0, std::memory_order_relaxed);
  readCount_ = 0;
  readIndex_ = -1;
}

void TBufferBase::Clear() {
  std::lock_guard lk(lock_);
  ResetCountsLocked();
  ClearLocked();
}

// ---------------------------------------------------------- TExtendBufferBase

TExtendBufferBase::TExtendBufferBase(int32_t capacity) : TBufferBase(capacity) {}

void TExtendBufferBase::AdvanceWrite() {
  auto& count = WriteCountRef();
  const int32_t n = count.load(std::memory_order_relaxed);
  const int32_t max = MaxCount.load(std::memory_order_relaxed);
  if (max > 0 && n > max) {
    FireOverflow();  // dropped: the item stays in the free place, unread
    return;
  }
  count.store(n + 1, std::memory_order_relaxed);
  const int half = WriteHalf();
  // Keep one free place for the next Put.
  if (n + 1 >= Size(half)) SetSize(half, Size(half) + capacity_);
}

void TExtendBufferBase::AfterSwapLocked() {
  const int half = WriteHalf();
  if (Size(half) > capacity_) SetSize(half, capacity_);
}

void TExtendBufferBase::ClearLocked() {
  if (sizeA_ != capacity_) SetSizeA(capacity_);
  if (sizeB_ != capacity_) SetSizeB(capacity_);
}

// ---------------------------------------------------------------- TCharBuffer

TCharBuffer::TCharBuffer(int32_t capacity) : TBufferBase(capacity) {
  for (auto& d : data_) d.assign(static_cast<size_t>(capacity_), 0);
}

void TCharBuffer::Put(char c) {
  std::lock_guard lk(lock_);
  data_[WriteHalf()][static_cast<size_t>(WriteCount())] = c;
  AdvanceWrite();
}

void TCharBuffer::Put(std::string_view bytes) {
  std::lock_guard lk(lock_);
  auto& d = data_[WriteHalf()];
  for (char c : bytes) {
    d[static_cast<size_t>(WriteCount())] = c;
    AdvanceWrite();
  }
}

bool TCharBuffer::PutPair(char first, char second) {
  std::lock_guard lk(lock_);
  return PutPairLocked(first, second);
}

bool TCharBuffer::PutPairLocked(char first, char second) {
  // The last place is the spare of AdvanceWrite: two readable places must
  // remain below it.
  const int32_t n = WriteCount();
  if (n + 2 >= capacity_) {
    FireOverflow();
    return false;
  }
  auto& d = data_[WriteHalf()];
  d[static_cast<size_t>(n)] = first;
  d[static_cast<size_t>(n) + 1] = second;
  WriteCountRef().store(n + 2, std::memory_order_relaxed);
  return true;
}

void TCharBuffer::PutEscaped(std::span<const uint8_t> bytes, uint8_t escape) {
  std::lock_guard lk(lock_);
  auto& d = data_[WriteHalf()];
  for (const uint8_t b : bytes) {
    const char c = static_cast<char>(b);
    if (b == escape) {
      PutPairLocked(c, c);
    } else {
      d[static_cast<size_t>(WriteCount())] = c;
      AdvanceWrite();
    }
  }
}

bool TCharBuffer::Get(char& c) {
  if (!Next()) return false;
  c = data_[ReadHalf()][static_cast<size_t>(readIndex_)];
  return true;
}

// -------------------------------------------------------------- TStringBuffer

TStringBuffer::TStringBuffer(int32_t capacity) : TBufferBase(capacity) {
  for (auto& d : data_) d.resize(static_cast<size_t>(capacity_));
}

void TStringBuffer::Put(std::string_view text) {
  std::lock_guard lk(lock_);
  data_[WriteHalf()][static_cast<size_t>(WriteCount())].assign(text);
  AdvanceWrite();
}

bool TStringBuffer::Get(std::string& text) {
  if (!Next()) return false;
  text = data_[ReadHalf()][static_cast<size_t>(readIndex_)];
  return true;
}

// ---------------------------------------------------------- TStringBoolBuffer

TStringBoolBuffer::TStringBoolBuffer(int32_t capacity) : TBufferBase(capacity) {
  for (int h = 0; h < 2; ++h) {
    text_[h].resize(static_cast<size_t>(capacity_));
    flag_[h].assign(static_cast<size_t>(capacity_), 0);
  }
}

void TStringBoolBuffer::Put(std::string_view text, bool flag) {
  std::lock_guard lk(lock_);
  const int h = WriteHalf();
  const auto i = static_cast<size_t>(WriteCount());
  text_[h][i].assign(text);
  flag_[h][i] = flag ? 1 : 0;
  AdvanceWrite();
}

bool TStringBoolBuffer::Get(std::string& text, bool& flag) {
  if (!Next()) return false;
  const int h = ReadHalf();
  const auto i = static_cast<size_t>(readIndex_);
  text = text_[h][i];
  flag = flag_[h][i] != 0;
  return true;
}

// ------------------------------------------------------------ TRowArrayBuffer

TRowArrayBuffer::TRowArrayBuffer(int32_t capacity) : TBufferBase(capacity) {
  AllocateRows();
}

void TRowArrayBuffer::AllocateRows() {
  for (auto& d : data_) d.assign(static_cast<size_t>(capacity_) * width_, 0.0);
  row_.assign(static_cast<size_t>(width_), 0.0);
}

void TRowArrayBuffer::SetWidth(int32_t w) {
  w = AtLeastOne(w);
  if (w == width_) return;
  std::lock_guard lk(lock_);
  ResetCountsLocked();
  width_ = w;
  AllocateRows();
}

void TRowArrayBuffer::Put(std::span<const double> row) {
  std::lock_guard lk(lock_);
  double* dst = data_[WriteHalf()].data() + static_cast<size_t>(WriteCount()) * width_;
  const size_t n = std::min(row.size(), static_cast<size_t>(width_));
  std::copy_n(row.data(), n, dst);
  std::fill(dst + n, dst + width_, 0.0);
  AdvanceWrite();
}

bool TRowArrayBuffer::Get(std::span<const double>& row) {
  if (!Next()) return false;
  const double* src = data_[ReadHalf()].data() + static_cast<size_t>(readIndex_) * width_;
  std::copy_n(src, width_, row_.data());
  row = std::span<const double>(row_);
  return true;
}

bool TRowArrayBuffer::Get(std::vector<double>& row) {
  std::span<const double> r;
  if (!Get(r)) return false;
  row.assign(r.begin(), r.end());
  return true;
}

// -------------------------------------------------------- TStringExtendBuffer

TStringExtendBuffer::TStringExtendBuffer(int32_t capacity) : TExtendBufferBase(capacity) {
  SetSizeA(capacity_);
  SetSizeB(capacity_);
}

void TStringExtendBuffer::SetSizeA(int32_t size) {
  ReservePlaces(data_[0], static_cast<size_t>(size));
  TExtendBufferBase::SetSizeA(size);
}

void TStringExtendBuffer::SetSizeB(int32_t size) {
  ReservePlaces(data_[1], static_cast<size_t>(size));
  TExtendBufferBase::SetSizeB(size);
}

void TStringExtendBuffer::Put(std::string_view text) {
  std::lock_guard lk(lock_);
  data_[WriteHalf()][static_cast<size_t>(WriteCount())].assign(text);
  AdvanceWrite();
}

bool TStringExtendBuffer::Get(std::string& text) {
  if (!Next()) return false;
  text = data_[ReadHalf()][static_cast<size_t>(readIndex_)];
  return true;
}

// ----------------------------------------------------- TStringIntExtendBuffer

TStringIntExtendBuffer::TStringIntExtendBuffer(int32_t capacity) : TExtendBufferBase(capacity) {
  SetSizeA(capacity_);
  SetSizeB(capacity_);
}

void TStringIntExtendBuffer::ResizeHalf(int half, int32_t size) {
  ReservePlaces(text_[half], static_cast<size_t>(size));
  ReservePlaces(int_[half], static_cast<size_t>(size));
}

void TStringIntExtendBuffer::SetSizeA(int32_t size) {
  ResizeHalf(0, size);
  TExtendBufferBase::SetSizeA(size);
}

void TStringIntExtendBuffer::SetSizeB(int32_t size) {
  ResizeHalf(1, size);
  TExtendBufferBase::SetSizeB(size);
}

void TStringIntExtendBuffer::Put(std::string_view text, int32_t value) {
  std::lock_guard lk(lock_);
  const int h = WriteHalf();
  const auto i = static_cast<size_t>(WriteCount());
  text_[h][i].assign(text);
  int_[h][i] = value;
  AdvanceWrite();
}

bool TStringIntExtendBuffer::Get(std::string& text, int32_t& value) {
  if (!Next()) return false;
  const int h = ReadHalf();
  const auto i = static_cast<size_t>(readIndex_);
  text = text_[h][i];
  value = int_[h][i];
  return true;
}

// ---------------------------------------------------- TKombiArrayExtendBuffer

TKombiArrayExtendBuffer::TKombiArrayExtendBuffer(int32_t capacity) : TExtendBufferBase(capacity) {
  SetSizeA(capacity_);
  SetSizeB(capacity_);
}

void TKombiArrayExtendBuffer::ResizeHalf(int half, int32_t size) {
  const size_t cells = static_cast<size_t>(size) * static_cast<size_t>(width_);
  ReservePlaces(value_[half], cells);
  ReservePlaces(text_[half], cells);
  ReservePlaces(isNumber_[half], cells);
}

void TKombiArrayExtendBuffer::SetSizeA(int32_t size) {
  ResizeHalf(0, size);
  TExtendBufferBase::SetSizeA(size);
}

void TKombiArrayExtendBuffer::SetSizeB(int32_t size) {
  ResizeHalf(1, size);
  TExtendBufferBase::SetSizeB(size);
}

void TKombiArrayExtendBuffer::SetWidth(int32_t w) {
  w = AtLeastOne(w);
  if (w == width_) return;
  std::lock_guard lk(lock_);
  ResetCountsLocked();
  width_ = w;
  for (int h = 0; h < 2; ++h) {
    value_[h].clear();
    text_[h].clear();
    isNumber_[h].clear();
  }
  SetSizeA(capacity_);
  SetSizeB(capacity_);
}

void TKombiArrayExtendBuffer::Lock() {
  lock_.lock();
}

void TKombiArrayExtendBuffer::SetValue(int32_t col, double value) {
  if (col < 0 || col >= width_) return;
  const int h = WriteHalf();
  const size_t at = static_cast<size_t>(WriteCount()) * width_ + static_cast<size_t>(col);
  value_[h][at] = value;
  isNumber_[h][at] = 1;
}

void TKombiArrayExtendBuffer::SetString(int32_t col, std::string_view s) {
  if (col < 0 || col >= width_) return;
  const int h = WriteHalf();
  const size_t at = static_cast<size_t>(WriteCount()) * width_ + static_cast<size_t>(col);
  text_[h][at].assign(s);
  isNumber_[h][at] = 0;
}

void TKombiArrayExtendBuffer::Commit() {
  AdvanceWrite();
  lock_.unlock();
}

bool TKombiArrayExtendBuffer::ReadCell(int32_t col, size_t& at) const {
  if (col < 0 || col >= width_ || readIndex_ < 0 || readIndex_ >= readCount_) return false;
  at = static_cast<size_t>(readIndex_) * width_ + static_cast<size_t>(col);
  return true;
}

bool TKombiArrayExtendBuffer::IsNumber(int32_t col) const {
  size_t at;
  return ReadCell(col, at) && isNumber_[ReadHalf()][at] != 0;
}

double TKombiArrayExtendBuffer::GetValue(int32_t col) const {
  size_t at;
  return ReadCell(col, at) ? value_[ReadHalf()][at] : 0.0;
}

std::string TKombiArrayExtendBuffer::GetString(int32_t col) const {
  size_t at;
  return ReadCell(col, at) ? text_[ReadHalf()][at] : std::string();
}

}  // namespace qx
