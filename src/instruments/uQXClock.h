// Clock (module uQXClock): sends the result of a formula at a fixed
// interval while the hub is connected. The formula is evaluated when the
// frame goes out, not when frames arrive; the first frame goes out at once
// when the run starts.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;
class TEEEintrag;

// When the clock sends. The toolkit timer counts milliseconds in an int,
// which cannot hold the longest interval (30 days): it fires in slices of at
// most kMaxSliceMs, and a send is due once a whole interval has passed on
// the tick counter.
class TClockSchedule {
 public:
  static constexpr int64_t kMaxSliceMs = 86'400'000;  // one day

  // The interval starts at now (the first send has just gone out).
  void Start(uint64_t now, int64_t intervalMs);
  // A firing at now: true when a send is due, and the next due time is set.
  // A late firing does not send the missed intervals in a burst.
  [[nodiscard]] bool Fire(uint64_t now);
  // Milliseconds from now to the next firing, 1..kMaxSliceMs.
  int32_t NextSliceMs(uint64_t now) const;
  uint64_t Due() const { return due_; }

 private:
  int64_t interval_ = 1000;
  uint64_t due_ = 0;
};

// Interval in seconds as the clock takes it: 0.1 s to 30 days.
double LimitClockInterval(double seconds);

class TQXClock : public TQXAnimElement {
  Q_OBJECT

 public:
  static constexpr double kMinInterval = 0.1;
  static constexpr double kMaxInterval = 2592000.0;

  explicit TQXClock(QWidget* owner);
  ~TQXClock() override;
  static TQXClock* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  // The decimals rows, shown only while the value is shown.
  static TEEEintrag* DecimalsRow;
  static TEEEintrag* FixedDecimalsRow;
  static const TFLSet* ClassSet;

  void StreamStart() override;
  void StreamStop() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override { Arrange(); }
  TQXElement* Clone() override { return CloneAs<TQXClock>(); }
  void ShowCompileState() override;

  // GUI thread: evaluates the formula under the receive lock and sends it.
  void Tick();
  // The timer's firing: a send when the schedule says so, then re-armed.
  void TimerFired();
  void Arrange();
  void ArrangeHeight();
  void ShowValueText();

  double GetInterval() const { return Interval; }
  void SetInterval(double seconds);
  std::string GetInSource() const { return FormulaElement->Source; }
  void SetInSource(const std::string& value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  bool GetShowInSource() const { return ShowInSource; }
  void SetShowInSource(bool value);
  bool GetShowOutSource() const { return ShowOutSource; }
  void SetShowOutSource(bool value);
  bool GetShowValue() const {
    UpdateValueRows();
    return ShowValue;
  }
  void SetShowValue(bool value);
  int32_t GetDecimals() const { return Decimals; }
  void SetDecimals(int32_t value);
  bool GetFixedDecimals() const { return FixedDecimals; }
  void SetFixedDecimals(bool value);
  bool GetHideInRun() const { return HideInRun; }
  void SetHideInRun(bool value) { HideInRun = value; }

  QTimer* Timer() const { return timer_; }
  QLabel* NameLabel() const { return name_; }
  QLabel* InputLabel() const { return input_; }
  QLabel* ValueLabel() const { return value_; }
  QLabel* OutputLabel() const { return output_; }

  TQXElement* FormulaElement;  // the value formula, never a channel reader
  double Interval = 1.0;       // seconds
  int32_t Decimals = 20;
  bool FixedDecimals = false;
  bool ShowDenom = true;
  bool ShowInSource = true;
  bool ShowOutSource = true;
  bool ShowValue = false;
  // The millisecond tick the schedule runs on (tests put a fake one here).
  std::function<uint64_t()> Now;

 private:
  void UpdateValueRows() const;
  int32_t IdleTimerMs() const;
  void Arm();

  QLabel* image_;
  QLabel* name_;
  QLabel* input_;
  QLabel* value_;
  QLabel* output_;
  QTimer* timer_;
  TClockSchedule schedule_;
  bool running_ = false;
};

// The built-in picture "Taktausgabe": a clock face, 24 x 20.
const QPixmap& ClockPicture();

}  // namespace qx
