// Numeric display (module uQXNumericDisp): the formula's result as a number
// with a chosen number of decimals, an optional unit and an optional caption
// of name and formula.
#pragma once

#include <QPointer>

#include "editing/uQXControls.h"
#include "instruments/uElementLabels.h"

namespace qx {

class TEEListing;

class TQXNumericDisp : public TQXElement {
  Q_OBJECT

 public:
  explicit TQXNumericDisp(QWidget* owner);
  static TQXNumericDisp* ElemCreate();
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
  TQXElement* Clone() override { return CloneAs<TQXNumericDisp>(); }

  int32_t GetDecimals() const { return Decimals; }
  void SetDecimals(int32_t value);
  bool GetFixedDecimal() const { return FixedDecimal; }
  void SetFixedDecimal(bool value);
  std::string GetUnit() const { return Unit; }
  void SetUnit(const std::string& value);
  bool GetShowUnit() const { return ShowUnit; }
  void SetShowUnit(bool value);
  bool GetShowName() const { return ShowName; }
  void SetShowName(bool value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);

  const TElementText* ValueLabel() const { return &value_; }
  const TElementText* CaptionLabel() const { return &caption_; }

  int32_t Decimals = 2;
  bool FixedDecimal = false;
  std::string Unit;
  bool ShowName = false;
  bool ShowUnit = false;
  bool ShowSource = false;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Drawn by the display itself, the value right after the caption.
  TElementText value_;
  TElementText caption_;
  TColor fontColor_ = 0;
};

// The value text: standard conversion, cut to the decimals, unit appended.
std::string NumericDisplayText(double value, int32_t decimals, bool fixed, bool showUnit,
                               std::string_view unit);

}  // namespace qx
