// Integer, pointer and real lists.
//
// Minimal growable lists (a std::vector and a count). No locking; each list
// is used by one thread at a time. Index access is checked: At()/Set() with an
// index outside 0..Count-1 throws std::out_of_range. Items() is the raw array:
// for TIntList and TPtrList its size always equals Count(); for TRealList it
// may be longer (capacity grows in GrowStep places) until Trim().
#pragma once

#include <cstdint>
#include <vector>

namespace qx {

class TIntList {
 public:
  // N entries of value 0 (N < 0 counts as 0); Count = N.
  explicit TIntList(int32_t n = 0);
  // Appends value (array grows by exactly one).
  void Add(int32_t value);
  // Count := 0, array emptied.
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  int32_t At(int32_t index) const;         // checked
  void Set(int32_t index, int32_t value);  // checked
  int32_t operator[](int32_t index) const { return At(index); }
  // True when value is among the entries (helper; duplicates are allowed).
  bool Contains(int32_t value) const;
  const std::vector<int32_t>& Items() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<int32_t> items_;
};

class TPtrList {
 public:
  TPtrList() = default;  // empty list
  // Appends the (untyped, non-owning) reference.
  void Add(void* p);
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  void* At(int32_t index) const;     // checked
  void Set(int32_t index, void* p);  // checked
  void* operator[](int32_t index) const { return At(index); }
  // Index of the first entry equal to p, or -1 (helper for membership tests).
  int32_t IndexOf(const void* p) const;
  bool Contains(const void* p) const { return IndexOf(p) >= 0; }
  const std::vector<void*>& Items() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<void*> items_;
};

class TRealList {
 public:
  // Empty list; growStep < 1 is taken as 1 (the only caller passes 1000).
  explicit TRealList(int32_t growStep = 1000);
  // When Count equals the array length the array grows to Count + GrowStep;
  // value stored at index Count; Count + 1.
  void Add(double value);
  // Array length := Count.
  void Trim();
  // Count := 0 and the array emptied (helper).
  void Clear();
  int32_t Count() const { return count_; }
  int32_t GrowStep() const { return growStep_; }
  // Length of the array (places), >= Count.
  int32_t Capacity() const { return static_cast<int32_t>(items_.size()); }
  double At(int32_t index) const;         // checked against Count
  void Set(int32_t index, double value);  // checked against Count
  double operator[](int32_t index) const { return At(index); }
  // Raw array of Capacity() places; entries 0..Count-1 are valid.
  const std::vector<double>& Items() const { return items_; }
  const double* Data() const { return items_.data(); }

 private:
  std::vector<double> items_;
  int32_t count_ = 0;
  int32_t growStep_ = 1000;
};

}  // namespace qx
