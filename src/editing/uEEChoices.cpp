#include "editing/uEEChoices.h"

#include <QDir>
#include <QSignalBlocker>
#include <algorithm>

#include "editing/uEEFields.h"
#include "widgets/uLangStrings.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "foundation/uSettingLoader.h"
#include "widgets/uRibbonButton.h"

namespace qx {

namespace {

int32_t& PropIdx() {
  return TPropertyEditor::PropIndex();
}

bool Building() {
  return TPropertyEditor::ListingMode() == TListingMode::Build;
}

QString ColorText(TColor c) {
  return QString::fromStdString(ColorToText(c));
}

TColor ShownFontColor(TColor c) {
  return c == kDefaultFontColor ? 0x000000 : c;
}

}  // namespace

// ---- text with option ---------------------------------------------------------

TEEEZeichenUAuswahl::TEEEZeichenUAuswahl() {
  Label = EELabel(this, 10, 10, 130, 20);
  Edit = EEEdit(this, 140, 7, 150, 20);
  Check = new QCheckBox(this);
  Check->setGeometry(300, 9, 60, 20);
  connect(Edit, &QLineEdit::editingFinished, this, [this] { ApplyText(); });
  connect(Check, &QCheckBox::toggled, this, [this](bool on) {
    TFLObject* t = Target();
    if (!t || !Flag.Set) return;
    SetPropIndex();
    Flag.Set(*t, PropIdx(), on);
  });
}

void TEEEZeichenUAuswahl::Store(TEEAcc<std::string> text, TEEAcc<bool> flag) {
  if (!Building()) return;
  Text = std::move(text);
  Flag = std::move(flag);
}

TEEEZeichenUAuswahl* TEEEZeichenUAuswahl::Add(const QString& caption, const QString& checkCaption,
                                              TEEAcc<std::string> text, TEEAcc<bool> flag) {
  auto* r = Take<TEEEZeichenUAuswahl>();
  r->SetCaption(caption, checkCaption);
  r->Store(std::move(text), std::move(flag));
  return r;
}

void TEEEZeichenUAuswahl::SetCaption(const QString& caption, const QString& checkCaption) {
  Label->setText(caption);
  Check->setText(checkCaption);
}

void TEEEZeichenUAuswahl::Refresh(TFLObject& element) {
  SetPropIndex();
  if (Text.Get) Edit->setText(QString::fromStdString(Text.Get(element, PropIdx())));
  if (Flag.Get) EESetChecked(Check, Flag.Get(element, PropIdx()));
}

void TEEEZeichenUAuswahl::ApplyText() {
  TFLObject* t = Target();
  if (!t || !Text.Set) return;
  Edit->setModified(false);
  SetPropIndex();
  Text.Set(*t, PropIdx(), EEText(Edit));
}

void TEEEZeichenUAuswahl::Commit() {
  if (Edit->isModified()) ApplyText();
}

TEEEEingangUAuswahl::TEEEEingangUAuswahl() {
  Marker = EELabel(this, 128, 10, 8, 20);
  Marker->setText("=");
}

TEEEEingangUAuswahl* TEEEEingangUAuswahl::Add(TEEAcc<std::string> source, TEEAcc<bool> show) {
  auto* r = Take<TEEEEingangUAuswahl>();
  r->SetCaption(Tr("upropertyeditor.seeinput", "Eingang"), Tr("upropertyeditor.seeshow", "Zeigen"));
  EESetRowColor(r, kInputRowColor);
  r->Store(std::move(source), std::move(show));
  return r;
}

TEEEAusgangUAuswahl::TEEEAusgangUAuswahl() {
  Marker = EELabel(this, 118, 10, 12, 20);
  Marker->setText("=>");
}

TEEEAusgangUAuswahl* TEEEAusgangUAuswahl::Add(TEEAcc<std::string> source, TEEAcc<bool> show) {
  auto* r = Take<TEEEAusgangUAuswahl>();
  r->SetCaption(Tr("upropertyeditor.seeoutput", "Ausgang"),
                Tr("upropertyeditor.seeshow", "Zeigen"));
  EESetRowColor(r, kOutputRowColor);
  r->Store(std::move(source), std::move(show));
  return r;
}

// ---- channel row --------------------------------------------------------------

TEEEEingang::TEEEEingang() {
  Label = EELabel(this, 10, 10, 130, 20);
  Marker = EELabel(this, 128, 10, 8, 20);
  Marker->setText("=");
  Edit = EEEdit(this, 140, 7, 220, 20);
  connect(Edit, &QLineEdit::editingFinished, this, [this] { Apply(); });
}

TEEEEingang* TEEEEingang::Add(TEEAcc<std::string> source) {
  auto* r = Take<TEEEEingang>();
  r->SetCaption(Tr("upropertyeditor.seeinput", "Eingang"));
  EESetRowColor(r, kInputRowColor);
  if (Building()) r->Acc = std::move(source);
  return r;
}

TEEEEingang* TEEEAusgang::Add(TEEAcc<std::string> source) {
  auto* r = Take<TEEEEingang>();
  r->SetCaption(Tr("upropertyeditor.seeoutput", "Ausgang"));
  EESetRowColor(r, kOutputRowColor);
  r->Marker->setText("=>");
  r->Marker->setGeometry(118, 10, 12, 20);
  if (Building()) r->Acc = std::move(source);
  return r;
}

void TEEEEingang::SetCaption(const QString& caption) {
  Label->setText(caption);
}

void TEEEEingang::Refresh(TFLObject& element) {
  SetPropIndex();
  if (Acc.Get) Edit->setText(QString::fromStdString(Acc.Get(element, PropIdx())));
}

void TEEEEingang::Apply() {
  TFLObject* t = Target();
  if (!t || !Acc.Set) return;
  Edit->setModified(false);
  SetPropIndex();
  Acc.Set(*t, PropIdx(), EEText(Edit));
}

void TEEEEingang::Commit() {
  if (Edit->isModified()) Apply();
}

// ---- colour -------------------------------------------------------------------

TEEEFarbe::TEEEFarbe() {
  Label = EELabel(this, 10, 10, 130, 20);
  Edit = EEEdit(this, 140, 7, 90, 20);
  Swatch = new TEESwatch(this);
  Swatch->setGeometry(235, 7, 92, 28);
  Button = EEArrowButton(this, 332, 7);
  connect(Edit, &QLineEdit::editingFinished, this, [this] { ApplyText(); });
  connect(Swatch, &TEESwatch::clicked, this, [this] { Pick(); });
  connect(Button, &TRibbonButton::clicked, this, [this] { Pick(); });
}

TEEEFarbe* TEEEFarbe::Add(const QString& caption, TEEAcc<TColor> acc) {
  auto* r = Take<TEEEFarbe>();
  r->Label->setText(caption);
  if (Building()) r->Acc = std::move(acc);
  return r;
}

void TEEEFarbe::Refresh(TFLObject& element) {
  SetPropIndex();
  if (!Acc.Get) return;
  const TColor c = Acc.Get(element, PropIdx());
  Edit->setText(ColorText(c));
  Swatch->SetFill(c);
  DialogColor = c;
}

void TEEEFarbe::ApplyText() {
  bool ok = false;
  const TColor c = static_cast<TColor>(TryTextToInt(EEText(Edit), ok));
  TFLObject* t = Target();
  if (!ok || !t || !Acc.Set) return;  // the typed text stays
  Edit->setModified(false);
  Swatch->SetFill(c);
  DialogColor = c;
  SetPropIndex();
  Acc.Set(*t, PropIdx(), c);
}

void TEEEFarbe::Pick() {
  if (!Target()) return;
  const std::optional<TColor> c = Dialogs().ChooseColor(this, DialogColor);
  TFLObject* t = Target();
  if (!c || !t || !Acc.Set) return;
  Swatch->SetFill(*c);
  DialogColor = *c;
  Edit->setText(ColorText(*c));
  SetPropIndex();
  Acc.Set(*t, PropIdx(), *c);
}

void TEEEFarbe::Commit() {
  if (Edit->isModified()) ApplyText();
}

// ---- font ---------------------------------------------------------------------

TEEEFont::TEEEFont() {
  Label = EELabel(this, 10, 10, 130, 20);
  NameEdit = EEEdit(this, 140, 7, 90, 20);
  SizeEdit = EEEdit(this, 235, 7, 35, 20);
  Swatch = new TEESwatch(this);
  Swatch->setGeometry(275, 7, 52, 28);
  Button = EEArrowButton(this, 332, 7);
  connect(NameEdit, &QLineEdit::editingFinished, this, [this] { ApplyEdits(); });
  connect(SizeEdit, &QLineEdit::editingFinished, this, [this] { ApplyEdits(); });
  connect(Button, &TRibbonButton::clicked, this, [this] { PickFont(); });
  connect(Swatch, &TEESwatch::clicked, this, [this] { PickColor(); });
}

TEEEFont* TEEEFont::Add(const QString& caption, TEEAcc<TFontDesc> acc) {
  auto* r = Take<TEEEFont>();
  r->Label->setText(caption);
  if (Building()) r->Acc = std::move(acc);
  return r;
}

void TEEEFont::Refresh(TFLObject& element) {
  if (!Acc.Get) return;
  const TFontDesc f = Acc.Get(element, PropIdx());
  NameEdit->setText(QString::fromStdString(f.Name));
  SizeEdit->setText(QString::number(f.Size));
  Swatch->SetFill(ShownFontColor(f.Color));
  DialogFont = f;
}

void TEEEFont::Set() {
  TFLObject* t = Target();
  if (t && Acc.Set) Acc.Set(*t, PropIdx(), DialogFont);
}

void TEEEFont::ApplyEdits() {
  if (!Target()) return;
  bool ok = false;
  int32_t size = TextToInt(EEText(SizeEdit), ok);
  NameEdit->setModified(false);
  SizeEdit->setModified(false);
  DialogFont.Name = EEText(NameEdit);  // any text, the empty one included
  if (ok) {
    if (size < 1) size = 9;
    DialogFont.Size = size;
  }
  SizeEdit->setText(QString::number(DialogFont.Size));
  Set();
}

void TEEEFont::PickFont() {
  if (!Target()) return;
  std::optional<TFontDesc> f = Dialogs().ChooseFont(this, DialogFont);
  if (!f) return;
  if (f->Name.empty()) f->Name = "default";
  DialogFont = *f;
  Swatch->SetFill(ShownFontColor(f->Color));
  NameEdit->setText(QString::fromStdString(f->Name));
  SizeEdit->setText(QString::number(f->Size));
  Set();
}

void TEEEFont::PickColor() {
  if (!Target()) return;
  const std::optional<TColor> c = Dialogs().ChooseColor(this, ShownFontColor(DialogFont.Color));
  if (!c) return;
  Swatch->SetFill(*c);
  DialogFont.Color = *c;
  Set();
}

void TEEEFont::Commit() {
  if (NameEdit->isModified() || SizeEdit->isModified()) ApplyEdits();
}

// ---- check box ----------------------------------------------------------------

TEEEAuswahlFeld::TEEEAuswahlFeld() {
  Label = EELabel(this, 10, 10, 130, 20);
  Check = new QCheckBox(this);
  Check->setGeometry(145, 9, 60, 20);
  connect(Check, &QCheckBox::toggled, this, [this] { Apply(Check); });
}

TEEEAuswahlFeld* TEEEAuswahlFeld::Add(const QString& caption, const QString& checkCaption,
                                      TEEAcc<bool> acc) {
  auto* r = Take<TEEEAuswahlFeld>();
  r->Label->setText(caption);
  r->Check->setText(checkCaption);
  // The check box's own caption tells rows of one caption apart: show it
  // whole, within the row.
  const int least = 60, most = r->width() - r->Check->x() - 10;
  r->Check->resize(std::clamp(r->Check->sizeHint().width(), least, std::max(least, most)),
                   r->Check->height());
  if (Building()) r->Acc = std::move(acc);
  return r;
}

void TEEEAuswahlFeld::Refresh(TFLObject& element) {
  if (Acc.Get) EESetChecked(Check, Acc.Get(element, PropIdx()));
}

void TEEEAuswahlFeld::Apply(QObject*) {
  TFLObject* t = Target();
  if (t && Acc.Set) Acc.Set(*t, PropIdx(), Check->isChecked());
}

// ---- file names ---------------------------------------------------------------

TEEEDateiFeld::TEEEDateiFeld() {
  Label = EELabel(this, 10, 10, 130, 20);
  Edit = EEEdit(this, 140, 7, 187, 20);
  Button = EEArrowButton(this, 332, 7);
  StartDirectory = QDir::currentPath();
  connect(Edit, &QLineEdit::editingFinished, this, [this] { Apply(); });
  connect(Button, &TRibbonButton::clicked, this, [this] { Pick(); });
}

template <class R>
R* TEEEDateiFeld::AddFile(const QString& caption, TEEAcc<std::string> acc) {
  auto* r = Take<R>();
  r->Label->setText(caption);
  if (Building()) r->Acc = std::move(acc);
  return r;
}

void TEEEDateiFeld::Refresh(TFLObject& element) {
  SetPropIndex();
  if (Acc.Get) Edit->setText(QString::fromStdString(Acc.Get(element, PropIdx())));
}

void TEEEDateiFeld::Apply() {
  TFLObject* t = Target();
  if (!t || !Acc.Set) return;
  Edit->setModified(false);
  SetPropIndex();
  Acc.Set(*t, PropIdx(), EEText(Edit));  // as typed, relative or absolute
}

void TEEEDateiFeld::Pick() {
  if (!Target()) return;
  const std::string projectPath = FileLoad ? FileLoad->ProjectPath : std::string();
  TFileDialogRequest request = Request;
  request.Directory = projectPath.empty() ? StartDirectory : QString::fromStdString(projectPath);
  const std::optional<std::string> chosen = Dialogs().ChooseFile(this, request);
  TFLObject* t = Target();
  if (!chosen || !t || !Acc.Set) return;
  const std::string name = RelativeFileName(projectPath, *chosen);
  Edit->setText(QString::fromStdString(name));
  SetPropIndex();
  Acc.Set(*t, PropIdx(), name);
}

void TEEEDateiFeld::Commit() {
  if (Edit->isModified()) Apply();
}

TEEEDateiauswahl::TEEEDateiauswahl() {
  Request.Kind = TFileDialogRequest::TKind::Save;
}

TEEEDateiauswahl* TEEEDateiauswahl::Add(const QString& caption, TEEAcc<std::string> acc) {
  auto* r = AddFile<TEEEDateiauswahl>(caption, std::move(acc));
  r->Request.Title = Tr("upropertyeditor.seefilename", "Dateiname");
  return r;
}

TEEEDateiOeffnen::TEEEDateiOeffnen() {
  Request.Kind = TFileDialogRequest::TKind::Open;
  Request.MustExist = true;
}

TEEEDateiOeffnen* TEEEDateiOeffnen::Add(const QString& caption, TEEAcc<std::string> acc) {
  auto* r = AddFile<TEEEDateiOeffnen>(caption, std::move(acc));
  r->Request.Title = Tr("upropertyeditor.seefileopentitle",
                        "Datei \xC3\x96"
                        "ffnen");
  return r;
}

TEEEBildDatei::TEEEBildDatei() {
  Request.Kind = TFileDialogRequest::TKind::Open;
  Request.MustExist = true;
}

TEEEBildDatei* TEEEBildDatei::Add(const QString& caption, TEEAcc<std::string> acc) {
  auto* r = AddFile<TEEEBildDatei>(caption, std::move(acc));
  r->Request.Title = Tr("upropertyeditor.seepicfiletitle",
                        "Bilddatei ausw\xC3\xA4"
                        "hlen");
  r->Request.Filter =
      Tr("upropertyeditor.seebildformate", "Bildformate") + " (*.png *.bmp *.jpg *.jpeg)";
  return r;
}

// ---- drop-down ----------------------------------------------------------------

TEEEAuswahlbox::TEEEAuswahlbox() {
  Label = EELabel(this, 10, 10, 130, 20);
  Combo = new QComboBox(this);
  Combo->setEditable(false);
  Combo->setGeometry(140, 6, 220, 28);
  // Editing done: activated, the user's pick (not a change made by Refresh).
  connect(Combo, &QComboBox::activated, this, [this](int index) {
    TFLObject* t = Target();
    if (!t || !Acc.Set) return;
    SetPropIndex();
    Acc.Set(*t, PropIdx(), index);
  });
}

TEEEAuswahlbox* TEEEAuswahlbox::Add(const QString& caption, const QStringList& items,
                                    TEEAcc<int32_t> acc) {
  auto* r = Take<TEEEAuswahlbox>();
  r->Label->setText(caption);
  {
    // New texts, same choice.
    const QSignalBlocker block(r->Combo);
    const int keep = r->Combo->currentIndex();
    r->Combo->clear();
    r->Combo->addItems(items);
    if (keep >= 0 && keep < r->Combo->count()) r->Combo->setCurrentIndex(keep);
  }
  if (Building()) r->Acc = std::move(acc);
  return r;
}

void TEEEAuswahlbox::Refresh(TFLObject& element) {
  SetPropIndex();
  if (!Acc.Get) return;
  const QSignalBlocker block(Combo);
  Combo->setCurrentIndex(Acc.Get(element, PropIdx()));
}

}  // namespace qx
