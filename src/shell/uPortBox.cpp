#include "shell/uPortBox.h"

#include <QKeyEvent>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

#include "channels/uComPort.h"
#include "channels/uTCPConnectionPort.h"
#include "channels/uTCPServerPort.h"
#include "channels/uTerminal.h"
#include "channels/uUDPPort.h"
#include "channels/uURLPort.h"
#include "widgets/uLangStrings.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uStatusFrame.h"

namespace qx {

std::vector<TPortBox*> TPortBox::PortBoxList;
TPortBox* TPortBox::HighlightedBox = nullptr;
TPortBox* TPortBox::SelectedBox = nullptr;

namespace {

QMap<QString, QPixmap>* IconRegistry = nullptr;

void FillBackground(QWidget* w, uint32_t color) {
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ColorToQColor(color));
  w->setPalette(pal);
}

bool HubConnected(const TQXPort* port) {
  const TTerminal* hub = port ? port->Hub() : Terminal;
  return hub && (hub->Connected.load() || hub->Connecting());
}

// The core's view of a box: a guarded pointer, so the widget is deleted once,
// by whichever goes first.
class TPortBoxLink final : public TPortStatusBox {
 public:
  explicit TPortBoxLink(TPortBox* box) : box_(box) {}
  ~TPortBoxLink() override { delete box_.data(); }
  void ShowStatusLight(uint32_t color) override {
    if (!box_) return;
    box_->StatusLight->SetBrushColor(color);
    box_->StatusLight->SetPenColor(color);
    box_->StatusLight->show();
    box_->HideFailure();
  }
  void HideStatusLight() override {
    if (!box_) return;
    box_->StatusLight->hide();
    box_->HideFailure();
  }
  void ShowFailure(const std::string& why) override {
    if (box_) box_->ShowFailure(QString::fromStdString(why));
  }
  void ShowLost(const std::string& why) override {
    if (!box_) return;
    box_->ShowFailure(why.empty() ? Tr("uinterfacesheet.speerclosed",
                                       "Verbindung von der Gegenstelle beendet")
                                  : Tr("uinterfacesheet.sconnlost", "Verbindung verloren") +
                                        ": " + QString::fromStdString(why));
  }
  void SetControlsEnabled(bool enabled) override {
    if (box_) SetChildrenEnabled(box_, enabled);
  }

 private:
  QPointer<TPortBox> box_;
};

std::string Decimal(int32_t v) {
  return std::to_string(v);
}

}  // namespace

// ---- TPortBox ---------------------------------------------------------------

TPortBox::TPortBox(QWidget* container, int width) : QWidget(container) {
  FillBackground(this, color_);
  setFocusPolicy(Qt::ClickFocus);
  Icon = new QLabel(this);
  Icon->setGeometry(5, 20, 44, 12);
  TitleLabel = new QLabel(this);
  TitleLabel->setGeometry(55, 5, 140, 20);
  FilterLabel = new QLabel("50 - 999", this);
  FilterLabel->setGeometry(200, 5, 140, 20);
  FilterLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  InfoLabel = new QLabel(this);
  InfoLabel->setGeometry(55, 30, width - 61, 20);
  StatusLight = new TShapeFrame(this);
  StatusLight->setGeometry(width - 6, 0, 6, kPortBoxHeight);
  StatusLight->hide();
  ErrorLabel = new QLabel(this);
  ErrorLabel->setWordWrap(true);
  ErrorLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette red = ErrorLabel->palette();
  red.setColor(QPalette::WindowText, ColorToQColor(0x0000B0));
  ErrorLabel->setPalette(red);
  ErrorLabel->setGeometry(55, kPortBoxHeight - 5, width - 61, 20);
  ErrorLabel->hide();
  // Clicks on the children reach the box (ChildClick selects the box).
  for (QWidget* child : {static_cast<QWidget*>(Icon), static_cast<QWidget*>(TitleLabel),
                         static_cast<QWidget*>(FilterLabel), static_cast<QWidget*>(InfoLabel),
                         static_cast<QWidget*>(StatusLight), static_cast<QWidget*>(ErrorLabel)})
    child->setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(0, 0, width, kPortBoxHeight);
  PlaceParts();
  PortBoxList.push_back(this);
  move(0, TopOf(this));
  show();
}

TPortBox::~TPortBox() {
  PortBoxList.erase(std::remove(PortBoxList.begin(), PortBoxList.end(), this), PortBoxList.end());
  // Both references go with the box: a page bound to it must not outlive it.
  if (HighlightedBox == this) HighlightedBox = nullptr;
  if (SelectedBox == this) {
    SelectedBox = nullptr;
    if (InterfaceSheet) InterfaceSheet->NotebookPorts->hide();
  }
}

void TPortBox::Init(int32_t kind, const char* iconName) {
  Kind = kind;
  Icon->setPixmap(PortIcon(iconName));
  LangUpdate();
}

void TPortBox::SetColor(uint32_t color) {
  color_ = color;
  FillBackground(this, color);
}

void TPortBox::ShowFailure(const QString& why) {
  if (why.isEmpty()) {
    HideFailure();
    return;
  }
  ErrorLabel->setText(why);
  FitFailure();
  ErrorLabel->show();
  ArrangeBoxes();
}

void TPortBox::FitFailure() {
  const int h = ErrorLabel->heightForWidth(ErrorLabel->width());
  ErrorLabel->resize(ErrorLabel->width(), std::max(h, 16));
  resize(width(), kPortBoxHeight + ErrorLabel->height());
  PlaceParts();
}

void TPortBox::PlaceParts() {
  const int w = width();
  FilterLabel->move(w - 152, FilterLabel->y());
  InfoLabel->resize(w - 61, InfoLabel->height());
  ErrorLabel->resize(w - 61, ErrorLabel->height());
  StatusLight->setGeometry(w - 6, 0, 6, height());
}

bool TPortBox::FitWidth(int width) {
  if (this->width() == width) return false;
  resize(width, height());
  PlaceParts();
  if (!ErrorLabel->isHidden()) FitFailure();  // the reason wraps anew
  return true;
}

void TPortBox::HideFailure() {
  if (ErrorLabel->isHidden() && height() == kPortBoxHeight) return;
  ErrorLabel->hide();
  ErrorLabel->clear();
  resize(width(), kPortBoxHeight);
  PlaceParts();
  ArrangeBoxes();
}

void TPortBox::UpdateFilterText() {
  if (Port && Port->FilterActive.load()) {
    FilterLabel->setText(QString::fromStdString(Decimal(Port->FilterLow.load()) + " - " +
                                                Decimal(Port->FilterHigh.load())));
  } else {
    FilterLabel->clear();
  }
}

int32_t TPortBox::TopOf(TPortBox* box) {
  int32_t top = 1;
  const auto it = std::find(PortBoxList.begin(), PortBoxList.end(), box);
  if (it != PortBoxList.begin() && it != PortBoxList.end()) {
    const TPortBox* prev = *(it - 1);
    top = prev->y() + prev->height() + 1;
  }
  if (InterfaceSheet) {
    InterfaceSheet->Frame->resize(InterfaceSheet->Frame->width(), top + box->height() + 1);
    InterfaceSheet->BoxContainer->setMinimumHeight(InterfaceSheet->Frame->height());
  }
  return top;
}

void TPortBox::ArrangeBoxes() {
  StackBoxes();
  if (InterfaceSheet) InterfaceSheet->FitBoxColumn();
}

void TPortBox::StackBoxes() {
  if (PortBoxList.empty()) {
    if (InterfaceSheet) {
      InterfaceSheet->Frame->resize(InterfaceSheet->Frame->width(), 1);
      InterfaceSheet->BoxContainer->setMinimumHeight(1);
    }
    return;
  }
  for (TPortBox* box : PortBoxList) box->move(0, TopOf(box));
}

void TPortBox::Select(TPortBox* box) {
  if (!box) return;
  if (HighlightedBox && HighlightedBox != box) HighlightedBox->SetColor(kPortBoxColor);
  HighlightedBox = box;
  box->SetColor(kPortBoxHighlightColor);
  box->setFocus();
  // A running port's settings are not opened.
  if (HubConnected(box->Port) || !InterfaceSheet) return;
  InterfaceSheet->EnsurePages();
  InterfaceSheet->NotebookPorts->setCurrentIndex(box->Kind - 1);
  SelectedBox = box;
  switch (box->Kind) {
    case PortKindCom:
      InterfaceSheet->ComPortSettingUpdate();
      break;
    case PortKindUDP:
      InterfaceSheet->UDPSettingUpdate();
      break;
    case PortKindURL:
      InterfaceSheet->URLSettingUpdate();
      break;
    case PortKindTCPServer:
      InterfaceSheet->TCPServerSettingUpdate();
      break;
    case PortKindTCPConn:
      InterfaceSheet->TCPConnSettingUpdate();
      break;
    default:
      break;
  }
  InterfaceSheet->NotebookPorts->show();
}

void TPortBox::ChildClick(QWidget* sender) {
  if (sender) Select(qobject_cast<TPortBox*>(sender->parentWidget()));
}

void TPortBox::Deselect() {
  if (HighlightedBox) HighlightedBox->SetColor(kPortBoxColor);
  HighlightedBox = nullptr;
  if (InterfaceSheet) InterfaceSheet->NotebookPorts->hide();
}

void TPortBox::DeleteSelected() {
  if (!HighlightedBox || HubConnected(HighlightedBox->Port)) return;
  if (InterfaceSheet) InterfaceSheet->NotebookPorts->hide();
  TQXPort* port = HighlightedBox->Port;
  TPortList* list = port ? port->List() : nullptr;
  // The port's destructor frees the box, which forgets both references.
  if (!list || !list->Remove(*port)) return;
  HighlightedBox = nullptr;
  SelectedBox = nullptr;
  ArrangeBoxes();
}

void TPortBox::UpdateTextAll() {
  for (TPortBox* box : PortBoxList) box->UpdateText();
}

void TPortBox::LangUpdateAll() {
  for (TPortBox* box : PortBoxList) box->LangUpdate();
}

void TPortBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  // Taken here: passed on, the box column would take it as a click on the
  // background and deselect at once.
  event->accept();
  Select(this);
}

void TPortBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Delete) {
    QWidget::keyPressEvent(event);
    return;
  }
  event->accept();
  // Posted: the box that took the key is not freed inside its own handler.
  if (InterfaceSheet)
    QMetaObject::invokeMethod(
        InterfaceSheet, [] { InterfaceSheet->InterfDeleteMarked(); }, Qt::QueuedConnection);
}

// ---- kinds ------------------------------------------------------------------

TPBCom::TPBCom(QWidget* container, int width) : TPortBox(container, width) {
  Init(PortKindCom, "44x12_COM");
}

void TPBCom::UpdateText() {
  if (const auto* p = dynamic_cast<const TComPort*>(Port))
    InfoLabel->setText(QString::fromStdString(p->PortName + " | " + Decimal(p->BaudRate) + " |"));
  UpdateFilterText();
}

void TPBCom::LangUpdate() {
  TitleLabel->setText(Tr("uinterfacesheet.spbseriell", "Serielle Schnittstelle"));
}

TPBUDP::TPBUDP(QWidget* container, int width) : TPortBox(container, width) {
  Init(PortKindUDP, "44x12_UDP");
}

void TPBUDP::UpdateText() {
  if (const auto* p = dynamic_cast<const TUDPPort*>(Port))
    InfoLabel->setText(QString::fromStdString(p->LocalIp + " /" + p->LocalPort + " | " +
                                              p->ClientIp + " /" + p->ClientPort + " |"));
  UpdateFilterText();
}

void TPBUDP::LangUpdate() {
  TitleLabel->setText(Tr("uinterfacesheet.spbudp", "IP/UDP Socket"));
}

TPBURL::TPBURL(QWidget* container, int width) : TPortBox(container, width) {
  Init(PortKindURL, "44x12_URL");
}

void TPBURL::UpdateText() {
  if (const auto* p = dynamic_cast<const TURLPort*>(Port))
    InfoLabel->setText(QString::fromStdString(p->Url));
  UpdateFilterText();
}

void TPBURL::LangUpdate() {
  TitleLabel->setText(Tr("uinterfacesheet.spburl", "URL-Anfrage"));
}

TPBTCPServ::TPBTCPServ(QWidget* container, int width) : TPortBox(container, width) {
  Init(PortKindTCPServer, "44x12_TCP");
}

void TPBTCPServ::UpdateText() {
  if (const auto* p = dynamic_cast<const TTCPServer*>(Port))
    InfoLabel->setText(QString::fromStdString(p->ListenIp + " /" + p->ListenPort + " | "));
  UpdateFilterText();
}

void TPBTCPServ::LangUpdate() {
  TitleLabel->setText(Tr("uinterfacesheet.spbtcpserv", "IP/TCP Server"));
}

TPBTCPConn::TPBTCPConn(QWidget* container, int width) : TPortBox(container, width) {
  Init(PortKindTCPConn, "44x12_TCP");
}

void TPBTCPConn::UpdateText() {
  if (const auto* p = dynamic_cast<const TTCPConnection*>(Port))
    InfoLabel->setText(QString::fromStdString(p->LocalIp + " /" + p->LocalPort + " | " +
                                              p->ClientIp + " /" + p->ClientPort + " |"));
  UpdateFilterText();
}

void TPBTCPConn::LangUpdate() {
  TitleLabel->setText(Tr("uinterfacesheet.spbtcpconn", "IP/TCP Verbindung"));
}

// ---- helpers ----------------------------------------------------------------

void SetChildrenEnabled(QWidget* container, bool enabled) {
  if (!container) return;
  for (QObject* o : container->children()) {
    if (auto* w = qobject_cast<QWidget*>(o)) w->setEnabled(enabled);
  }
}

void RegisterPortIcons() {
  if (IconRegistry) return;
  IconRegistry = new QMap<QString, QPixmap>;
  // Small drawn pictures: a coloured plate with the kind's letters.
  const struct {
    const char* name;
    const char* text;
    uint32_t color;
  } icons[] = {{"44x12_COM", "COM", 0x2080C0},
               {"44x12_UDP", "UDP", 0x40A040},
               {"44x12_URL", "URL", 0xA06020},
               {"44x12_TCP", "TCP", 0x8040A0}};
  for (const auto& ic : icons) {
    QPixmap pm(44, 12);
    pm.fill(ColorToQColor(ic.color));
    QPainter p(&pm);
    QFont f = p.font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(pm.rect(), Qt::AlignCenter, ic.text);
    p.end();
    IconRegistry->insert(ic.name, pm);
  }
}

QPixmap PortIcon(const std::string& name) {
  RegisterPortIcons();
  return IconRegistry->value(QString::fromStdString(name));
}

std::unique_ptr<TPortStatusBox> MakePortBox(TQXPort& port) {
  if (!InterfaceSheet) return nullptr;
  QWidget* container = InterfaceSheet->BoxContainer;
  const int width = InterfaceSheet->BoxWidth();
  TPortBox* box = nullptr;
  if (dynamic_cast<TComPort*>(&port))
    box = new TPBCom(container, width);
  else if (dynamic_cast<TUDPPort*>(&port))
    box = new TPBUDP(container, width);
  else if (dynamic_cast<TURLPort*>(&port))
    box = new TPBURL(container, width);
  else if (dynamic_cast<TTCPServer*>(&port))
    box = new TPBTCPServ(container, width);
  else if (dynamic_cast<TTCPConnection*>(&port))
    box = new TPBTCPConn(container, width);
  if (!box) return nullptr;
  box->Port = &port;
  box->UpdateText();
  TPortBox::ArrangeBoxes();  // this box may be the one that brings the scroll bar
  return std::make_unique<TPortBoxLink>(box);
}

}  // namespace qx
