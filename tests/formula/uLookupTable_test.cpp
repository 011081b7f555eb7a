#include "formula/uLookupTable.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

namespace qx {
namespace {

// A fresh folder per test under $QX_TEST_TMP (or /tmp).
class LookupTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("QX_TEST_TMP");
    std::filesystem::path root = base ? base : "/tmp";
    std::filesystem::create_directories(root);
    std::string templ = (root / "lut_XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir_ = templ;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& content) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }
  std::filesystem::path dir_;
};

TEST_F(LookupTableTest, StaircaseAndInterpolation) {
  TLookupTable t;
  ASSERT_TRUE(t.PrepareLUT(Write("a.txt", "0\t0\r\n10\t2,5\r\n20\t4\r\n")));
  EXPECT_EQ(t.Status, TLookupTable::kStatusOk);
  EXPECT_EQ(t.PointCount, 3);
  struct Case {
    double x, stair, lin;
  };
  const Case cases[] = {{5, 0, 1.25},         {10, 2.5, 2.5}, {15, 2.5, 3.25}, {19.99, 2.5, 3.9985},
                        {25, 4, 4},           {-3, 0, 0},     {0, 0, 0},       {20, 4, 4},
                        {10 - 1e-9, 2.5, 2.5}};
  for (const auto& c : cases) {
    t.Interpolate = false;
    EXPECT_DOUBLE_EQ(t.Lookup(c.x), c.stair) << "x=" << c.x;
    t.Interpolate = true;
    EXPECT_NEAR(t.Lookup(c.x), c.lin, 1e-9) << "x=" << c.x;
  }
  EXPECT_TRUE(std::isnan(t.Lookup(std::nan(""))));
}

TEST_F(LookupTableTest, UnevenPointsUseTheGridAndScanUp) {
  TLookupTable t;
  ASSERT_TRUE(t.PrepareLUT(Write("u.txt", "0 0\n97 97\n98 98\n99 99\n100 100\n")));
  EXPECT_DOUBLE_EQ(t.Lookup(50), 0);
  EXPECT_DOUBLE_EQ(t.Lookup(97.5), 97);
  EXPECT_DOUBLE_EQ(t.Lookup(99.999), 99);
  t.Interpolate = true;
  EXPECT_DOUBLE_EQ(t.Lookup(50), 50);
  EXPECT_DOUBLE_EQ(t.Lookup(98.25), 98.25);
  // Every x agrees with a plain search for the largest X at or below it.
  t.Interpolate = false;
  for (double x = -1; x <= 101; x += 0.125) {
    double expect = 0;
    for (size_t i = 0; i < t.XValues.size(); ++i)
      if (t.XValues[i] <= x + 1e-8) expect = t.YValues[i];
    EXPECT_DOUBLE_EQ(t.Lookup(x), expect) << "x=" << x;
  }
}

TEST_F(LookupTableTest, SinglePointAnswersEveryX) {
  TLookupTable t;
  ASSERT_TRUE(t.PrepareLUT(Write("one.txt", "3 7")));
  for (double x : {-1e300, 2.0, 3.0, 4.0, 1e300}) EXPECT_DOUBLE_EQ(t.Lookup(x), 7);
}

TEST_F(LookupTableTest, LineEndsAndEmptyLineEndTheTable) {
  struct Case {
    const char* content;
    int points;
  };
  const Case cases[] = {{"1 1\r2 2\r3 3", 3},
                        {"1 1\n2 2\n\n3 3\n", 2},
                        {"1 1\r\n2 2\r\n\r\nbad\r\n", 2},
                        {"1.5\t1,5\n2,5  2.5\n", 2}};
  for (const auto& c : cases) {
    TLookupTable t;
    EXPECT_TRUE(t.PrepareLUT(Write("l.txt", c.content))) << c.content;
    EXPECT_EQ(t.PointCount, c.points) << c.content;
  }
}

TEST_F(LookupTableTest, FailuresSetStatusAndInvalidate) {
  struct Case {
    const char* content;
    std::string_view status;
    bool arraysEmptied;
  };
  const Case cases[] = {
      {"1 1\n2\n", TLookupTable::kStatusLoadError, true},
      {" 1 1\n", TLookupTable::kStatusLoadError, true},
      {"1 x\n", TLookupTable::kStatusLoadError, true},
      {"1 1\n2 2\n2 3\n", TLookupTable::kStatusNotAscending, false},
      {"2 1\n1 1\n", TLookupTable::kStatusNotAscending, false},
      {"", TLookupTable::kStatusLoadError, true},
      {"\n1 1\n", TLookupTable::kStatusLoadError, true},
  };
  for (const auto& c : cases) {
    TLookupTable t;
    EXPECT_FALSE(t.PrepareLUT(Write("f.txt", c.content))) << c.content;
    EXPECT_FALSE(t.LUTValid);
    EXPECT_EQ(t.Status, c.status) << c.content;
    EXPECT_EQ(t.XValues.empty(), c.arraysEmptied) << c.content;
    EXPECT_TRUE(std::isnan(t.Lookup(1)));
  }
  TLookupTable t;
  EXPECT_FALSE(t.PrepareLUT(""));
  EXPECT_EQ(t.Status, TLookupTable::kStatusNoFile);
  EXPECT_FALSE(t.PrepareLUT((dir_ / "missing.txt").string()));
  EXPECT_EQ(t.Status, TLookupTable::kStatusOpenError);
  EXPECT_FALSE(t.PrepareLUT(dir_.string()));
  EXPECT_EQ(t.Status, TLookupTable::kStatusOpenError);
}

TEST_F(LookupTableTest, ReloadAfterBrokenFileLeavesNoStaleIndex) {
  TLookupTable t;
  const auto path = Write("r.txt", "0 0\n10 1\n20 2\n");
  ASSERT_TRUE(t.PrepareLUT(path));
  Write("r.txt", "0 0\nbroken\n");
  EXPECT_FALSE(t.PrepareLUT(path));
  EXPECT_EQ(t.PointCount, 0);
  EXPECT_TRUE(std::isnan(t.Lookup(15)));
}

}  // namespace
}  // namespace qx
