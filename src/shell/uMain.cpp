#include "shell/uMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>

#include "channels/uQXPorts.h"
#include "editing/uLangStrings.h"
#include "editing/uSheet.h"
#include "formula/UCalculate.h"
#include "formula/uMemFunctions.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uStrSearch.h"
#include "instruments/uQXControls.h"
#include "instruments/uSendAnim.h"
#include "shell/IconButton.h"
#include "shell/uRibbonButton.h"
#include "shell/uTabBar.h"

namespace qx {

TMainForm* MainForm = nullptr;

namespace {

constexpr TColor kRibbonColor = 0xF0E9E3;
constexpr TColor kRibbonPageColor = 0xFCF5EF;
constexpr int kMenueHeight = 121;

void FillColor(QWidget* w, TColor c) {
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ColorToQColor(c));
  w->setPalette(pal);
}

// A labelled group of the ribbon: a frame with its caption along the bottom.
QWidget* RibbonGroup(QWidget* page, int x, int width, const QString& caption) {
  auto* g = new QWidget(page);
  g->setGeometry(x, 0, width, 88);
  auto* label = new QLabel(caption, g);
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

QLabel* SmallLabel(QWidget* parent, int x, int y, int w, const QString& text) {
  auto* l = new QLabel(text, parent);
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
  setMinimumSize(640, 400);
  FillColor(this, kRibbonPageColor);

  Menue = new QWidget(this);
  FillColor(Menue, 0xE8E0D8);
  auto icon = [this](const char* key, const char* hint) {
    auto* b = new TIconButton(Menue);
    b->SetCaption(Tr(key, hint));
    return b;
  };
  IconButtonNeu = icon("umain.iconbuttonneu", "Neu");
  IconButtonOeffnen = icon("umain.iconbuttonoeffnen",
                           "\xC3\x96"
                           "ffnen");
  IconButtonSaveAs = icon("umain.iconbuttonsaveas", "Speichern unter...");
  IconButtonSave = icon("umain.iconbuttonsave", "Speichern");
  IconButtonExtras = icon("umain.iconbuttonextras", "Extras");

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
  Popup_Extras = new QMenu(this);
  connect(IconButtonExtras, &TIconButton::clicked, this, [this] {
    Popup_Extras->popup(IconButtonExtras->mapToGlobal(
        QPoint(IconButtonExtras->width() - Popup_Extras->sizeHint().width(),
               IconButtonExtras->height() + 2)));
  });
}

void TMainForm::BuildRunRibbon() {
  int x = 4;
  QWidget* g = RibbonGroup(PageRun, x, 108, Tr("umain.grpinterf", "Schnittstelle"));
  ButtonConnect = RibbonButton(g, 4, 4, 100, 30, Tr("umain.buttonconnect", "Verbinden"));
  ButtonDisconnect = RibbonButton(g, 4, 37, 100, 30, Tr("umain.buttondisconnect", "Trennen"));
  connect(ButtonConnect, &TRibbonButton::clicked, this, [this] { ButtonConnectClick(); });
  connect(ButtonDisconnect, &TRibbonButton::clicked, this, [this] { ButtonDisconnectClick(); });
  x += 114;

  g = RibbonGroup(PageRun, x, 108, Tr("umain.grpinstr", "Instrumente"));
  ButtonValReset = RibbonButton(g, 4, 4, 100, 30,
                                Tr("umain.buttonvalreset",
                                   "Werte l\xC3\xB6"
                                   "schen"));
  connect(ButtonValReset, &TRibbonButton::clicked, this, [this] { ButtonValResetClick(); });
  x += 114;

  g = RibbonGroup(PageRun, x, 250, Tr("umain.grpmanual", "Manuelle Befehle"));
  SmallLabel(g, 4, 8, 60, Tr("umain.labelrecv", "Eingang"));
  SmallLabel(g, 4, 40, 60, Tr("umain.labelsend", "Ausgang"));
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

  g = RibbonGroup(PageRun, x, 124, Tr("umain.grpview", "Anzeige"));
  CheckBoxCompileState = new QCheckBox(Tr("umain.checkboxcompilestate", "Kompilierstatus"), g);
  CheckBoxCompileState->setGeometry(6, 10, 116, 22);
  CheckBoxCompileState->setChecked(true);
  connect(CheckBoxCompileState, &QCheckBox::toggled, this,
          [this] { CheckBoxCompileStateChange(); });
  x += 130;

  g = RibbonGroup(PageRun, x, 180, Tr("umain.grpmessages", "Meldungen"));
  LabelNotifySendLoss =
      SmallLabel(g, 6, 6, 170, Tr("umain.labelsendloss", "Paketverlust (Senden)"));
  LabelNotifyRecvLoss =
      SmallLabel(g, 6, 26, 170, Tr("umain.labelrecvloss", "Paketverlust (Empfang)"));
  LabelNotifyConnLost = SmallLabel(g, 6, 46, 170, Tr("umain.labelconnlost", "Verbindungsabbruch"));
  for (QLabel* l : {LabelNotifySendLoss, LabelNotifyRecvLoss, LabelNotifyConnLost})
    l->setEnabled(false);
}

void TMainForm::BuildEditRibbon() {
  int x = 4;
  QWidget* g = RibbonGroup(PageEdit, x, 108, Tr("umain.grpedit", "Bearbeiten"));
  ButtonDelete = RibbonButton(g, 4, 4, 100, 30, Tr("umain.buttondelete", "Entfernen"));
  x += 114;

  g = RibbonGroup(PageEdit, x, 4 * 124 + 4,
                  Tr("umain.grpaddinstr", "Instrumente Hinzuf\xC3\xBCgen"));
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
       {{"QXNUMERICDISP", "umain.menuitem_qxnumeric", "Numerische Anzeige"}}},
      {"umain.buttoninstdiag", "Diagramme", {}},
      {"umain.buttoninsttext",
       "Textinstrumente",
       {{"QXREMOTELABEL", "umain.menuitem_qxremotelabel", "Fernanzeige"}}},
      {"umain.buttoninstswitch",
       "Schaltinstrumente",
       {{"QXBUTTON", "umain.menuitem_qxbutton", "Taster"}}},
      {"umain.buttoninstopt", "Optisch/Akustisch", {}},
      {"umain.buttoninstext", "Erweiterte Instr.", {}},
      {"umain.buttoninstbmp", "Bitmap-Instr.", {}},
  };
  for (size_t i = 0; i < groups.size(); ++i) {
    const int col = static_cast<int>(i % 4), row = static_cast<int>(i / 4);
    TRibbonButton* b =
        RibbonButton(g, 4 + col * 124, 4 + row * 33, 120, 30, Tr(groups[i].key, groups[i].caption));
    auto* menu = new QMenu(this);
    for (const Item& it : groups[i].items) {
      const std::string setName = it.setName;
      menu->addAction(Tr(it.key, it.caption), this, [setName] {
        if (const TElementClass* c = TQXElement::FindClass(setName)) {
          if (TQXElement* e = c->ElemCreate()) e->FollowEditFrame();
        }
      });
    }
    // Classes still to come leave their button without a menu.
    b->setEnabled(!menu->isEmpty());
    connect(b, &TRibbonButton::clicked, this,
            [b, menu] { menu->popup(b->mapToGlobal(QPoint(0, b->height() + 2))); });
    InstrumentButtons.push_back(b);
    InstrumentMenus.push_back(menu);
  }
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
  if (TabBar) TabBar->setGeometry(120, 0, std::max(0, w - 255), 30);
  MenueBar->setGeometry(0, 30, w, 90);
  ConnectStatus3->setGeometry(w - 134, 4, 100, 22);
  Alive->setGeometry(w - 30, 35, 4, 4);
  const int right = PanelProperties->isVisible() || PanelChannelArea->isVisible() ? 400 : 0;
  Panel1->setGeometry(0, kMenueHeight, w - right, std::max(0, h - kMenueHeight));
  PanelProperties->setGeometry(w - 400, kMenueHeight, 400, std::max(0, h - kMenueHeight));
  PanelChannelArea->setGeometry(w - 400, kMenueHeight, 400, std::max(0, h - kMenueHeight));
  for (QObject* o : Panel1->children()) {
    if (auto* page = qobject_cast<QWidget*>(o)) page->setGeometry(Panel1->rect());
  }
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Arrange();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!closing_) {
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
  FillColor(ConnectStatus3, kConnectStateColors[static_cast<size_t>(state)]);
  Alive->setVisible(state == StateConnected);
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
