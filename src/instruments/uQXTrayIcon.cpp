#include "instruments/uQXTrayIcon.h"

#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <algorithm>

#include "channels/uTerminal.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uSettingLoader.h"
#include "instruments/uElementLabels.h"
#include "instruments/uQXled.h"
#include "widgets/uLangStrings.h"
#include "widgets/uPictureFile.h"
#include "widgets/uTrayHost.h"

namespace qx {

namespace {

constexpr TColor kBoxColor = 0xC0C0C0;

// A round badge with a "Q": the program's mark in the notification area.
QPixmap Badge(TColor fill) {
  QPixmap p(28, 28);
  p.fill(Qt::transparent);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(Qt::NoPen);
  g.setBrush(ColorToQColor(fill));
  g.drawEllipse(QRectF(1, 1, 26, 26));
  g.setPen(QPen(Qt::white, 3));
  g.setBrush(Qt::NoBrush);
  g.drawEllipse(QRectF(7, 7, 13, 13));
  g.drawLine(QPointF(16, 16), QPointF(21, 21));
  return p;
}

bool HubConnected() {
  return Terminal && Terminal->Connected.load();
}

}  // namespace

int32_t TrayIconIndex(double value, int32_t qty) {
  qty = std::clamp(qty, 1, TQXTrayIcon::kMaxIcons);
  return std::min(ValueToIndex(value, qty), qty - 1);
}

const QPixmap& TQXTrayIcon::SymbolPicture() {
  static const QPixmap picture = [] {
    QPixmap p(24, 20);
    p.fill(ColorToQColor(kBoxColor));
    QPainter g(&p);
    g.setPen(QPen(ColorToQColor(0x404040), 1));
    g.setBrush(ColorToQColor(0xE0E0E0));
    g.drawRect(2, 12, 20, 6);  // the task bar
    g.setBrush(ColorToQColor(0x3DA02E));
    g.drawRect(15, 13, 4, 4);  // the icon in it
    return p;
  }();
  return picture;
}

const QPixmap& TQXTrayIcon::OfflineDefault() {
  static const QPixmap picture = Badge(0x303030);
  return picture;
}

const QPixmap& TQXTrayIcon::OnlineDefault() {
  static const QPixmap picture = Badge(0x3DA02E);
  return picture;
}

TColor TrayFrameColor(bool disabled, bool inValid, bool inEmpty, bool outValid, bool outEmpty) {
  if (disabled || (inEmpty && outEmpty)) return kEmptyColor;
  const bool inOk = inValid || inEmpty, outOk = outValid || outEmpty;
  return inOk && outOk ? kCompiledColor : kFailedColor;
}

const TFLSet* TQXTrayIcon::ClassSet = nullptr;
QPointer<TEEListing> TQXTrayIcon::Listing;
TEEEintrag* TQXTrayIcon::OutRow = nullptr;
std::array<TEEEintrag*, TQXTrayIcon::kMaxIcons> TQXTrayIcon::IconRows{};
std::function<bool()> TQXTrayIcon::TrayAvailable;

TQXTrayIcon::TQXTrayIcon(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 22;
  TypeName = "QXTrayIcon";
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  IsStreamElement = true;
  InUpdateList = true;
  FrameWidth = 4;
  FrameColor = kBoxColor;
  SetFrameColor(kBoxColor);
  SetBckGndColor(kBoxColor);
  Denom = Tr("uqxtrayicon.straydenom", "Taskleistensymbol").toStdString();
  InitValue = 0;
  OutputElement = new TQXElement(this);
  OutputElement->IsSubElement = true;
  OutputElement->InUpdateList = false;
  OutputElement->ChannelRole = RoleOutput;
  OutputElement->TypeName = "QXTrayIconLineOut";
  OutputElement->hide();
  name_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  source_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  for (QLabel* l : {name_, source_}) {
    l->setFont(QFont());
    l->setTextFormat(Qt::PlainText);
  }
  name_->setGeometry(28, 0, 0, 20);
  source_->setGeometry(3, 20, 0, 20);
  symbol_ = new QLabel(this);
  symbol_->setPixmap(SymbolPicture());
  symbol_->setGeometry(0, 0, 24, 20);
  symbol_->setAttribute(Qt::WA_TransparentForMouseEvents);
  symbol_->show();
  // No notification area (offscreen, some desktops): no icon, silently.
  if (TrayAvailable ? TrayAvailable() : QSystemTrayIcon::isSystemTrayAvailable()) {
    tray_ = new QSystemTrayIcon(this);
    menu_ = new QMenu(this);
    menu_->addAction(Tr("uqxtrayicon.strayclose",
                        "Schlie\xC3\x9F"
                        "en"),
                     this, [this] { CloseItemClick(); });
    tray_->setContextMenu(menu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
      if (r == QSystemTrayIcon::Trigger) TrayIconClick();
    });
  }
  ShowTrayIcon(CurrentIndex);
  if (tray_) tray_->show();
  resize(160, 40);
  PanelResize();
  UpdateCaption();
  SourceChanged();
}

TQXTrayIcon::~TQXTrayIcon() {
  if (TrayMode && tray_ && TrayHost) TrayHost->TrayModeOff();
  delete OutputElement;
}

TQXTrayIcon* TQXTrayIcon::ElemCreate() {
  return new TQXTrayIcon(CurrentCanvas());
}

void TQXTrayIcon::UpdateDisplay() {
  TQXElement::UpdateDisplay();
  CurrentIndex = TrayIconIndex(GetValue(), PicQty);
  ShowTrayIcon(CurrentIndex);
}

void TQXTrayIcon::ShowTrayIcon(int32_t index) {
  const QPixmap* p = nullptr;
  if (HubConnected()) {
    const bool own = index >= 0 && index < kMaxIcons && !Icons[static_cast<size_t>(index)].isNull();
    p = own ? &Icons[static_cast<size_t>(index)] : &OnlineDefault();
  } else {
    p = OfflineIcon.isNull() ? &OfflineDefault() : &OfflineIcon;
  }
  shown_ = *p;
  if (tray_) tray_->setIcon(QIcon(shown_));
}

void TQXTrayIcon::LoadPicture(int32_t index) {
  if (index < 0 || index >= kMaxIcons) return;
  QPixmap& p = Icons[static_cast<size_t>(index)];
  p = QPixmap();
  const std::string& name = IconFiles[static_cast<size_t>(index)];
  QString problem;
  if (!name.empty()) {
    const QImage picture =
        LoadPictureFile(AbsoluteFileName(FileLoad ? FileLoad->ProjectPath : "", name), problem);
    if (!picture.isNull()) p = QPixmap::fromImage(picture);
  }
  SetFileProblem(index, problem);
  if (index == CurrentIndex) ShowTrayIcon(CurrentIndex);
}

void TQXTrayIcon::LoadOfflinePicture() {
  OfflineIcon = QPixmap();
  QString problem;
  if (!OfflineFile.empty()) {
    const QImage picture = LoadPictureFile(
        AbsoluteFileName(FileLoad ? FileLoad->ProjectPath : "", OfflineFile), problem);
    if (!picture.isNull()) OfflineIcon = QPixmap::fromImage(picture);
  }
  SetFileProblem(kMaxIcons, problem);
  ShowTrayIcon(CurrentIndex);
}

void TQXTrayIcon::TrayIconClick() {
  if (TrayMode) {
    if (TrayHost) TrayHost->RestoreFromTray();
    return;
  }
  SendClick();
}

void TQXTrayIcon::SendClick() {
  SendPayload("F1", OutputElement);
}

void TQXTrayIcon::CloseItemClick() {
  if (QWidget* w = window()) w->close();
}

void TQXTrayIcon::UpdateCaption() {
  name_->setText(ShowDenom && !Denom.empty() ? QString::fromStdString(Denom) : QString());
}

void TQXTrayIcon::SourceChanged() {
  source_->setText(ShowSource && !Source.empty() ? "=" + QString::fromStdString(Source)
                                                 : QString());
}

void TQXTrayIcon::PanelResize() {
  const int w = std::max(0, width() - 3);
  for (QLabel* l : {name_, source_}) l->resize(w, l->height());
}

void TQXTrayIcon::ShowCompileState() {
  if (IsSubElement) return;
  if (TrayMode) {
    TQXElement::ShowCompileState();  // the output is not used
    return;
  }
  const TColor c = TrayFrameColor(Disabled, SourceValid, SourceEmpty, OutputElement->SourceValid,
                                  OutputElement->SourceEmpty);
  // The base colours from the two flags: hand it the combined state.
  const bool valid = SourceValid, empty = SourceEmpty;
  SourceValid = c == kCompiledColor;
  SourceEmpty = c == kEmptyColor;
  TQXElement::ShowCompileState();
  SourceValid = valid;
  SourceEmpty = empty;
}

void TQXTrayIcon::SetOutSource(const std::string& value) {
  OutputElement->SetSource(value);
  FollowEditFrame();
}

void TQXTrayIcon::SetShowSource(bool value) {
  ShowSource = value;
  SourceChanged();
  FollowEditFrame();
}

void TQXTrayIcon::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

bool TQXTrayIcon::GetTrayMode() const {
  UpdateRows();
  return TrayMode;
}

void TQXTrayIcon::SetTrayMode(bool value) {
  if (value != TrayMode) {
    if (value) {
      if (!tray_) {
        // No icon to come back through: the window stays as it is; the
        // setting is kept for a desktop with a notification area.
        TrayMode = true;
      } else if (!TrayHost || !TrayHost->InTrayMode()) {
        // Only one element holds tray mode.
        TrayMode = true;
        if (TrayHost) TrayHost->TrayModeOn();
      }
    } else {
      if (tray_ && TrayHost) TrayHost->TrayModeOff();
      TrayMode = false;
    }
  }
  UpdateRows();
}

int32_t TQXTrayIcon::GetPicQty() const {
  UpdateRows();
  return PicQty;
}

void TQXTrayIcon::SetPicQty(int32_t value) {
  // Which icon-file keys are written follows PicQty (see InitFileSet).
  PicQty = std::clamp(value, 1, kMaxIcons);
  UpdateRows();
}

std::string TQXTrayIcon::GetIconFile(int32_t index) const {
  if (index < 0 || index >= kMaxIcons) return {};
  return IconFiles[static_cast<size_t>(index)];
}

void TQXTrayIcon::SetIconFile(int32_t index, const std::string& value) {
  if (index < 0 || index >= kMaxIcons) return;
  IconFiles[static_cast<size_t>(index)] = value;
  LoadPicture(index);
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXTrayIcon::SetOfflineFile(const std::string& value) {
  OfflineFile = value;
  LoadOfflinePicture();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXTrayIcon::UpdateRows() const {
  if (!Listing || TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  if (OutRow) OutRow->setVisible(!TrayMode);
  for (int32_t i = 1; i < kMaxIcons; ++i)
    if (TEEEintrag* row = IconRows[static_cast<size_t>(i)]) row->setVisible(i < PicQty);
  Listing->Arrange();
}

void TQXTrayIcon::InitFileSet(TFLSetList& sets) {
  auto b =
      sets.Define<TQXTrayIcon>("QXTrayIcon", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.String("outSource", &TQXTrayIcon::GetOutSource, &TQXTrayIcon::SetOutSource);
  b.Bool("showDenom", &TQXTrayIcon::GetShowDenom, &TQXTrayIcon::SetShowDenom);
  b.Bool("showSource", &TQXTrayIcon::GetShowSource, &TQXTrayIcon::SetShowSource);
  b.Bool("trayMode", &TQXTrayIcon::GetTrayMode, &TQXTrayIcon::SetTrayMode);
  KeysPositionSize(b);
  b.String("offlineIconFile", &TQXTrayIcon::GetOfflineFile, &TQXTrayIcon::SetOfflineFile);
  // The count precedes the file names: loading sets it first, saving writes
  // only the names of the icons in use.
  b.Int("iconQty", &TQXTrayIcon::GetPicQty, &TQXTrayIcon::SetPicQty);
  for (int32_t i = 0; i < kMaxIcons; ++i) {
    auto& e = b.String("iconFile" + std::to_string(i), &TQXTrayIcon::GetIconFile,
                       &TQXTrayIcon::SetIconFile);
    e.SetIndex(i);
    b.ActiveWhen(e, [](TQXTrayIcon& t, int32_t index) { return index < t.PicQty; });
  }
  ClassSet = &b.Set();
}

void TQXTrayIcon::InitListing() {
  using C = TQXTrayIcon;
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<C>(Listing);
  using A = TEEAccessors<C>;
  TEEETitelActive::Add(Tr("uqxtrayicon.straytitel", "Taskleistensymbol"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), Tr("uqxtrayicon.sshow", "zeigen"),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&C::GetShowDenom, &C::SetShowDenom));
  TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&C::GetShowSource, &C::SetShowSource));
  TEEEEingang* out = TEEEAusgang::Add(A::Text(&C::GetOutSource, &C::SetOutSource));
  out->SetCaption(Tr("uqxtrayicon.strayausgangklick", "Ausgang (Klick)"));
  OutRow = out;
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxtrayicon.straytraymodus", "Tray-Modus"), cap::Active(),
                       A::Bool(&C::GetTrayMode, &C::SetTrayMode));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEBildDatei::Add(Tr("uqxtrayicon.strayofflineiconfile", "Offlinesymbol"),
                     A::Text(&C::GetOfflineFile, &C::SetOfflineFile));
  TEEELinie::Add();
  TEEEIntFeld::Add(Tr("uqxtrayicon.strayiconqty", "Anzahl Symbole"),
                   A::Int(&C::GetPicQty, &C::SetPicQty));
  const auto files = A::Text(&C::GetIconFile, &C::SetIconFile);
  for (int32_t i = 0; i < kMaxIcons; ++i) {
    TEEEBildDatei* row = TEEEBildDatei::Add(
        Tr("uqxtrayicon.strayiconfile", "Symboldatei") + QString(" (=%1)").arg(i), files);
    row->HasIndex = true;
    row->Index = i;
    IconRows[static_cast<size_t>(i)] = row;
    if (building && i >= 1) row->hide();
  }
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      260, Tr("uqxtrayicon.straydescr",
              "Zeigt ein Symbol im Infobereich der Taskleiste. Bei bestehender Verbindung wird "
              "ein festes Symbol gezeigt oder \xC3\xBC"
              "ber den Eingang unter mehreren gespeicherten Symbolen gew\xC3\xA4"
              "hlt; das erste hat den Index 0. Ohne Verbindung erscheint das Offlinesymbol. "
              "Am besten PNG-Dateien mit Transparenz verwenden.\nKlicks auf das Symbol k\xC3\xB6"
              "nnen am Ausgang gesendet werden (jeweils Wert 1). Im Tray-Modus verschwindet "
              "das Programm bei Klicks au\xC3\x9F"
              "erhalb seines Fensters und \xC3\xB6"
              "ffnet sich beim Klick auf das Symbol.\nOhne Infobereich der Arbeitsoberfl\xC3\xA4"
              "che (manche Desktops) erscheint kein Symbol."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

}  // namespace qx
