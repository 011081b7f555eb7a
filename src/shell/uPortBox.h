// Port boxes (module uPortBox): one small panel per port in the box column
// of the interface page, showing the port's kind, a summary of its settings,
// its channel filter range and the status light of the last connect or test.
// Clicking a box highlights it and opens the settings page of its kind.
//
// Ownership: the port owns its box through the core (TQXPort::PortBox, a
// TPortStatusBox). That object is a link holding a guarded pointer to the
// widget and deletes the widget when the port frees it; the widget's Qt
// parent never deletes it first while the port lives, and if it does (the
// page went first) the link finds nothing to delete.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "channels/uQXPorts.h"

namespace qx {

class TShapeFrame;

enum : int32_t {
  PortKindNone = 0,
  PortKindCom = 1,
  PortKindUDP = 2,
  PortKindURL = 3,
  PortKindTCPServer = 4,
  PortKindTCPConn = 5
};

inline constexpr uint32_t kPortBoxColor = 0xDEDEDE;
inline constexpr uint32_t kPortBoxHighlightColor = 0xE1DEC4;
inline constexpr int kPortBoxHeight = 55;

class TPortBox : public QWidget {
  Q_OBJECT

 public:
  // The base box in container, appended to PortBoxList.
  TPortBox(QWidget* container, int width);
  // Leaves PortBoxList; a highlighted or selected box is forgotten there.
  ~TPortBox() override;

  int32_t Kind = PortKindNone;
  QLabel* TitleLabel;
  QLabel* InfoLabel;
  QLabel* FilterLabel;
  TQXPort* Port = nullptr;
  TShapeFrame* StatusLight;
  QLabel* Icon;
  // Why the port failed to open or was lost, under the info line; the box
  // grows by it.
  QLabel* ErrorLabel;

  virtual void UpdateText() {}
  virtual void LangUpdate() = 0;

  // Shows why the port did not open or was lost (nothing for an empty
  // text), or hides it again; the boxes below move.
  void ShowFailure(const QString& why);
  void HideFailure();
  // The column's width changed (its scroll bar came or went); false when
  // the box had that width already.
  bool FitWidth(int width);

  uint32_t Color() const { return color_; }
  void SetColor(uint32_t color);

  // ---- class level ----
  static std::vector<TPortBox*> PortBoxList;
  static TPortBox* HighlightedBox;
  static TPortBox* SelectedBox;

  // 1 for the first box, else the previous box's top + its height + 1; also
  // sets the frame's height to that top + the box's height + 1.
  static int32_t TopOf(TPortBox* box);
  // Re-stacks the boxes, then fits them into the column.
  static void ArrangeBoxes();
  // Only the stacking (the column's fit calls it after boxes changed height).
  static void StackBoxes();
  static void Select(TPortBox* box);
  static void ChildClick(QWidget* sender);
  static void Deselect();
  // Frees the highlighted box's port; nothing while connected or with no
  // highlighted box.
  static void DeleteSelected();
  static void UpdateTextAll();
  static void LangUpdateAll();

 protected:
  // Filter range text when the filter is on, else empty.
  void UpdateFilterText();
  // Parts at the right edge follow the box's width and height.
  void PlaceParts();
  // Sizes the reason for the box's width; the box grows by it.
  void FitFailure();
  void Init(int32_t kind, const char* iconName);
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  uint32_t color_ = kPortBoxColor;
};

class TPBCom final : public TPortBox {
 public:
  TPBCom(QWidget* container, int width);
  void UpdateText() override;
  void LangUpdate() override;
};

class TPBUDP final : public TPortBox {
 public:
  TPBUDP(QWidget* container, int width);
  void UpdateText() override;
  void LangUpdate() override;
};

class TPBURL final : public TPortBox {
 public:
  TPBURL(QWidget* container, int width);
  void UpdateText() override;
  void LangUpdate() override;
};

class TPBTCPServ final : public TPortBox {
 public:
  TPBTCPServ(QWidget* container, int width);
  void UpdateText() override;
  void LangUpdate() override;
};

class TPBTCPConn final : public TPortBox {
 public:
  TPBTCPConn(QWidget* container, int width);
  void UpdateText() override;
  void LangUpdate() override;
};

// Every child control of container gets enabled.
void SetChildrenEnabled(QWidget* container, bool enabled);

// The 44 by 12 pictures of the port kinds, registered by name
// ("44x12_COM", "44x12_UDP", "44x12_URL", "44x12_TCP").
void RegisterPortIcons();
QPixmap PortIcon(const std::string& name);

// The port list's box factory: a box of the port's kind in the interface
// page's box column, told its port and its text. None without the page.
std::unique_ptr<TPortStatusBox> MakePortBox(TQXPort& port);

}  // namespace qx
