#include "shell/uInterfaceSheet.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <cstdlib>

#include "channels/uComPort.h"
#include "channels/uTCPConnectionPort.h"
#include "channels/uTCPServerPort.h"
#include "channels/uUDPPort.h"
#include "channels/uURLPort.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "shell/uPortBox.h"
#include "shell/uStatusFrame.h"
#include "widgets/uLangStrings.h"

namespace qx {

TInterfaceSheet* InterfaceSheet = nullptr;

namespace {

constexpr int kBaseHeight = 270;
constexpr int kBaseHeightTCPConn = 310;
constexpr int kRangeRowsHeight = 74;
constexpr int kColumnWidth = 352;
constexpr int kColumnMargin = 16;
constexpr const char kParities[] = {'N', 'E', 'O', 'M', 'S'};

void FillColor(QWidget* w, uint32_t c) {
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ColorToQColor(c));
  w->setPalette(pal);
}

QLabel* Label(QWidget* parent, int x, int y, int w, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 20);
  return l;
}

// A caption from the catalogue; it keeps its key for the language switch.
QLabel* Label(QWidget* parent, int x, int y, int w, const char* key, const char* german) {
  auto* l = NewKeyed<QLabel>(parent, key, german);
  l->setGeometry(x, y, w, 20);
  return l;
}

QComboBox* Combo(QWidget* parent, int x, int y, int w, bool editable,
                 const QStringList& items = {}) {
  auto* c = new QComboBox(parent);
  c->setEditable(editable);
  c->addItems(items);
  c->setGeometry(x, y, w, 24);
  return c;
}

QLineEdit* Edit(QWidget* parent, int x, int y, int w, const QString& text = {}) {
  auto* e = new QLineEdit(text, parent);
  e->setGeometry(x, y, w, 24);
  return e;
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::string S(const QString& s) {
  return s.toStdString();
}

// "#" and the number (appended: GCC 12 warns falsely on "#" + text).
std::string HashNumber(int32_t v) {
  std::string s = "#";
  s += std::to_string(v);
  return s;
}

// Baud rate and time-out: a negative number is taken positive (and shown so),
// an unreadable text leaves the value unchanged.
void ReadPositive(QComboBox* box, int32_t& value) {
  bool ok = false;
  const int32_t v = TextToInt(S(box->currentText()), ok);
  if (!ok) return;
  if (v < 0) {
    const int64_t abs = -static_cast<int64_t>(v);
    value = abs > INT32_MAX ? INT32_MAX : static_cast<int32_t>(abs);
    const QSignalBlocker block(box);
    box->setEditText(QString::number(value));
  } else {
    value = v;
  }
}

void SetComboText(QComboBox* box, const std::string& text) {
  const QSignalBlocker block(box);
  box->setEditText(Q(text));
}

void SetEditText(QLineEdit* edit, const std::string& text) {
  const QSignalBlocker block(edit);
  edit->setText(Q(text));
}

void SetChecked(QCheckBox* box, bool checked) {
  const QSignalBlocker block(box);
  box->setChecked(checked);
}

void SetIndex(QComboBox* box, int index) {
  const QSignalBlocker block(box);
  box->setCurrentIndex(index);
}

void FillGrid(QTableWidget* grid, const std::vector<std::string>& rows) {
  const QSignalBlocker block(grid);
  grid->clearContents();
  grid->setRowCount(static_cast<int>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i)
    grid->setItem(static_cast<int>(i), 0, new QTableWidgetItem(Q(rows[i])));
}

}  // namespace

TInterfaceSheet::TInterfaceSheet(QWidget* parent) : QWidget(parent) {
  InterfaceSheet = this;
  FillColor(this, 0xC2D9FE);

  Background = new QScrollArea(this);
  Background->setFrameShape(QFrame::NoFrame);
  Background->setGeometry(rect());  // and at every resize: it fills the page
  auto* content = new QWidget;
  FillColor(content, 0xD2EAEC);
  content->setMinimumSize(376 + 504 + 16, 16 + 470 + 16);
  Background->setWidget(content);
  Background->setWidgetResizable(true);

  PanelPB = new QWidget(content);
  PanelPB->setGeometry(kColumnMargin, kColumnMargin, kColumnWidth, 470);
  boxWidth_ = kColumnWidth;
  ScrollBoxPB = new QScrollArea(PanelPB);
  ScrollBoxPB->setFrameShape(QFrame::NoFrame);
  ScrollBoxPB->setGeometry(PanelPB->rect());
  ScrollBoxPB->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBoxPB->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // FitBoxColumn decides
  BoxContainer = new QWidget;
  FillColor(BoxContainer, 0xD2EAEC);
  BoxContainer->setMinimumHeight(1);
  ScrollBoxPB->setWidget(BoxContainer);
  ScrollBoxPB->setWidgetResizable(true);
  Frame = new TShapeFrame(BoxContainer);
  Frame->SetBrushColor(0x808080);
  Frame->SetPenColor(0x808080);
  Frame->setGeometry(0, 0, kColumnWidth, 1);

  NotebookPorts = new QStackedWidget(content);
  NotebookPorts->setGeometry(376, 16, 504, 392);
  NotebookPorts->hide();

  // At the top of the right column, below the settings while they are open.
  ConnectMessage = new QLabel(content);
  ConnectMessage->setGeometry(376, 16, 504, 60);
  ConnectMessage->setWordWrap(true);
  ConnectMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ConnectMessage->setMargin(6);
  ConnectMessage->setTextFormat(Qt::PlainText);
  FillColor(ConnectMessage, 0xF4F4F4);
  QPalette red = ConnectMessage->palette();
  red.setColor(QPalette::WindowText, ColorToQColor(0x0000B0));
  ConnectMessage->setPalette(red);
  ConnectMessage->hide();
  NotebookPorts->installEventFilter(this);

  for (QWidget* w : {content, PanelPB, BoxContainer, static_cast<QWidget*>(Frame)})
    w->installEventFilter(this);
}

TInterfaceSheet::~TInterfaceSheet() {
  // Boxes still alive (their ports outlive this page) must not reach it.
  if (InterfaceSheet == this) InterfaceSheet = nullptr;
}

void TInterfaceSheet::EnsurePages() {
  if (pagesBuilt_) return;
  pagesBuilt_ = true;
  BuildPages();
}

void TInterfaceSheet::BuildPages() {
  auto makePage = [this](int kind, int baseHeight, const char* titleKey, const char* title,
                         QWidget*& page, QWidget*& panel, QCheckBox*& enabled, QCheckBox*& filter,
                         QLineEdit*& a, QLineEdit*& b) -> TSettingsPage& {
    page = new QWidget;
    NotebookPorts->addWidget(page);
    panel = new QWidget(page);
    FillColor(panel, 0xF4F4F4);
    panel->setGeometry(8, 0, 240, baseHeight);
    auto* t = Label(panel, 8, 4, 224, titleKey, title);
    QFont f = t->font();
    f.setBold(true);
    t->setFont(f);
    enabled = NewKeyed<QCheckBox>(panel, "uinterfacesheet.checkboxenabled", "aktiv");
    enabled->setGeometry(8, 30, 224, 22);
    enabled->setChecked(true);
    Label(panel, 8, baseHeight - 34, 100, "uinterfacesheet.labelfilter", "Kanalfilter");
    filter = NewKeyed<QCheckBox>(panel, "uinterfacesheet.checkboxfilter", "aktiv");
    filter->setGeometry(110, baseHeight - 34, 120, 22);
    TSettingsPage& p = Pages[static_cast<size_t>(kind - 1)];
    p.RangeRow = {Label(panel, 8, baseHeight + 6, 80, "uinterfacesheet.labelrange1", "Bereich 1"),
                  Label(panel, 96, baseHeight + 6, 50, "#0"),
                  Label(panel, 150, baseHeight + 6, 30, "uinterfacesheet.labelto", "bis"),
                  Label(panel, 184, baseHeight + 6, 50, "#49"),
                  Label(panel, 8, baseHeight + 38, 80, "uinterfacesheet.labelrange2", "Bereich 2"),
                  Label(panel, 150, baseHeight + 38, 30, "uinterfacesheet.labelto", "bis")};
    a = Edit(panel, 96, baseHeight + 36, 50, "#1");
    b = Edit(panel, 184, baseHeight + 36, 50, "#999");
    p.RangeRow.push_back(a);
    p.RangeRow.push_back(b);
    for (QWidget* w : p.RangeRow) w->hide();
    for (QLineEdit* e : {a, b}) e->installEventFilter(this);
    p.Page = page;
    p.Panel = panel;
    p.AddrPanel = nullptr;
    p.Enabled = enabled;
    p.Filter = filter;
    p.EditA = a;
    p.EditB = b;
    p.BaseHeight = baseHeight;
    connect(enabled, &QCheckBox::clicked, this,
            [this, enabled] { CheckBoxEnabledChange(enabled); });
    connect(filter, &QCheckBox::clicked, this, [this, filter] { CheckBoxFilterChange(filter); });
    return p;
  };

  // Serial.
  TSettingsPage& com =
      makePage(PortKindCom, kBaseHeight, "uinterfacesheet.titlecom", "Serielle Schnittstelle",
               PageComPort, PanelCOM, CheckBoxEnabledCom, CheckBoxComFilter, EditComA, EditComB);
  Label(PanelCOM, 8, 62, 84, "uinterfacesheet.labelport", "Port");
  QStringList comNames;
  for (int i = 1; i <= 20; ++i) comNames << QString("COM%1").arg(i);
  ComboBoxPort = Combo(PanelCOM, 96, 60, 136, true, comNames);
  Label(PanelCOM, 8, 92, 84, "uinterfacesheet.labelbaud", "Baudrate");
  ComboBoxBaudrate = Combo(PanelCOM, 96, 90, 136, true,
                           {"300", "600", "1200", "2400", "4800", "7200", "9600", "14400", "19200",
                            "38400", "57600", "115200", "230400", "460800", "921600"});
  Label(PanelCOM, 8, 122, 84, "uinterfacesheet.labeldatabits", "Datenbit");
  ComboBoxDatenbit = Combo(PanelCOM, 96, 120, 136, false, {"7", "8"});
  Label(PanelCOM, 8, 152, 84, "uinterfacesheet.labelparity", "Parit\xC3\xA4t");
  ComboBoxParity = Combo(PanelCOM, 96, 150, 136, false);
  FillParityItems();
  Label(PanelCOM, 8, 182, 84, "uinterfacesheet.labelstopbits", "Stoppbit");
  ComboBoxStoppbit = Combo(PanelCOM, 96, 180, 136, false, {"1", "2"});
  BuildAddressPanel(com, "uinterfacesheet.labelports",
                    "Verf\xC3\xBC"
                    "gbare Schnittstellen",
                    StringGridPorts, ButtonRefresh);
  Panel2 = com.AddrPanel;
  for (QComboBox* c : {ComboBoxPort, ComboBoxBaudrate}) {
    connect(c->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { ComboBoxPortEditingDone(); });
  }
  for (QComboBox* c :
       {ComboBoxPort, ComboBoxBaudrate, ComboBoxDatenbit, ComboBoxParity, ComboBoxStoppbit})
    connect(c, &QComboBox::activated, this, [this] { ComboBoxPortEditingDone(); });
  connect(StringGridPorts, &QTableWidget::cellClicked, this,
          [this](int r, int c) { StringGridPortsClick(r, c); });
  connect(ButtonRefresh, &QPushButton::clicked, this, [this] { UpdateCOMDevices(); });

  // An address row: an IP combo and a port edit under a caption.
  auto addressRow = [](QWidget* panel, int y, const char* key, const char* caption,
                       const QString& ip, QComboBox*& combo, QLineEdit*& port) {
    Label(panel, 8, y, 224, key, caption);
    combo = Combo(panel, 8, y + 20, 150, true, {ip});
    port = Edit(panel, 164, y + 20, 68, "15005");
  };
  auto connectEdits = [this](std::initializer_list<QWidget*> controls,
                             void (TInterfaceSheet::*done)()) {
    for (QWidget* w : controls) {
      if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->isEditable())
          connect(c->lineEdit(), &QLineEdit::editingFinished, this,
                  [this, done] { (this->*done)(); });
        connect(c, &QComboBox::activated, this, [this, done] { (this->*done)(); });
      } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        connect(e, &QLineEdit::editingFinished, this, [this, done] { (this->*done)(); });
      } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
        connect(b, &QCheckBox::clicked, this, [this, done] { (this->*done)(); });
      }
    }
  };

  // UDP.
  TSettingsPage& udp =
      makePage(PortKindUDP, kBaseHeight, "uinterfacesheet.titleudp", "UDP Socket", PageUDPPort,
               UDPPanel, CheckBoxEnabledUDP, CheckBoxUDPFilter, EditUDPA, EditUDPB);
  addressRow(UDPPanel, 60, "uinterfacesheet.labelownaddr", "Eigene Adresse", "192.168.0.100",
             ComboBoxUDPLocalIP, EditUDPLocalPort);
  addressRow(UDPPanel, 112, "uinterfacesheet.labelremote", "Gegenstelle", "192.168.0.101",
             ComboBoxUDPClientIP, EditUDPClientPort);
  BuildAddressPanel(udp, "uinterfacesheet.labelownaddrs", "Eigene Adressen", StringGridUDP,
                    ButtonRefreshUDP);
  PanelUDPAddresses = udp.AddrPanel;
  connectEdits({ComboBoxUDPLocalIP, EditUDPLocalPort, ComboBoxUDPClientIP, EditUDPClientPort},
               &TInterfaceSheet::ParamsUDPPortEditingDone);

  // URL.
  makePage(PortKindURL, kBaseHeight, "uinterfacesheet.titleurl", "URL Anfrage (kein SSL)",
           PageURLRequest, PanelURL, CheckBoxEnabledURL, CheckBoxURLFilter, EditURLA, EditURLB);
  Label(PanelURL, 8, 60, 224, "uinterfacesheet.labelurl", "URL");
  EditBoxURL = Edit(PanelURL, 8, 80, 224);
  Label(PanelURL, 8, 112, 84, "uinterfacesheet.labeltimeout", "Timeout");
  ComboBoxTimeout = Combo(PanelURL, 96, 110, 100, true, {"60000"});
  Label(PanelURL, 200, 112, 32, "ms");
  Label(PanelURL, 8, 144, 224, "uinterfacesheet.labellogin", "Benutzerkennung (optional)");
  Label(PanelURL, 8, 168, 84, "uinterfacesheet.labeluser", "Benutzer");
  EditBoxUser = Edit(PanelURL, 96, 166, 136);
  Label(PanelURL, 8, 198, 84, "uinterfacesheet.labelpassword", "Passwort");
  EditBoxPasswort = Edit(PanelURL, 96, 196, 136);  // shown in plain text
  connectEdits({EditBoxURL, ComboBoxTimeout, EditBoxUser, EditBoxPasswort},
               &TInterfaceSheet::ParamsURLPortEditingDone);

  // TCP server.
  TSettingsPage& srv =
      makePage(PortKindTCPServer, kBaseHeight, "uinterfacesheet.titletcpserver", "TCP Server",
               PageTCPServer, TCPServerPanel, CheckBoxEnabledTCPServer, CheckBoxTCPServerFilter,
               EditTCPServerA, EditTCPServerB);
  addressRow(TCPServerPanel, 60, "uinterfacesheet.labelownaddr", "Eigene Adresse", "0.0.0.0",
             ComboBoxTCPServerLocalIP, EditTCPServerLocalPort);
  BuildAddressPanel(srv, "uinterfacesheet.labelownaddrs", "Eigene Adressen", StringGridTCPServer,
                    ButtonRefreshTCPServer);
  PanelTCPServerAddresses = srv.AddrPanel;
  connectEdits({ComboBoxTCPServerLocalIP, EditTCPServerLocalPort},
               &TInterfaceSheet::ParamsTCPServerEditingDone);

  // TCP client.
  TSettingsPage& conn =
      makePage(PortKindTCPConn, kBaseHeightTCPConn, "uinterfacesheet.titletcpconn",
               "TCP Verbindung", PageTCPConn, TCPConnPanel, CheckBoxEnabledTCPConn,
               CheckBoxTCPConnFilter, EditTCPConnA, EditTCPConnB);
  addressRow(TCPConnPanel, 60, "uinterfacesheet.labelownaddr", "Eigene Adresse", "127.0.0.1",
             ComboBoxTCPConnLocalIP, EditTCPConnLocalPort);
  addressRow(TCPConnPanel, 112, "uinterfacesheet.labelremote", "Gegenstelle", "",
             ComboBoxTCPConnClientIP, EditTCPConnClientPort);
  Label(TCPConnPanel, 8, 170, 224, "uinterfacesheet.labelreconnect", "Mehrfaches Verbinden");
  CheckBoxAutoReconnect =
      NewKeyed<QCheckBox>(TCPConnPanel, "uinterfacesheet.checkboxreconnect", "aktiv");
  CheckBoxAutoReconnect->setGeometry(8, 192, 224, 22);
  BuildAddressPanel(conn, "uinterfacesheet.labelownaddrs", "Eigene Adressen", StringGridTCPConn,
                    ButtonRefreshTCPConn);
  PanelTCPConnAddresses = conn.AddrPanel;
  connectEdits({ComboBoxTCPConnLocalIP, EditTCPConnLocalPort, ComboBoxTCPConnClientIP,
                EditTCPConnClientPort, CheckBoxAutoReconnect},
               &TInterfaceSheet::ParamsTCPConnEditingDone);

  for (QTableWidget* g : {StringGridUDP, StringGridTCPServer, StringGridTCPConn})
    connect(g, &QTableWidget::cellClicked, this,
            [this, g](int r, int c) { StringGridIPClick(g, r, c); });
  for (QPushButton* b : {ButtonRefreshUDP, ButtonRefreshTCPServer, ButtonRefreshTCPConn})
    connect(b, &QPushButton::clicked, this, [this] { UpdateIPAdresses(); });

  // The form's heights: every panel as with an active filter.
  for (TSettingsPage& p : Pages) SetPanelHeight(p, p.BaseHeight + kRangeRowsHeight);
}

void TInterfaceSheet::BuildAddressPanel(TSettingsPage& page, const char* key, const char* caption,
                                        QTableWidget*& grid, QPushButton*& refresh) {
  auto* panel = new QWidget(page.Page);
  FillColor(panel, 0xF4F4F4);
  panel->setGeometry(264, 0, 232, page.Panel->height());
  Label(panel, 8, 4, 216, key, caption);
  grid = new QTableWidget(0, 1, panel);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->horizontalHeader()->setStretchLastSection(true);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  refresh = NewKeyed<QPushButton>(panel, "uinterfacesheet.buttonrefresh", "Aktualisieren");
  page.AddrPanel = panel;
}

void TInterfaceSheet::SetPanelHeight(TSettingsPage& page, int height) {
  page.Panel->resize(page.Panel->width(), height);
  if (ConnectMessage) PlaceConnectMessage();
  // The address panel follows its settings panel.
  if (QWidget* a = page.AddrPanel) {
    a->resize(a->width(), height);
    const auto grids = a->findChildren<QTableWidget*>();
    const auto buttons = a->findChildren<QPushButton*>();
    if (!grids.isEmpty()) grids.front()->setGeometry(8, 28, 216, std::max(20, height - 70));
    if (!buttons.isEmpty()) buttons.front()->setGeometry(8, height - 36, 216, 28);
  }
}

void TInterfaceSheet::FillParityItems() {
  const QSignalBlocker block(ComboBoxParity);
  // Refilled on a language switch: the port's parity stays chosen.
  const int index = ComboBoxParity->currentIndex();
  ComboBoxParity->clear();
  ComboBoxParity->addItems({Tr("uinterfacesheet.sintfparnone", "Keine"),
                            Tr("uinterfacesheet.sintfpareven", "Gerade"),
                            Tr("uinterfacesheet.sintfparodd", "Ungerade"),
                            Tr("uinterfacesheet.sintfparmark", "Markierung"),
                            Tr("uinterfacesheet.sintfparspace", "Leerzeichen")});
  if (index >= 0) ComboBoxParity->setCurrentIndex(index);
}

// ---- address lists ------------------------------------------------------------

void TInterfaceSheet::UpdateAdresses() {
  EnsurePages();
  UpdateCOMDevices();
  UpdateIPAdresses();
}

void TInterfaceSheet::UpdateCOMDevices() {
  EnsurePages();
  FillGrid(StringGridPorts, TComPort::ListPortNames());
}

void TInterfaceSheet::UpdateIPAdresses() {
  EnsurePages();
  const std::vector<std::string> addresses = TUDPPort::ListLocalAddresses();
  for (QTableWidget* g : {StringGridUDP, StringGridTCPServer, StringGridTCPConn})
    FillGrid(g, addresses);
}

void TInterfaceSheet::StringGridPortsClick(int row, int col) {
  const QTableWidgetItem* item = StringGridPorts->item(row, col);
  if (col != 0 || !item || item->text() == "-") return;
  {
    const QSignalBlocker block(ComboBoxPort);
    ComboBoxPort->setEditText(item->text());
  }
  ComboBoxPortEditingDone();
}

void TInterfaceSheet::StringGridIPClick(QTableWidget* grid, int row, int col) {
  const QTableWidgetItem* item = grid ? grid->item(row, col) : nullptr;
  if (!item) return;
  QComboBox* target = grid == StringGridUDP         ? ComboBoxUDPLocalIP
                      : grid == StringGridTCPServer ? ComboBoxTCPServerLocalIP
                                                    : ComboBoxTCPConnLocalIP;
  {
    const QSignalBlocker block(target);
    target->setEditText(item->text());
  }
  if (grid == StringGridUDP)
    ParamsUDPPortEditingDone();
  else if (grid == StringGridTCPServer)
    ParamsTCPServerEditingDone();
  else
    ParamsTCPConnEditingDone();
}

// ---- filling a page from the selected port ----------------------------------

TQXPort* TInterfaceSheet::SelectedPort() const {
  return TPortBox::SelectedBox ? TPortBox::SelectedBox->Port : nullptr;
}

void TInterfaceSheet::FillCommon(TSettingsPage& page, TQXPort& port) {
  SetChecked(page.Filter, port.FilterActive.load());
  CheckBoxFilterChange(page.Filter);
  SetEditText(page.EditA, HashNumber(port.FilterLow.load()));
  SetEditText(page.EditB, HashNumber(port.FilterHigh.load()));
}

void TInterfaceSheet::ComPortSettingUpdate() {
  auto* p = dynamic_cast<TComPort*>(SelectedPort());
  if (!p) return;
  TSettingsPage& page = Pages[PortKindCom - 1];
  SetChecked(page.Enabled, !p->Disabled);
  SetPortPropertiesEnabledDisabled(page.Enabled, !p->Disabled);
  SetComboText(ComboBoxPort, p->PortName);
  SetComboText(ComboBoxBaudrate, std::to_string(p->BaudRate));
  if (p->DataBits == 7 || p->DataBits == 8) SetIndex(ComboBoxDatenbit, p->DataBits - 7);
  for (int i = 0; i < 5; ++i) {
    if (p->Parity == kParities[i]) SetIndex(ComboBoxParity, i);
  }
  if (p->StopBits == 0 || p->StopBits == 2) SetIndex(ComboBoxStoppbit, p->StopBits / 2);
  FillCommon(page, *p);
}

void TInterfaceSheet::UDPSettingUpdate() {
  auto* p = dynamic_cast<TUDPPort*>(SelectedPort());
  if (!p) return;
  TSettingsPage& page = Pages[PortKindUDP - 1];
  SetChecked(page.Enabled, !p->Disabled);
  SetPortPropertiesEnabledDisabled(page.Enabled, !p->Disabled);
  SetComboText(ComboBoxUDPLocalIP, p->LocalIp);
  SetEditText(EditUDPLocalPort, p->LocalPort);
  SetComboText(ComboBoxUDPClientIP, p->ClientIp);
  SetEditText(EditUDPClientPort, p->ClientPort);
  FillCommon(page, *p);
}

void TInterfaceSheet::URLSettingUpdate() {
  auto* p = dynamic_cast<TURLPort*>(SelectedPort());
  if (!p) return;
  TSettingsPage& page = Pages[PortKindURL - 1];
  SetChecked(page.Enabled, !p->Disabled);
  SetPortPropertiesEnabledDisabled(page.Enabled, !p->Disabled);
  SetEditText(EditBoxURL, p->Url);
  SetComboText(ComboBoxTimeout, std::to_string(p->Timeout));
  SetEditText(EditBoxUser, p->UserName);
  SetEditText(EditBoxPasswort, p->Password);
  FillCommon(page, *p);
}

void TInterfaceSheet::TCPServerSettingUpdate() {
  auto* p = dynamic_cast<TTCPServer*>(SelectedPort());
  if (!p) return;
  TSettingsPage& page = Pages[PortKindTCPServer - 1];
  SetChecked(page.Enabled, !p->Disabled);
  SetPortPropertiesEnabledDisabled(page.Enabled, !p->Disabled);
  SetComboText(ComboBoxTCPServerLocalIP, p->ListenIp);
  SetEditText(EditTCPServerLocalPort, p->ListenPort);
  FillCommon(page, *p);
}

void TInterfaceSheet::TCPConnSettingUpdate() {
  auto* p = dynamic_cast<TTCPConnection*>(SelectedPort());
  if (!p) return;
  TSettingsPage& page = Pages[PortKindTCPConn - 1];
  SetChecked(page.Enabled, !p->Disabled);
  SetPortPropertiesEnabledDisabled(page.Enabled, !p->Disabled);
  SetComboText(ComboBoxTCPConnLocalIP, p->LocalIp);
  SetEditText(EditTCPConnLocalPort, p->LocalPort);
  SetComboText(ComboBoxTCPConnClientIP, p->ClientIp);
  SetEditText(EditTCPConnClientPort, p->ClientPort);
  SetChecked(CheckBoxAutoReconnect, p->AutoReconnect);
  FillCommon(page, *p);
}

// ---- writing a page back ------------------------------------------------------

void TInterfaceSheet::AfterWriteBack() {
  if (TPortBox::SelectedBox) TPortBox::SelectedBox->UpdateText();
}

void TInterfaceSheet::ComboBoxPortEditingDone() {
  auto* p = dynamic_cast<TComPort*>(SelectedPort());
  if (!p) return;
  p->HideStatusLight();
  p->PortName = S(ComboBoxPort->currentText());
  ReadPositive(ComboBoxBaudrate, p->BaudRate);
  if (const int i = ComboBoxDatenbit->currentIndex(); i >= 0) p->DataBits = i == 0 ? 7 : 8;
  if (const int i = ComboBoxParity->currentIndex(); i >= 0 && i < 5) p->Parity = kParities[i];
  if (const int i = ComboBoxStoppbit->currentIndex(); i >= 0) p->StopBits = i == 0 ? 0 : 2;
  AfterWriteBack();
}

void TInterfaceSheet::ParamsUDPPortEditingDone() {
  auto* p = dynamic_cast<TUDPPort*>(SelectedPort());
  if (!p) return;
  p->HideStatusLight();
  p->LocalIp = S(ComboBoxUDPLocalIP->currentText());
  p->LocalPort = S(EditUDPLocalPort->text());
  p->ClientIp = S(ComboBoxUDPClientIP->currentText());
  p->ClientPort = S(EditUDPClientPort->text());
  AfterWriteBack();
}

void TInterfaceSheet::ParamsURLPortEditingDone() {
  auto* p = dynamic_cast<TURLPort*>(SelectedPort());
  if (!p) return;
  p->HideStatusLight();
  p->Url = S(EditBoxURL->text());
  ReadPositive(ComboBoxTimeout, p->Timeout);
  p->UserName = S(EditBoxUser->text());
  p->Password = S(EditBoxPasswort->text());
  AfterWriteBack();
}

void TInterfaceSheet::ParamsTCPServerEditingDone() {
  auto* p = dynamic_cast<TTCPServer*>(SelectedPort());
  if (!p) return;
  p->HideStatusLight();
  p->ListenIp = S(ComboBoxTCPServerLocalIP->currentText());
  p->ListenPort = S(EditTCPServerLocalPort->text());
  AfterWriteBack();
}

void TInterfaceSheet::ParamsTCPConnEditingDone() {
  auto* p = dynamic_cast<TTCPConnection*>(SelectedPort());
  if (!p) return;
  p->HideStatusLight();
  p->LocalIp = S(ComboBoxTCPConnLocalIP->currentText());
  p->LocalPort = S(EditTCPConnLocalPort->text());
  p->ClientIp = S(ComboBoxTCPConnClientIP->currentText());
  p->ClientPort = S(EditTCPConnClientPort->text());
  p->AutoReconnect = CheckBoxAutoReconnect->isChecked();
  AfterWriteBack();
}

// ---- enable, filter and range ---------------------------------------------------

TInterfaceSheet::TSettingsPage* TInterfaceSheet::PageOf(const QWidget* control) {
  for (TSettingsPage& p : Pages) {
    if (control == p.Enabled || control == p.Filter || control == p.EditA || control == p.EditB)
      return &p;
  }
  return nullptr;
}

void TInterfaceSheet::CheckBoxEnabledChange(QCheckBox* sender) {
  if (TQXPort* p = SelectedPort()) p->SetDisabled(!sender->isChecked());
  SetPortPropertiesEnabledDisabled(sender, sender->isChecked());
}

void TInterfaceSheet::SetPortPropertiesEnabledDisabled(QCheckBox* sender, bool enabled) {
  SetChildrenEnabled(TPortBox::SelectedBox, enabled);
  if (!sender || !sender->parentWidget()) return;
  for (QObject* o : sender->parentWidget()->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w && w != sender) w->setEnabled(enabled);
  }
}

void TInterfaceSheet::CheckBoxFilterChange(QCheckBox* sender) {
  TSettingsPage* page = PageOf(sender);
  if (!page) return;
  const bool on = sender->isChecked();
  if (TQXPort* p = SelectedPort()) p->FilterActive.store(on);
  SetPanelHeight(*page, page->BaseHeight + (on ? kRangeRowsHeight : 0));
  for (QWidget* w : page->RangeRow) w->setVisible(on);
  AfterWriteBack();
}

int32_t TInterfaceSheet::RangeBound(const QString& text) {
  bool ok = false;
  int32_t v = TextToInt(S(text), ok);
  if (!ok) return 1;
  if (v < 1) v = 1;  // only digits can be typed: 0 is the only value below 1
  if (v > 999) v = 999;
  return v;
}

namespace {
void StoreRange(TInterfaceSheet::TSettingsPage& page, QLineEdit* edit, int32_t v, TQXPort* port) {
  if (!port) return;
  if (edit == page.EditA)
    port->FilterLow.store(v);
  else
    port->FilterHigh.store(v);
}
}  // namespace

void TInterfaceSheet::EditEditingDone(QLineEdit* edit) {
  TSettingsPage* page = PageOf(edit);
  if (!page) return;
  const int32_t v = RangeBound(edit->text());
  SetEditText(edit, std::to_string(v));
  StoreRange(*page, edit, v, SelectedPort());
  AfterWriteBack();
}

void TInterfaceSheet::EditExit(QLineEdit* edit) {
  TSettingsPage* page = PageOf(edit);
  if (!page) return;
  const int32_t v = RangeBound(edit->text());
  SetEditText(edit, HashNumber(v));
  StoreRange(*page, edit, v, SelectedPort());
  AfterWriteBack();
}

void TInterfaceSheet::EditEnter(QLineEdit* edit) {
  if (edit->text().startsWith('#')) {
    const QSignalBlocker block(edit);
    edit->setText(edit->text().mid(1));
  }
}

bool TInterfaceSheet::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && PageOf(edit)) {
    switch (event->type()) {
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
          EditEditingDone(edit);
          return true;
        }
        if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Tab ||
            key->key() == Qt::Key_Backtab)
          return false;
        const QString t = key->text();
        const bool digit = t.size() == 1 && t[0] >= '0' && t[0] <= '9';
        return !digit;  // every other key is dropped
      }
      case QEvent::FocusIn:
        EditEnter(edit);
        break;
      case QEvent::FocusOut:
        EditExit(edit);
        break;
      default:
        break;
    }
    return false;
  }
  if (watched == Background->widget() && event->type() == QEvent::Resize) {
    // The column keeps its margin to the page's bottom edge.
    PanelPB->resize(PanelPB->width(),
                    std::max(0, Background->widget()->height() - 2 * kColumnMargin));
    ScrollBoxPB->setGeometry(PanelPB->rect());
    FitBoxColumn();
    return false;
  }
  if (watched == NotebookPorts) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) PlaceConnectMessage();
    return false;
  }
  // Only a press on the background itself deselects: one that a label, a
  // settings panel or a box passed on to its parent does not.
  if (event->type() == QEvent::MouseButtonPress) {
    auto* w = static_cast<QWidget*>(watched);
    const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
    QWidget* hit = w->childAt(pos);
    if (!hit || hit == Frame) BackgroundClick();
  }
  return false;
}

void TInterfaceSheet::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Background->setGeometry(rect());
}

int TInterfaceSheet::ScrollBarRoom() const {
  const QStyle* style = ScrollBoxPB->style();
  int room = style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollBoxPB);
  if (style->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, ScrollBoxPB))
    room += style->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, ScrollBoxPB);
  return room;
}

void TInterfaceSheet::FitBoxColumn() {
  if (fitting_) return;
  fitting_ = true;
  // The bar is ours to show rather than the scroll area's: the boxes must
  // know their width before they are laid out. A second round covers
  // reasons that wrap into more lines in narrower boxes.
  for (int round = 0; round < 2; ++round) {
    const bool bar = Frame->height() > ScrollBoxPB->height();
    ScrollBoxPB->setVerticalScrollBarPolicy(bar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    boxWidth_ = PanelPB->width() - (bar ? ScrollBarRoom() : 0);
    Frame->resize(boxWidth_, Frame->height());
    bool changed = false;
    for (TPortBox* box : TPortBox::PortBoxList) changed = box->FitWidth(boxWidth_) || changed;
    if (!changed) break;
    TPortBox::StackBoxes();
  }
  fitting_ = false;
}

void TInterfaceSheet::BackgroundClick() {
  TPortBox::Deselect();
}

void TInterfaceSheet::ShowConnectFailed() {
  QString text = Tr("uinterfacesheet.sconnectfailed",
                    "Verbindung fehlgeschlagen. Diese Schnittstellen lie\xC3\x9F"
                    "en sich nicht \xC3\xB6"
                    "ffnen:");
  bool any = false;
  for (const TPortBox* box : TPortBox::PortBoxList) {
    const TQXPort* p = box->Port;
    if (!p || p->Disabled || p->Connected.load() || p->LastErrorText.empty()) continue;
    text +=
        "\n" + box->TitleLabel->text() + "  " + box->InfoLabel->text() + "  " + Q(p->LastErrorText);
    any = true;
  }
  if (!any) {
    HideConnectMessage();
    return;
  }
  ConnectMessage->setText(text);
  const int h = ConnectMessage->heightForWidth(ConnectMessage->width());
  ConnectMessage->resize(ConnectMessage->width(), std::max(h, 40));
  PlaceConnectMessage();
  ConnectMessage->show();
  ConnectMessage->raise();
}

void TInterfaceSheet::PlaceConnectMessage() {
  int top = NotebookPorts->y();
  const int page = NotebookPorts->currentIndex();
  if (pagesBuilt_ && !NotebookPorts->isHidden() && page >= 0 &&
      page < static_cast<int>(Pages.size()))
    top += Pages[static_cast<size_t>(page)].Panel->height() + 8;
  ConnectMessage->move(ConnectMessage->x(), top);
}

void TInterfaceSheet::HideConnectMessage() {
  ConnectMessage->hide();
  ConnectMessage->clear();
}

void TInterfaceSheet::InterfDeleteMarked() {
  TPortBox::DeleteSelected();
}

void TInterfaceSheet::LangUpdate() {
  RetranslateKeyed(this);
  if (pagesBuilt_) FillParityItems();
  TPortBox::LangUpdateAll();
}

}  // namespace qx
