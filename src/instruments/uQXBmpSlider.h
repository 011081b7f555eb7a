// Bitmap slider (module uQXBmpSlider): a handle picture dragged along a bar
// picture; it snaps to a number of steps and, when the mouse button is
// released, sends the scaled value "#<ch>F<number>;".
#pragma once

#include <QPointer>
#include <string>

#include "instruments/uQXBmpButton.h"

namespace qx {

// The two stops of the handle centre in element coordinates.
struct TSliderTrack {
  int32_t Low = 0;
  int32_t High = 0;
};
TSliderTrack SliderTrack(bool vert, int32_t frame, QSize bar, QSize handle, int32_t endOffset1,
                         int32_t endOffset2);
// The handle place for a pointer fraction f of the track: clamped to 0..1
// and snapped to the step at or below (unstepped without steps).
double SnapPosition(double f, int32_t steps);
// Place of value between min and max, clamped to 0..1 (0 when min = max).
double ValueToFraction(double value, double min, double max);

class TQXBmpSlider : public TQXAnimElement {
  Q_OBJECT

 public:
  explicit TQXBmpSlider(QWidget* owner);
  static TQXBmpSlider* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXBmpSlider>(); }

  void Send(std::string_view payload) { SendPayload(payload); }
  void LoadImage1();
  void LoadImage2();
  void LoadImage3();
  void LoadImage4();
  void UpdateTrack();
  void PlaceHandle();
  // pos relative to the caption label.
  void PointToPosition(QPoint pos);
  double FractionToValue(double position) const {
    return MinScale + (MaxScale - MinScale) * position;
  }
  void UpdateOverlays();
  void UpdateImageFlags();
  void SliderMouseDown(Qt::MouseButton button, QPoint pos);
  void SliderMouseMove(QPoint pos);
  void SliderMouseUp(QPoint pos);
  void LabelMouseEnter();
  void LabelMouseLeave();

  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  int32_t GetIsVert() const { return IsVert ? 1 : 0; }
  void SetIsVert(int32_t value);
  double GetMinScale() const { return MinScale; }
  void SetMinScale(double value);
  double GetMaxScale() const { return MaxScale; }
  void SetMaxScale(double value);
  int32_t GetSlideSteps() const { return SlideSteps; }
  void SetSlideSteps(int32_t value);
  int32_t GetDecimals() const { return Decimals; }
  void SetDecimals(int32_t value);
  bool GetFixedDecimals() const { return FixedDecimals; }
  void SetFixedDecimals(bool value);
  int32_t GetEndOffset1() const { return EndOffset1; }
  void SetEndOffset1(int32_t value);
  int32_t GetEndOffset2() const { return EndOffset2; }
  void SetEndOffset2(int32_t value);
  int32_t GetAxialOffset() const { return AxialOffset; }
  void SetAxialOffset(int32_t value);
  // Index 1..4: bar, handle, bar overlay, handle overlay.
  std::string GetFile(int32_t index) const;
  void SetFile(int32_t index, const std::string& value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);

  TBmpImage* Bar() const { return bar_; }
  TBmpImage* Handle() const { return handle_; }
  TBmpImage* BarOverlay() const { return barOverlay_; }
  TBmpImage* HandleOverlay() const { return handleOverlay_; }
  TBmpLabel* CaptionLabel() const { return label_; }

  bool IsVert = true;
  double MinScale = 0.0;
  double MaxScale = 100.0;
  double Position = 0.0;
  int32_t SlideSteps = 20;
  int32_t Decimals = 20;
  bool FixedDecimals = false;
  int32_t EndOffset1 = 0;
  int32_t EndOffset2 = 0;
  int32_t AxialOffset = 0;
  bool ShowSource = false;
  bool ShowDenom = false;
  bool MouseOver = false;
  bool Dragging = false;
  bool HasBarOverlay = true;
  bool HasHandleOverlay = true;
  std::string FileBar, FileHandle, FileBarOverlay, FileHandleOverlay;
  int32_t TrackLow = 0;
  int32_t TrackHigh = 0;

 private:
  TBmpImage* bar_;
  TBmpImage* barOverlay_;
  TBmpImage* handle_;
  TBmpImage* handleOverlay_;
  TBmpLabel* label_;
  TColor fontColor_ = 0;
};

}  // namespace qx
