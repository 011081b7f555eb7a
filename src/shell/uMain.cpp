#include "shell/uMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>

#include "channels/uComPort.h"
#include "channels/uQXPorts.h"
#include "channels/uTCPConnectionPort.h"
#include "channels/uTCPServerPort.h"
#include "channels/uUDPPort.h"
#include "channels/uURLPort.h"
#include "editing/uChannelTable.h"
#include "editing/uPropertyEditor.h"
#include "editing/uQXControls.h"
#include "editing/uSendAnim.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "formula/UCalculate.h"
#include "formula/uMemFunctions.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uSettingLoader.h"
#include "foundation/uStrSearch.h"
#include "shell/EmbeddedModalForm.h"
#include "shell/uAbout.h"
#include "shell/uConsoleSheet.h"
#include "shell/uFileHandling.h"
#include "shell/uGlobalSettingsForm.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uLangUpdate.h"
#include "shell/uPortBox.h"
#include "shell/uStatusFrame.h"
#include "shell/uTerminalSheet.h"
#include "shell/uWindowMode.h"
#include "widgets/IconButton.h"
#include "widgets/uLangStrings.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"

namespace qx {

TMainForm* MainForm = nullptr;

namespace {

constexpr TColor kRibbonColor = 0xF0E9E3;
constexpr TColor kRibbonPageColor = 0xFCF5EF;
constexpr int kMenueHeight = 121;
// The tab strip lies between the file buttons and the connection state.
constexpr int kTabStripLeft = 120;
constexpr int kTabStripRightGap = 135;
constexpr int kRibbonMargin = 4;
constexpr int kMinimumHeight = 400;

void FillColor(QWidget* w, TColor c) {
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ColorToQColor(c));
  w->setPalette(pal);
}

// A labelled group of the ribbon: a frame with its caption along the bottom.
QWidget* RibbonGroup(QWidget* page, int x, int width, const char* key, const char* german) {
  auto* g = new QWidget(page);
  g->setGeometry(x, 0, width, 88);
  auto* label = NewKeyed<QLabel>(g, key, german);
  label->setAlignment(Qt::AlignCenter);
  label->setGeometry(0, 70, width, 16);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, ColorToQColor(0x606060));
  label->setPalette(pal);
  auto* line = new QWidget(page);  // separator after the group
  line->setGeometry(x + width + 2, 6, 1, 76);
  FillColor(line, 0xD0C8C0);
  return g;
}

TRibbonButton* RibbonButton(QWidget* group, int x, int y, int w, int h, const QString& caption) {
  auto* b = new TRibbonButton(group);
  b->setGeometry(x, y, w, h);
  b->SetCustomColor(kRibbonColor);
  b->SetAlignHorz(true);
  b->SetTextCentreAligned(true);
  b->SetCaption(caption);
  return b;
}

TRibbonButton* RibbonButton(QWidget* group, int x, int y, int w, int h, const char* key,
                            const char* german) {
  TRibbonButton* b = RibbonButton(group, x, y, w, h, Tr(key, german));
  KeepTextKey(b, key);
  return b;
}

QImage MenuPicture(int kind);

QLabel* SmallLabel(QWidget* parent, int x, int y, int w, const char* key, const char* german) {
  auto* l = NewKeyed<QLabel>(parent, key, german);
  l->setGeometry(x, y, w, 16);
  return l;
}

}  // namespace

bool ReceiveTestFrame(std::string_view text, std::string& frame, bool& evaluate) {
  const std::string cut = Utf8Left(text, 255);
  const size_t hash = cut.find('#');
  if (hash == std::string::npos) {
    frame.clear();
    evaluate = false;
    return false;
  }
  frame = cut.substr(hash);
  evaluate = !(hash > 0 && cut[hash - 1] == '/');
  return true;
}

TMainForm::TMainForm() {
  setWindowTitle("Quillex");
  resize(1200, 800);
  FillColor(this, kRibbonPageColor);

  Menue = new QWidget(this);
  FillColor(Menue, 0xE8E0D8);
  auto icon = [this](const char* key, const char* hint) {
    auto* b = new TIconButton(Menue);
    b->SetCaption(Tr(key, hint));
    KeepTextKey(b, key);
    return b;
  };
  IconButtonNeu = icon("umain.iconbuttonneu", "Neu");
  IconButtonOeffnen = icon("umain.iconbuttonoeffnen",
                           "\xC3\x96"
                           "ffnen");
  IconButtonSaveAs = icon("umain.iconbuttonsaveas", "Speichern unter...");
  IconButtonSave = icon("umain.iconbuttonsave", "Speichern");
  IconButtonExtras = icon("umain.iconbuttonextras", "Extras");
  int kind = 0;
  for (TIconButton* b :
       {IconButtonNeu, IconButtonOeffnen, IconButtonSaveAs, IconButtonSave, IconButtonExtras})
    b->SetPicture(MenuPicture(kind++));

  MenueBar = new QStackedWidget(Menue);
  PageRun = new QWidget;
  PageEdit = new QWidget;
  PageConsole = new QWidget;
  PageTerm = new QWidget;
  PageInterface = new QWidget;
  for (QWidget* p : {PageRun, PageEdit, PageConsole, PageTerm, PageInterface}) {
    FillColor(p, kRibbonPageColor);
    MenueBar->addWidget(p);
  }

  ConnectStatus3 = new QWidget(Menue);
  StatusLabel = new QLabel(ConnectStatus3);
  StatusLabel->setAlignment(Qt::AlignCenter);
  StatusLabel->setGeometry(0, 0, 100, 22);
  Alive = new QWidget(Menue);
  Alive->hide();

  Panel1 = new QWidget(this);
  PanelProperties = new QWidget(this);
  PanelProperties->hide();
  PanelChannelArea = new QWidget(this);
  PanelChannelArea->hide();

  BuildRibbon();
  ShowState(StateDisconnected);

  DisplayTimer.setInterval(400);
  PollTimer.setInterval(100);
  connect(&DisplayTimer, &QTimer::timeout, this, [] {
    if (Terminal) Terminal->DisplayTimerTick();
  });
  connect(&PollTimer, &QTimer::timeout, this, [] {
    if (Terminal) Terminal->PollTimerTick();
  });
  Arrange();
  UpdateMinimumSize();
}

TMainForm::~TMainForm() {
  DisplayTimer.stop();
  PollTimer.stop();
  TickSampler.stop();
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BuildRibbon() {
  BuildRunRibbon();
  BuildEditRibbon();
  BuildConsoleRibbon();
  BuildTermRibbon();
  BuildInterfaceRibbon();
  BuildModeBars();
  Popup_Extras = new QMenu(this);
  connect(IconButtonExtras, &TIconButton::clicked, this, [this] {
    Popup_Extras->popup(IconButtonExtras->mapToGlobal(
        QPoint(IconButtonExtras->width() - Popup_Extras->sizeHint().width(),
               IconButtonExtras->height() + 2)));
  });
  // Language names stay in their own language.
  QMenu* lang = Popup_Extras->addMenu(Tr("umain.menuitem_language", "Sprache"));
  KeepTextKey(lang, "umain.menuitem_language");
  lang->addAction("Deutsch", this, [] { MenuItemLanguageClick("de"); });
  lang->addAction("English", this, [] { MenuItemLanguageClick("en"); });
  lang->addAction("\xE4\xB8\xAD\xE6\x96\x87", this, [] { MenuItemLanguageClick("zh"); });
  MenuItem_Settings = Popup_Extras->addAction(Tr("umain.menuitem_settings", "Einstellungen"), this,
                                              [] { TFormGlobalSettings::ShowPage(); });
  MenuItem_About = Popup_Extras->addAction(Tr("umain.menuitem_about",
                                              "\xC3\x9C"
                                              "ber Quillex"),
                                           this, [] { TFormAbout::ShowPage(); });
  KeepTextKey(MenuItem_Settings, "umain.menuitem_settings");
  KeepTextKey(MenuItem_About, "umain.menuitem_about");
  // The file commands; FileHandling exists once start-up has run.
  connect(IconButtonNeu, &TIconButton::clicked, this, [] {
    if (FileHandling) FileHandling->New();
  });
  connect(IconButtonOeffnen, &TIconButton::clicked, this, [] {
    if (FileHandling) FileHandling->Open();
  });
  connect(IconButtonSaveAs, &TIconButton::clicked, this, [] {
    if (FileHandling) FileHandling->SaveAs();
  });
  connect(IconButtonSave, &TIconButton::clicked, this, [] {
    if (FileHandling) FileHandling->Save();
  });
}

void TMainForm::BuildRunRibbon() {
  int x = 4;
  QWidget* g = RibbonGroup(PageRun, x, 108, "umain.grpinterf", "Schnittstelle");
  ButtonConnect = RibbonButton(g, 4, 4, 100, 30, "umain.buttonconnect", "Verbinden");
  ButtonDisconnect = RibbonButton(g, 4, 37, 100, 30, "umain.buttondisconnect", "Trennen");
  connect(ButtonConnect, &TRibbonButton::clicked, this, [this] { ButtonConnectClick(); });
  connect(ButtonDisconnect, &TRibbonButton::clicked, this, [this] { ButtonDisconnectClick(); });
  x += 114;

  g = RibbonGroup(PageRun, x, 108, "umain.grpinstr", "Instrumente");
  ButtonValReset = RibbonButton(g, 4, 4, 100, 30, "umain.buttonvalreset",
                                "Werte l\xC3\xB6"
                                "schen");
  connect(ButtonValReset, &TRibbonButton::clicked, this, [this] { ButtonValResetClick(); });
  x += 114;

  g = RibbonGroup(PageRun, x, 250, "umain.grpmanual", "Manuelle Befehle");
  SmallLabel(g, 4, 8, 60, "umain.labelrecv", "Eingang");
  SmallLabel(g, 4, 40, 60, "umain.labelsend", "Ausgang");
  PanelRecvSimu = new QWidget(g);
  PanelRecvSimu->setGeometry(64, 2, 150, 4);
  EditSimulateRecv = new QLineEdit("#1F10;", g);
  EditSimulateRecv->setGeometry(64, 6, 150, 24);
  BitBtnRecvSimu = RibbonButton(g, 218, 4, 28, 28, ">");
  PanelSendSimu = new QWidget(g);
  PanelSendSimu->setGeometry(64, 34, 150, 4);
  EditSimulateSend = new QLineEdit("#25STest;", g);
  EditSimulateSend->setGeometry(64, 38, 150, 24);
  BitBtnSendSimu = RibbonButton(g, 218, 36, 28, 28, ">");
  connect(BitBtnRecvSimu, &TRibbonButton::clicked, this, [this] { BitBtnRecvSimuClick(); });
  connect(BitBtnSendSimu, &TRibbonButton::clicked, this, [this] { BitBtnSendSimuClick(); });
  // Enter in an edit runs its test and goes no further.
  connect(EditSimulateRecv, &QLineEdit::returnPressed, this, [this] { BitBtnRecvSimuClick(); });
  connect(EditSimulateSend, &QLineEdit::returnPressed, this, [this] { BitBtnSendSimuClick(); });
  x += 256;

  g = RibbonGroup(PageRun, x, 124, "umain.grpview", "Anzeige");
  CheckBoxCompileState = NewKeyed<QCheckBox>(g, "umain.checkboxcompilestate", "Kompilierstatus");
  CheckBoxCompileState->setGeometry(6, 10, 116, 22);
  CheckBoxCompileState->setChecked(true);
  connect(CheckBoxCompileState, &QCheckBox::toggled, this,
          [this] { CheckBoxCompileStateChange(); });
  x += 130;

  g = RibbonGroup(PageRun, x, 108, "umain.grpwindow", "Ansicht");
  ButtonFullWindow = RibbonButton(g, 4, 4, 100, 30, "umain.buttonfullwindow", "Vollfenster");
  ButtonFullScreen = RibbonButton(g, 4, 37, 100, 30, "umain.buttonfullscreen", "Vollbild");
  connect(ButtonFullWindow, &TRibbonButton::clicked, this, [] {
    if (WindowMode) WindowMode->FullWindowOn();
  });
  connect(ButtonFullScreen, &TRibbonButton::clicked, this, [] {
    if (WindowMode) WindowMode->FullScreenOn();
  });
  x += 114;

  g = RibbonGroup(PageRun, x, 180, "umain.grpmessages", "Meldungen");
  LabelNotifySendLoss = SmallLabel(g, 6, 6, 170, "umain.labelsendloss", "Paketverlust (Senden)");
  LabelNotifyRecvLoss = SmallLabel(g, 6, 26, 170, "umain.labelrecvloss", "Paketverlust (Empfang)");
  LabelNotifyConnLost = SmallLabel(g, 6, 46, 170, "umain.labelconnlost", "Verbindungsabbruch");
  for (QLabel* l : {LabelNotifySendLoss, LabelNotifyRecvLoss, LabelNotifyConnLost})
    l->setEnabled(false);
}

namespace {

// Pictures of the bar buttons, drawn: connect, disconnect, back, close.
QImage BarPicture(int kind) {
  QImage img(21, 21, QImage::Format_RGB32);
  img.fill(ColorToQColor(0x00FF00));  // the icon button's transparent colour
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  switch (kind) {
    case 0:
      p.setBrush(ColorToQColor(0x3DA02E));
      p.drawPolygon(QPolygon({QPoint(5, 3), QPoint(17, 10), QPoint(5, 17)}));
      break;
    case 1:
      p.setBrush(ColorToQColor(0x2222BD));
      p.drawRect(5, 5, 11, 11);
      break;
    case 2:
      p.setPen(QPen(ColorToQColor(0x404040), 2));
      p.setBrush(Qt::NoBrush);
      p.drawRect(3, 5, 14, 11);
      p.drawLine(3, 8, 17, 8);
      break;
    default:
      p.setPen(QPen(ColorToQColor(0x404040), 2));
      p.drawLine(5, 5, 15, 15);
      p.drawLine(15, 5, 5, 15);
      break;
  }
  return img;
}

// Pictures of the menu strip's file buttons, drawn for the 27 x 27 face of a
// 29 pixel icon button: new, open, save as, save, extras. No smoothing: an
// edge blended into the transparent green would stay visible as a fringe.
QImage MenuPicture(int kind) {
  QImage img(27, 27, QImage::Format_RGB32);
  img.fill(ColorToQColor(0x00FF00));
  QPainter p(&img);
  const QColor outline = ColorToQColor(0x505050);
  auto page = [&](int x, int y, int w, int h) {
    // A sheet of paper with its top right corner folded.
    const int f = 6;
    p.setPen(outline);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(x, y), QPoint(x + w - f, y), QPoint(x + w, y + f),
                            QPoint(x + w, y + h), QPoint(x, y + h)}));
    p.setBrush(ColorToQColor(0xD8D8D8));
    p.drawPolygon(QPolygon({QPoint(x + w - f, y), QPoint(x + w - f, y + f), QPoint(x + w, y + f)}));
  };
  auto disk = [&](int x, int y, int s) {
    // A floppy disk: blue body, white label, grey shutter.
    p.setPen(ColorToQColor(0x6E3A17));
    p.setBrush(ColorToQColor(0xB3702F));
    p.drawRect(x, y, s, s);
    p.setPen(Qt::NoPen);
    p.setBrush(ColorToQColor(0xC8C8C8));
    p.drawRect(x + 4, y + 1, s - 8, s / 3);
    p.setBrush(ColorToQColor(0xB3702F));
    p.drawRect(x + s - 8, y + 2, 2, s / 3 - 2);
    p.setBrush(Qt::white);
    p.drawRect(x + 3, y + s / 2 + 1, s - 5, s / 2 - 2);
    p.setPen(ColorToQColor(0xA0A0A0));
    for (int ly = y + s / 2 + 4; ly < y + s - 2; ly += 3) p.drawLine(x + 5, ly, x + s - 5, ly);
  };
  switch (kind) {
    case 0:  // new: a blank page with a star
      page(5, 3, 16, 20);
      p.setPen(ColorToQColor(0x00B4F0));
      p.drawLine(17, 14, 25, 22);
      p.drawLine(25, 14, 17, 22);
      p.drawLine(21, 13, 21, 23);
      p.drawLine(16, 18, 26, 18);
      break;
    case 1:  // open: a folder with its flap open
      p.setPen(ColorToQColor(0x1E6EA0));
      p.setBrush(ColorToQColor(0x3CAADC));
      p.drawPolygon(QPolygon({QPoint(2, 6), QPoint(9, 6), QPoint(11, 8), QPoint(22, 8),
                              QPoint(22, 22), QPoint(2, 22)}));
      p.setBrush(ColorToQColor(0x78D2F5));
      p.drawPolygon(QPolygon({QPoint(6, 12), QPoint(25, 12), QPoint(21, 22), QPoint(2, 22)}));
      break;
    case 2:  // save as: the disk with a pen
      disk(2, 2, 19);
      p.setPen(ColorToQColor(0x303030));
      p.setBrush(ColorToQColor(0x28A0F0));
      p.drawPolygon(QPolygon({QPoint(24, 12), QPoint(26, 14), QPoint(17, 23), QPoint(15, 21)}));
      p.setBrush(ColorToQColor(0x303030));
      p.drawPolygon(QPolygon({QPoint(15, 21), QPoint(17, 23), QPoint(13, 25)}));
      break;
    case 3:  // save: the disk
      disk(3, 3, 21);
      break;
    default: {  // extras: a gear
      p.setPen(Qt::NoPen);
      p.setBrush(ColorToQColor(0x606060));
      p.translate(13.5, 13.5);
      for (int i = 0; i < 8; ++i) {
        p.drawRect(-2, -12, 5, 6);
        p.rotate(45);
      }
      p.resetTransform();
      p.drawEllipse(QRect(5, 5, 18, 18));
      p.setBrush(ColorToQColor(0x00FF00));
      p.drawEllipse(QRect(10, 10, 8, 8));
      break;
    }
  }
  return img;
}

}  // namespace

void TMainForm::BuildModeBars() {
  auto bar = [this](int width) {
    auto* w = new QWidget(this);
    w->resize(width, 29);
    FillColor(w, 0xE8E0D8);
    w->hide();
    return w;
  };
  auto button = [](QWidget* bar, int x, int kind, const char* key, const char* german) {
    auto* b = new TIconButton(bar);
    b->setGeometry(x, 0, 29, 29);
    b->SetPicture(BarPicture(kind));
    b->SetCaption(Tr(key, german));
    KeepTextKey(b, key);
    return b;
  };
  FullWindowMenu = bar(90);
  ButtonFWConnect = button(FullWindowMenu, 0, 0, "umain.buttonconnect", "Verbinden");
  ButtonFWDisconnect = button(FullWindowMenu, 30, 1, "umain.buttondisconnect", "Trennen");
  ButtonFWBack = button(FullWindowMenu, 60, 2, "umain.buttonnormalwindow", "Normale Ansicht");
  FullScreenMenu = bar(119);
  ButtonFSConnect = button(FullScreenMenu, 0, 0, "umain.buttonconnect", "Verbinden");
  ButtonFSDisconnect = button(FullScreenMenu, 30, 1, "umain.buttondisconnect", "Trennen");
  ButtonFSBack = button(FullScreenMenu, 60, 2, "umain.buttonnormalwindow", "Normale Ansicht");
  ButtonFSClose = button(FullScreenMenu, 90, 3, "ulangstrings.sschliessen",
                         "Schlie\xC3\x9F"
                         "en");
  for (TIconButton* b : {ButtonFWConnect, ButtonFSConnect}) {
    connect(b, &TIconButton::clicked, this, [this] {
      if (TabBar) TabBar->SelectTab(0);  // the Run page compiles before the connect
      ButtonConnectClick();
    });
  }
  for (TIconButton* b : {ButtonFWDisconnect, ButtonFSDisconnect})
    connect(b, &TIconButton::clicked, this, [this] { ButtonDisconnectClick(); });
  connect(ButtonFWBack, &TIconButton::clicked, this, [] {
    if (WindowMode) WindowMode->FullWindowOff();
  });
  connect(ButtonFSBack, &TIconButton::clicked, this, [] {
    if (WindowMode) WindowMode->FullScreenOff();
  });
  connect(ButtonFSClose, &TIconButton::clicked, this, [this] { close(); });
}

void TMainForm::BuildEditRibbon() {
  int x = 4;
  QWidget* g = RibbonGroup(PageEdit, x, 108, "umain.grpedit", "Bearbeiten");
  ButtonDelete = RibbonButton(g, 4, 4, 100, 30, "umain.buttondelete", "Entfernen");
  x += 114;

  // Wide enough for the longest caption in every language.
  constexpr int kInstrWidth = 150;
  g = RibbonGroup(PageEdit, x, 4 * (kInstrWidth + 4) + 4, "umain.grpaddinstr",
                  "Instrumente Hinzuf\xC3\xBCgen");
  // Button caption and the element classes of its menu (set name, caption).
  struct Item {
    const char* setName;
    const char* key;
    const char* caption;
  };
  struct Group {
    const char* key;
    const char* caption;
    std::vector<Item> items;
  };
  const std::vector<Group> groups = {
      {"umain.buttoninstad",
       "Analog/Digital",
       {{"QXNUMERICDISP", "umain.menuitem_qxnumeric", "Numerische Anzeige"},
        {"QXNUMERICOUT", "umain.menuitem_qxnumericout", "Numerische Ausgabe"},
        {"QXANALOGDISP", "umain.menuitem_qxanalogdisp", "Analoganzeige/-schieber"},
        {"QXBarGraph", "umain.menuitem_qxbargraph", "Balkenanzeige"}}},
      {"umain.buttoninstdiag",
       "Diagramme",
       {{"QXTIMECHART", "umain.menuitem_qxtimechart", "Zeitdiagramm"},
        {"QXXYCHART", "umain.menuitem_qxxychart", "XY-Diagramm"}}},
      {"umain.buttoninsttext",
       "Textinstrumente",
       {{"QXREMOTELABEL", "umain.menuitem_qxremotelabel", "Fernanzeige"},
        {"QXSTRINGSEND", "umain.menuitem_qxstringsend", "Zeichenausgabe"},
        {"QXCONSOLE", "umain.menuitem_qxconsole", "Konsole"}}},
      {"umain.buttoninstswitch",
       "Schaltinstrumente",
       {{"QXBUTTON", "umain.menuitem_qxbutton", "Taster"},
        {"QXSWITCH", "umain.menuitem_qxswitch", "Schaltleiste"}}},
      {"umain.buttoninstopt",
       "Optisch/Akustisch",
       {{"QXLED", "umain.menuitem_qxled", "LED-Anzeige"},
        {"QXBLINKLED", "umain.menuitem_qxblinkled", "Blink-LED"},
        {"QXMultiLED", "umain.menuitem_qxmultiled", "LED-Leiste"},
        {"QXPICTURE", "umain.menuitem_qxpicture", "Bildanzeige"},
        {"QXBEEP", "umain.menuitem_qxbeep", "Tongeber"}}},
      {"umain.buttoninstext",
       "Erweiterte Instr.",
       {{"QXINOUT", "umain.menuitem_qxinout", "E/A-Kanal"},
        {"QXFILEREC", "umain.menuitem_qxfilerec", "Dateirekorder"},
        {"QXCLOCK", "umain.menuitem_qxclock", "Getaktete Ausgabe"},
        {"QXLUT", "umain.menuitem_qxlut", "Lookup-Tabelle"},
        {"QXTrayIcon", "umain.menuitem_qxtrayicon", "Taskleistensymbol"}}},
      {"umain.buttoninstbmp",
       "Bitmap-Instr.",
       {{"QXBMPBUTTON", "umain.menuitem_qxbmpbutton", "Taster"},
        {"QXBmpSwitch", "umain.menuitem_qxbmpswitch", "Schalter"},
        {"QXBmpSlider", "umain.menuitem_qxbmpslider", "Schieberegler"}}},
  };
  for (size_t i = 0; i < groups.size(); ++i) {
    const int col = static_cast<int>(i % 4), row = static_cast<int>(i / 4);
    TRibbonButton* b = RibbonButton(g, 4 + col * (kInstrWidth + 4), 4 + row * 33, kInstrWidth, 30,
                                    groups[i].key, groups[i].caption);
    auto* menu = new QMenu(this);
    for (const Item& it : groups[i].items) {
      const std::string setName = it.setName;
      QAction* a = menu->addAction(Tr(it.key, it.caption), this, [setName] {
        if (const TElementClass* c = TQXElement::FindClass(setName)) {
          if (TQXElement* e = c->ElemCreate()) e->FollowEditFrame();
        }
      });
      KeepTextKey(a, it.key);
    }
    // Classes still to come leave their button without a menu.
    b->setEnabled(!menu->isEmpty());
    connect(b, &TRibbonButton::clicked, this,
            [b, menu] { menu->popup(b->mapToGlobal(QPoint(0, b->height() + 2))); });
    InstrumentButtons.push_back(b);
    InstrumentMenus.push_back(menu);
  }
  x += 4 * (kInstrWidth + 4) + 10;

  g = RibbonGroup(PageEdit, x, 108, "umain.grptools", "Hilfsmittel");
  ButtonKanalliste = RibbonButton(g, 4, 4, 100, 30, "umain.buttonkanalliste", "Kanalliste");
  ButtonHintergrund = RibbonButton(g, 4, 37, 100, 30, "umain.buttonhintergrund", "Hintergrund");
  connect(ButtonKanalliste, &TRibbonButton::clicked, this, [this] { ButtonKanallisteClick(); });
  connect(ButtonHintergrund, &TRibbonButton::clicked, this, [this] { ButtonHintergrundClick(); });
}

namespace {

// An indicator frame drawn around a check box (outline only).
TShapeFrame* IndicatorFrame(QWidget* parent, int x, int y, int w, int h) {
  auto* f = new TShapeFrame(parent);
  f->setGeometry(x, y, w, h);
  f->SetBrushVisible(false);
  f->SetPenWidth(2);
  f->SetPenColor(0xB4B4B4);
  return f;
}

void ShowHelp(const char* key, const char* german) {
  if (ModalManager) ModalManager->ShowText(Tr("ulangstrings.shelp", "Hilfe"), Tr(key, german));
}

// The Interface ribbon's port creation: only while not connected.
template <class P>
void CreatePort() {
  if (PortList && !(Terminal && Terminal->Connected.load())) P::CreateInstance(*PortList);
}

// "Verbinden" and "Trennen" of the Console and Terminal ribbons.
void ConnectButtons(TMainForm* form, QWidget* page, int x) {
  QWidget* g = RibbonGroup(page, x, 108, "umain.grpinterf", "Schnittstelle");
  auto* c = RibbonButton(g, 4, 4, 100, 30, "umain.buttonconnect", "Verbinden");
  auto* d = RibbonButton(g, 4, 37, 100, 30, "umain.buttondisconnect", "Trennen");
  QObject::connect(c, &TRibbonButton::clicked, form, [form] { form->ButtonConnectClick(); });
  QObject::connect(d, &TRibbonButton::clicked, form, [form] { form->ButtonDisconnectClick(); });
}

}  // namespace

void TMainForm::BuildConsoleRibbon() {
  int x = 4;
  QWidget* g = RibbonGroup(PageConsole, x, 150, "umain.grpaction", "Aktion");
  StatusFrame1 = IndicatorFrame(g, 2, 4, 146, 30);
  CheckBoxConsActive = NewKeyed<QCheckBox>(g, "umain.checkboxconsactive", "Konsole aktiv");
  CheckBoxConsActive->setGeometry(8, 8, 136, 22);
  ButtonClear1 = RibbonButton(g, 4, 37, 142, 30, "umain.buttonclear1",
                              "Anzeige L\xC3\xB6"
                              "schen");
  connect(CheckBoxConsActive, &QCheckBox::toggled, this, [](bool on) {
    if (Cons) Cons->SetActive(on);
  });
  connect(ButtonClear1, &TRibbonButton::clicked, this, [] {
    if (Cons) Cons->Clear();
  });
  x += 156;
  ConnectButtons(this, PageConsole, x);
  x += 114;

  // The recording box is as wide as its caption needs in this font; the
  // group widens with it.
  const int recWidth =
      std::max(130, QCheckBox(Tr("umain.checkboxconsrec", "Dateiaufzeichnung")).sizeHint().width());
  const int grow = recWidth - 130;
  g = RibbonGroup(PageConsole, x, 220 + grow, "umain.grpoptions", "Optionen");
  SmallLabel(g, 8, 10, 80, "umain.labelconsfont", "Schriftart");
  ConsFontColor = new TShapeFrame(g);
  ConsFontColor->setGeometry(92, 8, 22, 22);
  ConsFontColor->SetBrushColor(0xECFFFF);
  ConsBackColor = new TShapeFrame(g);
  ConsBackColor->setGeometry(118, 8, 22, 22);
  ConsBackColor->SetBrushColor(0x474747);
  for (TShapeFrame* s : {ConsFontColor, ConsBackColor}) {
    s->SetPenColor(0xB4B4B4);
    s->SetPenWidth(2);
    connect(s, &TShapeFrame::entered, this, [s] { s->SetPenColor(0xD0A886); });
    connect(s, &TShapeFrame::left, this, [s] { s->SetPenColor(0xB4B4B4); });
  }
  connect(ConsFontColor, &TShapeFrame::clicked, this, [] {
    if (Cons) Cons->ChooseFontColor();
  });
  connect(ConsBackColor, &TShapeFrame::clicked, this, [] {
    if (Cons) Cons->ChooseBackColor();
  });
  ButtonConsFont = RibbonButton(g, 146 + grow, 4, 70, 28, "...");
  connect(ButtonConsFont, &TRibbonButton::clicked, this, [] {
    if (Cons) Cons->ChooseFont();
  });
  StatusFrameConsRec = IndicatorFrame(g, 2, 36, 140 + grow, 30);
  CheckBoxConsRec = NewKeyed<QCheckBox>(g, "umain.checkboxconsrec", "Dateiaufzeichnung");
  CheckBoxConsRec->setGeometry(8, 40, recWidth, 22);
  connect(CheckBoxConsRec, &QCheckBox::toggled, this, [](bool on) {
    if (Cons) Cons->SetRecording(on);
  });
  ButtonConsFile = RibbonButton(g, 146 + grow, 37, 70, 28, "...");
  connect(ButtonConsFile, &TRibbonButton::clicked, this, [] {
    if (Cons) Cons->ChooseFile();
  });
  x += 226 + grow;

  g = RibbonGroup(PageConsole, x, 108, "umain.grphelp", "Hilfe");
  ButtonHelpCons = RibbonButton(g, 4, 4, 100, 30, "umain.buttonhelp", "Hilfe");
  connect(ButtonHelpCons, &TRibbonButton::clicked, this, [] {
    ShowHelp("ulangstrings.shelpcons",
             "Wenn aktiviert, zeigt die Konsole alle Werte und Zeichenketten an, die \xC3\xBC"
             "ber Kanal 0 eingehen. Kanal 0 ist reserviert f\xC3\xBCr die Konsole. "
             "Zeilenumbr\xC3\xBC"
             "che werden mit \"\\n\" erzeugt.\n"
             "Bsp: \"#0F12,3;\" (=\"12,3\") oder \"#0SEins\\n;\" (=\"Eins\" mit Umbruch).");
  });
}

void TMainForm::BuildTermRibbon() {
  int x = 4;
  QWidget* g = RibbonGroup(PageTerm, x, 150, "umain.grpaction", "Aktion");
  StatusFrame = IndicatorFrame(g, 2, 4, 146, 30);
  CheckBox1 = NewKeyed<QCheckBox>(g, "umain.checkbox1", "Terminal aktiv");
  CheckBox1->setGeometry(8, 8, 136, 22);
  ButtonClear = RibbonButton(g, 4, 37, 142, 30, "umain.buttonclear",
                             "Anzeige L\xC3\xB6"
                             "schen");
  connect(CheckBox1, &QCheckBox::toggled, this, [] {
    QCoreApplication::processEvents();
    if (Term) Term->SelectPort();
  });
  connect(ButtonClear, &TRibbonButton::clicked, this, [] {
    if (Term) Term->Clear();
  });
  x += 156;
  ConnectButtons(this, PageTerm, x);
  x += 114;

  g = RibbonGroup(PageTerm, x, 260, "umain.grpchoice", "Auswahl");
  SmallLabel(g, 6, 8, 248, "umain.labelportchoice", "Terminalschnittstelle:");
  ComboPortChoice = new QComboBox(g);
  ComboPortChoice->setGeometry(6, 30, 248, 26);
  connect(ComboPortChoice, &QComboBox::activated, this, [] {
    if (Term) Term->PortChoiceChanged();
  });
  x += 266;

  g = RibbonGroup(PageTerm, x, 108, "umain.grphelp", "Hilfe");
  ButtonHelpTerm = RibbonButton(g, 4, 4, 100, 30, "umain.buttonhelp", "Hilfe");
  connect(ButtonHelpTerm, &TRibbonButton::clicked, this, [] {
    ShowHelp("ulangstrings.shelpterm",
             "Wenn aktiviert, zeigt das Terminal alle eingehenden Zeichen der in "
             "\"Terminalschnittstelle\" ausgew\xC3\xA4hlten Schnittstelle an. G\xC3\xBCltige "
             "Befehle dieser Schnittstelle werden im rechten Fenster aufgelistet.\n"
             "Das 'x' zeigt an, dass der Befehl an ein Instrument weitergeleitet wurde.");
  });
}

void TMainForm::BuildInterfaceRibbon() {
  int x = 4;
  QWidget* g = RibbonGroup(PageInterface, x, 108, "umain.grpedit", "Bearbeiten");
  BitBtnEntf = RibbonButton(g, 4, 4, 100, 30, "umain.bitbtnentf", "Entfernen");
  connect(BitBtnEntf, &TRibbonButton::clicked, this, [this] { BitBtnEntfClick(); });
  x += 114;

  g = RibbonGroup(PageInterface, x, 3 * 124 + 4, "umain.grpaddport",
                  "Schnittstelle Hinzuf\xC3\xBCgen");
  BitBtnCom = RibbonButton(g, 4, 4, 120, 30, "umain.bitbtncom", "Serielle");
  BitBtnUDP = RibbonButton(g, 128, 4, 120, 30, "umain.bitbtnudp", "UDP-Verbindung");
  BitBtnTCPServ = RibbonButton(g, 252, 4, 120, 30, "umain.bitbtntcpserv", "Server");
  BitBtnTCPConn = RibbonButton(g, 4, 37, 120, 30, "umain.bitbtntcpconn", "Client");
  BitBtnURL = RibbonButton(g, 128, 37, 120, 30, "umain.bitbtnurl", "URL-Anfrage");
  connect(BitBtnCom, &TRibbonButton::clicked, this, [] { CreatePort<TComPort>(); });
  connect(BitBtnUDP, &TRibbonButton::clicked, this, [] { CreatePort<TUDPPort>(); });
  connect(BitBtnTCPServ, &TRibbonButton::clicked, this, [] { CreatePort<TTCPServer>(); });
  connect(BitBtnTCPConn, &TRibbonButton::clicked, this, [] { CreatePort<TTCPConnection>(); });
  connect(BitBtnURL, &TRibbonButton::clicked, this, [] { CreatePort<TURLPort>(); });
  x += 3 * 124 + 10;

  g = RibbonGroup(PageInterface, x, 128, "umain.grptools", "Hilfsmittel");
  ButtonTest = RibbonButton(g, 4, 4, 120, 30, "umain.buttontest", "Verbindungstest");
  connect(ButtonTest, &TRibbonButton::clicked, this, [this] { ButtonTestClick(); });
  x += 134;

  g = RibbonGroup(PageInterface, x, 108, "umain.grphelp", "Hilfe");
  ButtonHelpInterf = RibbonButton(g, 4, 4, 100, 30, "umain.buttonhelp", "Hilfe");
  connect(ButtonHelpInterf, &TRibbonButton::clicked, this, [] {
    ShowHelp("ulangstrings.shelpinterf",
             "Es k\xC3\xB6nnen mehrere Schnittstellen eingerichtet werden. Bei aktiviertem "
             "Kanalfilter werden nur Befehle mit Kan\xC3\xA4len innerhalb der angegebenen "
             "Bereiche entgegengenommen (Eingang) und gesendet (Ausgang). Kanal #0 bis #49 "
             "sind Broadcast-Kan\xC3\xA4le (nicht filterbar).");
  });
}

void TMainForm::MenuItemLanguageClick(const std::string& code) {
  TLanguage::SetLanguage(code);
  TSettingLoad::SaveSettings();  // the choice survives a restart
}

void TMainForm::BitBtnEntfClick() {
  TPortBox::DeleteSelected();
}

void TMainForm::ButtonTestClick() {
  if (InterfaceSheet) InterfaceSheet->HideConnectMessage();
  if (PortList) PortList->TestConnection();
}

void TMainForm::Arrange() {
  const int w = width(), h = height();
  Menue->setGeometry(0, 0, w, kMenueHeight);
  int x = 0;
  for (TIconButton* b : {IconButtonNeu, IconButtonOeffnen, IconButtonSaveAs, IconButtonSave}) {
    b->setGeometry(x, 0, 29, 29);
    x += 30;
  }
  IconButtonExtras->setGeometry(w - 30, 0, 29, 29);
  if (TabBar)
    TabBar->setGeometry(kTabStripLeft, 0, std::max(0, w - kTabStripLeft - kTabStripRightGap), 30);
  MenueBar->setGeometry(0, 30, w, 90);
  ConnectStatus3->setGeometry(w - 134, 4, 100, 22);
  if (Alive->parentWidget() == Menue) Alive->setGeometry(w - 30, 35, 4, 4);
  FullWindowMenu->move(w - FullWindowMenu->width(), 0);
  FullScreenMenu->move(w - FullScreenMenu->width(), 0);
  // Full window and full screen hide the menu strip: the pages fill the window.
  // The pages keep the whole width: the property panel and the channel list
  // lie over their right edge, so closing them leaves no blank strip.
  const int top = Menue->isHidden() ? 0 : kMenueHeight;
  Panel1->setGeometry(0, top, w, std::max(0, h - top));
  PanelProperties->setGeometry(TPropertyEditor::PanelAtLeft() ? 0 : w - 400, kMenueHeight, 400,
                               std::max(0, h - kMenueHeight));
  PanelPropertiesResize();
  PanelChannelArea->setGeometry(w - 400, kMenueHeight, 400, std::max(0, h - kMenueHeight));
  for (QObject* o : Panel1->children()) {
    if (auto* page = qobject_cast<QWidget*>(o)) page->setGeometry(Panel1->rect());
  }
}

void TMainForm::UpdateMinimumSize() {
  // The widest ribbon page, and the tab strip between the file buttons and
  // the connection state (a selected tab is 2 pixels wider on each side).
  int w = 0;
  for (const QWidget* page : {PageRun, PageEdit, PageConsole, PageTerm, PageInterface})
    w = std::max(w, page->childrenRect().right() + 1 + kRibbonMargin);
  if (TabBar) {
    for (const TTabElement* tab : TabBar->Tabs)
      w = std::max(w, kTabStripLeft + tab->InactiveBounds.right() + 1 + 2 + kTabStripRightGap);
  }
  setMinimumSize(w, kMinimumHeight);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Arrange();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    if (OnCanClose && !OnCanClose()) {
      event->ignore();
      return;
    }
    closing_ = true;
    if (OnCloseQuery) OnCloseQuery();
  }
  event->accept();
}

// ---- handlers -----------------------------------------------------------------

void TMainForm::ButtonConnectClick() {
  if (Terminal) Terminal->Connect();
}

void TMainForm::ButtonDisconnectClick() {
  if (Terminal) Terminal->Disconnect();
}

void TMainForm::ButtonValResetClick() {
  if (Terminal) Terminal->ResetValues();
  TQXElement::ForEach([](TQXElement& e) { e.ResetValue(); });
  if (Calculator) Calculator->ResetMemFunctions();
  if (LossNotify) LossNotify->Reset();
}

void TMainForm::BitBtnRecvSimuClick() {
  std::string frame;
  bool evaluate = false;
  bool used = false;
  const bool isFrame = ReceiveTestFrame(EditSimulateRecv->text().toStdString(), frame, evaluate);
  if (isFrame && Terminal) used = Terminal->ReceiveFrame(frame, nullptr, evaluate);
  TAnim::Create(PanelRecvSimu, PanelRecvSimu->width(), 6, used ? AnimSent : AnimInvalid);
  if (Terminal && !Terminal->Connected.load()) Terminal->DisplayTimerTick();
}

void TMainForm::BitBtnSendSimuClick() {
  int32_t kind = AnimNotSent;
  if (Terminal && Terminal->Connected.load()) {
    kind = Terminal->SendFrame(1, EditSimulateSend->text().toStdString()) ? AnimSent : AnimNotSent;
  }
  TAnim::Create(PanelSendSimu, PanelSendSimu->width(), 6, kind);
}

void TMainForm::ButtonKanallisteClick() {
  TPropertyEditor::HideListing();
  if (ChannelTable) ChannelTable->Show();
}

void TMainForm::ButtonHintergrundClick() {
  if (ChannelTable) ChannelTable->Hide();
  TPropertyEditor::HideListing();
  if (CurrentSheet) TPropertyEditor::ShowBackground(*CurrentSheet->Background);
}

void TMainForm::PanelPropertiesResize() {
  const int h = height() - MenueBar->y() - MenueBar->height() + 1;
  PanelProperties->resize(PanelProperties->width(), std::max(0, h));
}

void TMainForm::CheckBoxCompileStateChange() {
  TQXElement::CompileStateVisible = CheckBoxCompileState->isChecked();
  if (TQXElement::CompileStateVisible)
    TQXElement::ShowCompileStateAll();
  else
    TQXElement::ClearCompileStateAll();
}

// ---- run view -----------------------------------------------------------------

void TMainForm::ShowState(int32_t state) {
  if (state < StateDisconnected || state > StateConnected) return;
  state_ = state;
  static const char* const keys[] = {"umain.sdisconnected", "umain.sconnecting",
                                     "umain.sconnected"};
  static const char* const texts[] = {"Getrennt", "Verbinden...", "Verbunden"};
  StatusLabel->setText(Tr(keys[state], texts[state]));
  KeepTextKey(StatusLabel, keys[state]);
  FillColor(ConnectStatus3, kConnectStateColors[static_cast<size_t>(state)]);
  Alive->setVisible(state == StateConnected);
  // Both pages do nothing during a run: shown grey, so the user sees why.
  for (QAction* a : {MenuItem_Settings, MenuItem_About}) {
    if (a) a->setEnabled(state == StateDisconnected);
  }
  // A new attempt: the report of the last failed one no longer applies.
  if (state == StateConnecting && InterfaceSheet) InterfaceSheet->HideConnectMessage();
}

void TMainForm::SetAliveColor(uint32_t color) {
  FillColor(Alive, color);
}

void TMainForm::SetEditTabEnabled(bool enabled) {
  if (TabBar && TabBar->Tabs.size() > 1) TabBar->Tabs[1]->SetEnabled(enabled);
}

void TMainForm::SelectPage(int32_t index) {
  if (TabBar) TabBar->SelectTab(index);
}

void TMainForm::ShowConnectFailed() {
  if (InterfaceSheet) InterfaceSheet->ShowConnectFailed();
}

void TMainForm::ProcessMessages() {
  QCoreApplication::processEvents();
}

void TMainForm::SetRunTimersEnabled(bool enabled) {
  if (enabled) {
    DisplayTimer.start();
    PollTimer.start();
  } else {
    DisplayTimer.stop();
    PollTimer.stop();
  }
}

void TMainForm::SetLabelEnabled(TLossKind kind, bool enabled) {
  switch (kind) {
    case TLossKind::SendLoss:
      LabelNotifySendLoss->setEnabled(enabled);
      break;
    case TLossKind::RecvLoss:
      LabelNotifyRecvLoss->setEnabled(enabled);
      break;
    case TLossKind::ConnLost:
      LabelNotifyConnLost->setEnabled(enabled);
      break;
  }
}

}  // namespace qx
