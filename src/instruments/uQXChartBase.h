// Chart scaffolding (module uQXChartBase), shared by the time chart and the
// XY chart: a QCustomPlot with ten series, a bottom axis and six value axes
// that share one vertical extent in graph units (each maps its own bounds
// onto 0..1), fixed-interval marks, zoom and pan by mouse, a caption label,
// the control channel whose texts are commands, and the axis keys.
#pragma once

#include "instruments/uFixedIntervalChartSource.h"
// after the QCustomPlot include
#include <QLabel>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editing/uPropertyEditor.h"
#include "editing/uQXControls.h"

namespace qx {

class TEEESubLister;

inline constexpr int32_t kChartCurves = 10;
inline constexpr int32_t kChartAxes = 6;
// A curve keeps at most this many points after a display tick; beyond it
// the oldest kChartTrimPoints go at once.
inline constexpr int32_t kChartMaxPoints = 100000;
inline constexpr int32_t kChartTrimPoints = 5000;
inline constexpr std::array<TColor, kChartCurves> kChartCurveColors = {
    0x1C46F0, 0x926221, 0x0F8815, 0x4E34A7, 0x05CCFE,
    0x000040, 0x6A6A6A, 0x8000FF, 0xFF8000, 0xFFFF00};

// ---- rules ----

enum class TChartCommand { None, Clear, Reset, XMin, XMax, YMin, YMax, XSpacing, YSpacing };
// The first command the text begins with (letters compared without case).
TChartCommand MatchChartCommand(std::string_view text);

// A bound pushed past the other drags it along by the previous range, so the
// range never becomes empty or inverted.
struct TChartBounds {
  double Min = 0;
  double Max = 10;
  double Range = 10;
  void SetMin(double v);
  void SetMax(double v);
};

// Linear map of an axis's bounds onto graph units 0..1.
struct TAxisTransform {
  double Scale = 0.1;
  double Offset = 0;
};
TAxisTransform AxisTransformOf(double yMin, double yMax);

// Mark text: decimals raised by the decimal exponent of the zoom factor.
std::string ChartMarkText(double value, double zoom, int32_t decimals, bool fixed);

// How many of count points a trim removes (0 or kChartTrimPoints).
int32_t ChartPointsToTrim(int64_t count);

// ---- point lists that can drop their oldest points ----

template <class D>
class TTrimmableData : public QCPDataContainer<D> {
 public:
  // Drops the first n points without moving the rest; the container's own
  // squeeze gives the room back once it is large enough to matter.
  void RemoveFirst(int n) {
    n = std::min(n, this->size());
    if (n <= 0) return;
    this->mPreallocSize += n;
    if (this->mAutoSqueeze) this->performAutoSqueeze();
  }
};

// ---- property listing pieces ----

// The sub-listings of one chart class and its rows that follow the curve
// and axis counts (index = curve or axis number).
struct TChartListingRows {
  QPointer<TEEListing> Main;
  QPointer<TEESubListing> Curve, Axes, XAxis, YAxis, Control;
  std::array<QPointer<TEEEintrag>, kChartCurves + 1> CurveRows{};
  std::array<QPointer<TEEEintrag>, kChartAxes + 1> AxisRows{};
};

// What the two charts' shared sub-listings say differently.
struct TChartListingTexts {
  QString XAxisSettings;  // opener and title of the horizontal-axis listing
  QString XBounds;        // caption of the x bounds
  QString YBounds;        // caption of a value axis's bounds
  QString CurveDescr;     // below the curve settings; none when empty
  int CurveDescrHeight = 0;
  QString ControlDescr;
};

// ---- the plot ----

// Zoom by left drag (a click restores the full extent), Ctrl+wheel zoom,
// pan by right drag (horizontal only with Ctrl). The view is the x range
// and the part ViewG of the vertical graph units 0..1.
// Hands on the marks of the ticker it wraps, with only every Stride-th text
// kept: the bottom axis of a narrow plot would otherwise run its numbers
// together ("0 4 8 121620").
class TThinnedTicker : public QCPAxisTicker {
 public:
  QSharedPointer<QCPAxisTicker> Inner;
  int Stride = 1;
  // Every text of the last marks, before thinning.
  QVector<QString> AllLabels;
  void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                QVector<double>& ticks, QVector<double>* subTicks,
                QVector<QString>* tickLabels) override;
};

class TQXChartPlot : public QCustomPlot {
  Q_OBJECT

 public:
  explicit TQXChartPlot(QWidget* parent);

  static constexpr double kWheelZoom = 0.75;
  // The plotting area is not narrowed below this for the value axes; axes
  // that do not fit beside it are left out.
  static constexpr int kMinPlotWidth = 60;

  QCPRange FullX{0, 20};
  QCPRange ViewG{0, 1};
  bool Zoomed = false;
  // After every change of the shown ranges (owner sets the value axes).
  std::function<void()> OnViewChanged;

  // The full x extent; shown at once unless zoomed.
  void SetFullX(double lo, double hi);
  void ZoomTo(const QCPRange& x, const QCPRange& g);
  void Unzoom();
  // factor < 1 zooms in, about the given widget position.
  void ZoomAt(QPointF pos, double factor);
  void PanBy(QPointF deltaPixels, bool horizontalOnly);
  // Graph units of a widget y.
  double PixelToG(double y) const;
  // The owner is about to set every value axis's visibility itself.
  void ForgetLeftOut() { leftOut_.clear(); }
  // Value axes the last layout hid for want of room.
  const std::vector<QCPAxis*>& LeftOut() const { return leftOut_; }
  // The mark source of the bottom axis (its texts thinned where they would
  // touch).
  void SetBottomMarks(QSharedPointer<QCPAxisTicker> marks);
  QSharedPointer<QCPAxisTicker> BottomMarks() const { return bottom_->Inner; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void updateLayout() override;

 private:
  void Apply();
  QCPAxis* OutermostValueAxis() const;
  int BottomStride() const;
  std::vector<QCPAxis*> leftOut_;
  QSharedPointer<TThinnedTicker> bottom_;
  enum class TDrag { None, Zoom, Pan, PanX };
  TDrag drag_ = TDrag::None;
  QPoint press_;
  QPoint last_;
};

// ---- the element base ----

class TQXChartBase : public TQXElement {
  Q_OBJECT

 public:
  // pauseAfterCommand: the receiving thread sleeps 10 ms after handing a
  // command over (time chart).
  TQXChartBase(QWidget* owner, bool pauseAfterCommand);
  ~TQXChartBase() override;

  TQXChartPlot* Chart = nullptr;
  QLabel* NameLabel = nullptr;
  int32_t LabelHeight = 0;
  int32_t CurveQty = 1;
  int32_t AxisQty = 1;
  std::array<TChartBounds, kChartAxes + 1> Y{};  // 1..6
  std::array<int32_t, kChartAxes + 1> Decimals{};
  std::array<bool, kChartAxes + 1> FixDecimals{};
  std::array<TAxisTransform, kChartAxes + 1> AxisTransforms{};
  TFixedIntervalChartSource XSource;  // axis 0
  std::array<TFixedIntervalChartSource, kChartAxes + 1> YSources;
  TAttachedQXElement* ControlElement = nullptr;
  bool ShowName = false;
  bool ShowUnit = false;
  std::string UnitText;

  // The plottable of curve n (1..10) and the shown value axis n (1..6).
  QCPAbstractPlottable* Series(int32_t n) const { return series_[static_cast<size_t>(n)]; }
  QCPAxis* ValueAxis(int32_t n) const;
  QCPAxis* BottomAxis() const { return Chart->xAxis; }

  // ---- scaffolding operations ----
  void BuildLabel();
  void PanelResize() override;
  void UpdateCaption() override { BuildLabel(); }
  void SourceChanged() override { BuildLabel(); }
  void UpdateAxisTransforms();
  void ApplyAxisQty();
  std::string FormatMark(const TFixedIntervalChartSource& sender, double value, double zoom) const;
  void ShowCompileState() override;
  // Port thread, receive lock held: hands the command to the GUI thread.
  void ControlCommand();
  // GUI thread: the action of a matched command with the control number.
  virtual void RunCommand(TChartCommand cmd, double v);
  void ApplyValueRanges();  // the plot's vertical view onto every value axis

  // ---- accessors (keys and rows; index = axis or curve number) ----
  std::string GetControlSource() const { return ControlElement->Source; }
  void SetControlSource(const std::string& v) { ControlElement->SetSource(v); }
  int32_t GetCurveQty() const { return CurveQty; }
  void SetCurveQty(int32_t v);
  int32_t GetAxisQty() const { return AxisQty; }
  void SetAxisQty(int32_t v);
  std::string GetUnit() const { return UnitText; }
  void SetUnit(const std::string& v);
  bool GetShowName() const { return ShowName; }
  void SetShowName(bool v);
  bool GetShowUnit() const { return ShowUnit; }
  void SetShowUnit(bool v);
  TFontDesc GetFont() const { return font_; }
  void SetFont(const TFontDesc& v);
  TColor GetCurveBackColor() const { return curveBack_; }
  void SetCurveBackColor(TColor v);
  void SetBckGndColor(TColor value) override;

  TColor GetCurveColor(int32_t n) const { return curveColor_[static_cast<size_t>(n)]; }
  void SetCurveColor(int32_t n, TColor v);
  int32_t GetCurveStrength(int32_t n) const { return curveWidth_[static_cast<size_t>(n)]; }
  void SetCurveStrength(int32_t n, int32_t v);
  int32_t GetCurveAxis(int32_t n) const;
  void SetCurveAxis(int32_t n, int32_t v);

  const std::string& GetXTitle() const { return axisTitle_[0]; }
  void SetXTitle(std::string v) { SetAxisTitle(0, std::move(v)); }
  bool GetShowXTitle() const { return showTitle_[0]; }
  void SetShowXTitle(bool v) { SetShowAxisTitle(0, v); }
  int32_t GetSpacingX() const { return spacing_[0]; }
  virtual void SetSpacingX(int32_t v);
  int32_t GetDecimals(int32_t n) const { return Decimals[static_cast<size_t>(n)]; }
  void SetDecimals(int32_t n, int32_t v);
  bool GetFixDecimals(int32_t n) const { return FixDecimals[static_cast<size_t>(n)]; }
  void SetFixDecimals(int32_t n, bool v);
  TColor GetAxisColor(int32_t n) const { return axisColor_[static_cast<size_t>(n)]; }
  void SetAxisColor(int32_t n, TColor v);
  TFontDesc GetAxisScaleFont(int32_t n) const { return scaleFont_[static_cast<size_t>(n)]; }
  void SetAxisScaleFont(int32_t n, const TFontDesc& v);
  TFontDesc GetAxisTitleFont(int32_t n) const { return titleFont_[static_cast<size_t>(n)]; }
  void SetAxisTitleFont(int32_t n, const TFontDesc& v);
  const std::string& GetAxisTitle(int32_t n) const { return axisTitle_[static_cast<size_t>(n)]; }
  void SetAxisTitle(int32_t n, std::string v);
  bool GetShowAxisTitle(int32_t n) const { return showTitle_[static_cast<size_t>(n)]; }
  void SetShowAxisTitle(int32_t n, bool v);
  bool GetAxisLeft(int32_t n) const { return axisLeft_[static_cast<size_t>(n)]; }
  void SetAxisLeft(int32_t n, bool v);
  double GetYMin(int32_t n) const { return Y[static_cast<size_t>(n)].Min; }
  void SetYMin(int32_t n, double v);
  double GetYMax(int32_t n) const { return Y[static_cast<size_t>(n)].Max; }
  void SetYMax(int32_t n, double v);
  int32_t GetYSpacing(int32_t n) const { return spacing_[static_cast<size_t>(n)]; }
  void SetYSpacing(int32_t n, int32_t v);

  // ---- property listing ----
  // The listing rows of the element's class.
  virtual TChartListingRows& ListingRows() const = 0;
  // Shown while the panel shows this chart: curve rows 1..CurveQty, axis
  // rows 1..AxisQty.
  void UpdateCurveRows() const;
  void UpdateAxisRows() const;
  // The ten curve rows of a main listing (formula, colour, opener).
  static void ListCurveRows(TChartListingRows& rows, const std::function<QString(int32_t)>& caption,
                            bool building);
  // The curve, axis and control sub-listings, opened by the given rows.
  static void ListSubListings(TChartListingRows& rows, TEEESubLister* axesOpener,
                              TEEESubLister* controlOpener, const TChartListingTexts& texts,
                              TEEAcc<double> xMin, TEEAcc<double> xMax, bool building);

  // ---- key-set pieces, in file order ----
  template <class C>
  static void KeysCurves(TFLSetBuilder<C>& b, const char* sourcePrefix);
  template <class C>
  static void KeysCaptionAndLook(TFLSetBuilder<C>& b);
  template <class C>
  static void KeysXHead(TFLSetBuilder<C>& b);
  template <class C>
  static void KeysXMid(TFLSetBuilder<C>& b);
  template <class C>
  static void KeysAxes(TFLSetBuilder<C>& b);
  template <class C>
  static void KeysCurveAxes(TFLSetBuilder<C>& b);

  // The element holding curve n's formula (the chart itself for the time
  // chart's curve 1).
  virtual TQXElement* CurveInput(int32_t n) const = 0;

 protected:
  // Whether the chart's own formula must be valid for the valid frame
  // colour (the XY chart's X input).
  virtual bool OwnInputRequired() const = 0;
  // Changing what curves are in use (the owner stops sampling around it).
  virtual void ApplyCurveQty();
  void AddSeries(int32_t n, QCPAbstractPlottable* p);
  // Lines between the points (else only the point markers).
  bool LinesVisible = true;
  void StyleSeries(int32_t n);
  // The sources whose extent follows the value axis bounds (time chart).
  bool ValueSourcesFollowBounds = true;

 private:
  void ApplyAxisLook(int32_t n);
  bool pauseAfterCommand_;
  std::array<QCPAbstractPlottable*, kChartCurves + 1> series_{};
  std::array<QCPAxis*, kChartAxes + 1> left_{};
  std::array<QCPAxis*, kChartAxes + 1> right_{};
  std::array<TColor, kChartCurves + 1> curveColor_{};
  std::array<int32_t, kChartCurves + 1> curveWidth_{};
  std::array<int32_t, kChartCurves + 1> curveAxis_{};
  std::array<std::string, kChartAxes + 1> axisTitle_{};
  std::array<bool, kChartAxes + 1> showTitle_{};
  std::array<bool, kChartAxes + 1> axisLeft_{};
  std::array<int32_t, kChartAxes + 1> spacing_{};
  std::array<TColor, kChartAxes + 1> axisColor_{};
  std::array<TFontDesc, kChartAxes + 1> scaleFont_{};
  std::array<TFontDesc, kChartAxes + 1> titleFont_{};
  TFontDesc font_;
  TColor curveBack_ = 0xFFFFFF;
};

// ---- key-set pieces ----

template <class C>
void TQXChartBase::KeysCurves(TFLSetBuilder<C>& b, const char* sourcePrefix) {
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    auto& e = b.String(
        sourcePrefix + std::to_string(n),
        [](C& c, int32_t i) { return c.CurveInput(i)->GetSource(); },
        [](C& c, int32_t i, const std::string& v) { c.CurveInput(i)->SetSource(v); });
    e.SetIndex(n);
    b.ActiveWhen(e, [](C& c, int32_t i) { return i <= c.CurveQty; });
  }
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    auto& e = b.Color("curve" + std::to_string(n) + "Color", &TQXChartBase::GetCurveColor,
                      &TQXChartBase::SetCurveColor);
    e.SetIndex(n);
    b.ActiveWhen(e, [](C& c, int32_t i) { return i <= c.CurveQty; });
  }
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    auto& e = b.Int("curve" + std::to_string(n) + "Strength", &TQXChartBase::GetCurveStrength,
                    &TQXChartBase::SetCurveStrength);
    e.SetIndex(n);
    b.ActiveWhen(e, [](C& c, int32_t i) { return i <= c.CurveQty; });
  }
}

template <class C>
void TQXChartBase::KeysCaptionAndLook(TFLSetBuilder<C>& b) {
  b.String("unit", &TQXChartBase::GetUnit, &TQXChartBase::SetUnit);
  KeysPositionSize(b);
  b.Bool("showName", &TQXChartBase::GetShowName, &TQXChartBase::SetShowName);
  b.Bool("showUnit", &TQXChartBase::GetShowUnit, &TQXChartBase::SetShowUnit);
  if constexpr (requires { C::KeysSampling(b); }) C::KeysSampling(b);
  b.String("controlSource", &TQXChartBase::GetControlSource, &TQXChartBase::SetControlSource);
  b.Font("font", &TQXChartBase::GetFont, &TQXChartBase::SetFont);
  KeyBckGndColor(b);
  b.Color("curveBackColor", &TQXChartBase::GetCurveBackColor, &TQXChartBase::SetCurveBackColor);
  KeysFrame(b);
}

template <class C>
void TQXChartBase::KeysXHead(TFLSetBuilder<C>& b) {
  b.String("xAxisTitle", &TQXChartBase::GetXTitle, &TQXChartBase::SetXTitle);
  b.Bool("showXAchsLabel", &TQXChartBase::GetShowXTitle, &TQXChartBase::SetShowXTitle);
}

template <class C>
void TQXChartBase::KeysXMid(TFLSetBuilder<C>& b) {
  b.Int("spacingX", &TQXChartBase::GetSpacingX,
        [](C& c, int32_t v) { static_cast<TQXChartBase&>(c).SetSpacingX(v); });
  b.Int("axisXDecimal", &TQXChartBase::GetDecimals, &TQXChartBase::SetDecimals).SetIndex(0);
  b.Bool("axisXFixDecimal", &TQXChartBase::GetFixDecimals, &TQXChartBase::SetFixDecimals)
      .SetIndex(0);
}

template <class C>
void TQXChartBase::KeysAxes(TFLSetBuilder<C>& b) {
  b.Color("xAxisColor", &TQXChartBase::GetAxisColor, &TQXChartBase::SetAxisColor).SetIndex(0);
  b.Font("xAxisLabelFont", &TQXChartBase::GetAxisScaleFont, &TQXChartBase::SetAxisScaleFont)
      .SetIndex(0);
  b.Font("xAxisTitleFont", &TQXChartBase::GetAxisTitleFont, &TQXChartBase::SetAxisTitleFont)
      .SetIndex(0);
  b.Int("axisQty", &TQXChartBase::GetAxisQty, &TQXChartBase::SetAxisQty);
  for (int32_t n = 1; n <= kChartAxes; ++n) {
    const std::string a = "axis" + std::to_string(n);
    const auto active = [](C& c, int32_t i) { return i <= c.AxisQty; };
    const auto index = [&](TFLEintrag& e) {
      e.SetIndex(n);
      b.ActiveWhen(e, active);
    };
    index(b.String(a + "Titel", &TQXChartBase::GetAxisTitle, &TQXChartBase::SetAxisTitle));
    index(
        b.Bool(a + "ShowLabel", &TQXChartBase::GetShowAxisTitle, &TQXChartBase::SetShowAxisTitle));
    index(b.Bool(a + "Left", &TQXChartBase::GetAxisLeft, &TQXChartBase::SetAxisLeft));
    index(b.Real(a + "YMin", &TQXChartBase::GetYMin, &TQXChartBase::SetYMin));
    index(b.Real(a + "YMax", &TQXChartBase::GetYMax, &TQXChartBase::SetYMax));
    index(b.Int(a + "YSpacing", &TQXChartBase::GetYSpacing, &TQXChartBase::SetYSpacing));
    index(b.Int(a + "Decimal", &TQXChartBase::GetDecimals, &TQXChartBase::SetDecimals));
    index(b.Bool(a + "FixDecimal", &TQXChartBase::GetFixDecimals, &TQXChartBase::SetFixDecimals));
    index(b.Color(a + "color", &TQXChartBase::GetAxisColor, &TQXChartBase::SetAxisColor));
    index(
        b.Font(a + "ScaleFont", &TQXChartBase::GetAxisScaleFont, &TQXChartBase::SetAxisScaleFont));
    index(
        b.Font(a + "TitelFont", &TQXChartBase::GetAxisTitleFont, &TQXChartBase::SetAxisTitleFont));
  }
}

template <class C>
void TQXChartBase::KeysCurveAxes(TFLSetBuilder<C>& b) {
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    auto& e = b.Int("curve" + std::to_string(n) + "axis", &TQXChartBase::GetCurveAxis,
                    &TQXChartBase::SetCurveAxis);
    e.SetIndex(n);
    b.ActiveWhen(e, [](C& c, int32_t i) { return i <= c.CurveQty; });
  }
}

}  // namespace qx
