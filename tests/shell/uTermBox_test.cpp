// Terminal character view: rows, limits, reflow, the scroll bar and the
// drawn cells.
#include "shell/uTermBox.h"

#include <gtest/gtest.h>

#include <QImage>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {
namespace {

class TermBoxTest : public ::testing::Test {
 protected:
  TermBoxTest() { box.show(); }  // a hidden widget gets its resize only when shown
  // A view whose area is areaWidth wide and rows rows high.
  void Size(int areaWidth, int rows = 10) {
    box.resize(areaWidth + box.ScrollBar->sizeHint().width(), rows * TTermBox::kRowHeight);
  }
  void Add(int n) {
    for (int i = 0; i < n; ++i) box.AddChar(static_cast<uint8_t>('a' + i % 26));
  }
  TTermBox box{nullptr};
};

TEST_F(TermBoxTest, RowsWrapAtTheAreaWidth) {
  Size(140);
  EXPECT_EQ(box.Rows(), 1);
  EXPECT_EQ(box.Offset(), 0);
  Add(10);
  EXPECT_EQ(box.Rows(), 1);
  EXPECT_EQ(box.Offset(), 140);
  Add(1);
  EXPECT_EQ(box.Rows(), 2);
  EXPECT_EQ(box.Offset(), 14);
  EXPECT_EQ(box.RowStart(2), 10);
  box.Clear();
  EXPECT_EQ(box.Count(), 0);
  EXPECT_EQ(box.Rows(), 1);
  EXPECT_EQ(box.Offset(), 0);
}

TEST_F(TermBoxTest, LimitsBoundRowsAndCells) {
  struct Case {
    int areaWidth;
    int cells;
    int32_t rows;
    int32_t maxCount;
  };
  const Case cases[] = {
      {140, 2001, 200, 1991},         // the 201st row drops the first
      {5, 500, 200, 200},             // narrower than one cell: one cell per row
      {0, 300, 200, 200},             // no width at all
      {14 * 300, 40000, 117, 35000},  // the cell limit drops rows of 300
  };
  for (const Case& c : cases) {
    box.Clear();
    Size(c.areaWidth);
    Add(c.cells);
    EXPECT_LE(box.Rows(), c.rows) << c.areaWidth;
    EXPECT_LE(box.Count(), c.maxCount) << c.areaWidth;
    EXPECT_GE(box.Count(), c.maxCount - box.CellsPerRow()) << c.areaWidth;
    // The newest cell is always kept.
    EXPECT_EQ(box.Cell(box.Count() - 1).Code, 'a' + (c.cells - 1) % 26);
  }
  box.Clear();
  Size(140);
  Add(2001);
  EXPECT_EQ(box.Rows(), 200);
  EXPECT_EQ(box.Cell(0).Code, 'a' + 10 % 26);  // the first row of ten went
}

TEST_F(TermBoxTest, ResizingReflowsAllCells) {
  Size(140);
  Add(23);
  EXPECT_EQ(box.Rows(), 3);
  Size(70);
  EXPECT_EQ(box.Rows(), 5);
  EXPECT_EQ(box.Offset(), 3 * 14);
  EXPECT_EQ(box.RowStart(2), 5);
  Size(14 * 23);
  EXPECT_EQ(box.Rows(), 1);
  EXPECT_EQ(box.Offset(), 23 * 14);
  // Narrowing below the row limit keeps the newest 200 rows.
  Add(400 - 23);
  Size(7);
  EXPECT_EQ(box.Rows(), 200);
  EXPECT_EQ(box.Count(), 200);
}

TEST_F(TermBoxTest, ScrollBarFollowsTheRows) {
  Size(140, 4);
  Add(30);  // 3 rows, 4 fit
  box.DrawAll();
  EXPECT_FALSE(box.ScrollBar->isEnabled());
  EXPECT_EQ(box.ScrollBar->value(), 1);
  Add(60);  // 9 rows
  box.DrawAll();
  EXPECT_TRUE(box.ScrollBar->isEnabled());
  EXPECT_EQ(box.ScrollBar->minimum(), 1);
  EXPECT_EQ(box.ScrollBar->maximum(), 9 - 4 + 1);
  box.ScrollBar->setValue(6);
  box.Clear();
  box.DrawAll();
  EXPECT_FALSE(box.ScrollBar->isEnabled());
  EXPECT_EQ(box.ScrollBar->value(), 1);
}

TEST_F(TermBoxTest, CellsAreDrawnByKind) {
  Size(140, 2);
  box.AddChar('A');
  box.AddSymbol(9, u'\u2409');
  box.AddPacketEnd();
  box.AddCloseMark();
  box.DrawAll();
  const QImage img = box.Bitmap.toImage();
  auto at = [&](int x, int y) { return QColorToColor(img.pixelColor(x, y)); };
  EXPECT_EQ(at(60, 3), 0xE0E0E0u);       // upper band of the empty rest
  EXPECT_EQ(at(60, 20), 0xFFFFFFu);      // lower band
  EXPECT_EQ(at(60, 29), 0x808080u);      // row line
  EXPECT_EQ(at(14 + 1, 27), 0xF0F0F0u);  // symbol cell's band
  EXPECT_EQ(at(28 + 7, 20), 0xF0F0F0u);  // packet end: lower band only
  EXPECT_EQ(at(28 + 7, 3), 0xE0E0E0u);
  EXPECT_EQ(at(42 + 7, 3), 0xC0C0C0u);  // close mark: both bands
  EXPECT_EQ(at(42 + 7, 20), 0xC0C0C0u);
  // The letter and the hex digits leave ink in their cell.
  int ink = 0;
  for (int y = 0; y < 29; ++y)
    for (int x = 0; x < 14; ++x) ink += at(x, y) != 0xFFFFFFu && at(x, y) != 0xE0E0E0u;
  EXPECT_GT(ink, 5);
}

// The hex digits lie inside the 9-pixel band above their character: none
// cut at the top of the view, none down in the character band. Nothing
// reaches over a grid line: neither the next row's digits nor a character's
// descender (the bytes include y, [ and }).
TEST_F(TermBoxTest, DigitsAndCharactersStayInTheirBands) {
  Size(140, 4);
  const uint8_t bytes[] = {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39,
                           0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0xA5, 0xB7, 0xC8, 0xD9,
                           0x4A, 0x5B, 0x6C, 0x7D, 0x4E, 0x5F, 0xE4, 0xF6, 0xB0, 0xC9};
  for (uint8_t b : bytes) box.AddChar(b);
  ASSERT_EQ(box.Rows(), 3);
  box.DrawAll();
  const QImage img = box.Bitmap.toImage();
  auto at = [&](int x, int y) { return QColorToColor(img.pixelColor(x, y)); };
  const int width = 10 * TTermBox::kCellWidth;
  for (int row = 0; row < 3; ++row) {
    const int top = row * TTermBox::kRowHeight;
    for (int x = 0; x < width; ++x) {
      EXPECT_EQ(at(x, top), 0xE0E0E0u) << "ink on the band's top line, row " << row << " x " << x;
      EXPECT_EQ(at(x, top + 9), 0xFFFFFFu) << "digit ink below the band, row " << row << " x " << x;
      EXPECT_EQ(at(x, top + 29), 0x808080u) << "ink on the grid line, row " << row << " x " << x;
    }
    // Every cell's two digits are there.
    for (int cell = 0; cell < 10; ++cell) {
      int ink = 0;
      for (int y = top; y < top + 9; ++y)
        for (int x = cell * TTermBox::kCellWidth; x < (cell + 1) * TTermBox::kCellWidth; ++x)
          ink += at(x, y) != 0xE0E0E0u;
      EXPECT_GE(ink, 8) << "row " << row << " cell " << cell;
    }
  }
}

}  // namespace
}  // namespace qx
