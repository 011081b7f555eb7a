#include "instruments/uQXLUT.h"

#include <QPainter>
#include <algorithm>

#include "channels/uTerminal.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEESubRows.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "formula/uFormulaElement.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uSettingLoader.h"
#include "instruments/uElementLabels.h"

namespace qx {

namespace {

constexpr TColor kLUTGrey = 0xC0C0C0;
constexpr TColor kNameRowTint = 0xA5F5FA;

// The built-in picture "QXLUT2": a small table of two columns, 24 x 20.
QPixmap TableIcon() {
  QPixmap pm(24, 20);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  const QColor line(0x40, 0x40, 0x40);
  p.fillRect(2, 2, 20, 16, Qt::white);
  p.fillRect(2, 2, 20, 4, QColor(0x5B, 0x9B, 0xD5));
  p.setPen(line);
  p.drawRect(2, 2, 19, 15);
  for (int y = 6; y < 18; y += 4) p.drawLine(2, y, 21, y);
  p.drawLine(11, 2, 11, 17);
  return pm;
}

std::mutex* ReceiveLock() {
  return Terminal ? &Terminal->ReceiveLock : nullptr;
}

}  // namespace

QString LUTStatusText(std::string_view status) {
  using T = TLookupTable;
  struct Row {
    std::string_view status;
    const char* key;
  };
  static constexpr Row kRows[] = {
      {T::kStatusNoFile, "uqxlut.snofile"},
      {T::kStatusOpenError, "uqxlut.sopenerror"},
      {T::kStatusLoadError, "uqxlut.sloaderror"},
      {T::kStatusNotAscending, "uqxlut.snotascending"},
      {T::kStatusOk, "uqxlut.sok"},
      {T::kStatusNotRegular, "uqxlut.snotregular"},
      {T::kStatusTooLarge, "uqxlut.stoolarge"},
  };
  for (const Row& r : kRows) {
    if (r.status == status) return Tr(r.key, std::string(status).c_str());
  }
  return QString::fromUtf8(status.data(), static_cast<qsizetype>(status.size()));
}

const TFLSet* TQXLUT::ClassSet = nullptr;

TQXLUT::TQXLUT(QWidget* owner) : TQXElement(owner) {
  ClassId = kLUTClassId;
  TypeName = "QXLUT";
  ChannelRole = RoleNone;
  KeySet = ClassSet;
  FrameWidth = 4;
  TQXElement::SetBckGndColor(kLUTGrey);
  TQXElement::SetFrameColor(kLUTGrey);
  Denom = Tr("uqxlut.slutdenom", "LUT").toStdString();
  InUpdateList = false;
  IsStreamElement = true;

  name_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  file_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  for (QLabel* l : {name_, file_}) {
    QFont f = l->font();
    f.setPointSize(9);
    l->setFont(f);
  }
  icon_ = new QLabel(this);
  icon_->setAttribute(Qt::WA_TransparentForMouseEvents);
  icon_->setPixmap(TableIcon());
  icon_->setGeometry(0, 0, 24, 20);
  icon_->show();
  resize(160, 40);
  PanelResize();
  UpdateCaption();
  FollowEditFrame();
}

TQXLUT::~TQXLUT() {
  // Formulas compiled against this table call into lut_: none may run
  // after it is gone (the run page's receive test, a port thread).
  if (DynaFunctions && FormulaSheets)
    ForgetLUTFunction(lut_.Definition, *DynaFunctions, *FormulaSheets, ReceiveLock());
}

TQXLUT* TQXLUT::ElemCreate() {
  return new TQXLUT(CurrentCanvas());
}

void TQXLUT::UpdateCaption() {
  name_->setText(ShowName ? QString::fromStdString(Denom) : QString());
}

void TQXLUT::PanelResize() {
  const int w = std::max(0, width() - 3);
  name_->setGeometry(28, 0, w, 20);
  file_->setGeometry(3, 20, w, 20);
}

void TQXLUT::ShowCompileState() {
  // The base rule on what this element means by valid and empty: the table
  // loaded and published, and a name to call it by.
  const bool valid = SourceValid;
  const bool empty = SourceEmpty;
  SourceValid = !Denom.empty() && LUTValid() && valid;
  SourceEmpty = Denom.empty();
  TQXElement::ShowCompileState();
  SourceValid = valid;
  SourceEmpty = empty;
}

std::string TQXLUT::AbsoluteTableFile() const {
  if (FileName.empty()) return {};
  return AbsoluteFileName(FileLoad ? FileLoad->ProjectPath : std::string(), FileName);
}

bool TQXLUT::Reload() {
  return lut_.Reload(AbsoluteTableFile(), ReceiveLock());
}

bool TQXLUT::PrepareLUT() {
  return Reload();
}

QString TQXLUT::StatusText() const {
  return LUTStatusText(lut_.Table.Status);
}

std::string TQXLUT::GetTableCaption() {
  Reload();
  return (Tr("uqxlut.stablecaption", "Wertetabelle") + ": " + StatusText()).toStdString();
}

void TQXLUT::SetFileName(std::string value) {
  // Blanks and control characters at both ends go (in place: a name read
  // from a project file may be long).
  size_t first = 0, last = value.size();
  while (first < last && static_cast<unsigned char>(value[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(value[last - 1]) <= ' ') --last;
  value.erase(last);
  value.erase(0, first);
  FileName = std::move(value);
  const QString shown = ShownText(FileName, true);
  file_->setText(shown);
  // A long name shows its end.
  const bool tooWide = TextWidthOf(shown, file_->font()) > width() - 3;
  file_->setAlignment((tooWide ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXLUT::SetShowName(bool value) {
  ShowName = value;
  UpdateCaption();
}

void TQXLUT::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXLUT>("QXLUT", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  b.String("denom", &TQXElement::GetDenom, &TQXElement::SetDenom);
  b.Bool("showDenom", &TQXLUT::GetShowName, &TQXLUT::SetShowName);
  KeysPositionSize(b);
  b.String("filename", &TQXLUT::GetFileName, &TQXLUT::SetFileName);
  b.Bool("interpolate", &TQXLUT::GetInterpolate, &TQXLUT::SetInterpolate);
  b.Bool("hideInRun", &TQXLUT::GetHideInRun, &TQXLUT::SetHideInRun);
  ClassSet = &b.Set();
}

QPointer<TEEListing> TQXLUT::Listing;
QPointer<TEESubListing> TQXLUT::ValuesListing;

void TQXLUT::InitListing() {
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXLUT>(Listing);
  using A = TEEAccessors<TQXLUT>;
  TEEETitelActive::Add(Tr("uqxlut.sluttitel", "Lookup-Tabelle"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  // Tinted: the name is the function's name.
  auto* name = TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                                        A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                                        A::Bool(&TQXLUT::GetShowName, &TQXLUT::SetShowName));
  EESetRowColor(name, kNameRowTint);
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEDateiOeffnen::Add(Tr("uqxlut.sfile", "Tabellendatei"),
                        A::Text(&TQXLUT::GetFileName, &TQXLUT::SetFileName));
  TEEESubLister* values = TEEESubLister::Add(Tr("uqxlut.svalues", "Tabellenwerte"));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxlut.sinterim", "Zwischenwerte"),
                       Tr("uqxlut.sinterpolate", "linear interpolieren"),
                       A::Bool(&TQXLUT::GetInterpolate, &TQXLUT::SetInterpolate));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxlut.sinrun",
                          "Beim Ausf\xC3\xBC"
                          "hren"),
                       Tr("uqxlut.shide", "ausblenden"),
                       A::Bool(&TQXLUT::GetHideInRun, &TQXLUT::SetHideInRun));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      320, Tr("uqxlut.slutdescr",
              "Die Tabelle wird \xC3\xBC"
              "ber ihren Dateinamen mit Pfad angegeben. Sie muss zwei Spalten haben, "
              "getrennt durch ein Leerzeichen oder TAB. In der ersten Spalte stehen die "
              "X-Werte; sie m\xC3\xBC"
              "ssen aufsteigend sortiert sein.\nDie Tabelle ist selbst kein rechnendes "
              "Instrument, sondern kann \xC3\xBC"
              "ber ihren Namen, der als Funktion zur Verf\xC3\xBC"
              "gung gestellt wird, aus jedem Instrument aufgerufen werden. Das Argument ist "
              "der X-Wert, das Ergebnis der zugeh\xC3\xB6"
              "rige Y-Wert.\nIst \"Zwischenwerte linear interpolieren\" aus, wird X auf den "
              "n\xC3\xA4"
              "chstkleineren Tabellenwert abgerundet."));
  TEEELinie::Add();

  // "Tabellenwerte": the value viewer; its caption getter reloads the file.
  TEESubListing::Begin(ValuesListing, Listing, Listing);
  values->SubListing = ValuesListing;
  TEEEArrayViewer::Add<TQXLUT>(&TQXLUT::GetTableCaption, &TQXLUT::GetXValues, &TQXLUT::GetYValues);
  TEESubListing::End();
  TEEListing::End(Listing);
  TPropertyEditor::ArrangeListing();
}

}  // namespace qx
