// Frame parsing and dispatch of the channel hub.
#include "channels/uTerminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "channels/support/HubFakes.h"

namespace qx {
namespace {

using fakes::FakeElement;
using fakes::HubRig;

constexpr double kUnchanged = -77.0;  // marker value put in before each frame

struct FrameCase {
  const char* frame;
  int channel;    // channel expected to change, -1 for a rejected frame
  double number;  // expected number when isText is false
  bool isText;
  const char* text;
};

// Channels 1..9 have a reader; filter cases are separate.
const FrameCase kFrames[] = {
    {"#1F3,5;", 1, 3.5, false, ""},
    {"#1F3.5;", 1, 3.5, false, ""},
    {"#007F1;", 7, 1.0, false, ""},
    {"#2F-1,5E2;", 2, -150.0, false, ""},
    {"#999F42;", 999, 42.0, false, ""},
    {"#99F1;", 99, 1.0, false, ""},
    {"#1234F1;", -1, 0, false, ""},  // no letter at positions 3..5
    {"#5X1;", -1, 0, false, ""},
    {"#1F;", -1, 0, false, ""},  // empty number
    {"#1Fabc;", -1, 0, false, ""},
    {"#1F1,2,3;", -1, 0, false, ""},
    {"#-5F1;", -1, 0, false, ""},
    {"#-F1;", -1, 0, false, ""},
    {"# 1F1;", -1, 0, false, ""},
    {"#F5S1;", -1, 0, false, ""},  // "F5" is no channel: the first hit decides
    {"#1f1;", -1, 0, false, ""},   // lower case letter
    {"#1F1", -1, 0, false, ""},    // no ';'
    {"1F1;", -1, 0, false, ""},    // no '#'
    {"#;", -1, 0, false, ""},
    {"#1;", -1, 0, false, ""},
    {"", -1, 0, false, ""},
    {"#F;", -1, 0, false, ""},
    {"#1S;", 1, 0, true, ""},  // empty text is stored
    {"#3SHello world;", 3, 0, true, "Hello world"},
    {"#4SF1;", 4, 0, true, "F1"},  // "S" at position 3 comes first
    {"#12F7;", 12, 7.0, false, ""},
    {"#12S7;", 12, 0, true, "7"},
    {"#1S\r\n;", 1, 0, true, "\r\n"},
};

class ReceiveFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int ch = 1; ch <= 9; ++ch) {
      elements.push_back(std::make_unique<FakeElement>(ch));
      rig.hub.AddReader(ch, elements.back().get());
    }
  }
  void Mark() {
    for (int ch = 0; ch < kChannelCount; ++ch) {
      rig.hub.Kanal(ch).Value.store(kUnchanged);
      rig.hub.Kanal(ch).StrValue = "old";
    }
  }
  HubRig rig;
  std::vector<std::unique_ptr<FakeElement>> elements;
};

TEST_F(ReceiveFrameTest, TableOfFrames) {
  for (const FrameCase& c : kFrames) {
    SCOPED_TRACE(c.frame);
    Mark();
    const bool used = rig.hub.ReceiveFrame(c.frame, nullptr, true);
    for (int ch = 0; ch < kChannelCount; ++ch) {
      const double v = rig.hub.ChannelValue(ch);
      const std::string& s = rig.hub.Kanal(ch).StrValue;
      if (ch == c.channel && !c.isText) {
        EXPECT_DOUBLE_EQ(v, c.number);
        EXPECT_EQ(s, "old");
      } else if (ch == c.channel) {
        EXPECT_EQ(s, c.text);
        EXPECT_EQ(v, kUnchanged);
      } else {
        ASSERT_EQ(v, kUnchanged) << "channel " << ch;
        ASSERT_EQ(s, "old") << "channel " << ch;
      }
    }
    EXPECT_EQ(used, c.channel >= 1 && c.channel <= 9);
  }
}

TEST_F(ReceiveFrameTest, ReadersRunInOrderAndGetTheValue) {
  FakeElement second(1);
  second.Factor = 2.0;
  rig.hub.AddReader(1, &second);
  rig.hub.AddReader(1, &second);  // a second registration has no effect
  ASSERT_EQ(rig.hub.Kanal(1).Readers.size(), 2u);
  EXPECT_TRUE(rig.hub.ReceiveFrame("#1F21;", nullptr, true));
  EXPECT_EQ(elements[0]->GetValue(), 21.0);
  EXPECT_EQ(second.GetValue(), 42.0);
  EXPECT_TRUE(second.Changed.load());
  EXPECT_EQ(rig.formula.order, (std::vector<uint64_t>{elements[0]->Serial(), second.Serial()}));

  EXPECT_TRUE(rig.hub.ReceiveFrame("#3Sabc;", nullptr, true));
  EXPECT_EQ(elements[2]->GetStrValue(), "abc");
  EXPECT_FALSE(elements[2]->ValueIsNumber.load());
}

// A recorder reads last: the readers registered after it (its columns) have
// the frame's value before it captures its row.
TEST_F(ReceiveFrameTest, ReadersMarkedLastRunAfterAllOthers) {
  FakeElement last(1), later(1), alsoLast(1);
  last.ReadsLast = alsoLast.ReadsLast = true;
  rig.hub.AddReader(1, &last);
  rig.hub.AddReader(1, &later);
  rig.hub.AddReader(1, &alsoLast);
  rig.hub.AddReader(1, &last);  // no second place
  EXPECT_TRUE(rig.hub.ReceiveFrame("#1F2;", nullptr, true));
  EXPECT_EQ(rig.formula.order, (std::vector<uint64_t>{elements[0]->Serial(), later.Serial(),
                                                      last.Serial(), alsoLast.Serial()}));
}

// A compile pass adds readers it knows are new: the same order.
TEST_F(ReceiveFrameTest, NewReadersAlsoRunBeforeThoseMarkedLast) {
  FakeElement last(1), later(1), alsoLast(1), latest(1);
  last.ReadsLast = alsoLast.ReadsLast = true;
  rig.hub.AddNewReader(1, &last);
  rig.hub.AddNewReader(1, &later);
  rig.hub.AddNewReader(1, &alsoLast);
  rig.hub.AddNewReader(1, &latest);
  EXPECT_EQ(rig.hub.Kanal(1).Readers,
            (std::vector<TElementCore*>{elements[0].get(), &later, &latest, &last, &alsoLast}));
}

TEST_F(ReceiveFrameTest, SilentFrameStoresButEvaluatesNobody) {
  EXPECT_FALSE(rig.hub.ReceiveFrame("#1F5;", nullptr, false));
  EXPECT_FALSE(rig.hub.ReceiveFrame("#2Sx;", nullptr, false));
  EXPECT_EQ(rig.hub.ChannelValue(1), 5.0);
  EXPECT_EQ(rig.hub.Kanal(2).StrValue, "x");
  EXPECT_EQ(elements[0]->Calculations.load(), 0);
  EXPECT_EQ(elements[1]->StringCalculations.load(), 0);
}

TEST_F(ReceiveFrameTest, ChannelWithoutReadersIsStoredAndUnused) {
  EXPECT_FALSE(rig.hub.ReceiveFrame("#500F8;", nullptr, true));
  EXPECT_EQ(rig.hub.ChannelValue(500), 8.0);
}

TEST_F(ReceiveFrameTest, ChannelZeroGoesToTheConsoleOnly) {
  Mark();
  EXPECT_FALSE(rig.hub.ReceiveFrame("#0SHello;", nullptr, true));  // console not taking
  rig.cons.accept = true;
  EXPECT_TRUE(rig.hub.ReceiveFrame("#000F1,5;", nullptr, false));  // silent ones too
  EXPECT_EQ(rig.cons.texts, (std::vector<std::string>{"SHello", "F1,5"}));
  EXPECT_EQ(rig.hub.ChannelValue(0), kUnchanged);
  EXPECT_EQ(rig.hub.Kanal(0).StrValue, "old");
}

TEST_F(ReceiveFrameTest, FilterAppliesToPortFramesOnly) {
  auto& port = rig.AddPort();
  port.FilterActive = true;
  port.FilterLow = 100;
  port.FilterHigh = 200;
  const struct {
    const char* frame;
    int ch;
    bool viaPort;
  } cases[] = {{"#60F1;", 60, false},  {"#10F1;", 10, true},   {"#150F1;", 150, true},
               {"#100F1;", 100, true}, {"#200F1;", 200, true}, {"#201F1;", 201, false},
               {"#0SHi;", 0, true}};
  rig.cons.accept = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame);
    Mark();
    rig.cons.texts.clear();
    rig.hub.ReceiveFrame(c.frame, &port, true);
    const bool changed = c.ch == 0 ? !rig.cons.texts.empty() : rig.hub.ChannelValue(c.ch) == 1.0;
    EXPECT_EQ(changed, c.viaPort);
    Mark();
    rig.cons.texts.clear();
    rig.hub.ReceiveFrame(c.frame, nullptr, true);  // the receive test is never filtered
    EXPECT_TRUE(c.ch == 0 ? !rig.cons.texts.empty() : rig.hub.ChannelValue(c.ch) == 1.0);
  }
  port.FilterActive = false;
  Mark();
  rig.hub.ReceiveFrame("#60F1;", &port, true);
  EXPECT_EQ(rig.hub.ChannelValue(60), 1.0);
}

TEST_F(ReceiveFrameTest, ThrowingEvaluationKeepsTheHubGoing) {
  elements[0]->ThrowOnCalculate = true;
  FakeElement after(1);
  rig.hub.AddReader(1, &after);
  EXPECT_TRUE(rig.hub.ReceiveFrame("#1F3;", nullptr, true));
  EXPECT_EQ(rig.hub.ChannelValue(1), 3.0);  // stored before the evaluation
  EXPECT_EQ(after.GetValue(), 3.0);         // the next reader still ran
  // The lock was released: another thread can dispatch and so can we.
  std::thread other([&] { EXPECT_TRUE(rig.hub.ReceiveFrame("#2F4;", nullptr, true)); });
  other.join();
  EXPECT_EQ(elements[1]->GetValue(), 4.0);
  EXPECT_TRUE(rig.hub.ReceiveFrame("#3Sx;", nullptr, true));
  rig.hub.CalculateLocked(*elements[0]);  // throws inside, swallowed
  EXPECT_TRUE(rig.hub.ReceiveLock.try_lock());
  rig.hub.ReceiveLock.unlock();
}

TEST_F(ReceiveFrameTest, ReadersWritersAndResets) {
  FakeElement out(20, RoleOutput);
  rig.hub.AddWriter(20, &out);
  rig.hub.AddWriter(1, elements[0].get());  // already a reader: not a writer
  EXPECT_EQ(rig.hub.Kanal(20).Writers.size(), 1u);
  EXPECT_TRUE(rig.hub.Kanal(1).Writers.empty());

  rig.hub.ReceiveFrame("#1F5;", nullptr, true);
  rig.hub.ReceiveFrame("#1Stext;", nullptr, true);
  rig.hub.ResetValues();
  for (int ch = 0; ch < kChannelCount; ++ch) ASSERT_EQ(rig.hub.ChannelValue(ch), 0.0);
  EXPECT_EQ(rig.hub.Kanal(1).StrValue, "text");
  EXPECT_EQ(rig.hub.Kanal(1).Readers.size(), 1u);

  rig.hub.ReceiveFrame("#1F5;", nullptr, true);
  rig.hub.ClearChannels();
  EXPECT_EQ(rig.hub.ChannelValue(1), 0.0);
  EXPECT_TRUE(rig.hub.Kanal(1).Readers.empty());
  EXPECT_EQ(rig.hub.Kanal(20).Writers.size(), 1u);
  EXPECT_EQ(rig.hub.Kanal(1).StrValue, "text");
  rig.hub.ClearWriters();
  EXPECT_TRUE(rig.hub.Kanal(20).Writers.empty());
  EXPECT_EQ(&rig.hub.Values()[20], &rig.hub.Kanal(20).Value);
}

TEST_F(ReceiveFrameTest, ConcurrentDispatchIsSerialised) {
  // Four threads hammer the same reader; the fake formula's order vector is
  // only safe because evaluations never overlap (TSan checks it).
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) {
        std::string f = "#";
        f += std::to_string(1 + t);
        f += 'F';
        f += std::to_string(i);
        f += ';';
        rig.hub.ReceiveFrame(f, nullptr, true);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(rig.formula.order.size(), 2000u);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(elements[static_cast<size_t>(t)]->GetValue(), 499.0);
}

TEST_F(ReceiveFrameTest, RemovedElementIsNoLongerDispatched) {
  FakeElement out(20, RoleOutput);
  rig.hub.AddWriter(20, &out);
  rig.hub.AddReader(2, elements[0].get());  // a reader of two channels
  rig.hub.RemoveElement(elements[0].get());
  rig.hub.RemoveElement(&out);
  EXPECT_TRUE(rig.hub.Kanal(20).Writers.empty());
  for (int ch : {1, 2}) {
    rig.hub.ReceiveFrame("#" + std::to_string(ch) + "F5;", nullptr, true);
    EXPECT_TRUE(std::find(rig.hub.Kanal(ch).Readers.begin(), rig.hub.Kanal(ch).Readers.end(),
                          elements[0].get()) == rig.hub.Kanal(ch).Readers.end());
  }
  EXPECT_NE(elements[0]->GetValue(), 5.0);
  EXPECT_EQ(elements[1]->GetValue(), 5.0);  // the other reader of channel 2 still runs
  EXPECT_EQ(rig.hub.Kanal(2).Readers.size(), 1u);
}

// Removed together, as New removes them: out of every list, the rest keep
// their order.
TEST_F(ReceiveFrameTest, ElementsRemovedTogetherLeaveTheRestInOrder) {
  FakeElement out(20, RoleOutput), other(1);
  rig.hub.AddWriter(20, &out);
  rig.hub.AddReader(1, &other);
  rig.hub.AddReader(2, elements[0].get());
  rig.hub.AddReader(2, &other);
  const std::vector<const TElementCore*> gone{elements[0].get(), &out, elements[4].get()};
  rig.hub.RemoveElements(gone);
  EXPECT_EQ(rig.hub.Kanal(1).Readers, std::vector<TElementCore*>{&other});
  EXPECT_EQ(rig.hub.Kanal(2).Readers, (std::vector<TElementCore*>{elements[1].get(), &other}));
  EXPECT_TRUE(rig.hub.Kanal(5).Readers.empty());
  EXPECT_TRUE(rig.hub.Kanal(20).Writers.empty());
  EXPECT_EQ(rig.hub.Kanal(3).Readers, std::vector<TElementCore*>{elements[2].get()});
}

TEST(ElementCoreTest, ValueStoreUnderConcurrentWritersAndReader) {
  // Port threads store numbers and texts while the GUI thread reads them, as
  // the display tick does; every text read must be one that was written
  // whole (ThreadSanitizer checks the rest).
  FakeElement e;
  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  for (int t = 0; t < 3; ++t) {
    writers.emplace_back([&e, t] {
      const std::string text(40, static_cast<char>('a' + t));
      for (int i = 0; i < 20000; ++i) {
        if (i % 2)
          e.SetStrValue(text);
        else
          e.SetValue(t * 100000.0 + i);
      }
    });
  }
  std::thread reader([&] {
    while (!stop.load()) {
      if (e.Changed.exchange(false)) {
        const std::string s = e.GetStrValue();
        ASSERT_TRUE(s.empty() || s == std::string(40, s[0])) << s;
        ASSERT_GE(e.GetValue(), 0.0);
      }
    }
  });
  for (auto& w : writers) w.join();
  stop.store(true);
  reader.join();
  EXPECT_EQ(e.GetStrValue().size(), 40u);
}

TEST(ElementCoreTest, ValueStoreAndSerials) {
  FakeElement a, b;
  EXPECT_NE(a.Serial(), b.Serial());
  EXPECT_EQ(a.GetValue(), 0.0);
  EXPECT_FALSE(a.Changed.load());
  a.SetValue(5);
  a.SetStrValue("a");
  EXPECT_EQ(a.GetValue(), 5.0);
  EXPECT_EQ(a.GetStrValue(), "a");
  EXPECT_FALSE(a.ValueIsNumber.load());
  EXPECT_TRUE(a.Changed.load());
  a.UpdateDisplay();
  EXPECT_FALSE(a.Changed.load());
  a.InitValue = 3;
  a.ResetValue();
  EXPECT_EQ(a.GetValue(), 3.0);
  EXPECT_FALSE(a.Changed.load());  // shown at once
}

}  // namespace
}  // namespace qx
