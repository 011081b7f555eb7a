// Beeper and the shared speaker: the sound stack, the three modes against a
// fake tone device, requests across a disconnect, the ALSA tone layer.
#include "instruments/uQXBeep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "foundation/uFileLoader.h"
#include "gui_support/ElementPortFixture.h"
#include "instruments/uSoundManager.h"
#include "instruments/uToneAlsa.h"

namespace qx {
namespace {

// What the speaker was told, in order: a frequency per start, 0 per stop.
using ToneLog = std::vector<int>;

class FakeTone final : public IToneDevice {
 public:
  explicit FakeTone(std::shared_ptr<ToneLog> log) : log_(std::move(log)) {}
  void Start(uint16_t frequency) override { log_->push_back(frequency); }
  void Stop() override { log_->push_back(0); }

 private:
  std::shared_ptr<ToneLog> log_;
};

struct FakeSource final : TSoundSource {
  explicit FakeSource(uint16_t f) : f(f) {}
  uint16_t SoundFrequency() const override { return f; }
  uint16_t f;
};

TEST(SoundManager, TheLatestStartIsHeard) {
  auto log = std::make_shared<ToneLog>();
  TSoundManager m(std::make_unique<FakeTone>(log));
  FakeSource a(500), b(1000);
  m.StopSound(a);  // empty: nothing
  m.StartSound(a);
  m.StartSound(b);
  m.StopSound(b);
  m.StopSound(a);
  EXPECT_EQ(*log, (ToneLog{500, 1000, 500, 0}));

  log->clear();
  m.StartSound(a);
  m.StartSound(b);
  m.StopSound(a);  // below the top: the tone stays
  m.StopSound(a);  // not on the stack: nothing
  m.StopSound(b);
  EXPECT_EQ(*log, (ToneLog{500, 1000, 0}));
  EXPECT_EQ(m.Count(), 0);

  // A second start of the same element: no message, once on the stack, on top.
  m.StartSound(a);
  m.StartSound(b);
  m.StartSound(a);
  EXPECT_EQ(m.Count(), 2);
  EXPECT_EQ(m.Top(), &a);
  m.StopSound(a);
  EXPECT_EQ(log->back(), 1000);
}

TEST(SoundManager, ATwentyFirstStartReplacesTheTop) {
  auto log = std::make_shared<ToneLog>();
  TSoundManager m(std::make_unique<FakeTone>(log));
  std::vector<std::unique_ptr<FakeSource>> s;
  for (int i = 0; i < 21; ++i) s.push_back(std::make_unique<FakeSource>(200 + i));
  for (auto& e : s) m.StartSound(*e);
  EXPECT_EQ(m.Count(), 20);
  EXPECT_EQ(m.IndexOf(*s[19]), -1);
  EXPECT_EQ(m.Top(), s[20].get());
  m.StopSound(*s[20]);
  EXPECT_EQ(log->back(), 200 + 18);  // the 19th is heard
}

TEST(ToneAlsa, SilentWithoutADeviceAndAlwaysJoined) {
  {
    TToneAlsa tone;
    tone.Stop();  // before any start: no thread
  }
  {
    TToneAlsa tone;
    tone.Start(500);
    tone.Start(1000);
    tone.Stop();
  }  // joins whether or not a device played
  SUCCEED();
}

TEST(ToneAlsa, SquareWaveJoinsBlocksWithoutAJump) {
  std::vector<int16_t> a(72), b(72);
  uint32_t phase = 0;
  FillSquareWave(a.data(), a.size(), 48000, 1000, 100, phase);
  FillSquareWave(b.data(), b.size(), 48000, 1000, 100, phase);
  a.insert(a.end(), b.begin(), b.end());
  for (size_t i = 0; i < a.size(); ++i)
    EXPECT_EQ(a[i], (i % 48) < 24 ? 100 : -100) << i;  // 48 frames a period
}

class BeepTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    log = std::make_shared<ToneLog>();
    InitSoundManager(std::make_unique<FakeTone>(log));
  }
  // A value as the port thread delivers it, then the posted requests.
  static void Receive(TQXBeep* b, double v) {
    b->SetValue(v);
    QCoreApplication::processEvents();
  }
  std::shared_ptr<ToneLog> log;
};

TEST_F(BeepTest, ContinuousTonesShareTheSpeaker) {
  auto* a = TQXBeep::ElemCreate();
  auto* b = TQXBeep::ElemCreate();
  b->SetFrequency(1000);
  ConnectLoopback();
  Receive(a, 1);
  Receive(a, 2);  // already sounding
  EXPECT_EQ(a->GetBckGndColor(), 0xFFFFFFu);
  Receive(b, 1);
  Receive(b, 0);
  Receive(a, -1);
  EXPECT_EQ(*log, (ToneLog{500, 1000, 500, 0}));
  EXPECT_EQ(a->GetBckGndColor(), 0xC0C0C0u);
  EXPECT_FALSE(a->BeepTimer()->isActive());
  Disconnect();
}

TEST_F(BeepTest, PulsedBeepsUntilAStop) {
  auto* b = TQXBeep::ElemCreate();
  b->SetMode(BeepPulsed);
  ConnectLoopback();
  Receive(b, 1);
  EXPECT_EQ(b->ToneState(), ToneSounding);
  EXPECT_TRUE(b->BeepTimer()->isActive());
  b->BeepTimerTick();
  EXPECT_EQ(b->ToneState(), TonePause);
  b->BeepTimerTick();
  EXPECT_EQ(b->ToneState(), ToneSounding);
  Receive(b, 1);  // inside the window: no new start
  Receive(b, 0);  // silence at once
  EXPECT_EQ(b->ToneState(), ToneSilent);
  EXPECT_FALSE(b->BeepTimer()->isActive());
  EXPECT_EQ(*log, (ToneLog{500, 0, 500, 0}));
  Disconnect();
}

TEST_F(BeepTest, ImpulsGivesOneExtraBeepForAllQueuedTriggers) {
  auto* b = TQXBeep::ElemCreate();
  b->SetMode(BeepImpuls);
  ConnectLoopback();
  // Five triggers from the port before the GUI thread handles any: the
  // queued starts after the first only set the pending flag.
  for (int i = 0; i < 5; ++i) b->SetValue(1);
  QCoreApplication::processEvents();
  EXPECT_EQ(b->ToneState(), ToneSounding);
  EXPECT_TRUE(b->Pending());
  EXPECT_EQ(SoundManager->Count(), 1);

  struct Step {
    int32_t state;
    bool timer;
  };
  for (const Step& s : {Step{TonePause, true}, Step{ToneSounding, true}, Step{TonePause, true},
                        Step{ToneSilent, false}}) {
    b->BeepTimerTick();
    EXPECT_EQ(b->ToneState(), s.state);
    EXPECT_EQ(b->BeepTimer()->isActive(), s.timer);
  }
  EXPECT_EQ(*log, (ToneLog{500, 0, 500, 0}));

  Receive(b, 1);  // a trigger during a beep is remembered
  Receive(b, 1);
  EXPECT_TRUE(b->Pending());
  b->SetShowTone(false);
  b->BeepTimerTick();
  b->BeepTimerTick();
  EXPECT_EQ(b->ToneState(), ToneSounding);
  EXPECT_EQ(b->GetBckGndColor(), 0xC0C0C0u);  // no white frame without ShowTone
  Disconnect();
  EXPECT_EQ(log->back(), 0);
}

TEST_F(BeepTest, NoToneOutlivesARun) {
  auto* b = TQXBeep::ElemCreate();
  b->SetValue(1);  // disconnected: ignored
  QCoreApplication::processEvents();
  EXPECT_TRUE(log->empty());

  // A start posted by the port just before the disconnect is handled after
  // the run ended: it stays silent, and the next run starts cleanly.
  ConnectLoopback();
  b->SetValue(1);
  Disconnect();
  QCoreApplication::processEvents();
  EXPECT_EQ(SoundManager->Count(), 0);
  EXPECT_TRUE(log->empty() || log->back() == 0);
  ConnectLoopback();
  Receive(b, 1);
  EXPECT_EQ(SoundManager->Count(), 1);
  EXPECT_EQ(log->back(), 500);
  Disconnect();  // stops the tone and takes the element off the stack
  EXPECT_EQ(SoundManager->Count(), 0);
  EXPECT_EQ(log->back(), 0);
  EXPECT_EQ(b->ToneState(), ToneSilent);

  // A sounding beeper that is deleted leaves the stack.
  auto* c = TQXBeep::ElemCreate();
  ConnectLoopback();
  Receive(c, 1);
  ASSERT_EQ(SoundManager->Count(), 1);
  delete c;
  EXPECT_EQ(SoundManager->Count(), 0);
  EXPECT_EQ(log->back(), 0);
  Disconnect();
}

TEST_F(BeepTest, FramesFromThePortSoundTheBeeper) {
  auto* b = TQXBeep::ElemCreate();
  b->SetSource("#5");
  b->SetFrequency(880);
  ConnectLoopback();
  Feed("#5F1;");
  EXPECT_TRUE(ProcessUntil([&] { return !log->empty() && log->back() == 880; }));
  Feed("#5F0;");
  EXPECT_TRUE(ProcessUntil([&] { return log->back() == 0; }));
  Disconnect();
}

TEST_F(BeepTest, SettersClampAndTheCaptionFollowsTheName) {
  auto* b = TQXBeep::ElemCreate();
  EXPECT_EQ(b->size(), QSize(160, 40));
  EXPECT_EQ(b->Denom, "Tongeber");
  struct Case {
    int32_t in, stored;
  };
  for (const Case& c : {Case{50, 120}, Case{20000, 15000}, Case{440, 440}}) {
    b->SetFrequency(c.in);
    EXPECT_EQ(b->Frequency, c.stored);
  }
  b->SetOnTime(0);
  EXPECT_DOUBLE_EQ(b->OnTime, 0.1);
  EXPECT_EQ(b->BeepTimer()->interval(), 100);
  b->SetSource("#5");
  EXPECT_EQ(b->NameLabel()->text(), "Tongeber");
  EXPECT_EQ(b->SourceLabel()->text(), "=#5");
  b->SetShowDenom(false);
  EXPECT_EQ(b->height(), 20);
  EXPECT_TRUE(b->SourceLabel()->isHidden());
  EXPECT_EQ(b->NameLabel()->text(), "=#5");

  PortList->FreeAll();
  b->SetMode(BeepImpuls);
  b->SetHideInRun(true);
  const std::string text = FileLoad->ProjectText();
  EXPECT_NE(text.find("mode impuls\r\n"), std::string::npos);
  NewProject();
  FileLoad->LoadProjectText(text);
  ASSERT_EQ(CurrentSheet->ElementList.size(), 1u);
  auto* back = dynamic_cast<TQXBeep*>(CurrentSheet->ElementList[0]);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetMode(), BeepImpuls);
  EXPECT_EQ(back->Frequency, 440);
  EXPECT_TRUE(back->HideInRun);
  EXPECT_EQ(back->height(), 20);
  EXPECT_EQ(FileLoad->ProjectText(), text);
}

}  // namespace
}  // namespace qx
