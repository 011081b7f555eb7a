#include "editing/uSheet.h"

#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "editing/uQXControls.h"
#include "editing/uSheetBckgnd.h"
#include "editing/uSheetTabs.h"
#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

std::vector<TSheet*> SheetList;
TSheet* CurrentSheet = nullptr;
bool FirstSheetPending = false;
bool EditMode = false;
TSheetTabs* SheetTabs = nullptr;
QWidget* TSheet::RunPage = nullptr;

// The scrolled area of a sheet: paints the background colour and picture.
class TSheetCanvas final : public QWidget {
 public:
  TSheetCanvas(QWidget* parent, TSheetBckgnd& background)
      : QWidget(parent), background_(background) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (TEditPanel::RenderingSnapshots()) return;
    QPainter p(this);
    p.fillRect(rect(), ColorToQColor(background_.RunColor));
    const QImage& bmp = background_.Bitmap;
    if (!bmp.isNull()) {
      const int w = std::min(bmp.width(), width());
      const int h = std::min(bmp.height(), height());
      p.drawImage(QPoint(0, 0), bmp, QRect(0, 0, w, h));
    }
    background_.PaintProblem(p);
  }

 private:
  TSheetBckgnd& background_;
};

namespace {

std::vector<QPointer<QWidget>> gCoveringPanels;

// Places the sheets again when a covering panel comes, goes or moves.
class TCoverWatcher final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::Move:
      case QEvent::Resize:
        TSheet::PlaceAll();
        break;
      default:
        break;
    }
    return false;
  }
};

// The sheet row of the run page: all of it but the tab strip's 21 pixels,
// and left of a panel that lies over its right edge.
QRect SheetRect(const QWidget* runPage) {
  if (!runPage) return QRect(0, 0, 0, 0);
  QRect r(0, 0, runPage->width(), std::max(0, runPage->height() - 21));
  for (const QPointer<QWidget>& panel : gCoveringPanels) {
    if (!panel || panel->isHidden()) continue;
    const QRect c(runPage->mapFromGlobal(panel->mapToGlobal(QPoint(0, 0))), panel->size());
    if (c.intersects(r) && c.left() > r.left() && c.right() >= r.right()) r.setRight(c.left() - 1);
  }
  return r;
}

}  // namespace

QSize SheetExtent(QSize content, QSize view, QSize bars) {
  bool h = content.width() > view.width();
  bool v = content.height() > view.height();
  // A scroll bar takes its room from the other direction, which may then
  // need a bar of its own.
  if (h && !v) v = content.height() > view.height() - bars.height();
  if (v && !h) h = content.width() > view.width() - bars.width();
  const QSize shown(view.width() - (v ? bars.width() : 0), view.height() - (h ? bars.height() : 0));
  return content.expandedTo(shown);
}

TSheet::TSheet(QWidget* runPage) : QScrollArea(runPage) {
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(false);
  Background = std::make_unique<TSheetBckgnd>(this);
  canvas_ = new TSheetCanvas(nullptr, *Background);
  setWidget(canvas_);
  EditPanel = new TEditPanel(canvas_, Background.get());
  // Frames that come into sight get their snapshots before they are painted.
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, EditPanel, &TEditPanel::SnapshotVisible);
  setGeometry(SheetRect(runPage));
  hide();
  SheetList.push_back(this);
}

TSheet::~TSheet() {
  Clear();
  std::erase(SheetList, this);
  if (CurrentSheet == this) CurrentSheet = SheetList.empty() ? nullptr : SheetList.front();
}

QWidget* TSheet::Canvas() const {
  return canvas_;
}

void TSheet::UpdateExtent() {
  if (InLoad()) return;  // once at the end of the load
  QSize content(0, 0);
  for (const QWidget* w : canvas_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (w == EditPanel) continue;
    content = content.expandedTo(QSize(w->x() + w->width(), w->y() + w->height()));
  }
  // From the room without scroll bars, not the viewport as it stands: a
  // canvas fitted to a viewport narrowed by bars keeps them after the
  // elements that needed them are gone.
  const QSize extent = SheetExtent(
      content, maximumViewportSize(),
      QSize(verticalScrollBar()->sizeHint().width(), horizontalScrollBar()->sizeHint().height()));
  if (canvas_->size() != extent) canvas_->resize(extent);
  if (EditPanel) EditPanel->setGeometry(canvas_->rect());
}

void TSheet::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  UpdateExtent();
  if (EditPanel) EditPanel->SnapshotVisible();
}

void TSheet::Clear() {
  TQXElement::DestroyAll(std::vector<TQXElement*>(ElementList));
  // Sub-elements whose parent is elsewhere cannot exist; nothing stays.
  ElementList.clear();
}

void TSheet::StackAsListed() {
  std::vector<const QObject*> listed, stacked;
  for (const TQXElement* e : ElementList)
    if (!e->IsSubElement) listed.push_back(e);
  for (const QObject* o : canvas_->children()) {
    auto* e = qobject_cast<const TQXElement*>(o);
    if (e && !e->IsSubElement) stacked.push_back(e);
  }
  // A load makes them in list order: ten thousand raises, each with its
  // search and repaint, would change nothing.
  if (stacked == listed) return;
  for (TQXElement* e : ElementList)
    if (!e->IsSubElement) e->raise();
}

void TSheet::AddElement(TQXElement* element) {
  ElementList.push_back(element);
  element->Sheet = this;
}

void TSheet::RemoveElement(TQXElement* element) {
  std::erase(ElementList, element);
  if (element->Sheet == this) element->Sheet = nullptr;
}

const std::string& TSheet::GetName() const {
  static const std::string none;
  const auto it = std::find(SheetList.begin(), SheetList.end(), this);
  if (!SheetTabs || it == SheetList.end()) return none;
  return SheetTabs->GetTabName(static_cast<int>(it - SheetList.begin()));
}

void TSheet::SetName(std::string name) {
  const auto it = std::find(SheetList.begin(), SheetList.end(), this);
  if (!SheetTabs || it == SheetList.end()) return;
  SheetTabs->SetTabName(static_cast<int>(it - SheetList.begin()), std::move(name));
}

// ---- program-wide ------------------------------------------------------------

void TSheet::Init(QWidget* runPage) {
  RunPage = runPage;
  auto* sheet = new TSheet(runPage);
  CurrentSheet = sheet;
  sheet->show();
  FirstSheetPending = true;
}

void TSheet::SheetChange() {
  if (!SheetTabs) return;
  const int index = SheetTabs->ActiveIndex;
  if (index < 0 || index >= static_cast<int>(SheetList.size())) return;
  TPropertyEditor::HideListing();
  TEditPanel::ClearSelection();
  if (CurrentSheet) CurrentSheet->hide();
  CurrentSheet = SheetList[static_cast<size_t>(index)];
  CurrentSheet->setGeometry(SheetRect(RunPage));
  CurrentSheet->show();
  CurrentSheet->EditPanel->UpdateFrames();
  // Hiding the old sheet sent the focus on to the next control (a ribbon
  // button), where the edit keys such as Ctrl+V do nothing.
  if (EditMode) CurrentSheet->setFocus();
  SheetTabs->SetBarColor(EditMode ? CurrentSheet->Background->EditColor
                                  : CurrentSheet->Background->RunColor);
}

void TSheet::SheetNew() {
  auto* sheet = new TSheet(RunPage);
  sheet->hide();
}

void TSheet::SheetDelete(int index) {
  if (index < 0 || index >= static_cast<int>(SheetList.size())) return;
  TSheet* sheet = SheetList[static_cast<size_t>(index)];
  sheet->Clear();
  delete sheet;
}

void TSheet::SheetExchange(int i, int j) {
  const int n = static_cast<int>(SheetList.size());
  if (i < 0 || j < 0 || i >= n || j >= n) return;
  std::swap(SheetList[static_cast<size_t>(i)], SheetList[static_cast<size_t>(j)]);
}

int TSheet::IndexOfElement(const TQXElement* element) {
  for (size_t s = 0; s < SheetList.size(); ++s) {
    const auto& list = SheetList[s]->ElementList;
    if (std::find(list.begin(), list.end(), element) != list.end()) return static_cast<int>(s);
  }
  return -1;
}

int TSheet::ElementCount() {
  int n = 0;
  for (const TSheet* s : SheetList) n += static_cast<int>(s->ElementList.size());
  return n;
}

void TSheet::LangUpdate() {
  TQXElement::ForEach([](TQXElement& e) { e.Retranslate(); });
}

void TSheet::EnterRunMode() {
  TEditPanel::SetEditMode(false);
  if (SheetTabs && CurrentSheet) SheetTabs->SetBarColor(CurrentSheet->Background->RunColor);
}

void TSheet::EnterEditMode() {
  TEditPanel::SetEditMode(true);
  for (TSheet* s : SheetList) s->EditPanel->UpdateFrames();
  if (CurrentSheet) CurrentSheet->setFocus();
  if (SheetTabs && CurrentSheet) SheetTabs->SetBarColor(CurrentSheet->Background->EditColor);
}

TFLSet& TSheet::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TSheet>("QXSHEET", [] { return LoadSheetObject(); });
  b.String("name", &TSheet::GetName, &TSheet::SetName);
  b.String(
      "picFile", [](TSheet& s) { return s.Background->GetPicFile(); },
      [](TSheet& s, const std::string& v) { s.Background->SetPicFile(v); });
  b.Enum(
      "picMode", {"stretch", "fixWidth", "fixHeight", "orig"},
      [](TSheet& s) { return s.Background->GetPicMode(); },
      [](TSheet& s, int32_t v) { s.Background->SetPicMode(v); });
  b.Int(
      "picWidth", [](TSheet& s) { return s.Background->GetFixedWidth(); },
      [](TSheet& s, int32_t v) { s.Background->SetFixedWidth(v); });
  b.Int(
      "picHeight", [](TSheet& s) { return s.Background->GetFixedHeight(); },
      [](TSheet& s, int32_t v) { s.Background->SetFixedHeight(v); });
  b.Color(
      "bckColor", [](TSheet& s) { return s.Background->GetColor(); },
      [](TSheet& s, uint32_t v) {
        s.Background->SetColor(v);
        s.Background->SetEditColor(v);
      });
  return b.Set();
}

TFLObject* TSheet::LoadSheetObject() {
  if (FirstSheetPending) {
    FirstSheetPending = false;
    return CurrentSheet;
  }
  if (!SheetTabs) return nullptr;
  SheetTabs->NewTab();
  SheetTabs->SelectTab(SheetTabs->TabCount() - 1);
  CurrentSheet = SheetList.back();
  return CurrentSheet;
}

void TSheet::BindTabs(TSheetTabs& tabs) {
  SheetTabs = &tabs;
  tabs.OnChange = [](TSheetTabs*) { SheetChange(); };
  tabs.OnNewTab = [](TSheetTabs*) { SheetNew(); };
  tabs.OnTabDelete = [](TSheetTabs*, int index) { SheetDelete(index); };
  tabs.OnTabExchange = [](TSheetTabs*, int i, int j) { SheetExchange(i, j); };
}

void TSheet::ResetAll() {
  while (SheetList.size() > 1) SheetDelete(static_cast<int>(SheetList.size()) - 1);
  if (SheetList.empty()) return;
  TSheet* first = SheetList.front();
  first->Clear();
  if (SheetTabs) SheetTabs->Reset();
  first->Background->Reset();
  CurrentSheet = first;
  first->setGeometry(SheetRect(RunPage));
  first->UpdateExtent();  // no scroll bars left by the elements that went
  first->show();
  FirstSheetPending = true;
}

void TSheet::PlaceAll() {
  for (TSheet* s : SheetList) s->setGeometry(SheetRect(RunPage));
}

void TSheet::AddCoveringPanel(QWidget* panel) {
  if (!panel) return;
  gCoveringPanels.emplace_back(panel);
  panel->installEventFilter(new TCoverWatcher(panel));
  PlaceAll();
}

namespace {
int gLoadDepth = 0;
}  // namespace

void TSheet::BeginLoad() {
  ++gLoadDepth;
}

void TSheet::EndLoad() {
  if (gLoadDepth == 0 || --gLoadDepth > 0) return;
  for (TSheet* s : SheetList) {
    s->UpdateExtent();
    if (s->EditPanel) s->EditPanel->SettleAfterLoad();
  }
}

bool TSheet::InLoad() {
  return gLoadDepth > 0;
}

void TSheet::FreeAll() {
  while (!SheetList.empty()) delete SheetList.back();
  CurrentSheet = nullptr;
  FirstSheetPending = false;
  SheetTabs = nullptr;
  RunPage = nullptr;
  gCoveringPanels.clear();
}

void TSheetsFormulaView::ForEachElement(const std::function<void(TFormulaElement&)>& visit) {
  TQXElement::ForEach([&visit](TQXElement& e) { visit(e); });
}

void TSheetsFormulaView::FillUpdateList() {
  TQXElement::FillUpdateList();
}

}  // namespace qx
