// Interface page (module uInterfaceSheet): the column of port boxes and, for
// the selected box, the settings page of its port kind. Every edit is written
// back into the port at once. Controls are filled under signal blockers and
// only user signals are connected, so filling the page for one port never
// writes into another.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTableWidget>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

namespace qx {

class TQXPort;
class TShapeFrame;

class TInterfaceSheet : public QWidget {
  Q_OBJECT

 public:
  explicit TInterfaceSheet(QWidget* parent);
  ~TInterfaceSheet() override;

  // ---- layout ----
  QScrollArea* Background;
  // After a failed connect: which ports did not open and why.
  QLabel* ConnectMessage = nullptr;
  QWidget* PanelPB;
  QScrollArea* ScrollBoxPB;
  QWidget* BoxContainer;  // the scrolled area of ScrollBoxPB: parent of the boxes
  TShapeFrame* Frame;
  QStackedWidget* NotebookPorts;
  QWidget *PageComPort{}, *PageUDPPort{}, *PageURLRequest{}, *PageTCPServer{}, *PageTCPConn{};
  QWidget *PanelCOM{}, *UDPPanel{}, *PanelURL{}, *TCPServerPanel{}, *TCPConnPanel{};
  QWidget *Panel2{}, *PanelUDPAddresses{}, *PanelTCPServerAddresses{}, *PanelTCPConnAddresses{};
  QTableWidget *StringGridPorts{}, *StringGridUDP{}, *StringGridTCPServer{}, *StringGridTCPConn{};
  QPushButton *ButtonRefresh{}, *ButtonRefreshUDP{}, *ButtonRefreshTCPServer{},
      *ButtonRefreshTCPConn{};

  // ---- settings controls ----
  QCheckBox *CheckBoxEnabledCom{}, *CheckBoxEnabledUDP{}, *CheckBoxEnabledURL{},
      *CheckBoxEnabledTCPServer{}, *CheckBoxEnabledTCPConn{};
  QComboBox *ComboBoxPort{}, *ComboBoxBaudrate{}, *ComboBoxDatenbit{}, *ComboBoxParity{},
      *ComboBoxStoppbit{};
  QComboBox *ComboBoxUDPLocalIP{}, *ComboBoxUDPClientIP{};
  QLineEdit *EditUDPLocalPort{}, *EditUDPClientPort{};
  QLineEdit *EditBoxURL{}, *EditBoxUser{}, *EditBoxPasswort{};
  QComboBox* ComboBoxTimeout{};
  QComboBox* ComboBoxTCPServerLocalIP{};
  QLineEdit* EditTCPServerLocalPort{};
  QComboBox *ComboBoxTCPConnLocalIP{}, *ComboBoxTCPConnClientIP{};
  QLineEdit *EditTCPConnLocalPort{}, *EditTCPConnClientPort{};
  QCheckBox* CheckBoxAutoReconnect{};
  QCheckBox *CheckBoxComFilter{}, *CheckBoxUDPFilter{}, *CheckBoxURLFilter{},
      *CheckBoxTCPServerFilter{}, *CheckBoxTCPConnFilter{};
  QLineEdit *EditComA{}, *EditComB{}, *EditUDPA{}, *EditUDPB{}, *EditURLA{}, *EditURLB{},
      *EditTCPServerA{}, *EditTCPServerB{}, *EditTCPConnA{}, *EditTCPConnB{};

  // One settings page per port kind (index = kind - 1).
  struct TSettingsPage {
    QWidget* Page;
    QWidget* Panel;
    QWidget* AddrPanel;  // none for the URL page
    QCheckBox* Enabled;
    QCheckBox* Filter;
    QLineEdit* EditA;
    QLineEdit* EditB;
    std::vector<QWidget*> RangeRow;  // shown only while the filter is ticked
    int BaseHeight;
  };
  std::array<TSettingsPage, 5> Pages{};

  // ---- operations ----
  void Init() {}
  // The settings pages are built when first needed (a port selected, the
  // page shown): they took a tenth of the start-up.
  void EnsurePages();
  void UpdateAdresses();
  void UpdateCOMDevices();
  void UpdateIPAdresses();
  void StringGridPortsClick(int row, int col);
  // grid: one of the three address lists.
  void StringGridIPClick(QTableWidget* grid, int row, int col);

  void ComPortSettingUpdate();
  void UDPSettingUpdate();
  void URLSettingUpdate();
  void TCPServerSettingUpdate();
  void TCPConnSettingUpdate();

  void ComboBoxPortEditingDone();
  void ParamsUDPPortEditingDone();
  void ParamsURLPortEditingDone();
  void ParamsTCPServerEditingDone();
  void ParamsTCPConnEditingDone();

  void CheckBoxEnabledChange(QCheckBox* sender);
  void SetPortPropertiesEnabledDisabled(QCheckBox* sender, bool enabled);
  void CheckBoxFilterChange(QCheckBox* sender);
  // A range edit confirmed (bare number shown) or left ("#" and the number).
  void EditEditingDone(QLineEdit* edit);
  void EditExit(QLineEdit* edit);
  void EditEnter(QLineEdit* edit);
  void BackgroundClick();
  // Fills the message from the ports that failed to open and shows it.
  void ShowConnectFailed();
  void HideConnectMessage();
  void PlaceConnectMessage();
  void InterfDeleteMarked();
  void LangUpdate();
  // Width of a port box: the column's, less its scroll bar while that shows.
  int BoxWidth() const { return boxWidth_; }
  // Shows the column's scroll bar when the boxes do not fit and fits the
  // boxes beside it.
  void FitBoxColumn();

  // The range rule: unreadable 1, 0 becomes 1, above 999 becomes 999.
  static int32_t RangeBound(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildPages();
  void BuildAddressPanel(TSettingsPage& page, const char* key, const char* caption,
                         QTableWidget*& grid, QPushButton*& refresh);
  void FillParityItems();
  // The page of a settings control (its filter box, range edits, enable box).
  TSettingsPage* PageOf(const QWidget* control);
  void FillCommon(TSettingsPage& page, TQXPort& port);
  void SetPanelHeight(TSettingsPage& page, int height);
  TQXPort* SelectedPort() const;
  void AfterWriteBack();

  int ScrollBarRoom() const;

  bool pagesBuilt_ = false;
  int boxWidth_;
  bool fitting_ = false;
};

// The program's interface page; set by start-up, none before.
extern TInterfaceSheet* InterfaceSheet;

}  // namespace qx
