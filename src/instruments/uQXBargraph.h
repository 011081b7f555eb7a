// Bar graph (module uQXBargraph): a number as a bar of lit segments, like an
// LED bar, with optional glow; in the output modes the operator drags the
// bar to a level that is sent when the mouse button is released.
#pragma once

#include <QImage>
#include <QLabel>
#include <QPointer>
#include <atomic>
#include <functional>
#include <vector>

#include "editing/uQXControls.h"
#include "instruments/uQXScaleGauge.h"

namespace qx {

class TEEListing;

// One segment along the bar: first pixel and length.
struct TBarSegment {
  int32_t Start = 0;
  int32_t Size = 0;
};
// The segments of a bar of `length` pixels with `clearance` at both ends
// and `gap` between segments, in drawing order: the free length shared out
// evenly, the remainder pixels going to the first segments. None when there
// is nothing to draw (no segments, or no room for the gaps).
std::vector<TBarSegment> BarSegments(int32_t length, int32_t clearance, int32_t count, int32_t gap);
// Number of lit segments: rnd(count * position), within 0..count.
int32_t LitSegments(int32_t count, double position);

// What the bar needs from its element.
class TBargraphOwner {
 public:
  virtual ~TBargraphOwner() = default;
  // Fraction of the element's stored value (where the bar returns).
  virtual double StoredFraction() const = 0;
  // A drag ended inside the bar: send its level.
  virtual void SendValue() = 0;
};

class TBargraph : public QWidget {
  Q_OBJECT

 public:
  explicit TBargraph(QWidget* parent, TBargraphOwner* owner = nullptr);

  double Position = 0.0;
  int32_t Mode = 2;  // 0 in, 1 out, 2 inOut
  bool Vertical = true;
  int32_t ClearanceX = 5;
  int32_t ClearanceY = 5;
  int32_t StepClearance = 2;
  int32_t SegmentSize = 0;
  int32_t StepQty = 10;
  TColor BarBckGndColor = 0xFFFFFF;
  TColor LightColor = 0x0000FF;
  TColor DarkColor = 0x000000;
  bool LightEffect = false;
  bool DarkEffect = false;
  int32_t BarStart = 0;
  int32_t BarEnd = 0;
  bool Dragging = false;

  void SetPosition(double f);
  // Draws the bar into the buffer (what paintEvent shows).
  void PaintBuffer();
  const QImage& Buffer() const { return buffer_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void UpdateRange();
  double DragFraction(const QPoint& pos);
  bool OutsideSideways(const QPoint& pos) const;
  // Geometry in bar terms: `along` the length, `across` the thickness.
  void Fill(int32_t along, int32_t alongLen, int32_t across, int32_t acrossLen, TColor color);
  TColor Pixel(int32_t along, int32_t across) const;
  void SetPixel(int32_t along, int32_t across, TColor color);
  // A line across the segments at `along`.
  void AcrossLine(int32_t along, TColor color);
  void DrawGroup(const std::vector<TBarSegment>& segs, size_t first, size_t last, TColor color,
                 bool glow);

  TBargraphOwner* owner_;
  QImage buffer_;  // reused between paints
  int32_t crossFrom_ = 0;
  int32_t crossTo_ = 0;
};

class TQXBargraph : public TQXAnimElement, public TBargraphOwner {
  Q_OBJECT

 public:
  explicit TQXBargraph(QWidget* owner);
  ~TQXBargraph() override;
  static TQXBargraph* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void SetValue(double value) override;
  void UpdateDisplay() override;
  void ResetValue() override;
  void UpdateCaption() override { UpdateNameLabel(); }
  void SourceChanged() override { UpdateNameLabel(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXBargraph>(); }
  void ShowCompileState() override;

  double ValueToFraction(double x) const { return ScaleFraction(x, MinScale, MaxScale); }
  double FractionToValue(double f) const { return MinScale + (MaxScale - MinScale) * f; }
  // TBargraphOwner
  double StoredFraction() const override { return ValueToFraction(GetValue()); }
  void SendValue() override;

  void UpdateNameLabel();
  void UpdateMarks();

  // ---- accessors of the keys ----
  std::string GetOutSource() const { return OutElement->Source; }
  void SetOutSource(const std::string& value);
  std::string GetUnit() const { return UnitText; }
  void SetUnit(const std::string& value);
  bool GetShowName() const { return ShowName; }
  void SetShowName(bool value) { SetNameFlag(ShowName, value); }
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value) { SetNameFlag(ShowSource, value); }
  bool GetShowUnit() const { return ShowUnit; }
  void SetShowUnit(bool value);
  int32_t GetMode() const;
  void SetMode(int32_t value);
  int32_t GetOrientation() const { return Bar->Vertical ? 1 : 0; }
  void SetOrientation(int32_t value);
  bool GetShowMarks() const { return ShowMarks; }
  void SetShowMarks(bool value);
  double GetMinScale() const { return MinScale; }
  void SetMinScale(double value);
  double GetMaxScale() const { return MaxScale; }
  void SetMaxScale(double value);
  // The panel's edits of what the scale numbers read.
  void EditUnit(const std::string& value) {
    EditScaleText([&] { SetUnit(value); });
  }
  void EditShowUnit(bool value) {
    EditScaleText([&] { SetShowUnit(value); });
  }
  void EditMinScale(double value) {
    EditScaleText([&] { SetMinScale(value); });
  }
  void EditMaxScale(double value) {
    EditScaleText([&] { SetMaxScale(value); });
  }
  int32_t GetStepQty() const { return Bar->StepQty; }
  void SetStepQty(int32_t value);
  int32_t GetStepClearance() const { return Bar->StepClearance; }
  void SetStepClearance(int32_t value);
  int32_t GetClearanceX() const { return Bar->ClearanceX; }
  void SetClearanceX(int32_t value);
  int32_t GetClearanceY() const { return Bar->ClearanceY; }
  void SetClearanceY(int32_t value);
  bool GetLightEffect() const { return Bar->LightEffect; }
  void SetLightEffect(bool value);
  bool GetDarkEffect() const { return Bar->DarkEffect; }
  void SetDarkEffect(bool value);
  TColor GetBarBckGndColor() const { return Bar->BarBckGndColor; }
  void SetBarBckGndColor(TColor value);
  TColor GetLightColor() const { return Bar->LightColor; }
  void SetLightColor(TColor value);
  TColor GetDarkColor() const { return Bar->DarkColor; }
  void SetDarkColor(TColor value);

  TBargraph* Bar;
  TQXElement* OutElement;
  double MinScale = 0.0;
  double MaxScale = 100.0;
  QLabel* NameLabel;
  int32_t NameLabelHeight = 0;
  std::string UnitText;
  bool ShowName = false;
  bool ShowUnit = false;
  bool ShowSource = false;
  bool ShowMarks = false;
  int32_t MarkHeightInUse = 0;
  int32_t MarkWidthInUse = 0;
  int32_t MarkHeight = 0;
  int32_t MarkWidth = 0;
  QLabel* MinLabel;
  QLabel* MaxLabel;

 private:
  void SetNameFlag(bool& flag, bool value);
  // The panel's input and output rows follow the mode while it shows this.
  void UpdateModeRows() const;
  void RepaintBar();
  // The bar at the stored number (a text received since leaves it).
  void ShowStoredValue();
  void AfterLayoutChange();
  // Whether the scale numbers are shown (they fit whole).
  bool MarksShown() const;
  void EditScaleText(const std::function<void()>& set);

  std::atomic<int32_t> valueMode_{2};  // the mode as the receiving thread reads it
};

}  // namespace qx
