// Analog display (module uQXAnalogDisp): a received number as a needle on a
// linear scale and, in the output modes, a slider knob on the same scale
// whose value is sent on an output channel when a drag ends. Name and value
// lines above the scale, optional scale labels beside or below it.
#pragma once

#include <QLabel>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "editing/uQXControls.h"
#include "instruments/uQXScaleGauge.h"

namespace qx {

class TEEListing;

// One scale label: the centre it is placed on, its text, and whether it is
// shown (when scale labels are on).
struct TScaleLabelSlot {
  int32_t Pos = 0;
  std::string Text;
  bool Placed = false;
};
// Places count labels from p0 along a span divided into spacing parts
// (vertical: upward). A label is placed only when it clears the last placed
// one; the high end then takes the last text unless only the first fitted.
std::vector<TScaleLabelSlot> PlaceScaleLabels(
    int32_t count, int32_t p0, int32_t span, int32_t spacing, bool vertical, double minScale,
    double maxScale, const std::function<std::string(double)>& text,
    const std::function<int32_t(const std::string&)>& width, int32_t textHeight);

// Caption of a name line: name, unit (" in " unit, only without the
// numeric value), sourcePrefix and formula, and "=" before a value.
std::string AnalogNameText(bool showName, std::string_view denom, bool showUnit,
                           std::string_view unit, bool showNumeric, bool showSource,
                           std::string_view sourcePrefix, std::string_view source);

class TQXAnalogDisp : public TQXAnimElement, public TScaleGaugeOwner {
  Q_OBJECT

 public:
  explicit TQXAnalogDisp(QWidget* owner);
  ~TQXAnalogDisp() override;
  static TQXAnalogDisp* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void UpdateDisplay() override;
  void ResetValue() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXAnalogDisp>(); }
  void ShowCompileState() override;

  // TScaleGaugeOwner
  double FractionToValue(double f) const override;
  double SentFraction() const override;
  void ShowSliderValue(double value) override;
  void SendSliderValue() override;
  double ValueToFraction(double x) const { return ScaleFraction(x, MinScale, MaxScale); }

  // Value text: cut to Decimal digits, the unit appended when shown.
  std::string ValueText(double value, bool withUnit) const;
  void UpdateNumericIn();
  void UpdateNumericOut();
  void UpdateNameCaptions();
  void UpdateLabels();
  void RebuildScaleLabels();

  // ---- accessors of the keys ----
  std::string GetOutDenom() const { return OutElement->Denom; }
  void SetOutDenom(const std::string& value);
  std::string GetOutSource() const { return OutElement->Source; }
  void SetOutSource(const std::string& value);
  std::string GetUnit() const { return UnitText; }
  void SetUnit(const std::string& value);
  bool GetShowName() const { return ShowName; }
  void SetShowName(bool value) { SetShowFlag(ShowName, value); }
  bool GetShowOutName() const { return ShowOutName; }
  void SetShowOutName(bool value) { SetShowFlag(ShowOutName, value); }
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value) { SetShowFlag(ShowSource, value); }
  bool GetShowOutSource() const { return ShowOutSource; }
  void SetShowOutSource(bool value) { SetShowFlag(ShowOutSource, value); }
  bool GetShowUnit() const { return ShowUnit; }
  void SetShowUnit(bool value) { SetShowFlag(ShowUnit, value); }
  bool GetShowNumeric() const { return ShowNumeric; }
  void SetShowNumeric(bool value) { SetShowFlag(ShowNumeric, value); }
  bool GetScaleLabeling() const { return ScaleLabeling; }
  void SetScaleLabeling(bool value);
  int32_t GetMode() const;
  void SetMode(int32_t value);
  int32_t GetOrientation() const { return Gauge->Vertical ? 1 : 0; }
  void SetOrientation(int32_t value);
  int32_t GetDecimal() const { return Decimal; }
  void SetDecimal(int32_t value);
  bool GetFixedDecimal() const { return FixedDecimal; }
  void SetFixedDecimal(bool value);
  double GetMinScale() const { return MinScale; }
  void SetMinScale(double value);
  double GetMaxScale() const { return MaxScale; }
  void SetMaxScale(double value);
  int32_t GetSpacing() const { return Gauge->Spacing; }
  void SetSpacing(int32_t value);
  int32_t GetSubSpacing() const { return Gauge->SubSpacing; }
  void SetSubSpacing(int32_t value);
  double GetThickness() const { return Gauge->Thickness; }
  void SetThickness(double value);
  double GetSubThickness() const { return Gauge->SubThickness; }
  void SetSubThickness(double value);
  int32_t GetSlideSteps() const { return Gauge->SlideSteps; }
  void SetSlideSteps(int32_t value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);
  TColor GetScaleBckGndColor() const { return Gauge->ScaleBckGndColor; }
  void SetScaleBckGndColor(TColor value);
  TColor GetNeedleColor() const { return Gauge->NeedleColor; }
  void SetNeedleColor(TColor value);
  TColor GetScaleColor() const { return Gauge->ScaleColor; }
  void SetScaleColor(TColor value);

  TAnalogDisp* Gauge;
  TQXElement* OutElement;
  double MinScale = 0.0;
  double MaxScale = 100.0;
  QLabel* NameLabelIn;
  QLabel* NameLabelOut;
  QLabel* NumLabelIn;
  QLabel* NumLabelOut;
  int32_t LabelsHeight = 0;
  std::string UnitText;
  bool ShowName = false;
  bool ShowUnit = false;
  bool ShowSource = false;
  bool ScaleLabeling = false;
  bool ShowNumeric = false;
  bool ShowOutName = false;
  bool ShowOutSource = false;
  int32_t ScaleLabelTop = 0;
  int32_t ScaleLabelLeft = 0;
  int32_t MaxScaleLabelWidth = 0;
  int32_t ScaleLabelHeight = 0;
  std::vector<QLabel*> ScaleLabels;
  int32_t Decimal = 2;
  bool FixedDecimal = false;

 private:
  void SetShowFlag(bool& flag, bool value);
  // The panel's input and output rows follow the mode while it shows this.
  void UpdateModeRows() const;
  void PlaceLabels(int32_t p0, int32_t span);
  void SaveGaugeSize();
  void RestoreGaugeSize();
  void RepaintGauge();
  // The needle at the stored number (a text received since leaves it).
  void ShowNeedle();

  int32_t savedGaugeWidth_ = 0;
  int32_t savedGaugeHeight_ = 0;
  int32_t nameInHeight_ = 0;
  int32_t nameOutHeight_ = 0;
  int32_t numHeight_ = 0;
  TColor fontColor_ = 0;
};

}  // namespace qx
