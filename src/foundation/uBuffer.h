// Double buffers (module uBuffer).
//
// Every buffer has two halves A and B: producers (any number of threads) append
// to the write half under the buffer's lock; the one consumer swaps the halves
// under the same lock and then reads the swapped-out half without a lock.
// Nothing blocks for long and nothing grows without bound: an item that finds
// no place is lost and OnOverflow fires once per lost item (on the producer's
// thread, inside the lock, so the handler must only set a flag).
//
// Consumer protocol:
//   if (buf.Swap()) { std::string s; while (buf.Get(s)) use(s); }
//
// Safety rules beyond the bare double buffer (see the tests):
//  - Swap empties the new write half under the lock, so a consumer that stops
//    reading early never sees the unread items a second time.
//  - Clear also ends the current read (ReadCount 0), so a Get after Clear never
//    reads a place that Clear has just freed. Clear and SetWidth must run on
//    the consumer's thread (or while no one reads), as all owners do.
//  - A capacity below 1 is taken as 1; SetWidth below 1 is taken as 1.
//  - Row/column accessors with a column outside 0..Width-1 do nothing / answer
//    0, "" or false instead of reading outside the row.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

class TBufferBase {
 public:
  // Sender: the buffer. Runs on the producer's thread inside the lock.
  using TOverflowEvent = std::function<void(TBufferBase& sender)>;

  explicit TBufferBase(int32_t capacity);
  virtual ~TBufferBase() = default;
  TBufferBase(const TBufferBase&) = delete;
  TBufferBase& operator=(const TBufferBase&) = delete;

  // Fired once for every item that finds no place; may be empty. Assign it
  // before producers start, or use SetOnOverflow (which takes the lock).
  TOverflowEvent OnOverflow;
  void SetOnOverflow(TOverflowEvent handler);

  // Consumer: makes the write half the read half. False (and nothing else
  // happens, no lock is taken) when the write half is empty.
  [[nodiscard]] bool Swap();
  // Consumer: advances ReadIndex; false at the end of the read half (whose
  // count is then set to 0). The typed Get of each class calls it.
  [[nodiscard]] bool Next();
  // Owner: under the lock both counts := 0 (extending buffers also shrink both
  // halves back to Capacity places); the current read ends.
  void Clear();

  int32_t Capacity() const { return capacity_; }
  int32_t CountA() const { return countA_.load(std::memory_order_relaxed); }
  int32_t CountB() const { return countB_.load(std::memory_order_relaxed); }
  int32_t ReadCount() const { return readCount_; }
  int32_t ReadIndex() const { return readIndex_; }
  bool WriteToA() const { return writeToA_.load(std::memory_order_relaxed); }
  // Total of items lost since creation (helper for tests and statistics).
  uint64_t LostCount() const { return lost_.load(std::memory_order_relaxed); }

 protected:
  // Under the lock, after the item was stored at index WriteCount().
  virtual void AdvanceWrite();
  // Under the lock: hooks for the extending buffers.
  virtual void AfterSwapLocked() {}
  virtual void ClearLocked() {}

  std::atomic<int32_t>& WriteCountRef() {
    return writeToA_.load(std::memory_order_relaxed) ? countA_ : countB_;
  }
  int32_t WriteCount() const {
    return writeToA_.load(std::memory_order_relaxed) ? CountA() : CountB();
  }
  // Index of the write half: 0 = A, 1 = B; the read half is the other one.
  int WriteHalf() const { return writeToA_.load(std::memory_order_relaxed) ? 0 : 1; }
  int ReadHalf() const { return 1 - WriteHalf(); }
  void FireOverflow();  // under the lock
  // Under the lock: both counts 0 and no read in progress.
  void ResetCountsLocked();

  std::mutex lock_;  // the buffer's Lock: a leaf lock
  const int32_t capacity_;
  std::atomic<int32_t> countA_{0};
  std::atomic<int32_t> countB_{0};
  int32_t readCount_ = 0;   // consumer only
  int32_t readIndex_ = -1;  // consumer only
  // Written by the consumer under the lock; read by producers under the lock
  // and by the consumer without it.
  std::atomic<bool> writeToA_{true};
  std::atomic<uint64_t> lost_{0};
};

class TExtendBufferBase : public TBufferBase {
 public:
  explicit TExtendBufferBase(int32_t capacity);

  // 0 = unlimited; otherwise a half holds at most MaxCount+1 items.
  // Owners set it after creation (read under the lock by producers).
  std::atomic<int32_t> MaxCount{0};

  int32_t SizeA() const { return sizeA_; }  // allocated places (tests)
  int32_t SizeB() const { return sizeB_; }

 protected:
  void AdvanceWrite() override;
  void AfterSwapLocked() override;  // shrinks the new write half
  void ClearLocked() override;      // shrinks both halves
  // Record the new size; overriders resize their arrays of that half first.
  virtual void SetSizeA(int32_t size) { sizeA_ = size; }
  virtual void SetSizeB(int32_t size) { sizeB_ = size; }
  void SetSize(int half, int32_t size) { half == 0 ? SetSizeA(size) : SetSizeB(size); }
  int32_t Size(int half) const { return half == 0 ? sizeA_ : sizeB_; }

  int32_t sizeA_ = 0;
  int32_t sizeB_ = 0;
};

// ---- fixed-size buffers (a half holds at most Capacity-1 readable items) ----

class TCharBuffer : public TBufferBase {
 public:
  explicit TCharBuffer(int32_t capacity);
  void Put(char c);
  // Helper: every byte of bytes in turn, under one lock.
  void Put(std::string_view bytes);
  // Both bytes or neither (one lost item when there is no room for two), so
  // an escape pair is never split by an overflow or a swap.
  bool PutPair(char first, char second);
  // Under one lock: every byte in turn, a byte equal to escape doubled as a
  // pair (all or nothing, as PutPair).
  void PutEscaped(std::span<const uint8_t> bytes, uint8_t escape);
  [[nodiscard]] bool Get(char& c);

 private:
  bool PutPairLocked(char first, char second);
  std::vector<char> data_[2];
};

class TStringBuffer : public TBufferBase {
 public:
  explicit TStringBuffer(int32_t capacity);
  void Put(std::string_view text);
  [[nodiscard]] bool Get(std::string& text);

 private:
  std::vector<std::string> data_[2];
};

class TStringBoolBuffer : public TBufferBase {
 public:
  explicit TStringBoolBuffer(int32_t capacity);
  void Put(std::string_view text, bool flag);
  [[nodiscard]] bool Get(std::string& text, bool& flag);

 private:
  std::vector<std::string> text_[2];
  std::vector<uint8_t> flag_[2];
};

// Rows of Width doubles (Width 2 at creation).
class TRowArrayBuffer : public TBufferBase {
 public:
  explicit TRowArrayBuffer(int32_t capacity);
  int32_t Width() const { return width_; }
  // No effect when w equals Width; otherwise Clear, Width := w and every array
  // reallocated (stored rows are lost). Owner only, while no producer writes.
  void SetWidth(int32_t w);
  // Copies Width values; a shorter row is padded with 0, extra values ignored.
  void Put(std::span<const double> row);
  void Put(std::initializer_list<double> row) {
    Put(std::span<const double>(row.begin(), row.size()));
  }
  // Copies the current row into the shared row and hands it out (valid until
  // the next Get). False at the end of the read half.
  [[nodiscard]] bool Get(std::span<const double>& row);
  [[nodiscard]] bool Get(std::vector<double>& row);  // helper: a copy

 private:
  void AllocateRows();  // both halves and the shared row, all zero

  int32_t width_ = 2;
  std::vector<double> data_[2];
  std::vector<double> row_;
};

class TRealArrayBuffer : public TRowArrayBuffer {
 public:
  using TRowArrayBuffer::TRowArrayBuffer;
};

class TDoubleArrayBuffer : public TRowArrayBuffer {
 public:
  using TRowArrayBuffer::TRowArrayBuffer;
};

// ---- extending buffers (grow by Capacity places; MaxCount bounds a half) ----

class TStringExtendBuffer : public TExtendBufferBase {
 public:
  explicit TStringExtendBuffer(int32_t capacity);
  void Put(std::string_view text);
  [[nodiscard]] bool Get(std::string& text);

 protected:
  void SetSizeA(int32_t size) override;
  void SetSizeB(int32_t size) override;

 private:
  std::vector<std::string> data_[2];
};

class TStringIntExtendBuffer : public TExtendBufferBase {
 public:
  explicit TStringIntExtendBuffer(int32_t capacity);
  void Put(std::string_view text, int32_t value);
  [[nodiscard]] bool Get(std::string& text, int32_t& value);

 protected:
  void SetSizeA(int32_t size) override;
  void SetSizeB(int32_t size) override;

 private:
  void ResizeHalf(int half, int32_t size);

  std::vector<std::string> text_[2];
  std::vector<int32_t> int_[2];
};

// Rows of Width cells (Width 2 at creation), each a double or a text.
// Writing: Lock(); SetValue/SetString for every cell; Commit().
// Reading: while (Next()) { IsNumber(c) ? GetValue(c) : GetString(c) }.
class TKombiArrayExtendBuffer : public TExtendBufferBase {
 public:
  explicit TKombiArrayExtendBuffer(int32_t capacity);
  int32_t Width() const { return width_; }
  void SetWidth(int32_t w);  // as TRowArrayBuffer::SetWidth

  void Lock();                                      // enter the lock
  void SetValue(int32_t col, double value);         // ignored unless col < Width
  void SetString(int32_t col, std::string_view s);  // ignored unless col < Width
  void Commit();                                    // advance, leave the lock

  // Reader side, on the current row after a successful Next().
  bool IsNumber(int32_t col) const;
  double GetValue(int32_t col) const;
  std::string GetString(int32_t col) const;

 protected:
  void SetSizeA(int32_t size) override;
  void SetSizeB(int32_t size) override;

 private:
  void ResizeHalf(int half, int32_t size);
  bool ReadCell(int32_t col, size_t& at) const;

  int32_t width_ = 2;
  std::vector<double> value_[2];
  std::vector<std::string> text_[2];
  std::vector<uint8_t> isNumber_[2];
};

}  // namespace qx
