#include "foundation/uBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qx {
namespace {

template <class B>
std::vector<std::string> DrainStrings(B& buf) {
  std::vector<std::string> out;
  if (!buf.Swap()) return out;
  std::string s;
  while (buf.Get(s)) out.push_back(s);
  return out;
}

// ------------------------------------------------------------ fixed buffers

TEST(TCharBuffer, CapacityThreeFiveItemsKeepsTwoAndReportsThree) {
  TCharBuffer buf(3);
  int fired = 0;
  buf.OnOverflow = [&](TBufferBase& sender) {
    EXPECT_EQ(&sender, &buf);
    ++fired;
  };
  for (char c : std::string("abcde")) buf.Put(c);
  EXPECT_EQ(fired, 3);
  EXPECT_EQ(buf.LostCount(), 3u);
  ASSERT_TRUE(buf.Swap());
  std::string got;
  char c;
  while (buf.Get(c)) got += c;
  EXPECT_EQ(got, "ab");
}

TEST(TCharBuffer, PutBytesCountsEveryLostByte) {
  TCharBuffer buf(1000);
  int fired = 0;
  buf.OnOverflow = [&](TBufferBase&) { ++fired; };
  buf.Put(std::string(1200, 'x'));
  EXPECT_EQ(buf.CountA(), 999);
  EXPECT_EQ(fired, 201);
}

// The bytes of one swapped half, read to the end.
std::string ReadHalf(TCharBuffer& buf) {
  std::string got;
  char c;
  if (buf.Swap())
    while (buf.Get(c)) got += c;
  return got;
}

TEST(TCharBuffer, PairsAreAllOrNothing) {
  // Capacity 6 keeps 5 readable places; a pair needs two of them.
  struct Case {
    std::string before;  // single bytes put first
    bool pairFits;
  };
  const Case cases[] = {{"", true}, {"abc", true}, {"abcd", false}, {"abcde", false}};
  for (const Case& k : cases) {
    TCharBuffer buf(6);
    int fired = 0;
    buf.OnOverflow = [&](TBufferBase&) { ++fired; };
    buf.Put(k.before);
    const int lostBefore = fired;
    EXPECT_EQ(buf.PutPair('\xFF', '\x00'), k.pairFits) << k.before;
    EXPECT_EQ(fired - lostBefore, k.pairFits ? 0 : 1) << k.before;
    const std::string want = k.before.substr(0, 5) + (k.pairFits ? std::string("\xFF\x00", 2) : "");
    EXPECT_EQ(ReadHalf(buf), want) << k.before;
  }
}

TEST(TCharBuffer, PutEscapedDoublesTheEscapeWhole) {
  TCharBuffer buf(6);
  int fired = 0;
  buf.OnOverflow = [&](TBufferBase&) { ++fired; };
  // a, FF FF, b, c fill 5 places; the second FF finds one place only and is
  // lost whole, the d after it is lost as a single byte.
  const uint8_t bytes[] = {'a', 0xFF, 'b', 'c', 0xFF, 'd'};
  buf.PutEscaped(bytes, 0xFF);
  EXPECT_EQ(ReadHalf(buf), std::string("a\xFF\xFF"
                                       "bc",
                                       5));
  EXPECT_EQ(fired, 2);
  const uint8_t plain[] = {0xFF, 1, 2};
  buf.PutEscaped(plain, 0xFF);
  EXPECT_EQ(ReadHalf(buf), std::string("\xFF\xFF\x01\x02", 4));
}

TEST(TCharBuffer, SwappedHalvesNeverSplitAPairUnderLoad) {
  TCharBuffer buf(50);
  std::atomic<bool> stop{false};
  std::vector<std::thread> ws;
  for (int w = 0; w < 3; ++w)
    ws.emplace_back([&, w] {
      const uint8_t bytes[] = {'x', 0xFF, 'y'};
      while (!stop.load()) {
        if (w == 0)
          buf.PutEscaped(bytes, 0xFF);
        else
          buf.PutPair('\xFF', static_cast<char>(w - 1));
      }
    });
  int64_t pairs = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int round = 0; round < 3000 || (pairs == 0 && std::chrono::steady_clock::now() < deadline);
       ++round) {
    const std::string half = ReadHalf(buf);
    for (size_t i = 0; i < half.size(); ++i) {
      if (half[i] != '\xFF') continue;
      ASSERT_LT(i + 1, half.size()) << "escape at the end of a half";
      const char partner = half[++i];
      ASSERT_TRUE(partner == '\xFF' || partner == 0 || partner == 1);
      ++pairs;
    }
  }
  stop = true;
  for (auto& t : ws) t.join();
  EXPECT_GT(pairs, 0);
}

TEST(TStringBuffer, FreshBufferState) {
  TStringBuffer buf(100);
  EXPECT_EQ(buf.Capacity(), 100);
  EXPECT_EQ(buf.CountA(), 0);
  EXPECT_EQ(buf.CountB(), 0);
  EXPECT_TRUE(buf.WriteToA());
  EXPECT_EQ(buf.ReadIndex(), -1);
  EXPECT_FALSE(buf.OnOverflow);
}

TEST(TStringBuffer, SwapOnEmptyAnswersFalseAndDoesNotFlip) {
  TStringBuffer buf(10);
  EXPECT_FALSE(buf.Swap());
  EXPECT_TRUE(buf.WriteToA());
  buf.Put("x");
  ASSERT_TRUE(buf.Swap());
  EXPECT_FALSE(buf.WriteToA());
  std::string s;
  ASSERT_TRUE(buf.Get(s));
  EXPECT_FALSE(buf.Get(s));
  EXPECT_FALSE(buf.Swap());
  EXPECT_FALSE(buf.WriteToA());
}

TEST(TStringBuffer, ItemsPutWhileReadingAppearAtNextSwapInOrder) {
  TStringBuffer buf(10);
  buf.Put("1");
  buf.Put("2");
  ASSERT_TRUE(buf.Swap());
  std::string s;
  ASSERT_TRUE(buf.Get(s));
  EXPECT_EQ(s, "1");
  buf.Put("3");  // goes to the other half
  buf.Put("4");
  ASSERT_TRUE(buf.Get(s));
  EXPECT_EQ(s, "2");
  EXPECT_FALSE(buf.Get(s));
  EXPECT_EQ(DrainStrings(buf), (std::vector<std::string>{"3", "4"}));
  EXPECT_TRUE(DrainStrings(buf).empty());
}

TEST(TStringBuffer, ReadHalfIsEmptyAfterReadToEnd) {
  TStringBuffer buf(10);
  buf.Put("a");
  ASSERT_TRUE(buf.Swap());
  EXPECT_EQ(buf.CountA(), 1);
  std::string s;
  while (buf.Get(s)) {
  }
  EXPECT_EQ(buf.CountA(), 0);
}

TEST(TStringBuffer, SwapEmptiesNewWriteHalfEvenIfReaderStoppedEarly) {
  TStringBuffer buf(10);
  buf.Put("a");
  buf.Put("b");
  ASSERT_TRUE(buf.Swap());  // read A
  std::string s;
  ASSERT_TRUE(buf.Get(s));
  EXPECT_EQ(s, "a");
  buf.Put("c");             // into B
  ASSERT_TRUE(buf.Swap());  // read B; A (with unread "b") becomes write half
  EXPECT_EQ(buf.CountA(), 0);
  buf.Put("d");  // into A at index 0
  std::vector<std::string> got;
  while (buf.Get(s)) got.push_back(s);
  EXPECT_EQ(got, (std::vector<std::string>{"c"}));
  EXPECT_EQ(DrainStrings(buf), (std::vector<std::string>{"d"}));
}

TEST(TStringBuffer, ClearEmptiesBothHalvesAndEndsTheRead) {
  TStringBuffer buf(10);
  buf.Put("a");
  buf.Put("b");
  ASSERT_TRUE(buf.Swap());
  buf.Put("c");
  buf.Clear();
  EXPECT_EQ(buf.CountA(), 0);
  EXPECT_EQ(buf.CountB(), 0);
  std::string s;
  EXPECT_FALSE(buf.Get(s));
  EXPECT_FALSE(buf.Swap());
}

TEST(TStringBuffer, CapacityBelowOneIsTakenAsOne) {
  TStringBuffer buf(0);
  int fired = 0;
  buf.OnOverflow = [&](TBufferBase&) { ++fired; };
  buf.Put("x");
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(buf.Swap());
}

TEST(TStringBoolBuffer, CarriesPairs) {
  TStringBoolBuffer buf(100);
  buf.Put("#1F2;", true);
  buf.Put("#2Shi;", false);
  ASSERT_TRUE(buf.Swap());
  std::string s;
  bool f = false;
  ASSERT_TRUE(buf.Get(s, f));
  EXPECT_EQ(s, "#1F2;");
  EXPECT_TRUE(f);
  ASSERT_TRUE(buf.Get(s, f));
  EXPECT_EQ(s, "#2Shi;");
  EXPECT_FALSE(f);
  EXPECT_FALSE(buf.Get(s, f));
}

TEST(TRealArrayBuffer, RowsOfWidthTwoAndSharedRow) {
  TRealArrayBuffer buf(1000);
  EXPECT_EQ(buf.Width(), 2);
  buf.Put({1.0, 2.0});
  buf.Put({3.0, 4.0, 99.0});  // extra value ignored
  buf.Put({5.0});             // short row padded with 0
  ASSERT_TRUE(buf.Swap());
  std::span<const double> row;
  ASSERT_TRUE(buf.Get(row));
  const double* shared = row.data();
  EXPECT_EQ(std::vector<double>(row.begin(), row.end()), (std::vector<double>{1, 2}));
  ASSERT_TRUE(buf.Get(row));
  EXPECT_EQ(row.data(), shared);  // one shared row, overwritten by each Get
  EXPECT_EQ(std::vector<double>(row.begin(), row.end()), (std::vector<double>{3, 4}));
  std::vector<double> copy;
  ASSERT_TRUE(buf.Get(copy));
  EXPECT_EQ(copy, (std::vector<double>{5, 0}));
  EXPECT_FALSE(buf.Get(row));
}

TEST(TDoubleArrayBuffer, SetWidthReallocatesAndDropsRows) {
  TDoubleArrayBuffer buf(100);
  buf.Put({1.0, 2.0});
  buf.SetWidth(2);  // no effect
  EXPECT_EQ(buf.CountA(), 1);
  buf.SetWidth(4);
  EXPECT_EQ(buf.Width(), 4);
  EXPECT_EQ(buf.CountA(), 0);
  EXPECT_FALSE(buf.Swap());
  buf.Put({1, 2, 3, 4});
  ASSERT_TRUE(buf.Swap());
  std::vector<double> r;
  ASSERT_TRUE(buf.Get(r));
  EXPECT_EQ(r, (std::vector<double>{1, 2, 3, 4}));
}

TEST(TRealArrayBuffer, OverflowAtCapacityMinusOne) {
  TRealArrayBuffer buf(3);
  int fired = 0;
  buf.OnOverflow = [&](TBufferBase&) { ++fired; };
  for (int i = 0; i < 5; ++i) buf.Put({double(i), double(i)});
  EXPECT_EQ(fired, 3);
  ASSERT_TRUE(buf.Swap());
  EXPECT_EQ(buf.ReadCount(), 2);
}

// ---------------------------------------------------------- extending buffers

TEST(TStringIntExtendBuffer, HubSendQueueKeeps101Of150) {
  TStringIntExtendBuffer buf(15);
  EXPECT_EQ(buf.MaxCount.load(), 0);
  buf.MaxCount = 100;
  int fired = 0;
  buf.OnOverflow = [&](TBufferBase&) { ++fired; };
  // Built with append: GCC 12 warns falsely (-Wrestrict) on "#" + to_string.
  const auto frame = [](int i) {
    std::string f("#");
    f.append(std::to_string(i)).append("F1;");
    return f;
  };
  for (int i = 0; i < 150; ++i) buf.Put(frame(i), i);
  EXPECT_EQ(fired, 49);
  ASSERT_TRUE(buf.Swap());
  std::string s;
  int32_t ch = -1;
  int n = 0;
  while (buf.Get(s, ch)) {
    EXPECT_EQ(ch, n);
    EXPECT_EQ(s, frame(n));
    ++n;
  }
  EXPECT_EQ(n, 101);
}

TEST(TStringExtendBuffer, GrowsWithoutLimitWhenMaxCountZero) {
  TStringExtendBuffer buf(4);
  int fired = 0;
  buf.OnOverflow = [&](TBufferBase&) { ++fired; };
  for (int i = 0; i < 1000; ++i) buf.Put(std::to_string(i));
  EXPECT_EQ(fired, 0);
  EXPECT_GT(buf.SizeA(), 1000);  // always one free place
  auto got = DrainStrings(buf);
  ASSERT_EQ(got.size(), 1000u);
  EXPECT_EQ(got.front(), "0");
  EXPECT_EQ(got.back(), "999");
}

TEST(TStringExtendBuffer, GrownHalfShrinksWhenItBecomesWriteHalfAgain) {
  TStringExtendBuffer buf(15);
  for (int i = 0; i < 30; ++i) buf.Put("x");
  EXPECT_EQ(buf.SizeA(), 45);
  EXPECT_EQ(buf.SizeB(), 15);
  ASSERT_TRUE(buf.Swap());  // A is read now, still 45 places
  EXPECT_EQ(buf.SizeA(), 45);
  std::string s;
  while (buf.Get(s)) {
  }
  buf.Put("y");
  ASSERT_TRUE(buf.Swap());  // A becomes the write half again
  EXPECT_EQ(buf.SizeA(), 15);
  EXPECT_TRUE(buf.Get(s));
  EXPECT_EQ(s, "y");
}

TEST(TStringExtendBuffer, ClearShrinksBothHalves) {
  TStringExtendBuffer buf(4);
  for (int i = 0; i < 20; ++i) buf.Put("x");
  ASSERT_TRUE(buf.Swap());
  for (int i = 0; i < 20; ++i) buf.Put("x");
  EXPECT_GT(buf.SizeA(), 4);
  EXPECT_GT(buf.SizeB(), 4);
  buf.Clear();
  EXPECT_EQ(buf.SizeA(), 4);
  EXPECT_EQ(buf.SizeB(), 4);
  std::string s;
  EXPECT_FALSE(buf.Get(s));  // the read of 20 items ended with the clear
}

TEST(TStringExtendBuffer, TerminalSentFramesMaxCount) {
  TStringExtendBuffer buf(40);
  buf.MaxCount = 300;
  int fired = 0;
  buf.OnOverflow = [&](TBufferBase&) { ++fired; };
  for (int i = 0; i < 400; ++i) buf.Put("f");
  EXPECT_EQ(fired, 400 - 301);
  EXPECT_EQ(DrainStrings(buf).size(), 301u);
}

TEST(TKombiArrayExtendBuffer, RowsOfMixedCells) {
  TKombiArrayExtendBuffer buf(10);
  EXPECT_EQ(buf.Width(), 2);
  buf.Lock();
  buf.SetValue(0, 1.5);
  buf.SetString(1, "abc");
  buf.Commit();
  buf.Lock();
  buf.SetString(0, "x");
  buf.SetValue(1, -2);
  buf.SetValue(2, 77);      // column equal to Width: nothing stored
  buf.SetString(-1, "no");  // negative column: nothing stored
  buf.Commit();
  ASSERT_TRUE(buf.Swap());
  ASSERT_TRUE(buf.Next());
  EXPECT_TRUE(buf.IsNumber(0));
  EXPECT_DOUBLE_EQ(buf.GetValue(0), 1.5);
  EXPECT_FALSE(buf.IsNumber(1));
  EXPECT_EQ(buf.GetString(1), "abc");
  ASSERT_TRUE(buf.Next());
  EXPECT_FALSE(buf.IsNumber(0));
  EXPECT_EQ(buf.GetString(0), "x");
  EXPECT_TRUE(buf.IsNumber(1));
  EXPECT_DOUBLE_EQ(buf.GetValue(1), -2);
  EXPECT_FALSE(buf.IsNumber(2));
  EXPECT_EQ(buf.GetValue(2), 0.0);
  EXPECT_EQ(buf.GetString(2), "");
  EXPECT_FALSE(buf.Next());
}

TEST(TKombiArrayExtendBuffer, SetValueAtWidthStoresNothing) {
  // Writing past the width into row 0 must not touch row 1.
  TKombiArrayExtendBuffer probe(1);
  probe.Lock();
  probe.SetValue(0, 1);
  probe.SetValue(1, 2);
  probe.SetValue(2, 999);
  probe.Commit();
  probe.Lock();
  probe.SetValue(0, 3);
  probe.SetValue(1, 4);
  probe.Commit();
  ASSERT_TRUE(probe.Swap());
  ASSERT_TRUE(probe.Next());
  ASSERT_TRUE(probe.Next());
  EXPECT_EQ(probe.GetValue(0), 3);
  EXPECT_EQ(probe.GetValue(1), 4);
}

TEST(TKombiArrayExtendBuffer, SetWidthAndGrowthKeepRows) {
  TKombiArrayExtendBuffer buf(10);
  buf.MaxCount = 100;
  buf.SetWidth(3);
  EXPECT_EQ(buf.Width(), 3);
  int fired = 0;
  buf.OnOverflow = [&](TBufferBase&) { ++fired; };
  for (int r = 0; r < 120; ++r) {
    buf.Lock();
    for (int c = 0; c < 3; ++c) buf.SetValue(c, r * 10 + c);
    buf.Commit();
  }
  EXPECT_EQ(fired, 19);
  ASSERT_TRUE(buf.Swap());
  int r = 0;
  while (buf.Next()) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(buf.GetValue(c), r * 10 + c);
    ++r;
  }
  EXPECT_EQ(r, 101);
}

// ------------------------------------------------------------- concurrency

// Several writers, one draining reader. Every item is either drained exactly
// once or reported lost exactly once; the order of each writer is kept.
template <class MakeBuf, class PutFn, class DrainFn>
void RunProducersConsumer(MakeBuf makeBuf, PutFn put, DrainFn drain, int writers, int perWriter) {
  auto buf = makeBuf();
  std::atomic<int64_t> lost{0};
  buf->OnOverflow = [&](TBufferBase&) { lost.fetch_add(1, std::memory_order_relaxed); };
  std::atomic<int> done{0};
  std::vector<std::vector<int>> seen(static_cast<size_t>(writers));
  std::thread reader([&] {
    for (;;) {
      const bool finished = done.load() == writers;
      drain(*buf, seen);
      if (finished) {
        drain(*buf, seen);
        return;
      }
      std::this_thread::yield();
    }
  });
  std::vector<std::thread> ws;
  for (int w = 0; w < writers; ++w)
    ws.emplace_back([&, w] {
      for (int i = 0; i < perWriter; ++i) put(*buf, w, i);
      done.fetch_add(1);
    });
  for (auto& t : ws) t.join();
  reader.join();
  int64_t drained = 0;
  for (int w = 0; w < writers; ++w) {
    const auto& s = seen[static_cast<size_t>(w)];
    drained += static_cast<int64_t>(s.size());
    EXPECT_TRUE(std::is_sorted(s.begin(), s.end())) << "writer " << w;
    EXPECT_EQ(std::set<int>(s.begin(), s.end()).size(), s.size()) << "duplicates, writer " << w;
  }
  EXPECT_EQ(drained + lost.load(), int64_t{writers} * perWriter);
  EXPECT_EQ(static_cast<int64_t>(buf->LostCount()), lost.load());
}

std::string Encode(int w, int i) {
  return std::to_string(w) + ":" + std::to_string(i);
}
void Decode(const std::string& s, std::vector<std::vector<int>>& seen) {
  const auto colon = s.find(':');
  seen[static_cast<size_t>(std::stoi(s.substr(0, colon)))].push_back(
      std::stoi(s.substr(colon + 1)));
}

TEST(BufferThreads, StringBufferManyWritersSmallCapacityLosesExactly) {
  RunProducersConsumer([] { return std::make_unique<TStringBuffer>(16); },
                       [](TStringBuffer& b, int w, int i) { b.Put(Encode(w, i)); },
                       [](TStringBuffer& b, auto& seen) {
                         std::string s;
                         if (b.Swap())
                           while (b.Get(s)) Decode(s, seen);
                       },
                       6, 20000);
}

TEST(BufferThreads, StringBufferLargeCapacity) {
  RunProducersConsumer([] { return std::make_unique<TStringBuffer>(5000); },
                       [](TStringBuffer& b, int w, int i) { b.Put(Encode(w, i)); },
                       [](TStringBuffer& b, auto& seen) {
                         std::string s;
                         if (b.Swap())
                           while (b.Get(s)) Decode(s, seen);
                       },
                       4, 10000);
}

TEST(BufferThreads, StringIntExtendBufferWithMaxCount) {
  RunProducersConsumer(
      [] {
        auto b = std::make_unique<TStringIntExtendBuffer>(15);
        b->MaxCount = 100;
        return b;
      },
      [](TStringIntExtendBuffer& b, int w, int i) { b.Put(std::to_string(w), i); },
      [](TStringIntExtendBuffer& b, auto& seen) {
        std::string s;
        int32_t v;
        if (b.Swap())
          while (b.Get(s, v)) seen[static_cast<size_t>(std::stoi(s))].push_back(v);
      },
      5, 20000);
}

TEST(BufferThreads, KombiRowsStayWhole) {
  std::atomic<int> torn{0};
  RunProducersConsumer(
      [] {
        auto b = std::make_unique<TKombiArrayExtendBuffer>(10);
        b->MaxCount = 100;
        b->SetWidth(3);
        return b;
      },
      [](TKombiArrayExtendBuffer& b, int w, int i) {
        b.Lock();
        b.SetValue(0, w);
        b.SetValue(1, i);
        b.SetString(2, std::to_string(w * 1000000 + i));
        b.Commit();
      },
      [&](TKombiArrayExtendBuffer& b, auto& seen) {
        if (!b.Swap()) return;
        while (b.Next()) {
          const int w = static_cast<int>(b.GetValue(0));
          const int i = static_cast<int>(b.GetValue(1));
          if (b.GetString(2) != std::to_string(w * 1000000 + i)) torn.fetch_add(1);
          seen[static_cast<size_t>(w)].push_back(i);
        }
      },
      4, 10000);
  EXPECT_EQ(torn.load(), 0);
}

TEST(BufferThreads, CharBufferWithClearWhileWriting) {
  // Clearing on the consumer's thread while producers write: no item is read
  // twice and the buffer stays consistent (the counts stay in range).
  TCharBuffer buf(64);
  std::atomic<bool> stop{false};
  std::vector<std::thread> ws;
  for (int w = 0; w < 4; ++w)
    ws.emplace_back([&] {
      while (!stop.load()) buf.Put('z');
    });
  int64_t got = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int round = 0; round < 2000 || (got == 0 && std::chrono::steady_clock::now() < deadline);
       ++round) {
    if (round % 7 == 0) buf.Clear();
    char c;
    if (buf.Swap())
      while (buf.Get(c)) {
        ASSERT_EQ(c, 'z');
        ++got;
      }
    EXPECT_LE(buf.CountA(), 63);
    EXPECT_LE(buf.CountB(), 63);
  }
  stop = true;
  for (auto& t : ws) t.join();
  EXPECT_GT(got, 0);
}

}  // namespace
}  // namespace qx
