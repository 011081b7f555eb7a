// Main window (module uMain): the menu strip with the file buttons, the page
// tab strip, the connection status and the ribbon; below it the page area
// with the four page forms. Its handlers are thin: each forwards to the part
// that owns the behaviour. It is also the hub's run view and holds the loss
// labels.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "channels/uLossNotify.h"
#include "channels/uTerminal.h"

namespace qx {

class TTabBar;
class TRibbonButton;
class TIconButton;
class TShapeFrame;

class TMainForm : public QWidget, public TRunView, public TLossLabels {
  Q_OBJECT

 public:
  TMainForm();
  ~TMainForm() override;

  // ---- controls other parts use ----
  QWidget* Menue;
  QStackedWidget* MenueBar;
  QWidget *PageRun, *PageEdit, *PageConsole, *PageTerm, *PageInterface;
  QLabel* StatusLabel;
  QWidget* ConnectStatus3;
  QWidget* Alive;
  QLabel *LabelNotifySendLoss, *LabelNotifyRecvLoss, *LabelNotifyConnLost;
  QWidget* Panel1;
  QWidget* PanelProperties;
  QWidget* PanelChannelArea;
  QCheckBox* CheckBoxCompileState;
  QLineEdit *EditSimulateRecv, *EditSimulateSend;
  QWidget *PanelRecvSimu, *PanelSendSimu;
  TIconButton *IconButtonNeu, *IconButtonOeffnen, *IconButtonSaveAs, *IconButtonSave,
      *IconButtonExtras;
  TRibbonButton *ButtonConnect, *ButtonDisconnect, *ButtonValReset, *BitBtnRecvSimu,
      *BitBtnSendSimu, *ButtonDelete;
  TRibbonButton *ButtonKanalliste, *ButtonHintergrund;
  // Run ribbon "Ansicht": window modes.
  TRibbonButton *ButtonFullWindow, *ButtonFullScreen;
  // Bars of the full window and full screen modes, at the top right.
  QWidget *FullWindowMenu, *FullScreenMenu;
  TIconButton *ButtonFWConnect, *ButtonFWDisconnect, *ButtonFWBack, *ButtonFSConnect,
      *ButtonFSDisconnect, *ButtonFSBack, *ButtonFSClose;
  std::vector<TRibbonButton*> InstrumentButtons;
  std::vector<QMenu*> InstrumentMenus;
  QMenu* Popup_Extras;
  // "Einstellungen" and "Über Quillex": greyed while connected.
  QAction *MenuItem_Settings = nullptr, *MenuItem_About = nullptr;
  // Console, terminal and interface ribbons.
  QCheckBox *CheckBoxConsActive, *CheckBoxConsRec, *CheckBox1;
  TShapeFrame *StatusFrame1, *StatusFrameConsRec, *ConsFontColor, *ConsBackColor, *StatusFrame;
  QComboBox* ComboPortChoice;
  TRibbonButton *ButtonClear1, *ButtonConsFont, *ButtonConsFile, *ButtonHelpCons, *ButtonClear,
      *ButtonHelpTerm, *BitBtnEntf, *BitBtnCom, *BitBtnUDP, *BitBtnTCPServ, *BitBtnTCPConn,
      *BitBtnURL, *ButtonTest, *ButtonHelpInterf;
  TTabBar* TabBar = nullptr;  // made by start-up

  // The run timers: 400 ms display, 100 ms poll; and the tick sampler.
  QTimer DisplayTimer, PollTimer, TickSampler;

  // ---- handlers ----
  void ButtonConnectClick();
  void ButtonDisconnectClick();
  void ButtonValResetClick();
  void BitBtnRecvSimuClick();
  void BitBtnSendSimuClick();
  void CheckBoxCompileStateChange();
  void ButtonKanallisteClick();
  void ButtonHintergrundClick();
  // Fits the property panel's height to the window.
  void PanelPropertiesResize();
  void BitBtnEntfClick();
  // "Sprache" menu: switch and write the settings.
  static void MenuItemLanguageClick(const std::string& code);
  void ButtonTestClick();
  // Close query: always allowed, after the run ended and settings written.
  std::function<void()> OnCloseQuery;
  // Asked first; false keeps the window open.
  std::function<bool()> OnCanClose;

  // ---- TRunView ----
  void ShowState(int32_t state) override;
  void SetAliveColor(uint32_t color) override;
  void SetEditTabEnabled(bool enabled) override;
  void SelectPage(int32_t index) override;
  void ShowConnectFailed() override;
  void ProcessMessages() override;
  void SetRunTimersEnabled(bool enabled) override;
  // ---- TLossLabels ----
  void SetLabelEnabled(TLossKind kind, bool enabled) override;

  // Lays out the menu strip and the page area (also the tab strip).
  void Arrange();
  // The window cannot be made so small that a page tab or a ribbon control
  // is cut off.
  void UpdateMinimumSize();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildRibbon();
  void BuildRunRibbon();
  void BuildEditRibbon();
  void BuildConsoleRibbon();
  void BuildTermRibbon();
  void BuildInterfaceRibbon();
  void BuildModeBars();
  int32_t state_ = StateDisconnected;
  bool closing_ = false;
};

extern TMainForm* MainForm;

// Receive test: the frame of a test text (from its first "#", cut to 255
// characters) and whether it is dispatched ("/" before "#" is silent).
// False when the text holds no "#".
bool ReceiveTestFrame(std::string_view text, std::string& frame, bool& evaluate);

}  // namespace qx
