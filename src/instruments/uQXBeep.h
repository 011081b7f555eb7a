// Beeper (module uQXBeep): a speaker tone driven by the formula's number.
// Continuous: the tone runs while the number is above 0; pulsed: it beeps
// on and off meanwhile; impuls: every number above 0 gives one beep of
// OnTime. All beepers share the speaker through the sound manager.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <mutex>

#include "editing/uQXControls.h"
#include "instruments/uSoundManager.h"

namespace qx {

class TEEListing;

enum : int32_t { BeepContinuous = 0, BeepPulsed = 1, BeepImpuls = 2 };
enum : int32_t { ToneSilent = 0, ToneSounding = 1, TonePause = 2 };

class TQXBeep : public TQXElement, public TSoundSource {
  Q_OBJECT

 public:
  explicit TQXBeep(QWidget* owner);
  ~TQXBeep() override;
  static TQXBeep* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  // Receive thread: stores, then asks for a start or a stop.
  void SetValue(double value) override;
  void StreamStart() override;
  void StreamStop() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXBeep>(); }
  // GUI thread: 1 start, 0 stop.
  void Activate(int32_t start) override;
  void BeepTimerTick();
  uint16_t SoundFrequency() const override { return static_cast<uint16_t>(Frequency); }

  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  bool GetShowTone() const { return ShowTone; }
  void SetShowTone(bool value) { ShowTone = value; }
  double GetOnTime() const { return OnTime; }
  void SetOnTime(double value);
  int32_t GetFrequency() const { return Frequency; }
  void SetFrequency(int32_t value);
  int32_t GetMode() const;
  void SetMode(int32_t value);
  bool GetHideInRun() const { return HideInRun; }
  void SetHideInRun(bool value) { HideInRun = value; }

  int32_t ToneState() const;
  bool Pending() const;
  QLabel* NameLabel() const { return name_; }
  QLabel* SourceLabel() const { return source_; }
  QTimer* BeepTimer() const { return timer_; }

  bool ShowDenom = true;
  bool ShowTone = true;
  double OnTime = 0.5;
  int32_t Frequency = 500;

 private:
  // While the panel shows this: the beep length row only where it applies,
  // the height the name option gave.
  void UpdateModeRows() const;
  void UpdateHeightField() const;
  void StartTone();
  void ShowToneFrame(bool sounding);
  void Silence();

  std::atomic<int32_t> mode_{BeepContinuous};
  // State and pending impulse are shared with the receive thread.
  mutable std::mutex stateLock_;
  int32_t state_ = ToneSilent;
  bool pending_ = false;
  QLabel* name_;
  QLabel* source_;
  QLabel* icon_;
  QTimer* timer_;
};

}  // namespace qx
