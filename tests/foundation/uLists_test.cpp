// Tests for uLists.
#include "foundation/uLists.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace qx {
namespace {

TEST(IntList, CreateWithZeros) {
  TIntList l(3);
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Items(), (std::vector<int32_t>{0, 0, 0}));
  l.Add(7);
  EXPECT_EQ(l.Count(), 4);
  EXPECT_EQ(l[3], 7);
  EXPECT_EQ(l.Items().size(), 4u);  // array length equals Count
}

TEST(IntList, EmptyAddClear) {
  TIntList l(0);
  EXPECT_EQ(l.Count(), 0);
  EXPECT_TRUE(l.Items().empty());
  for (int32_t k = 0; k < 10; ++k) {
    l.Add(k * 10);
    EXPECT_EQ(l.Count(), k + 1);
    EXPECT_EQ(static_cast<int32_t>(l.Items().size()), l.Count());
  }
  EXPECT_EQ(l.At(0), 0);
  EXPECT_EQ(l.At(9), 90);
  EXPECT_TRUE(l.Contains(50));
  EXPECT_FALSE(l.Contains(55));
  l.Add(50);  // duplicates are allowed
  EXPECT_EQ(l.Count(), 11);
  l.Set(0, -1);
  EXPECT_EQ(l[0], -1);
  int32_t sum = 0;
  for (int32_t v : l) sum += v;
  EXPECT_EQ(sum, -1 + 450 + 50);
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
  EXPECT_TRUE(l.Items().empty());
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
  TIntList neg(-5);
  EXPECT_EQ(neg.Count(), 0);
  TIntList def;
  EXPECT_EQ(def.Count(), 0);
}

TEST(IntList, IndexChecks) {
  TIntList l(2);
  EXPECT_THROW(l.At(-1), std::out_of_range);
  EXPECT_THROW(l.At(2), std::out_of_range);
  EXPECT_THROW(l.Set(2, 1), std::out_of_range);
  EXPECT_THROW(l[5], std::out_of_range);
  EXPECT_NO_THROW(l.At(1));
  l.Clear();
  EXPECT_THROW(l.At(0), std::out_of_range);
}

TEST(PtrList, AddClear) {
  TPtrList l;
  EXPECT_EQ(l.Count(), 0);
  l.Clear();  // clear on an empty list leaves it empty
  EXPECT_EQ(l.Count(), 0);
  EXPECT_TRUE(l.Items().empty());
  int a = 1, b = 2, c = 3;
  l.Add(&a);
  l.Add(&b);
  EXPECT_EQ(l.Count(), 2);
  EXPECT_EQ(l.Items().size(), 2u);
  EXPECT_EQ(l[0], &a);
  EXPECT_EQ(l.At(1), &b);
  EXPECT_EQ(l.IndexOf(&b), 1);
  EXPECT_EQ(l.IndexOf(&c), -1);
  EXPECT_TRUE(l.Contains(&a));
  EXPECT_FALSE(l.Contains(&c));
  l.Add(nullptr);
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.IndexOf(nullptr), 2);
  l.Set(2, &c);
  EXPECT_EQ(l[2], &c);
  int n = 0;
  for (void* p : l) n += *static_cast<int*>(p);
  EXPECT_EQ(n, 6);
  EXPECT_THROW(l.At(3), std::out_of_range);
  EXPECT_THROW(l.Set(-1, nullptr), std::out_of_range);
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
  EXPECT_TRUE(l.Items().empty());
}

TEST(RealList, GrowsInSteps) {
  TRealList l(1000);
  EXPECT_EQ(l.GrowStep(), 1000);
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.Capacity(), 0);
  l.Add(0.5);
  EXPECT_EQ(l.Count(), 1);
  EXPECT_EQ(l.Capacity(), 1000);
  for (int k = 1; k < 1000; ++k) l.Add(k);
  EXPECT_EQ(l.Count(), 1000);
  EXPECT_EQ(l.Capacity(), 1000);
  l.Add(-1.0);  // the 1001st
  EXPECT_EQ(l.Count(), 1001);
  EXPECT_EQ(l.Capacity(), 2000);
  EXPECT_EQ(l.Items().size(), 2000u);
  l.Trim();
  EXPECT_EQ(l.Count(), 1001);
  EXPECT_EQ(l.Capacity(), 1001);
  EXPECT_EQ(l[0], 0.5);
  EXPECT_EQ(l[999], 999.0);
  EXPECT_EQ(l[1000], -1.0);
  EXPECT_EQ(l.Data()[1000], -1.0);
  // Adding after Trim grows by GrowStep again.
  l.Add(2.0);
  EXPECT_EQ(l.Count(), 1002);
  EXPECT_EQ(l.Capacity(), 2001);
}

TEST(RealList, SmallStepsAndChecks) {
  TRealList l(1);
  for (int k = 0; k < 5; ++k) {
    l.Add(k * 1.5);
    EXPECT_EQ(l.Capacity(), k + 1);
  }
  EXPECT_EQ(l.At(4), 6.0);
  l.Set(4, 7.0);
  EXPECT_EQ(l.At(4), 7.0);
  EXPECT_THROW(l.At(5), std::out_of_range);
  EXPECT_THROW(l.Set(-1, 0.0), std::out_of_range);

  TRealList z(0);  // GrowStep below 1 is taken as 1
  EXPECT_EQ(z.GrowStep(), 1);
  z.Add(1.0);
  EXPECT_EQ(z.Count(), 1);
  EXPECT_EQ(z.Capacity(), 1);

  TRealList c(10);
  c.Add(1.0);
  c.Add(2.0);
  EXPECT_EQ(c.Capacity(), 10);
  EXPECT_THROW(c.At(2), std::out_of_range);  // beyond Count though within the array
  c.Trim();
  EXPECT_EQ(c.Capacity(), 2);
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.Capacity(), 0);
  c.Trim();
  EXPECT_EQ(c.Capacity(), 0);
}

}  // namespace
}  // namespace qx
