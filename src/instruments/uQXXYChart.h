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

  QCPCurve* Curve(int32_t n) const { return static_cast<QCPCurve*>(Series(n)); }
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
