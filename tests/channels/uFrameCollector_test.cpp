// Cutting byte streams and packets into frames.
#include "channels/uFrameCollector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channels/support/HubFakes.h"

namespace qx {
namespace {

// Frames as text; a silent one gets a leading '!'.
std::vector<std::string> Cut(TFrameCollector& c, std::string_view bytes,
                             size_t* scanned = nullptr) {
  std::vector<std::string> out;
  const size_t n = c.Feed(bytes, [&](std::string_view f, bool ev) {
    std::string s(ev ? "" : "!");
    s.append(f);
    out.push_back(std::move(s));
  });
  if (scanned) *scanned = n;
  return out;
}

using Frames = std::vector<std::string>;

std::string Long(size_t total) {  // "#1S" + filler + ";" of the given total length
  std::string s = "#1S";
  s.append(total - 4, 'a');
  s.push_back(';');
  return s;
}

struct CutCase {
  const char* name;
  std::string bytes;
  Frames frames;  // the same for both variants when given as one packet
};

const std::vector<CutCase>& CommonCases() {
  static const std::vector<CutCase> cases = {
      {"noise around", "x#1F2;y#2F3;", {"#1F2;", "#2F3;"}},
      {"silent", "/#1F2;", {"!#1F2;"}},
      {"restart silent", "#1/#1F2;", {"!#1F2;"}},
      {"restart", "#1F2#3F4;", {"#3F4;"}},
      {"crlf", "#1Sa\r\nb;", {"#1Sa\rb;"}},
      {"lone lf", "#1Sa\nb;", {"#1Sa\nb;"}},
      {"tab dropped", "#1F\t2;", {"#1F2;"}},
      {"high bytes kept", "#1S\x7f\xff\x80;", {"#1S\x7f\xff\x80;"}},
      {"slash not adjacent", "/x#1F2;", {"#1F2;"}},
      {"slash then control", "/\t#1F2;", {"#1F2;"}},
      {"empty", "", {}},
      {"lone semicolons", ";;;", {}},
      {"255 exact", Long(255), {Long(255)}},
      {"256 dropped", Long(256), {}},
      {"frames back to back", "#1F1;#2F2;/#3F3;", {"#1F1;", "#2F2;", "!#3F3;"}},
  };
  return cases;
}

TEST(FrameCollectorTest, CommonRulesBothVariants) {
  for (TCollectMode mode : {TCollectMode::Stream, TCollectMode::Packet}) {
    for (const CutCase& c : CommonCases()) {
      SCOPED_TRACE(c.name);
      TFrameCollector col(mode);
      EXPECT_EQ(Cut(col, c.bytes), c.frames);
    }
  }
}

TEST(FrameCollectorTest, StreamKeepsStateAcrossReadsAtEverySplit) {
  const std::string bytes = "x/#1F2;y#2S\r\nz;#3F4#5F6;" + Long(300) + "#7F8;/";
  const Frames expected = {"!#1F2;", "#2S\rz;", "#5F6;", "#7F8;"};
  for (size_t split = 0; split <= bytes.size(); ++split) {
    TFrameCollector col(TCollectMode::Stream);
    Frames got = Cut(col, std::string_view(bytes).substr(0, split));
    for (auto& f : Cut(col, std::string_view(bytes).substr(split))) got.push_back(f);
    ASSERT_EQ(got, expected) << "split at " << split;
  }
  // Byte by byte, as a serial line delivers.
  TFrameCollector col(TCollectMode::Stream);
  Frames got;
  for (char ch : bytes) {
    for (auto& f : Cut(col, std::string_view(&ch, 1))) got.push_back(f);
  }
  EXPECT_EQ(got, expected);
  // The trailing '/' makes a '#' at the start of the next read silent.
  EXPECT_EQ(Cut(col, "#9F1;"), Frames{"!#9F1;"});
}

TEST(FrameCollectorTest, StreamOverlongFrameThenNextFrame) {
  TFrameCollector col(TCollectMode::Stream);
  EXPECT_EQ(Cut(col, Long(400) + "#1F2;"), Frames{"#1F2;"});
  // A '#' as the byte that overflows still opens the next frame.
  const std::string full = "#1S" + std::string(252, 'a');  // 255 stored, no ';'
  EXPECT_EQ(Cut(col, full + "#2F3;"), Frames{"#2F3;"});
}

TEST(FrameCollectorTest, ResetDropsThePartialFrame) {
  // A read error in the middle of #5F1234; must not store 12.
  TFrameCollector col(TCollectMode::Stream);
  EXPECT_TRUE(Cut(col, "#5F12").empty());
  EXPECT_TRUE(col.Collecting());
  col.Reset();
  EXPECT_FALSE(col.Collecting());
  EXPECT_TRUE(Cut(col, "34;").empty());
  EXPECT_EQ(Cut(col, "#5F1234;"), Frames{"#5F1234;"});
}

TEST(FrameCollectorTest, PacketsStandAlone) {
  TFrameCollector col(TCollectMode::Packet);
  EXPECT_TRUE(Cut(col, "#1F2").empty());
  EXPECT_TRUE(Cut(col, ";").empty());  // no frame across datagrams
  EXPECT_EQ(Cut(col, "/").size(), 0u);
  EXPECT_EQ(Cut(col, "#1F2;"), Frames{"#1F2;"});  // first byte: evaluated
  size_t scanned = 0;
  const std::string packet = Long(300) + "#1F2;";
  EXPECT_TRUE(Cut(col, packet, &scanned).empty());  // rest of the packet dropped
  EXPECT_EQ(scanned, 256u);
  EXPECT_EQ(Cut(col, "#1F2;x", &scanned), Frames{"#1F2;"});
  EXPECT_EQ(scanned, 6u);
}

TEST(FrameCollectorTest, DropControlCharRule) {
  EXPECT_FALSE(TFrameCollector::DropControlChar(13, 'a'));
  EXPECT_FALSE(TFrameCollector::DropControlChar(10, 'a'));
  EXPECT_TRUE(TFrameCollector::DropControlChar(10, '\r'));
  for (uint8_t b : {0, 1, 9, 11, 12, 27, 31}) EXPECT_TRUE(TFrameCollector::DropControlChar(b, 'a'));
}

// The port side: frames reach the hub, and the terminal port copies traffic.
TEST(PortDeliveryTest, BytesPacketsAndTerminalCopy) {
  fakes::HubRig rig;
  fakes::FakeElement reader(1);
  rig.hub.AddReader(1, &reader);
  auto& port = rig.AddPort();

  TFrameCollector stream(TCollectMode::Stream);
  const std::string a = "#1F", b = "7;";
  port.DeliverBytes(stream, std::span(reinterpret_cast<const uint8_t*>(a.data()), a.size()));
  port.DeliverBytes(stream, std::span(reinterpret_cast<const uint8_t*>(b.data()), b.size()));
  EXPECT_EQ(reader.GetValue(), 7.0);
  EXPECT_TRUE(rig.term.chars.empty());  // not the terminal port

  rig.ports.SetTerminalPort(1);
  port.DeliverPacket("x#1F8;#2F1;" + Long(300) + "#1F9;");
  port.NoteReceiveEnd();
  EXPECT_EQ(reader.GetValue(), 8.0);
  EXPECT_EQ(rig.term.recv, (std::vector<std::string>{"'#1F8;'+", "'#2F1;'-"}));
  // Bytes up to the one that ended the over-long frame, then the marks.
  EXPECT_EQ(rig.term.chars, "x#1F8;#2F1;" + Long(300).substr(0, 256) + "<P><C>");
  EXPECT_EQ(rig.term.byteCalls, 1);  // the whole packet in one call

  // A stream read reaches the terminal in one call as well.
  const std::string c = "#1F5;#1F6;";
  port.DeliverBytes(stream, std::span(reinterpret_cast<const uint8_t*>(c.data()), c.size()));
  EXPECT_EQ(rig.term.byteCalls, 2);
  EXPECT_EQ(reader.GetValue(), 6.0);
}

}  // namespace
}  // namespace qx
