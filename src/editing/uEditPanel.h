// Edit mode (module uEditPanel).
//
// Each sheet has an edit panel: an overlay that fills the sheet and is shown
// only in edit mode. On it every instrument has an edit frame that shows a
// snapshot of the instrument and catches the mouse, so the instruments
// themselves never react while the user arranges them. Moves act on the
// frames first and reach the instruments when the mouse is released. The
// selection is program-wide, holds frames of the current sheet only and at
// most 100 of them.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QKeyEvent;
class QMouseEvent;

namespace qx {

class TQXElement;
class TSheet;
class TSheetBckgnd;
class TEditPanel;

inline constexpr int32_t kEditGrid = 10;
inline constexpr int32_t kDragThreshold = 4;
inline constexpr int kMaxSelection = 100;
inline constexpr int32_t kMarkWidth = 3;

// ---- rules of moving and marking --------------------------------------------

// The left/up arrow: the next grid line below pos. Arrows do not push an
// instrument off the sheet: from 0 or a negative position it stays.
int32_t GridLineBefore(int32_t pos);
// The right/down arrow: the next grid line above pos.
int32_t GridLineAfter(int32_t pos);
// Where an arrow key moves a frame whose top-left is pos; pos for any other key.
QPoint ArrowKeyTarget(QPoint pos, int key);
// The Ctrl drag: pos cut to a multiple of the grid toward zero (-15 gives -10).
int32_t SnapTowardZero(int32_t pos);
// A mouse offset that has left the click threshold starts a move.
bool DragStarted(QPoint delta);
// Where a dragged frame stands: its instrument's position plus the offset,
// each coordinate snapped when Ctrl is held.
QPoint DragPosition(QPoint elementPos, QPoint delta, bool snap);
// A selection mark: the frame grown on every side, shaped to a ring.
QRect MarkRect(const QRect& frame);
QRegion MarkShape(QSize size);

// ---- the edit frame -----------------------------------------------------------

class TEditComp : public QWidget {
  Q_OBJECT

 public:
  TEditComp(TEditPanel* panel, TQXElement* element);
  ~TEditComp() override;

  TQXElement* const Element;
  TEditPanel* Panel() const { return panel_; }
  // Bounds of the element, and a fresh snapshot of how it looks.
  void FitToElement();
  const QPixmap& Snapshot();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class TEditPanel;
  void TakeSnapshot();
  TEditPanel* panel_;
  QPixmap snapshot_;
  bool snapshotStale_ = true;
};

// ---- the edit panel ---------------------------------------------------------------

class TEditPanel : public QWidget {
  Q_OBJECT

 public:
  // canvas: the sheet's scrolled area, which the panel covers.
  TEditPanel(QWidget* canvas, TSheetBckgnd* background);
  ~TEditPanel() override;

  TSheet* Sheet = nullptr;
  std::vector<TEditComp*> Frames;  // stacking order, bottom first
  TSheetBckgnd* const Background;

  // Start-up.
  static void Init();
  // Switches every sheet's edit mode (EditMode follows).
  static void SetEditMode(bool on);
  // Gives every instrument of the sheet a frame and fits every frame.
  void UpdateFrames();
  // After a load: the panel over the loaded elements, their frames made.
  void SettleAfterLoad();
  // Takes the snapshots of the frames in sight that are not taken yet (the
  // sheet scrolled or grew).
  void SnapshotVisible();
  // While the instruments are rendered for the snapshots the sheet paints
  // no background of its own.
  static bool RenderingSnapshots() { return renderingSnapshots_; }
  static void ClearSelection();
  // Re-places and shows the mark of every selected frame.
  static void UpdateSelection();
  // The element's edit frame follows its bounds.
  static void Follow(TQXElement& element);
  // An element is going: no selection or frame may keep it.
  static void ForgetElement(TQXElement* element);
  // Makes exactly these elements (of the current sheet) the selection.
  static void SelectElements(const std::vector<TQXElement*>& elements);
  // Adds the element's frame to the selection, when it has one.
  static void SelectElement(TQXElement* element);
  // Refused at 100 frames or for a frame already selected.
  static bool AddToSelection(TEditComp* frame);
  // Destroys every selected instrument (edit mode only).
  static void DeleteSelected();
  // Copies the first selected instrument, when it still stands on a sheet.
  static void CopySelected();
  // The popup target's instrument to the top or the bottom of its sheet:
  // stacking and the element list (saving order) alike.
  void ElementToFront();
  void ElementToBack();
  static void ApplyFramePosition(TEditComp& frame);
  // Keys of the sheet area in edit mode; true when taken.
  static bool KeyDown(QKeyEvent* event);

  // ---- what the selection holds ----
  static int SelectionCount();
  static TEditComp* SelectedFrame(int index);
  static QWidget* SelectionMark(int index);
  static TEditComp* PopupTarget();
  static TQXElement* PopupElement();

  // ---- filled by the shell ----
  // The run page's element popup and empty-area popup, at a global position.
  static std::function<void(QPoint)> OnElementPopup;
  static std::function<void(QPoint)> OnEmptyPopup;
  static std::function<void()> OnHideChannelTable;

  // ---- mouse (frames forward theirs) ----
  static void FrameMouseDown(TEditComp& frame, QMouseEvent* event);
  static void FrameMouseMove(QPoint panelPos, Qt::KeyboardModifiers modifiers);
  static void FrameMouseUp(TEditComp& frame, QMouseEvent* event);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TEditComp;
  void SyncFrames();
  void RestackFrames();
  void TakeSnapshots(const QRect& area);
  QImage layers_;  // where the snapshots are rendered, kept between them
  static bool renderingSnapshots_;
  // The part of the panel the sheet shows.
  QRect VisibleArea() const;
  bool syncPending_ = false;
  // During a load: what showing the new instruments and frames will need.
  void PrepareShow();
  size_t prepared_ = 0;  // elements of the list prepared so far
};

}  // namespace qx
