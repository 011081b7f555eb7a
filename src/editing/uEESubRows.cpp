#include "editing/uEESubRows.h"

#include <QHeaderView>
#include <algorithm>

#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "foundation/uNumText.h"
#include "widgets/uDialogs.h"
#include "widgets/uLangStrings.h"
#include "widgets/uRibbonButton.h"

namespace qx {

namespace {
int32_t& PropIdx() {
  return TPropertyEditor::PropIndex();
}
}  // namespace

// ---- opener -------------------------------------------------------------------

TEEESubLister::TEEESubLister() {
  Label = EELabel(this, 10, 10, 130, 20);
  Button = EEArrowButton(this, 332, 7);
  connect(Button, &TRibbonButton::clicked, this, [this] { Open(); });
}

TEEESubLister* TEEESubLister::Add(const QString& caption) {
  auto* r = Take<TEEESubLister>();
  r->Label->setText(caption);
  return r;
}

void TEEESubLister::Open() {
  if (!TPropertyEditor::ShownObject()) return;
  SetPropIndex();
  TEESubListing::ShowSubListing(SubListing);
}

// ---- curve row ----------------------------------------------------------------

TEEEEingColSub::TEEEEingColSub() {
  Label = EELabel(this, 10, 10, 130, 20);
  Marker = EELabel(this, 128, 10, 8, 20);
  Marker->setText("=");
  Edit = EEEdit(this, 140, 7, 151, 20);
  Swatch = new TEESwatch(this);
  Swatch->setGeometry(290, 7, 37, 28);
  Button = EEArrowButton(this, 332, 7);
  connect(Edit, &QLineEdit::editingFinished, this, [this] { ApplySource(); });
  connect(Swatch, &TEESwatch::clicked, this, [this] { PickColor(); });
  connect(Button, &TRibbonButton::clicked, this, [this] { Open(); });
}

TEEEEingColSub* TEEEEingColSub::Add(const QString& caption, TEEAcc<std::string> source,
                                    TEEAcc<TColor> color) {
  auto* r = Take<TEEEEingColSub>();
  r->Label->setText(caption);
  EESetRowColor(r, kInputRowColor);
  if (TPropertyEditor::ListingMode() == TListingMode::Build) {
    r->Source = std::move(source);
    r->Color = std::move(color);
  }
  return r;
}

void TEEEEingColSub::Refresh(TFLObject& element) {
  SetPropIndex();
  if (Source.Get) Edit->setText(QString::fromStdString(Source.Get(element, PropIdx())));
  if (Color.Get) Swatch->SetFill(Color.Get(element, PropIdx()));
}

void TEEEEingColSub::ApplySource() {
  TFLObject* t = TPropertyEditor::ShownObject();
  if (!t || !Source.Set) return;
  Edit->setModified(false);
  SetPropIndex();
  Source.Set(*t, PropIdx(), EEText(Edit));
}

void TEEEEingColSub::PickColor() {
  if (!TPropertyEditor::ShownObject()) return;
  const std::optional<TColor> c = Dialogs().ChooseColor(this, DialogColor);
  TFLObject* t = TPropertyEditor::ShownObject();
  if (!c || !t) return;
  DialogColor = *c;
  Swatch->SetFill(*c);
  SetPropIndex();
  if (Color.Set) Color.Set(*t, PropIdx(), *c);
}

void TEEEEingColSub::Open() {
  if (!TPropertyEditor::ShownObject()) return;
  SetPropIndex();
  TEESubListing::ShowSubListing(SubListing);
}

void TEEEEingColSub::Commit() {
  if (Edit->isModified()) ApplySource();
}

// ---- value table --------------------------------------------------------------

TEEEArrayViewer::TEEEArrayViewer() {
  Label = EELabel(this, 10, 10, 130, 20);
  Grid = new QTableWidget(0, 2, this);
  Grid->setHorizontalHeaderLabels({"Index", "Wert"});
  Grid->verticalHeader()->hide();
  Grid->setColumnWidth(0, 80);
  Grid->setColumnWidth(1, 290);
  Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Grid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid->setGeometry(0, 40, width(), height() - 40);
}

TEEEArrayViewer* TEEEArrayViewer::Add(CaptionFn getCaption, ValuesFn getXValues,
                                      ValuesFn getYValues) {
  auto* r = Take<TEEEArrayViewer>();
  if (TPropertyEditor::ListingMode() == TListingMode::Build) {
    r->GetCaption = std::move(getCaption);
    r->GetXValues = std::move(getXValues);
    r->GetYValues = std::move(getYValues);
  }
  return r;
}

void TEEEArrayViewer::Refresh(TFLObject& element) {
  SetPropIndex();
  // The caption getter first: an element may load its table there.
  if (GetCaption) Label->setText(QString::fromStdString(GetCaption(element, PropIdx())));
  const std::vector<double> xs =
      GetXValues ? GetXValues(element, PropIdx()) : std::vector<double>();
  const std::vector<double> ys =
      GetYValues ? GetYValues(element, PropIdx()) : std::vector<double>();
  ColumnX = {"X"};
  ColumnY = {"Y"};
  for (size_t i = 0; i < xs.size(); ++i) {
    ColumnX << QString::fromStdString(FloatToText(xs[i]));
    // A missing Y shows empty rather than reading past the array.
    ColumnY << (i < ys.size() ? QString::fromStdString(FloatToText(ys[i])) : QString());
  }
  if (xs.empty()) {
    ColumnX << " ";
    ColumnY << Tr("upropertyeditor.seenovalues", "Keine Werte geladen");
  }
  // Fill the listing's box. Its viewport is laid out only once the box is
  // shown, so the box's own size counts.
  if (Listing && Listing->Box) {
    const QSize box = Listing->Box->contentsRect().size();
    resize(std::min(box.width(), Listing->Content->width()), std::max(box.height(), 80));
    Grid->setGeometry(0, 40, width(), height() - 40);
    // The title carries the load status: as wide as the row, not cut.
    Label->resize(std::max(Label->width(), width() - 2 * Label->x()), Label->height());
    Listing->Arrange();  // the box's content grows with the table
  }
  Grid->setHorizontalHeaderLabels({ColumnX.front(), ColumnY.front()});
  const int rows = static_cast<int>(ColumnX.size()) - 1;
  Grid->setRowCount(rows);
  for (int i = 0; i < rows; ++i) {
    for (int col = 0; col < 2; ++col) {
      const QStringList& column = col == 0 ? ColumnX : ColumnY;
      auto* item = new QTableWidgetItem(column[i + 1]);
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      Grid->setItem(i, col, item);
    }
  }
}

}  // namespace qx
