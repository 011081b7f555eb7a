// Terminal character view (module uTermBox): received bytes as a grid of
// cells, each cell one byte with its value in hexadecimal above it, wrapped
// into rows like a text, with markers for the end of a packet and the end of
// a receive thread. It keeps the most recent rows only, paints into an
// off-screen bitmap and scrolls by whole rows. GUI thread only.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QScrollBar>
#include <QWidget>
#include <cstdint>
#include <deque>

namespace qx {

class TTermBox;

struct TTermChar {
  uint8_t Code = 0;     // the byte (kinds 0 and 1) or the marker value (kind 2)
  char16_t Symbol = 0;  // drawn for a byte of kind 1
  uint8_t Flag = 0;
  int32_t Kind = 0;  // 0 byte as itself, 1 byte as a symbol, 2 marker
};

enum : int32_t { TermCharPlain = 0, TermCharSymbol = 1, TermCharMarker = 2 };
enum : uint8_t { TermMarkPacketEnd = 0, TermMarkClose = 1 };

// The painting surface left of the scroll bar.
class TTermArea : public QWidget {
 public:
  explicit TTermArea(TTermBox& box);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TTermBox& box_;
};

class TTermBox : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kCellWidth = 14;
  static constexpr int kRowHeight = 30;
  static constexpr int32_t kMaxRows = 200;
  static constexpr int32_t kMaxCells = 35000;

  explicit TTermBox(QWidget* parent);

  void AddChar(uint8_t code);
  void AddSymbol(uint8_t code, char16_t symbol);
  void AddPacketEnd();
  void AddCloseMark();
  void Clear();

  int32_t Count() const { return static_cast<int32_t>(cells_.size()); }
  int32_t Rows() const { return rows_; }
  int32_t Offset() const { return offset_; }
  const TTermChar& Cell(int32_t index) const { return cells_[static_cast<size_t>(index)]; }
  // Cells of one row at the area's width: at least one, however narrow.
  int32_t CellsPerRow() const;
  // Index of the first cell of 1-based row n (Count when beyond the last).
  int32_t RowStart(int32_t n) const;

  TTermArea* Area;
  QScrollBar* ScrollBar;
  QPixmap Bitmap;

  // Paints every visible row into Bitmap (also sets the scroll bar up).
  void DrawAll();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Append(const TTermChar& c);
  void DropFirstRow();
  void Relayout();
  void UpdateScrollBar();
  void DrawRowBack(QPainter& p, int y, int width);
  void DrawCell(QPainter& p, const TTermChar& c, int x, int y);

  // Fitted to their bands once (see the constructor).
  QFont charFont_, symbolFont_, hexFont_;
  int hexBaseline_ = 0;  // below the row's top
  std::deque<TTermChar> cells_;
  int32_t rows_ = 1;
  int32_t offset_ = 0;
  int lastWidth_ = -1;
};

// The program's character view; set by start-up, none before.
extern TTermBox* TermBox;

}  // namespace qx
