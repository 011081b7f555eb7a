#include "editing/uEditPanel.h"

#include <QAccessible>
#include <QChildEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <iterator>
#include <unordered_set>

#include "editing/uCopyPaste.h"
#include "editing/uPropertyEditor.h"
#include "editing/uQXControls.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "widgets/uWholeRepaint.h"

namespace qx {

// ---- rules --------------------------------------------------------------------

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

int32_t GridLineBefore(int32_t pos) {
  if (pos <= 0) return pos;
  return static_cast<int32_t>(FloorDiv(int64_t{pos} - 1, kEditGrid) * kEditGrid);
}

int32_t GridLineAfter(int32_t pos) {
  // Floor, not truncation: from -5 the next line is 0, not 10.
  return static_cast<int32_t>(FloorDiv(pos, kEditGrid) * kEditGrid + kEditGrid);
}

QPoint ArrowKeyTarget(QPoint pos, int key) {
  switch (key) {
    case Qt::Key_Left:
      return {GridLineBefore(pos.x()), pos.y()};
    case Qt::Key_Right:
      return {GridLineAfter(pos.x()), pos.y()};
    case Qt::Key_Up:
      return {pos.x(), GridLineBefore(pos.y())};
    case Qt::Key_Down:
      return {pos.x(), GridLineAfter(pos.y())};
    default:
      return pos;
  }
}

int32_t SnapTowardZero(int32_t pos) {
  return pos / kEditGrid * kEditGrid;
}

bool DragStarted(QPoint delta) {
  return std::abs(delta.x()) > kDragThreshold || std::abs(delta.y()) > kDragThreshold;
}

QPoint DragPosition(QPoint elementPos, QPoint delta, bool snap) {
  const QPoint p = elementPos + delta;
  return snap ? QPoint(SnapTowardZero(p.x()), SnapTowardZero(p.y())) : p;
}

QRect MarkRect(const QRect& frame) {
  return frame.adjusted(-kMarkWidth, -kMarkWidth, kMarkWidth, kMarkWidth);
}

QRegion MarkShape(QSize size) {
  const QRect all(QPoint(0, 0), size);
  return QRegion(all).subtracted(
      QRegion(all.adjusted(kMarkWidth, kMarkWidth, -kMarkWidth, -kMarkWidth)));
}

// ---- program-wide state ---------------------------------------------------------

namespace {

constexpr TColor kMarkColor = 0xCFC45A;

// A ring around a selected frame; the mouse goes through it.
class TSelectionMark final : public QWidget {
 public:
  explicit TSelectionMark(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), ColorToQColor(kMarkColor));
  }
};

struct TSelected {
  TEditComp* Frame;
  QPointer<QWidget> Mark;
};

struct TEditState {
  std::vector<TSelected> Selection;  // in the order selected
  TEditComp* PopupTarget = nullptr;
  bool LeftDown = false;
  bool RightDown = false;
  bool Moved = false;
  QPoint Start;  // in the panel's (the sheet's) coordinates
};

TEditState Edit;

void PlaceMark(const TSelected& s) {
  if (!s.Mark) return;
  const QRect r = MarkRect(s.Frame->geometry());
  s.Mark->setGeometry(r);
  s.Mark->setMask(MarkShape(r.size()));
}

void RaiseMarks() {
  for (const TSelected& s : Edit.Selection) {
    if (s.Mark) s.Mark->raise();
  }
}

void HideChannelTable() {
  if (TEditPanel::OnHideChannelTable) TEditPanel::OnHideChannelTable();
}

void FocusSheet() {
  if (CurrentSheet) CurrentSheet->setFocus();
}

// The element takes the frame's bounds; a refused value puts the frame back.
void ApplyFrameBounds(TEditComp& frame, bool withSize) {
  TQXElement* e = frame.Element;
  const QRect r = frame.geometry();
  e->SetLeft(r.x());
  e->SetTop(r.y());
  if (withSize) {
    e->SetWidth(r.width());
    e->SetHeight(r.height());
  }
  if (frame.geometry() != e->geometry()) frame.FitToElement();
}

}  // namespace

std::function<void(QPoint)> TEditPanel::OnElementPopup;
std::function<void(QPoint)> TEditPanel::OnEmptyPopup;
std::function<void()> TEditPanel::OnHideChannelTable;

// ---- the edit frame ---------------------------------------------------------------

TEditComp::TEditComp(TEditPanel* panel, TQXElement* element)
    : QWidget(panel), Element(element), panel_(panel) {
  panel->Frames.push_back(this);
  element->EditComp = this;
  // Restacking an element must not lift it over the panel.
  element->installEventFilter(panel);
  FitToElement();
  show();
}

TEditComp::~TEditComp() {
  auto it = std::find_if(Edit.Selection.begin(), Edit.Selection.end(),
                         [this](const TSelected& s) { return s.Frame == this; });
  if (it != Edit.Selection.end()) {
    delete it->Mark.data();
    Edit.Selection.erase(it);
  }
  if (Edit.PopupTarget == this) Edit.PopupTarget = nullptr;
  // Each frame stands once in the list, and a panel frees them last first:
  // searched from the back, ten thousand go in linear time.
  auto& frames = panel_->Frames;
  if (auto it = std::find(frames.rbegin(), frames.rend(), this); it != frames.rend())
    frames.erase(std::next(it).base());
  if (Element->EditComp == this) {
    Element->EditComp = nullptr;
    Element->removeEventFilter(panel_);
  }
}

void TEditComp::FitToElement() {
  setGeometry(Element->geometry());
  // Taken when the frame is next painted: the element is shown by then, and
  // grabbing a hidden one lays out the whole window first, which a load or
  // the switch to the Edit page would repeat for every element.
  snapshotStale_ = true;
  update();
}

const QPixmap& TEditComp::Snapshot() {
  TakeSnapshot();
  return snapshot_;
}

void TEditComp::TakeSnapshot() {
  if (!snapshotStale_) return;
  snapshotStale_ = false;
  snapshot_ = Element->size().isEmpty() ? QPixmap() : Element->grab();
}

void TEditComp::paintEvent(QPaintEvent*) {
  TakeSnapshot();
  if (!snapshot_.isNull()) QPainter(this).drawPixmap(0, 0, snapshot_);
}

void TEditComp::mousePressEvent(QMouseEvent* event) {
  TEditPanel::FrameMouseDown(*this, event);
}

void TEditComp::mouseMoveEvent(QMouseEvent* event) {
  TEditPanel::FrameMouseMove(pos() + event->position().toPoint(), event->modifiers());
}

void TEditComp::mouseReleaseEvent(QMouseEvent* event) {
  TEditPanel::FrameMouseUp(*this, event);
}

// ---- the edit panel -------------------------------------------------------------------

TEditPanel::TEditPanel(QWidget* canvas, TSheetBckgnd* background)
    : QWidget(canvas), Background(background) {
  for (QWidget* w = canvas; w && !Sheet; w = w->parentWidget()) Sheet = qobject_cast<TSheet*>(w);
  // The sheet has the focus in edit mode: its keys are ours before it
  // scrolls with the arrows.
  if (Sheet) Sheet->installEventFilter(this);
  // A new element lands on top of the panel; the panel must stay above.
  if (canvas) canvas->installEventFilter(this);
  setGeometry(canvas ? canvas->rect() : QRect());
  // It paints all of itself: the instruments under it (their frames show
  // them) and the sheet are not painted while it is shown.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setVisible(EditMode);
}

TEditPanel::~TEditPanel() {
  // Frames first, while the panel they talk to is whole.
  while (!Frames.empty()) delete Frames.back();
}

void TEditPanel::Init() {
  EditMode = false;
  Edit = TEditState{};
}

void TEditPanel::SetEditMode(bool on) {
  if (on == EditMode) return;
  EditMode = on;
  for (TSheet* s : SheetList) {
    TEditPanel* p = s->EditPanel;
    if (!p) continue;
    if (on) {
      p->SyncFrames();
      // A frame per instrument: one repaint of the panel, not a mark each.
      ShowWhole(p);
      p->raise();
    } else {
      p->hide();
    }
  }
  if (!on) ClearSelection();
}

void TEditPanel::SyncFrames() {
  syncPending_ = false;
  if (!Sheet) return;
  bool added = false;
  for (TQXElement* e : Sheet->ElementList) {
    if (e->EditComp || e->IsSubElement || e->parentWidget() != parentWidget()) continue;
    new TEditComp(this, e);
    added = true;
  }
  if (added) RestackFrames();
}

// The toolkit makes an accessibility interface for every widget when it is
// first shown: for the instruments of a load and their frames that comes a
// few hundred at a time with the progress passes, not all at once when the
// page is shown again at the end.
void TEditPanel::PrepareShow() {
  if (!Sheet) return;
  const auto& list = Sheet->ElementList;
  if (prepared_ > list.size()) prepared_ = 0;
  auto prepare = [](QWidget* w) {
    QAccessible::queryAccessibleInterface(w);
    for (QWidget* c : w->findChildren<QWidget*>()) QAccessible::queryAccessibleInterface(c);
  };
  for (; prepared_ < list.size(); ++prepared_) {
    TQXElement* e = list[prepared_];
    prepare(e);
    if (e->EditComp) prepare(e->EditComp);
  }
}

void TEditPanel::RestackFrames() {
  // Frames stack as their elements do: the list order.
  std::vector<TEditComp*> ordered;
  std::unordered_set<const TEditComp*> listed;
  for (TQXElement* e : Sheet->ElementList) {
    if (e->EditComp && e->EditComp->Panel() == this && listed.insert(e->EditComp).second)
      ordered.push_back(e->EditComp);
  }
  for (TEditComp* f : Frames) {
    if (!listed.count(f)) ordered.push_back(f);
  }
  Frames = ordered;
  // Frames made in list order already stack so: a thousand raises each
  // search and repaint for nothing.
  std::vector<TEditComp*> stacked;
  for (QObject* o : children())
    if (auto* f = qobject_cast<TEditComp*>(o)) stacked.push_back(f);
  if (stacked != Frames)
    for (TEditComp* f : Frames) f->raise();
  RaiseMarks();
}

void TEditPanel::SettleAfterLoad() {
  raise();
  if (EditMode) SyncFrames();
}

void TEditPanel::UpdateFrames() {
  SyncFrames();
  // The frames are painted with the panel, so one update of the panel
  // repaints them all: an update of each would cost time with the square of
  // their count. The snapshots in sight are taken now, the others when they
  // come into sight.
  for (TEditComp* f : Frames) {
    f->setGeometry(f->Element->geometry());
    f->snapshotStale_ = true;
  }
  SnapshotVisible();
  update();
  if (EditMode) raise();
}

QRect TEditPanel::VisibleArea() const {
  const QWidget* canvas = parentWidget();
  const QWidget* port = canvas ? canvas->parentWidget() : nullptr;
  if (!port) return rect();
  return QRect(-canvas->pos(), port->size()) & canvas->rect();
}

void TEditPanel::SnapshotVisible() {
  if (isVisible()) TakeSnapshots(VisibleArea());
}

// Each grab() first settles the geometry of the whole window, so a thousand
// snapshots taken one by one cost a thousand walks of every widget. An
// instrument that paints all of its rectangle looks in a rendering of the
// sheet exactly as in its own grab as long as nothing else is drawn there:
// such instruments are parted into layers in which none overlaps another,
// and each layer is rendered once with every other widget left out (rarely
// more than one or two layers). Only the frames in the area are taken: the
// others when they come into sight. The rest are grabbed when their frame is
// painted.
void TEditPanel::TakeSnapshots(const QRect& area) {
  QWidget* canvas = parentWidget();
  if (!canvas || !canvas->isVisible() || area.isEmpty()) return;
  struct TItem {
    QRect Rect;
    TEditComp* Frame;
  };
  std::vector<TItem> items;
  QRect all;
  int widest = 0;
  for (TEditComp* f : Frames) {
    TQXElement* e = f->Element;
    if (!f->snapshotStale_ || !e->PaintsWholeRect || e->parentWidget() != canvas ||
        e->isHidden() || !e->updatesEnabled() || e->size().isEmpty() ||
        !e->geometry().intersects(area))
      continue;
    items.push_back({e->geometry(), f});
    all |= e->geometry();
    widest = std::max(widest, e->width());
  }
  if (items.size() < 2) return;
  std::unordered_set<const QWidget*> taken;
  for (const TItem& item : items) taken.insert(item.Frame->Element);
  std::vector<QWidget*> others;  // where the renderings go, in no snapshot
  for (QObject* o : canvas->children()) {
    if (!o->isWidgetType()) continue;
    auto* w = static_cast<QWidget*>(o);
    if (w != this && w->updatesEnabled() && w->geometry().intersects(all) && !taken.count(w))
      others.push_back(w);
  }
  std::sort(items.begin(), items.end(),
            [](const TItem& a, const TItem& b) { return a.Rect.left() < b.Rect.left(); });
  // Each item to the first layer where it overlaps nothing; a layer's items
  // stand in order of their left edge, so only its last ones can reach it.
  std::vector<std::vector<size_t>> layers;
  for (size_t i = 0; i < items.size(); ++i) {
    const QRect& r = items[i].Rect;
    auto fits = [&](const std::vector<size_t>& layer) {
      for (auto j = layer.rbegin(); j != layer.rend(); ++j) {
        const QRect& q = items[*j].Rect;
        if (q.left() + widest <= r.left()) break;
        if (q.intersects(r)) return false;
      }
      return true;
    };
    auto layer = std::find_if(layers.begin(), layers.end(), fits);
    if (layer == layers.end()) layer = layers.emplace(layers.end());
    layer->push_back(i);
  }
  // Left out of a rendering: a widget marked without updates (the flag
  // alone: hiding would show the panel's frames anew, setUpdatesEnabled()
  // would mark each dirty) and what lies under the panel while it counts as
  // opaque.
  auto leaveOut = [](QWidget* w, bool out) { w->setAttribute(Qt::WA_UpdatesDisabled, out); };
  const bool updating = updatesEnabled();
  leaveOut(this, true);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  for (QWidget* w : others) leaveOut(w, true);
  // Nor the sheet's background: every instrument here covers its part of it.
  const bool canvasOpaque = canvas->testAttribute(Qt::WA_OpaquePaintEvent);
  canvas->setAttribute(Qt::WA_OpaquePaintEvent);
  renderingSnapshots_ = true;
  const qreal dpr = devicePixelRatioF();
  for (const std::vector<size_t>& layer : layers) {
    std::vector<bool> in(items.size(), layers.size() == 1);
    QRect bounds;
    for (size_t i : layer) {
      in[i] = true;
      bounds |= items[i].Rect;
    }
    for (size_t i = 0; i < items.size(); ++i)
      if (!in[i]) leaveOut(items[i].Frame->Element, true);
    // Opaque, as every instrument here paints all of its rectangle: the
    // frames copy their pictures instead of blending them. Rendered into
    // kept memory: a fresh picture costs more in page faults than its
    // rendering.
    const QSize size = bounds.size() * dpr;
    if (layers_.width() < size.width() || layers_.height() < size.height())
      layers_ = QImage(size.expandedTo(layers_.size()), QImage::Format_RGB32);
    layers_.setDevicePixelRatio(dpr);
    canvas->render(&layers_, QPoint(), QRegion(bounds), QWidget::DrawChildren);
    for (size_t i = 0; i < items.size(); ++i)
      if (!in[i]) leaveOut(items[i].Frame->Element, false);
    for (size_t i : layer) {
      const QRect r = items[i].Rect.translated(-bounds.topLeft());
      QPixmap p = QPixmap::fromImage(layers_.copy(QRect(r.topLeft() * dpr, r.size() * dpr)));
      p.setDevicePixelRatio(dpr);
      items[i].Frame->snapshot_ = p;
      items[i].Frame->snapshotStale_ = false;
    }
  }
  renderingSnapshots_ = false;
  canvas->setAttribute(Qt::WA_OpaquePaintEvent, canvasOpaque);
  for (QWidget* w : others) leaveOut(w, false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  leaveOut(this, !updating);
}

bool TEditPanel::renderingSnapshots_ = false;

void TEditPanel::Follow(TQXElement& element) {
  TEditComp* frame = element.EditComp;
  if (!frame) return;
  frame->FitToElement();
  // A selected frame's ring goes with it, whatever the setter calls next.
  for (const TSelected& s : Edit.Selection)
    if (s.Frame == frame) PlaceMark(s);
}

void TEditPanel::ForgetElement(TQXElement* element) {
  if (element && element->EditComp) delete element->EditComp;
}

// ---- selection --------------------------------------------------------------------------

bool TEditPanel::AddToSelection(TEditComp* frame) {
  if (!frame || static_cast<int>(Edit.Selection.size()) >= kMaxSelection) return false;
  for (const TSelected& s : Edit.Selection) {
    if (s.Frame == frame) return false;
  }
  auto* mark = new TSelectionMark(frame->Panel());
  Edit.Selection.push_back({frame, mark});
  PlaceMark(Edit.Selection.back());
  mark->show();
  mark->raise();
  return true;
}

void TEditPanel::SelectElement(TQXElement* element) {
  if (element && element->EditComp) AddToSelection(element->EditComp);
}

void TEditPanel::SelectElements(const std::vector<TQXElement*>& elements) {
  ClearSelection();
  if (CurrentSheet && CurrentSheet->EditPanel) CurrentSheet->EditPanel->SyncFrames();
  for (TQXElement* e : elements) {
    if (e && e->Sheet == CurrentSheet) SelectElement(e);
  }
}

void TEditPanel::ClearSelection() {
  for (TSelected& s : Edit.Selection) delete s.Mark.data();
  Edit.Selection.clear();
}

void TEditPanel::UpdateSelection() {
  for (const TSelected& s : Edit.Selection) {
    PlaceMark(s);
    if (s.Mark) {
      s.Mark->show();
      s.Mark->raise();
    }
  }
}

int TEditPanel::SelectionCount() {
  return static_cast<int>(Edit.Selection.size());
}

TEditComp* TEditPanel::SelectedFrame(int index) {
  if (index < 0 || index >= SelectionCount()) return nullptr;
  return Edit.Selection[static_cast<size_t>(index)].Frame;
}

QWidget* TEditPanel::SelectionMark(int index) {
  if (index < 0 || index >= SelectionCount()) return nullptr;
  return Edit.Selection[static_cast<size_t>(index)].Mark.data();
}

TEditComp* TEditPanel::PopupTarget() {
  return Edit.PopupTarget;
}

TQXElement* TEditPanel::PopupElement() {
  return Edit.PopupTarget ? Edit.PopupTarget->Element : nullptr;
}

// ---- commands ------------------------------------------------------------------------------

void TEditPanel::DeleteSelected() {
  if (!EditMode || Edit.Selection.empty()) return;
  TPropertyEditor::HideListing();
  std::vector<QPointer<TQXElement>> doomed;
  for (const TSelected& s : Edit.Selection) doomed.emplace_back(s.Frame->Element);
  ClearSelection();
  // An element goes with its frame and its sub-elements, and leaves the
  // hub's lists on the way.
  for (const QPointer<TQXElement>& e : doomed) delete e.data();
  if (CurrentSheet) CurrentSheet->UpdateExtent();
}

void TEditPanel::CopySelected() {
  if (Edit.Selection.empty() || !CopyPaste) return;
  TQXElement* e = Edit.Selection.front().Frame->Element;
  if (TSheet::IndexOfElement(e) >= 0) CopyPaste->Copy(*e);
}

void TEditPanel::ElementToFront() {
  TEditComp* frame = Edit.PopupTarget;
  if (!frame || frame->Panel() != this || !Sheet) return;
  TQXElement* e = frame->Element;
  auto& list = Sheet->ElementList;
  if (std::erase(list, e) == 0) return;
  list.push_back(e);
  e->raise();
  std::erase(Frames, frame);
  Frames.push_back(frame);
  frame->raise();
  RaiseMarks();
  raise();
}

void TEditPanel::ElementToBack() {
  TEditComp* frame = Edit.PopupTarget;
  if (!frame || frame->Panel() != this || !Sheet) return;
  TQXElement* e = frame->Element;
  auto& list = Sheet->ElementList;
  if (std::erase(list, e) == 0) return;
  list.insert(list.begin(), e);
  e->lower();
  std::erase(Frames, frame);
  Frames.insert(Frames.begin(), frame);
  frame->lower();
  raise();
}

void TEditPanel::ApplyFramePosition(TEditComp& frame) {
  ApplyFrameBounds(frame, false);
}

bool TEditPanel::KeyDown(QKeyEvent* event) {
  if (!EditMode) return false;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  // Taken even with nothing selected: the key would otherwise travel on
  // from the sheet to the run page and paste a second time.
  if (ctrl && event->key() == Qt::Key_V) {
    PasteElement();
    return true;
  }
  if (Edit.Selection.empty()) return false;
  // With a selection every key stops here, so a Ctrl+S or Ctrl+O meant for
  // the selected instruments neither saves nor opens a project.
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const std::vector<TSelected> selected = Edit.Selection;
      for (const TSelected& s : selected)
        s.Frame->move(ArrowKeyTarget(s.Frame->pos(), event->key()));
      UpdateSelection();
      for (const TSelected& s : selected) ApplyFramePosition(*s.Frame);
      // The position rows of the shown listing follow.
      TPropertyEditor::RefreshListing();
      break;
    }
    case Qt::Key_Delete:
      DeleteSelected();
      break;
    case Qt::Key_C:
      if (ctrl) CopySelected();
      break;
    default:
      break;
  }
  return true;
}

// ---- mouse ---------------------------------------------------------------------------------

void TEditPanel::FrameMouseDown(TEditComp& frame, QMouseEvent* event) {
  if (!EditMode) return;
  FocusSheet();
  if (!(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) ClearSelection();
  AddToSelection(&frame);
  Edit.LeftDown = event->button() == Qt::LeftButton;
  Edit.RightDown = event->button() == Qt::RightButton;
  Edit.Start = frame.pos() + event->position().toPoint();
  Edit.Moved = false;
}

void TEditPanel::FrameMouseMove(QPoint panelPos, Qt::KeyboardModifiers modifiers) {
  if (Edit.Selection.empty() || !(Edit.LeftDown || Edit.RightDown)) return;
  const QPoint delta = panelPos - Edit.Start;
  if (!Edit.Moved && DragStarted(delta)) {
    Edit.Moved = true;
    TPropertyEditor::HideListing();
    HideChannelTable();
  }
  if (!Edit.LeftDown || !Edit.Moved) return;
  const bool snap = modifiers & Qt::ControlModifier;
  for (const TSelected& s : Edit.Selection) {
    s.Frame->move(DragPosition(s.Frame->Element->pos(), delta, snap));
    if (s.Mark) s.Mark->hide();
  }
}

void TEditPanel::FrameMouseUp(TEditComp& frame, QMouseEvent* event) {
  if (!Edit.LeftDown && !Edit.RightDown) return;
  UpdateSelection();
  if (Edit.LeftDown && Edit.Moved) {
    const std::vector<TSelected> selected = Edit.Selection;
    for (const TSelected& s : selected) ApplyFrameBounds(*s.Frame, true);
  } else if (Edit.LeftDown) {
    HideChannelTable();
    if (Edit.Selection.size() == 1)
      TPropertyEditor::ShowElement(*Edit.Selection.front().Frame->Element);
    else
      TPropertyEditor::HideListing();
  } else if (!Edit.Moved) {
    TPropertyEditor::HideListing();
    HideChannelTable();
    Edit.PopupTarget = &frame;
    if (OnElementPopup) OnElementPopup(event->globalPosition().toPoint());
  }
  Edit.LeftDown = false;
  Edit.RightDown = false;
  FocusSheet();
}

void TEditPanel::mousePressEvent(QMouseEvent*) {
  if (!EditMode) return;
  ClearSelection();
  TPropertyEditor::HideListing();
  HideChannelTable();
  FocusSheet();
}

void TEditPanel::mouseMoveEvent(QMouseEvent* event) {
  FrameMouseMove(event->position().toPoint(), event->modifiers());
}

void TEditPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (EditMode && event->button() == Qt::RightButton && OnEmptyPopup)
    OnEmptyPopup(event->globalPosition().toPoint());
}

// ---- painting and events ---------------------------------------------------------------------

void TEditPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ColorToQColor(Background ? Background->EditColor : kSheetColor));
  if (Background && !Background->Bitmap.isNull()) {
    const QImage& bmp = Background->Bitmap;
    p.drawImage(QPoint(0, 0), bmp,
                QRect(0, 0, std::min(bmp.width(), width()), std::min(bmp.height(), height())));
  }
  if (Background) Background->PaintProblem(p);
  const QColor major = ColorToQColor(0x808080);
  const QColor minor = ColorToQColor(0xC0C0C0);
  for (int x = 20; x < width(); x += 20) {
    p.setPen(x % 100 == 0 ? major : minor);
    p.drawLine(x, 0, x, height() - 1);
  }
  for (int y = 20; y < height(); y += 20) {
    p.setPen(y % 100 == 0 ? major : minor);
    p.drawLine(0, y, width() - 1, y);
  }
}

bool TEditPanel::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (watched == Sheet) {
        // A key that an instrument's field passed on goes the way of the
        // run page's fields: not to edit mode.
        QWidget* focus = Sheet->window()->focusWidget();
        if (focus && focus != Sheet && Sheet->isAncestorOf(focus)) break;
        return KeyDown(static_cast<QKeyEvent*>(event));
      }
      break;
    case QEvent::ChildAdded:
      // A load raises the panel once at its end: per element it would grow
      // with the square of the element count. The frames of a load come
      // with its progress passes, some hundreds at a time.
      if (watched == parentWidget()) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child != this && child->isWidgetType()) {
          if (!TSheet::InLoad()) raise();
          // The element is not whole yet: its frame comes once it is.
          if (!syncPending_) {
            syncPending_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                  if (syncPending_ && EditMode) SyncFrames();
                  syncPending_ = false;
                  if (TSheet::InLoad()) PrepareShow();
                },
                Qt::QueuedConnection);
          }
        }
      }
      break;
    case QEvent::ZOrderChange:
      if (watched != this && watched->parent() == parentWidget() && !TSheet::InLoad()) raise();
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qx
