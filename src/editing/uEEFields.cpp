#include "editing/uEEFields.h"

#include <QSignalBlocker>
#include <algorithm>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"

namespace qx {

namespace {

constexpr int kTitleLength = 32;

void SetTextColor(QLabel* label, TColor color) {
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, ColorToQColor(color));
  label->setPalette(pal);
}

int32_t& PropIdx() {
  return TPropertyEditor::PropIndex();
}

}  // namespace

// ---- helpers ----------------------------------------------------------------

QLabel* EELabel(QWidget* row, int x, int y, int w, int h) {
  auto* l = new QLabel(row);
  l->setGeometry(x, y, w, h);
  return l;
}

QLineEdit* EEEdit(QWidget* row, int x, int y, int w, int h) {
  auto* e = new QLineEdit(row);
  e->setGeometry(x, y, w, h);
  return e;
}

void EESetRowColor(QWidget* row, TColor color) {
  row->setAutoFillBackground(true);
  QPalette pal = row->palette();
  pal.setColor(QPalette::Window, ColorToQColor(color));
  row->setPalette(pal);
}

QString EERealText(double value) {
  return QString::fromStdString(FloatToText(value));
}

std::string EEText(const QLineEdit* edit) {
  return edit->text().toStdString();
}

void EESetChecked(QCheckBox* box, bool checked) {
  const QSignalBlocker block(box);
  box->setChecked(checked);
}

// ---- titles -----------------------------------------------------------------

TEEETitel::TEEETitel() {
  Label = EELabel(this, 10, 10, 200, 20);
}

void TEEETitel::SetCaption(const QString& caption, bool bold) {
  // Only the kept copy, which an index title numbers, is cut; the label
  // shows the whole caption.
  Caption = caption.left(kTitleLength);
  Label->setText(caption);
  QFont f = Label->font();
  f.setBold(bold);
  Label->setFont(f);
}

TEEETitel* TEEETitel::Add(const QString& caption) {
  auto* r = Take<TEEETitel>();
  r->SetCaption(caption, true);
  return r;
}

TEEEIndexTitel* TEEEIndexTitel::Add(const QString& caption) {
  auto* r = Take<TEEEIndexTitel>();
  r->SetCaption(caption, true);
  return r;
}

void TEEEIndexTitel::Refresh(TFLObject&) {
  Label->setText(Caption + QString::number(PropIdx()));
}

TEEESubTitel* TEEESubTitel::Add(const QString& caption) {
  auto* r = Take<TEEESubTitel>();
  r->SetCaption(caption, false);
  return r;
}

TEEETitelActive::TEEETitelActive() {
  Label = EELabel(this, 10, 10, 200, 20);
  QFont f = Label->font();
  f.setBold(true);
  Label->setFont(f);
  Check = new QCheckBox(this);
  Check->move(340, 10);
  Check->resize(Check->sizeHint());
  Check->setChecked(true);
  // Editing done: toggled; the state applies at once.
  connect(Check, &QCheckBox::toggled, this, [this](bool active) {
    ShowActive(active);
    if (TFLObject* t = Target()) Disabled.Set(*t, PropIdx(), !active);
  });
}

TEEETitelActive* TEEETitelActive::Add(const QString& caption, TEEAcc<bool> disabled) {
  auto* r = Take<TEEETitelActive>();
  r->Label->setText(caption);
  if (TPropertyEditor::ListingMode() == TListingMode::Build) r->Disabled = std::move(disabled);
  return r;
}

void TEEETitelActive::ShowActive(bool active) {
  Listing->EnableEntries(active);
  SetTextColor(Label, active ? 0x000000 : 0x808080);
}

void TEEETitelActive::Refresh(TFLObject& element) {
  const bool active = !(Disabled.Get ? Disabled.Get(element, PropIdx()) : false);
  EESetChecked(Check, active);
  ShowActive(active);
}

// ---- line and description -----------------------------------------------------

TEEELinie::TEEELinie() {
  SetRowHeight(1);
  auto* line = new QWidget(this);
  line->setGeometry(10, 0, 350, 1);
  EESetRowColor(line, 0xC0C0C0);
}

TEEELinie* TEEELinie::Add() {
  return Take<TEEELinie>();
}

TEEEBeschreibung::TEEEBeschreibung() {
  Memo = new QPlainTextEdit(this);
  Memo->setReadOnly(true);
  Memo->setFrameShape(QFrame::NoFrame);
  Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QPalette pal = Memo->palette();
  pal.setColor(QPalette::Base, ColorToQColor(0xF0F0F0));
  Memo->setPalette(pal);
  setEnabled(false);  // the text cannot be focused or edited
}

TEEEBeschreibung* TEEEBeschreibung::Add(int height, const QString& text) {
  auto* r = Take<TEEEBeschreibung>();
  r->Memo->setPlainText(text);
  r->SetRowHeight(height);
  // The memo starts 10 pixels down: it ends with its row, not under the next.
  r->Memo->setGeometry(6, 10, 360, std::max(0, height - 10));
  return r;
}

// ---- text field ---------------------------------------------------------------

TEEEZeichenfeld::TEEEZeichenfeld() {
  Label = EELabel(this, 10, 10, 130, 20);
  Edit = EEEdit(this, 140, 7, 220, 20);
  connect(Edit, &QLineEdit::editingFinished, this, [this] { Apply(); });
}

TEEEZeichenfeld* TEEEZeichenfeld::Add(const QString& caption, TEEAcc<std::string> acc) {
  auto* r = Take<TEEEZeichenfeld>();
  r->Label->setText(caption);
  if (TPropertyEditor::ListingMode() == TListingMode::Build) r->Acc = std::move(acc);
  return r;
}

void TEEEZeichenfeld::Refresh(TFLObject& element) {
  SetPropIndex();
  if (Acc.Get) Edit->setText(QString::fromStdString(Acc.Get(element, PropIdx())));
}

void TEEEZeichenfeld::Apply() {
  TFLObject* t = Target();
  if (!t || !Acc.Set) return;
  Edit->setModified(false);
  SetPropIndex();
  Acc.Set(*t, PropIdx(), EEText(Edit));
}

void TEEEZeichenfeld::Commit() {
  if (Edit->isModified()) Apply();
}

// ---- single number fields -----------------------------------------------------

TEEEEinfachFeld::TEEEEinfachFeld() {
  Label = EELabel(this, 10, 10, 130, 20);
  Edit = EEEdit(this, 140, 7, 90, 20);
  connect(Edit, &QLineEdit::editingFinished, this, [this] { Apply(Edit); });
}

void TEEEEinfachFeld::Commit() {
  if (Edit->isModified()) Apply(Edit);
}

TEEEIntFeld* TEEEIntFeld::Add(const QString& caption, TEEAcc<int32_t> acc) {
  auto* r = Take<TEEEIntFeld>();
  r->Label->setText(caption);
  if (TPropertyEditor::ListingMode() == TListingMode::Build) r->Acc = std::move(acc);
  return r;
}

void TEEEIntFeld::Refresh(TFLObject& element) {
  if (Acc.Get) Edit->setText(QString::number(Acc.Get(element, PropIdx())));
}

void TEEEIntFeld::Apply(QObject*) {
  bool ok = false;
  const int32_t v = TextToInt(EEText(Edit), ok);
  TFLObject* t = Target();
  if (!ok || !t || !Acc.Set) return;  // a refused text stays as typed
  Acc.Set(*t, PropIdx(), v);
  if ((t = Target())) Refresh(*t);
}

TEEERealFeld* TEEERealFeld::Add(const QString& caption, TEEAcc<double> acc) {
  auto* r = Take<TEEERealFeld>();
  r->Label->setText(caption);
  if (TPropertyEditor::ListingMode() == TListingMode::Build) r->Acc = std::move(acc);
  return r;
}

void TEEERealFeld::Refresh(TFLObject& element) {
  if (Acc.Get) Edit->setText(EERealText(Acc.Get(element, PropIdx())));
}

void TEEERealFeld::Apply(QObject*) {
  bool ok = false;
  const double v = TextToFloat(EEText(Edit), ok);
  TFLObject* t = Target();
  if (!ok || !t || !Acc.Set) return;
  Acc.Set(*t, PropIdx(), v);
  if ((t = Target())) Refresh(*t);
}

// ---- pairs --------------------------------------------------------------------

TEEEPaarFeld::TEEEPaarFeld() {
  Label = EELabel(this, 10, 10, 130, 20);
  FirstLabel = EELabel(this, 145, 10, 50, 20);
  FirstEdit = EEEdit(this, 195, 7, 50, 20);
  SecondLabel = EELabel(this, 260, 10, 50, 20);
  SecondEdit = EEEdit(this, 310, 7, 50, 20);
  connect(FirstEdit, &QLineEdit::editingFinished, this, [this] { Apply(FirstEdit); });
  connect(SecondEdit, &QLineEdit::editingFinished, this, [this] { Apply(SecondEdit); });
}

void TEEEPaarFeld::SetCaptions(const QString& caption, const QString& label1,
                               const QString& label2) {
  Label->setText(caption);
  FirstLabel->setText(label1);
  SecondLabel->setText(label2);
}

void TEEEPaarFeld::Commit() {
  if (FirstEdit->isModified()) Apply(FirstEdit);
  if (SecondEdit->isModified()) Apply(SecondEdit);
}

TEEEIntPaar* TEEEIntPaar::Add(const QString& caption, const QString& label1, const QString& label2,
                              TEEAcc<int32_t> first, TEEAcc<int32_t> second) {
  auto* r = Take<TEEEIntPaar>();
  r->SetCaptions(caption, label1, label2);
  if (TPropertyEditor::ListingMode() == TListingMode::Build) {
    r->First = std::move(first);
    r->Second = std::move(second);
  }
  return r;
}

void TEEEIntPaar::Refresh(TFLObject& element) {
  if (First.Get) FirstEdit->setText(QString::number(First.Get(element, PropIdx())));
  if (Second.Get) SecondEdit->setText(QString::number(Second.Get(element, PropIdx())));
}

void TEEEIntPaar::Apply(QObject* sender) {
  // Any sender other than the first edit counts as the second.
  QLineEdit* edit = sender == FirstEdit ? FirstEdit : SecondEdit;
  const TEEAcc<int32_t>& acc = sender == FirstEdit ? First : Second;
  bool ok = false;
  const int32_t v = TextToInt(EEText(edit), ok);
  TFLObject* t = Target();
  if (!ok || !t || !acc.Set) return;
  edit->setModified(false);
  acc.Set(*t, PropIdx(), v);
}

TEEERealPaar* TEEERealPaar::Add(const QString& caption, const QString& label1,
                                const QString& label2, TEEAcc<double> first,
                                TEEAcc<double> second) {
  auto* r = Take<TEEERealPaar>();
  r->SetCaptions(caption, label1, label2);
  if (TPropertyEditor::ListingMode() == TListingMode::Build) {
    r->First = std::move(first);
    r->Second = std::move(second);
  }
  return r;
}

void TEEERealPaar::Refresh(TFLObject& element) {
  if (First.Get) FirstEdit->setText(EERealText(First.Get(element, PropIdx())));
  if (Second.Get) SecondEdit->setText(EERealText(Second.Get(element, PropIdx())));
}

void TEEERealPaar::Apply(QObject* sender) {
  QLineEdit* edit = sender == FirstEdit ? FirstEdit : SecondEdit;
  const TEEAcc<double>& acc = sender == FirstEdit ? First : Second;
  bool ok = false;
  const double v = TextToFloat(EEText(edit), ok);
  TFLObject* t = Target();
  if (!t) return;
  if (ok && acc.Set) acc.Set(*t, PropIdx(), v);
  // Refreshed in any case: a refused text gives way to the element's value.
  if ((t = Target())) Refresh(*t);
}

// ---- doubles ------------------------------------------------------------------

TEEEDoppelFeld::TEEEDoppelFeld() {
  FirstCaption = EELabel(this, 10, 10, 130, 20);
  SecondCaption = EELabel(this, 200, 10, 100, 20);
  FirstEdit = EEEdit(this, 140, 7, 50, 20);
  SecondEdit = EEEdit(this, 310, 7, 50, 20);
  connect(FirstEdit, &QLineEdit::editingFinished, this, [this] { Apply(FirstEdit); });
  connect(SecondEdit, &QLineEdit::editingFinished, this, [this] { Apply(SecondEdit); });
}

void TEEEDoppelFeld::Commit() {
  if (FirstEdit->isModified() || SecondEdit->isModified()) Apply(FirstEdit);
}

namespace {
// Applies each field whose text the parser accepts, the first before the
// second; a refused field does not stop the other.
template <class V, class Parse>
void ApplyBoth(QLineEdit* e1, QLineEdit* e2, const TEEAcc<V>& a1, const TEEAcc<V>& a2,
               Parse parse) {
  const std::pair<QLineEdit*, const TEEAcc<V>*> fields[] = {{e1, &a1}, {e2, &a2}};
  for (const auto& [edit, acc] : fields) {
    bool ok = false;
    const V v = parse(EEText(edit), ok);
    TFLObject* t = TPropertyEditor::ShownObject();
    if (!ok || !t || !acc->Set) continue;
    edit->setModified(false);
    acc->Set(*t, TPropertyEditor::PropIndex(), v);
  }
}
}  // namespace

TEEEIntDoppel* TEEEIntDoppel::Add(const QString& caption1, const QString& caption2,
                                  TEEAcc<int32_t> first, TEEAcc<int32_t> second) {
  auto* r = Take<TEEEIntDoppel>();
  r->FirstCaption->setText(caption1);
  r->SecondCaption->setText(caption2);
  if (TPropertyEditor::ListingMode() == TListingMode::Build) {
    r->First = std::move(first);
    r->Second = std::move(second);
  }
  return r;
}

void TEEEIntDoppel::Refresh(TFLObject& element) {
  if (First.Get) FirstEdit->setText(QString::number(First.Get(element, PropIdx())));
  if (Second.Get) SecondEdit->setText(QString::number(Second.Get(element, PropIdx())));
}

void TEEEIntDoppel::Apply(QObject*) {
  ApplyBoth<int32_t>(FirstEdit, SecondEdit, First, Second,
                     [](std::string_view s, bool& ok) { return TextToInt(s, ok); });
}

TEEERealDoppel* TEEERealDoppel::Add(const QString& caption1, const QString& caption2,
                                    TEEAcc<double> first, TEEAcc<double> second) {
  auto* r = Take<TEEERealDoppel>();
  r->FirstCaption->setText(caption1);
  r->SecondCaption->setText(caption2);
  if (TPropertyEditor::ListingMode() == TListingMode::Build) {
    r->First = std::move(first);
    r->Second = std::move(second);
  }
  return r;
}

void TEEERealDoppel::Refresh(TFLObject& element) {
  if (First.Get) FirstEdit->setText(EERealText(First.Get(element, PropIdx())));
  if (Second.Get) SecondEdit->setText(EERealText(Second.Get(element, PropIdx())));
}

void TEEERealDoppel::Apply(QObject*) {
  ApplyBoth<double>(FirstEdit, SecondEdit, First, Second,
                    [](std::string_view s, bool& ok) { return TextToFloat(s, ok); });
}

}  // namespace qx
