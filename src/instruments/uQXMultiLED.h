// LED row (module uQXMultiLED): the formula's number in base 2, one LED per
// bit, the least significant bit on the right. Every received number asks
// the GUI thread for an update at once (not on the display tick).
#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;

// The number the row shows: rounded half to even; negative, NaN or beyond
// 64 bits gives 0; otherwise its low 32 bits.
uint32_t LedRowValue(double value);
// The value label's text without clipping: the rounded number in decimal
// digits; what has no 64-bit value is shown as FloatToText shows it ("Nan",
// "+Inf", ...).
std::string RoundedValueText(double value);

// Columns of one LED: [Left, Left + Width).
struct TLedSpan {
  int32_t Left = 0;
  int32_t Width = 0;
};
// The LEDs of a row W pixels wide, bit 0 (rightmost) first, laid out from
// the right edge: seg columns each, the r rightmost one column more, two
// separator columns between them. A row too narrow for its separators gets
// empty LEDs; no span leaves 0 .. W.
std::vector<TLedSpan> LedRowLayout(int32_t width, int32_t bits);

class TLEDBar : public QWidget {
  Q_OBJECT

 public:
  explicit TLEDBar(QWidget* parent);
  TColor SeparatorColor = 0xC0C0C0;
  TColor LedColor = 0xFFFFFF;
  TColor LedOffColor = 0x808080;
  int32_t Bits = 8;
  int64_t Value = 0;
  void SetValue(int64_t v);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TQXMultiLED : public TQXElement {
  Q_OBJECT

 public:
  explicit TQXMultiLED(QWidget* owner);
  static TQXMultiLED* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  // Receive thread: stores and posts an update.
  void SetValue(double value) override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXMultiLED>(); }
  void Activate(int32_t arg) override;
  void SetFrameColor(TColor value) override;

  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  bool GetShowValue() const { return ShowValue; }
  void SetShowValue(bool value);
  int32_t GetBits() const { return LedBar->Bits; }
  void SetBits(int32_t value);
  TColor GetLedColor() const { return LedBar->LedColor; }
  void SetLedColor(TColor value);
  TColor GetLedOffColor() const { return LedBar->LedOffColor; }
  void SetLedOffColor(TColor value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);
  QLabel* NameLabel() const { return name_; }
  QLabel* ValueLabel() const { return value_; }

  bool ShowSource = false;
  bool ShowDenom = false;
  bool ShowValue = false;
  TLEDBar* LedBar;

 private:
  void UpdateShowFlags();
  // The caption line: name, then the value right after it.
  void LayOutLabels();
  bool AnyShown() const { return ShowSource || ShowDenom || ShowValue; }

  QLabel* name_;
  QLabel* value_;
  TColor fontColor_ = 0;
};

}  // namespace qx
