// Blink LED (module uQXBlinkLED): flashes once for OnTime whenever a number
// above 0 arrives, followed by a dark pause as long; one trigger during a
// flash or its pause gives exactly one more flash, so a fast stream of
// triggers blinks evenly.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <mutex>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;

enum : int32_t { BlinkIdle = 0, BlinkLit = 1, BlinkPause = 2 };

class TQXBlinkLED : public TQXElement {
  Q_OBJECT

 public:
  explicit TQXBlinkLED(QWidget* owner);
  static TQXBlinkLED* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  // Receive thread: stores, then asks for a flash or remembers the trigger.
  void SetValue(double value) override;
  void StreamStart() override;
  void StreamStop() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXBlinkLED>(); }
  // GUI thread: start of a flash.
  void Activate(int32_t arg) override;
  void BlinkTimerTick();

  TColor GetLedOffColor() const { return LedOffColor; }
  void SetLedOffColor(TColor value);
  TColor GetLedColor() const { return LedColor; }
  // The key's setter: the light colour only, so a saved night colour stays.
  void SetLedColor(TColor value);
  // The panel's setter: the light colour and the night colour dimmed from it
  // (the panel then shows the new night colour).
  void EditLedColor(TColor value);
  double GetOnTime() const { return OnTime; }
  void SetOnTime(double value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);

  int32_t BlinkState() const;
  bool Pending() const;
  QLabel* LedLabel() const { return label_; }
  QTimer* BlinkTimer() const { return timer_; }
  TColor ShownColor() const { return GetBckGndColor(); }

  TColor LedOffColor = 0x001900;
  TColor LedColor = 0x00FF00;
  bool ShowSource = false;
  bool ShowDenom = false;
  double OnTime = 0.5;

 private:
  void ShowColor(TColor c);

  // State and pending trigger are shared with the receive thread; the lock
  // makes a trigger at the very end of a cycle count exactly once.
  mutable std::mutex stateLock_;
  int32_t state_ = BlinkIdle;
  bool pending_ = false;
  QLabel* label_;
  QTimer* timer_;
  TColor fontColor_ = 0x808080;
};

}  // namespace qx
