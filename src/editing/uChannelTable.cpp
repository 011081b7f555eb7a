#include "editing/uChannelTable.h"

#include <QEvent>
#include <QMouseEvent>
#include <algorithm>

#include "channels/uTerminal.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uSheet.h"
#include "formula/UCalculate.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "editing/uQXControls.h"

namespace qx {

TChannelTable* ChannelTable = nullptr;

namespace {

constexpr int kTableWidth = 400;
constexpr int kRowHeight = 25;

void FillColor(QWidget* w, TColor c) {
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ColorToQColor(c));
  w->setPalette(pal);
}

// Keeps the scroll box fitted to the area.
class TAreaWatcher final : public QObject {
 public:
  TAreaWatcher(QWidget* area, QScrollArea* box) : QObject(area), area_(area), box_(box) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == area_ && event->type() == QEvent::Resize) box_->setGeometry(area_->rect());
    return false;
  }

 private:
  QWidget* area_;
  QScrollArea* box_;
};

QString TitleIn() {
  return Tr("uchanneltable.schtverwein",
            "Verwendete Eingangskan\xC3\xA4"
            "le");
}
QString TitleOut() {
  return Tr("uchanneltable.schtverwaus",
            "Verwendete Ausgangskan\xC3\xA4"
            "le");
}

}  // namespace

// ---- rows -------------------------------------------------------------------

TChTitel::TChTitel(QWidget* parent, const QString& caption) : QWidget(parent) {
  setGeometry(0, 0, kTableWidth, kRowHeight);
  FillColor(this, kChannelRowColor);
  Label = new QLabel(caption, this);
  Label->setGeometry(10, 2, 350, 20);
  QFont f = Label->font();
  f.setBold(true);
  Label->setFont(f);
}

TChannelSet::TChannelSet(QWidget* parent) : QWidget(parent) {
  setGeometry(0, 0, kTableWidth, kRowHeight);
  FillColor(this, kChannelRowColor);
  Label = new QLabel(this);
  Label->setGeometry(10, 2, 150, 20);
  // A click or hover on the label is one on the row.
  Label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TChannelSet::SetColor(TColor color) {
  color_ = color;
  FillColor(this, color);
}

void TChannelSet::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && ChannelTable) ChannelTable->MouseClick(this);
}

void TChannelSet::enterEvent(QEnterEvent*) {
  if (!ChannelTable || ChannelTable->HighlightedRow != this) SetColor(HoverColor);
}

void TChannelSet::leaveEvent(QEvent*) {
  if (!ChannelTable || ChannelTable->HighlightedRow != this) SetColor(kChannelRowColor);
}

// ---- lists ------------------------------------------------------------------

TChSetList::~TChSetList() {
  Clear();
}

void TChSetList::AddChannel(int32_t channel) {
  for (const TChannelSet* r : Rows) {
    if (r->Channel == channel) return;
  }
  auto* row = new TChannelSet(parent_);
  row->Kind = Kind;
  row->Channel = channel;
  row->Label->setText("#" + QString::number(channel));
  row->show();
  Rows.push_back(row);
}

void TChSetList::Clear() {
  // The rows may have gone with the main window already.
  if (parent_) {
    for (TChannelSet* r : Rows) delete r;
  }
  Rows.clear();
}

void TChSetList::Sort() {
  std::sort(Rows.begin(), Rows.end(),
            [](const TChannelSet* a, const TChannelSet* b) { return a->Channel < b->Channel; });
}

void TChSetList::Stack(int top) {
  for (TChannelSet* r : Rows) {
    r->move(0, top);
    top += r->height() + 1;
  }
}

// ---- table ------------------------------------------------------------------

TChannelTable::TChannelTable(QWidget* area)
    : Area(area),
      ScrollBox1(new QScrollArea(area)),
      content_(new QWidget),
      InputTitle(new TChTitel(content_, TitleIn())),
      OutputTitle(new TChTitel(content_, TitleOut())),
      Inputs(content_, 1),
      Outputs(content_, 2) {
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setGeometry(area->rect());
  content_->resize(kTableWidth, 2 * kRowHeight + 2);
  ScrollBox1->setWidget(content_);
  area->installEventFilter(new TAreaWatcher(area, ScrollBox1));
  OutputTitle->move(0, kRowHeight + 2);
}

TChannelTable::~TChannelTable() {
  if (ChannelTable == this) ChannelTable = nullptr;
}

void TChannelTable::Show() {
  HighlightedRow = nullptr;
  Inputs.Clear();
  Outputs.Clear();
  // Every formula compiled: the compile results and the hub's reader and
  // writer lists are current.
  CompileAndInit();
  for (TSheet* sheet : SheetList) {
    for (TQXElement* e : sheet->ElementList) {
      if (!e->SourceValid) continue;
      if (const TCompiledFormula* f = TFormulaElement::FormulaOf(*e)) {
        for (int32_t ch : f->Dependencies) Inputs.AddChannel(ch);
      }
    }
  }
  for (TSheet* sheet : SheetList) {
    for (TQXElement* e : sheet->ElementList) {
      if (e->SourceValid && e->OutChannel != 0) Outputs.AddChannel(e->OutChannel);
    }
  }
  Inputs.Sort();
  Inputs.Stack(kRowHeight + 1);
  const int y =
      Inputs.Rows.empty() ? kRowHeight : Inputs.Rows.back()->y() + Inputs.Rows.back()->height();
  OutputTitle->move(0, y + 2);
  Outputs.Sort();
  Outputs.Stack(y + 28);
  const int bottom = Outputs.Rows.empty()
                         ? OutputTitle->y() + OutputTitle->height()
                         : Outputs.Rows.back()->y() + Outputs.Rows.back()->height();
  content_->resize(kTableWidth, bottom);
  if (Area) {
    Area->show();
    Area->raise();
  }
}

void TChannelTable::Hide() {
  if (Area) Area->hide();
  HighlightedRow = nullptr;
}

void TChannelTable::LangUpdate() {
  InputTitle->Label->setText(TitleIn());
  OutputTitle->Label->setText(TitleOut());
}

std::vector<TQXElement*> ChannelUsersOnCurrentSheet(int32_t channel, bool outputs) {
  std::vector<TQXElement*> found;
  if (!Terminal || !CurrentSheet || channel < 0 || channel >= kChannelCount) return found;
  const TKanal& k = Terminal->Kanal(channel);
  for (TElementCore* user : outputs ? k.Writers : k.Readers) {
    auto* e = dynamic_cast<TQXElement*>(user);
    // A sub-element (a chart's curve) stands for the element that owns it.
    while (e && e->IsSubElement) e = qobject_cast<TQXElement*>(e->parentWidget());
    if (!e) continue;
    // Only what the user sees: Delete and the arrow keys act on the selection.
    const auto& list = CurrentSheet->ElementList;
    if (std::find(list.begin(), list.end(), e) == list.end()) continue;
    if (std::find(found.begin(), found.end(), e) == found.end()) found.push_back(e);
  }
  return found;
}

void TChannelTable::MouseClick(TChannelSet* row) {
  if (HighlightedRow && HighlightedRow != row) HighlightedRow->SetColor(kChannelRowColor);
  HighlightedRow = row;
  row->SetColor(row->HighlightColor);
  TEditPanel::ClearSelection();
  TEditPanel::SelectElements(ChannelUsersOnCurrentSheet(row->Channel, row->Kind == 2));
}

}  // namespace qx
