// Channel usage table (module uChannelTable): every channel some formula
// reads and every channel some element sends on, each once and ascending.
// Clicking a channel selects, on the current sheet, the elements using it.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "foundation/uGraphicsUtil.h"

namespace qx {

class TQXElement;

inline constexpr TColor kChannelRowColor = 0xE0E0E0;

class TChTitel : public QWidget {
  Q_OBJECT

 public:
  TChTitel(QWidget* parent, const QString& caption);
  QLabel* Label;
};

class TChannelSet : public QWidget {
  Q_OBJECT

 public:
  explicit TChannelSet(QWidget* parent);
  int32_t Channel = 0;
  QLabel* Label;
  TColor HoverColor = 0xFEEFE7;
  TColor HighlightColor = 0xFBC7AA;
  int32_t Kind = 0;  // 1 inputs, 2 outputs; 0 until listed
  void SetColor(TColor color);
  TColor Color() const { return color_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  TColor color_ = kChannelRowColor;
};

class TChSetList {
 public:
  TChSetList(QWidget* parent, int32_t kind) : parent_(parent), Kind(kind) {}
  ~TChSetList();
  TChSetList(const TChSetList&) = delete;
  TChSetList& operator=(const TChSetList&) = delete;

  std::vector<TChannelSet*> Rows;
  void AddChannel(int32_t channel);
  void Clear();
  void Sort();
  // First row at top, each next 1 pixel below the one before.
  void Stack(int top);

 private:
  QPointer<QWidget> parent_;

 public:
  const int32_t Kind;
};

class TChannelTable {
 public:
  // area: the main window's PanelChannelArea; the table fills it with its
  // scroll box.
  explicit TChannelTable(QWidget* area);
  ~TChannelTable();
  TChannelTable(const TChannelTable&) = delete;
  TChannelTable& operator=(const TChannelTable&) = delete;

  QPointer<QWidget> Area;
  QScrollArea* ScrollBox1;

 private:
  QWidget* content_;  // the box's inner widget; parent of titles and rows

 public:
  TChTitel* InputTitle;
  TChTitel* OutputTitle;
  TChSetList Inputs;
  TChSetList Outputs;
  TChannelSet* HighlightedRow = nullptr;

  // Compiles, collects, sorts, lays out and shows the area.
  void Show();
  void Hide();
  void LangUpdate();
  // A click on a row: highlighted, its users selected on the current sheet.
  void MouseClick(TChannelSet* row);
};

// The users of a channel as edit mode selects them: the owner in place of a
// sub-element, only elements of the current sheet, each once.
std::vector<TQXElement*> ChannelUsersOnCurrentSheet(int32_t channel, bool outputs);

// The one table; made by start-up, none before.
extern TChannelTable* ChannelTable;

}  // namespace qx
