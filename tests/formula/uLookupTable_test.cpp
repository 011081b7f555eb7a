#include "formula/uLookupTable.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <limits>
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

TEST_F(LookupTableTest, LineEndsAndSeparatorsOfThePartsFormat) {
  struct Case {
    const char* content;
    std::vector<double> xs, ys;
  };
  const Case cases[] = {
      {"0\t0\r\n10\t2,5\r\n20\t4\r\n", {0, 10, 20}, {0, 2.5, 4}},
      {"0 0\n10 2.5\n20 4\n", {0, 10, 20}, {0, 2.5, 4}},
      {"0 0\n10\t2,5\r\n20 4", {0, 10, 20}, {0, 2.5, 4}},
      {"-1,5\t-2.5\n1e2 3E-1\n", {-1.5, 100}, {-2.5, 0.3}},
      // The third line is empty: only the first two lines count.
      {"0 0\n10 2,5\n\n20 4\n", {0, 10}, {0, 2.5}},
      {"0 0\r\n10 2,5\r\n\r\n20 4\r\n", {0, 10}, {0, 2.5}},
  };
  for (const auto& c : cases) {
    TLookupTable t;
    EXPECT_TRUE(t.PrepareLUT(Write("sep.txt", c.content))) << c.content;
    EXPECT_EQ(t.Status, TLookupTable::kStatusOk) << c.content;
    EXPECT_EQ(t.XValues, c.xs) << c.content;
    EXPECT_EQ(t.YValues, c.ys) << c.content;
  }
}

TEST_F(LookupTableTest, TheFiveStatusTextsExactly) {
  EXPECT_EQ(TLookupTable::kStatusNoFile, "Keine Datei angegeben!");
  EXPECT_EQ(TLookupTable::kStatusOpenError,
            "Fehler beim \xC3\x96"
            "ffnen der Datei.");
  EXPECT_EQ(TLookupTable::kStatusLoadError, "Fehler beim Laden der Datei");
  EXPECT_EQ(TLookupTable::kStatusNotAscending,
            "Fehler: Indexwerte m\xC3\xBC"
            "ssen aufsteigend sein.");
  EXPECT_EQ(TLookupTable::kStatusOk,
            "Anforderungen erf\xC3\xBC"
            "llt.");

  struct Case {
    std::string file;
    std::string_view status;
  };
  const Case cases[] = {{"", TLookupTable::kStatusNoFile},
                        {(dir_ / "none.txt").string(), TLookupTable::kStatusOpenError},
                        {Write("load.txt", "1 1\nzwei 2\n"), TLookupTable::kStatusLoadError},
                        {Write("asc.txt", "1 1\n2 2\n2 3\n"), TLookupTable::kStatusNotAscending},
                        {Write("ok.txt", "1 1\n2 2\n3 3\n"), TLookupTable::kStatusOk}};
  for (const auto& c : cases) {
    TLookupTable t;
    EXPECT_EQ(t.PrepareLUT(c.file), c.status == TLookupTable::kStatusOk) << c.file;
    EXPECT_EQ(t.Status, c.status) << c.file;
  }
}

TEST_F(LookupTableTest, AscendingCheckRefusesEqualAndFallingX) {
  struct Case {
    const char* content;
    bool ascending;
  };
  const Case cases[] = {{"1 0\n2 0\n3 0\n", true},    {"1 0\n2 0\n2 0\n", false},
                        {"3 0\n2 0\n", false},        {"-5 0\n-4,999 0\n", true},
                        {"0 0\n0,0000001 0\n", true}, {"1 0\n1,0 0\n", false}};
  for (const auto& c : cases) {
    TLookupTable t;
    EXPECT_EQ(t.PrepareLUT(Write("a.txt", c.content)), c.ascending) << c.content;
    EXPECT_EQ(t.Status, c.ascending ? TLookupTable::kStatusOk : TLookupTable::kStatusNotAscending)
        << c.content;
    // A refused order keeps the arrays for the value viewer.
    EXPECT_FALSE(t.XValues.empty()) << c.content;
  }
}

// The edge cases a look-up table element has to get right.
TEST_F(LookupTableTest, LookupsFromThePartsList) {
  TLookupTable t;
  ASSERT_TRUE(t.PrepareLUT(Write("p.txt", "0\t0\n10\t2,5\n20\t4\n")));
  for (const auto& [x, y] :
       std::vector<std::pair<double, double>>{{5, 0}, {10, 2.5}, {19.99, 2.5}, {25, 4}, {-3, 0}})
    EXPECT_DOUBLE_EQ(t.Lookup(x), y) << "x=" << x;
  t.Interpolate = true;
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{5, 1.25}, {15, 3.25}, {25, 4}})
    EXPECT_DOUBLE_EQ(t.Lookup(x), y) << "x=" << x;

  TLookupTable u;
  ASSERT_TRUE(u.PrepareLUT(Write("u.txt", "0 0\n97 97\n98 98\n99 99\n100 100\n")));
  EXPECT_DOUBLE_EQ(u.Lookup(50), 0);
  u.Interpolate = true;
  EXPECT_DOUBLE_EQ(u.Lookup(50), 50);
}

TEST_F(LookupTableTest, InterpolationBeyondTheSquareRootOfTheDoubleRange) {
  struct Case {
    const char* content;
    double x, expect;
  };
  const Case cases[] = {
      {"0 -1e300\n10 1e300\n", 5, 0},
      {"0 1e200\n10 3e200\n", 5, 2e200},
      {"0 1e300\n10 -1e300\n", 2.5, 5e299},
      {"0 -1,7e308\n1 1,7e308\n", 0.75, 0.85e308},
      {"-1e308 0\n1e308 1\n", 0, 0.5},
      {"-1,7e308 -1,7e308\n1,7e308 1,7e308\n", 0.85e308, 0.85e308},
  };
  for (const auto& c : cases) {
    TLookupTable t;
    ASSERT_TRUE(t.PrepareLUT(Write("big.txt", c.content))) << c.content;
    t.Interpolate = true;
    const double y = t.Lookup(c.x);
    EXPECT_TRUE(std::isfinite(y)) << c.content;
    EXPECT_NEAR(y, c.expect, std::fabs(c.expect) * 1e-12 + 1e-12) << c.content;
  }
  // Along the whole way: finite, within the two values, never falling.
  TLookupTable t;
  ASSERT_TRUE(t.PrepareLUT(Write("w.txt", "0 -1e308\n1 1e308\n")));
  t.Interpolate = true;
  double last = -std::numeric_limits<double>::infinity();
  for (int k = 0; k <= 1000; ++k) {
    const double y = t.Lookup(k / 1000.0);
    ASSERT_TRUE(std::isfinite(y)) << k;
    EXPECT_GE(y, last) << k;
    EXPECT_GE(y, -1e308);
    EXPECT_LE(y, 1e308);
    last = y;
  }
  // Small values keep the plain interpolation formula exactly.
  EXPECT_EQ(InterpolateLinear(10, 2.5, 20, 4, 15), 2.5 + (15 - 10) * (4 - 2.5) / (20 - 10));
  EXPECT_EQ(InterpolateLinear(0, 0, 3, 1, 1), (1 - 0) * (1 - 0) / 3.0);
}

// A FIFO would block the open (and the compile run with it) until a writer
// comes; the reader must refuse it at once.
TEST_F(LookupTableTest, FifoIsRefusedWithoutBlocking) {
  const std::string fifo = (dir_ / "table.fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  TLookupTable t;
  auto done = std::async(std::launch::async, [&] { return t.PrepareLUT(fifo); });
  if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    // Free the blocked reader so the test can end, then fail.
    const int w = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (w >= 0) close(w);
    ADD_FAILURE() << "PrepareLUT blocked on a FIFO";
  }
  EXPECT_FALSE(done.get());
  EXPECT_EQ(t.Status, TLookupTable::kStatusNotRegular);
  EXPECT_FALSE(t.LUTValid);
}

TEST_F(LookupTableTest, DevicesAreRefusedWithoutReading) {
  for (const char* device : {"/dev/zero", "/dev/null", "/dev/urandom"}) {
    TLookupTable t;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(t.PrepareLUT(device)) << device;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << device;
    EXPECT_EQ(t.Status, TLookupTable::kStatusNotRegular) << device;
  }
}

TEST_F(LookupTableTest, FileBeyondTenMegabytesIsRefused) {
  // Two points, the empty line that ends the table, then filler up to the
  // limit: read and valid. One byte more is refused without parsing.
  std::string content = "0 0\n1 1\n\n";
  content.resize(static_cast<size_t>(TLookupTable::kMaxFileSize), 'x');
  const auto path = Write("big.txt", content);
  TLookupTable t;
  EXPECT_TRUE(t.PrepareLUT(path));
  EXPECT_EQ(t.PointCount, 2);

  std::ofstream(path, std::ios::binary | std::ios::app) << 'x';
  ASSERT_EQ(std::filesystem::file_size(path),
            static_cast<uintmax_t>(TLookupTable::kMaxFileSize) + 1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(t.PrepareLUT(path));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(t.Status, TLookupTable::kStatusTooLarge);
  EXPECT_TRUE(t.XValues.empty());
  EXPECT_TRUE(std::isnan(t.Lookup(0.5)));
}

// Files whose size says nothing (as in /proc) are read to their end.
TEST_F(LookupTableTest, RegularFileOfUnknownSizeIsReadToItsEnd) {
  TLookupTable t;
  EXPECT_FALSE(t.PrepareLUT("/proc/self/status"));  // "Name:\t..." is no number
  EXPECT_EQ(t.Status, TLookupTable::kStatusLoadError);
}

TEST_F(LookupTableTest, SwapContentsKeepsInterpolate) {
  TLookupTable a;
  ASSERT_TRUE(a.PrepareLUT(Write("a.txt", "0 0\n10 10\n")));
  a.Interpolate = true;
  TLookupTable b;
  ASSERT_TRUE(b.PrepareLUT(Write("b.txt", "0 0\n10 20\n20 40\n")));
  a.SwapContents(b);
  EXPECT_TRUE(a.Interpolate);
  EXPECT_FALSE(b.Interpolate);
  EXPECT_EQ(a.PointCount, 3);
  EXPECT_DOUBLE_EQ(a.Lookup(5), 10);
  EXPECT_EQ(b.PointCount, 2);
  EXPECT_DOUBLE_EQ(b.Lookup(5), 0);
}

}  // namespace
}  // namespace qx
