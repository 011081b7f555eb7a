// XY chart (module uQXXYChart): up to ten curves of points (x, y). Every
// number on the chart's own input (X) adds one point to each curve in use,
// whose y is what that curve's Y input last received; the rows reach the GUI
// thread through a double buffer and join the curves at the display tick.
#pragma once

#include <array>
#include <atomic>

#include "foundation/uBuffer.h"
#include "instruments/uQXChartBase.h"

namespace qx {

// ---- drawing dense curves ----

// The polyline without the points that fall on the pixel of the last kept
// point; the last point before the line leaves a pixel is kept too, so
// every visible turn and the end point stay. NaN points (gaps) are kept.
void ReducePolyline(const QVector<QPointF>& in, QVector<QPointF>& out);
// The markers inside `area` without those on a pixel that a kept marker
// already covers; markers outside it and gaps are left out.
void ReduceScatters(const QVector<QPointF>& in, const QRect& area, QVector<QPointF>& out);
// Whole-pixel squares of `size` around the centres; with `join`, squares
// that lie side by side with the one before in a row or a column are
// joined into it.
void MergeSquares(const QVector<QPointF>& centres, int size, bool join, QVector<QRect>& out);
// The polyline cut to `area`: segments wholly outside go, segments that
// cross its edge end on it, and a NaN point separates the runs.
void ClipPolyline(const QVector<QPointF>& in, const QRectF& area, QVector<QPointF>& out);

// A curve that draws only what can be seen at pixel resolution: its points
// are mapped to pixels once, then its lines and markers are reduced, so the
// points themselves (and their trimming) stay as they are.
class TQXReducedCurve : public QCPCurve {
  Q_OBJECT

 public:
  using QCPCurve::QCPCurve;
  bool Reduce = true;

 protected:
  void draw(QCPPainter* painter) override;
  void drawCurveLine(QCPPainter* painter, const QVector<QPointF>& lines) const override;
  void drawScatterPlot(QCPPainter* painter, const QVector<QPointF>& points,
                       const QCPScatterStyle& style) const override;

 private:
  void DrawReducedLines(QCPPainter* painter, const QVector<QPointF>& lines) const;
  void DrawReducedMarkers(QCPPainter* painter, const QVector<QPointF>& points,
                          const QCPScatterStyle& style) const;
  mutable QVector<QPointF> lines_, markers_;
  mutable QVector<QRect> rects_;
};

class TQXXYChart : public TQXChartBase {
  Q_OBJECT

 public:
  explicit TQXXYChart(QWidget* owner);
  ~TQXXYChart() override;
  static TQXXYChart* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  static void InitListing();
  static const TFLSet* ClassSet;
  static QPointer<TEEListing> Listing;
  static TChartListingRows ListingRowSet;

  static constexpr int32_t kBufferRows = 1000;

  std::array<TQXElement*, kChartCurves + 1> CurveElements{};  // 1..10
  TFixedIntervalChartSource& XMarkSource = XSource;
  TChartBounds X{0, 20, 20};
  TRealArrayBuffer Buffer{kBufferRows};

  TQXReducedCurve* Curve(int32_t n) const { return static_cast<TQXReducedCurve*>(Series(n)); }
  int32_t PointCount(int32_t n) const { return Curve(n)->data()->size(); }

  // Port thread, receive lock held: stores x and hands one row to the GUI.
  void SetValue(double value) override;
  void UpdateDisplay() override;
  void ResetValue() override;
  TQXElement* Clone() override { return CloneAs<TQXXYChart>(); }
  TQXElement* CurveInput(int32_t n) const override;
  TChartListingRows& ListingRows() const override { return ListingRowSet; }
  void RunCommand(TChartCommand cmd, double v) override;

  void SetXView(double xMin, double xMax);
  void ClearCurves();
  void TrimCurve(int32_t n);

  double GetXMin() const { return X.Min; }
  void SetXMin(double v);
  double GetXMax() const { return X.Max; }
  void SetXMax(double v);
  bool GetLineVisible() const { return LinesVisible; }
  void SetLineVisible(bool v);

 protected:
  bool OwnInputRequired() const override { return true; }
  void ApplyCurveQty() override;

 private:
  // The row width the port threads write; changed only while no run is on.
  std::atomic<int32_t> rowWidth_{2};
  double nextT_ = 0;  // curve parameter: keeps the points in arrival order
  std::array<QSharedPointer<TTrimmableData<QCPCurveData>>, kChartCurves + 1> data_;
};

}  // namespace qx
