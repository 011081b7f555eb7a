#include "shell/uTermBox.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

TTermBox* TermBox = nullptr;

namespace {
QFont MakeFont(const char* family, int points, QFont::StyleHint hint) {
  QFont f(family);
  f.setPointSize(points);
  f.setStyleHint(hint);
  return f;
}
// The faces asked for are not on every machine, and a stand-in of the same
// point size can be taller than its band: the hex digits then reach over the
// grid line above them, the characters down into their own. Each font is made
// smaller until it fits: the digits' ink at most 7 pixels high, with a free
// line above and below in their 9-pixel band; the characters at most 18
// pixels from their top (y + 11) to their lowest descender, above the line.
constexpr int kHexBand = 9;
constexpr int kHexInk = kHexBand - 2;
constexpr int kCharHeight = 18;

template <class Fits>
QFont Shrunk(QFont font, Fits fits) {
  for (int px = QFontInfo(font).pixelSize(); !fits(font) && px > 4; --px) font.setPixelSize(px - 1);
  return font;
}

const QString kHexDigits = QStringLiteral("0123456789ABCDEF");
}  // namespace

// ---- TTermArea ------------------------------------------------------------------

TTermArea::TTermArea(TTermBox& box) : QWidget(&box), box_(box) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TTermArea::paintEvent(QPaintEvent*) {
  box_.DrawAll();
  QPainter p(this);
  p.drawPixmap(0, 0, box_.Bitmap);
}

// ---- TTermBox -------------------------------------------------------------------

TTermBox::TTermBox(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  Area = new TTermArea(*this);
  ScrollBar = new QScrollBar(Qt::Vertical, this);
  ScrollBar->setRange(1, 1);
  ScrollBar->setSingleStep(1);
  ScrollBar->setPageStep(5);
  ScrollBar->setEnabled(false);
  connect(ScrollBar, &QScrollBar::valueChanged, Area, [this] { Area->update(); });
  charFont_ = Shrunk(MakeFont("Lucida Console", 11, QFont::Monospace),
                     [](const QFont& f) { return QFontMetrics(f).height() <= kCharHeight; });
  symbolFont_ = MakeFont("Arial Unicode MS", 12, QFont::SansSerif);
  hexFont_ = Shrunk(MakeFont("Segoe UI", 6, QFont::SansSerif), [](const QFont& f) {
    return QFontMetrics(f).tightBoundingRect(kHexDigits).height() <= kHexInk;
  });
  // The ink's top relative to the baseline is negative.
  const QRect ink = QFontMetrics(hexFont_).tightBoundingRect(kHexDigits);
  hexBaseline_ = 1 + (kHexInk - ink.height()) / 2 - ink.top();
}

int32_t TTermBox::CellsPerRow() const {
  // A cell fits when its right edge is not beyond the width; a view narrower
  // than one cell still takes one per row, so rows keep being counted and
  // dropped.
  return std::max(1, Area->width() / kCellWidth);
}

int32_t TTermBox::RowStart(int32_t n) const {
  const int64_t start = static_cast<int64_t>(std::max(n, 1) - 1) * CellsPerRow();
  return static_cast<int32_t>(std::min<int64_t>(start, Count()));
}

void TTermBox::AddChar(uint8_t code) {
  Append({code, 0, 0, TermCharPlain});
}

void TTermBox::AddSymbol(uint8_t code, char16_t symbol) {
  Append({code, symbol, 0, TermCharSymbol});
}

void TTermBox::AddPacketEnd() {
  Append({TermMarkPacketEnd, 0, 0, TermCharMarker});
}

void TTermBox::AddCloseMark() {
  Append({TermMarkClose, 0, 0, TermCharMarker});
}

void TTermBox::Append(const TTermChar& c) {
  cells_.push_back(c);
  if (cells_.size() == 1) {
    offset_ = kCellWidth;
  } else {
    offset_ += kCellWidth;
    if (offset_ > CellsPerRow() * kCellWidth) {
      ++rows_;
      offset_ = kCellWidth;
      if (rows_ > kMaxRows) DropFirstRow();
      if (Count() > kMaxCells) DropFirstRow();
    }
  }
  Area->update();
}

void TTermBox::DropFirstRow() {
  if (rows_ <= 2) return;
  const auto n = static_cast<size_t>(std::min(CellsPerRow(), Count()));
  cells_.erase(cells_.begin(), cells_.begin() + static_cast<std::ptrdiff_t>(n));
  --rows_;
}

void TTermBox::Relayout() {
  const int32_t per = CellsPerRow();
  if (cells_.empty()) {
    rows_ = 1;
    offset_ = 0;
    return;
  }
  rows_ = (Count() + per - 1) / per;
  // A narrower view holds no more rows than the limit either.
  while (rows_ > kMaxRows) {
    const int32_t before = rows_;
    DropFirstRow();
    if (rows_ == before) break;
  }
  offset_ = (Count() - (rows_ - 1) * per) * kCellWidth;
}

void TTermBox::Clear() {
  cells_.clear();
  rows_ = 1;
  offset_ = 0;
  UpdateScrollBar();
  Area->update();
}

void TTermBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int sbw = ScrollBar->sizeHint().width();
  Area->setGeometry(0, 0, std::max(0, width() - sbw), height());
  ScrollBar->setGeometry(width() - sbw, 0, sbw, height());
  if (width() != lastWidth_) {
    lastWidth_ = width();
    Relayout();
    Area->update();
  }
}

void TTermBox::UpdateScrollBar() {
  const QSignalBlocker block(ScrollBar);
  const int visible = Area->height() / kRowHeight;
  if (!cells_.empty() && visible < rows_) {
    const int max = std::max(1, rows_ - visible + 1);
    ScrollBar->setRange(1, max);
    if (ScrollBar->value() > max) ScrollBar->setValue(max);
    ScrollBar->setEnabled(true);
  } else {
    ScrollBar->setRange(1, 1);
    ScrollBar->setValue(1);
    ScrollBar->setEnabled(false);
  }
}

void TTermBox::DrawRowBack(QPainter& p, int y, int width) {
  p.fillRect(0, y, width, 10, ColorToQColor(0xE0E0E0));
  p.fillRect(0, y + 9, width, 20, Qt::white);
  p.fillRect(0, y + 29, width, 1, ColorToQColor(0x808080));
}

void TTermBox::DrawCell(QPainter& p, const TTermChar& c, int x, int y) {
  const QColor band = ColorToQColor(0xF0F0F0);
  switch (c.Kind) {
    case TermCharPlain: {
      p.setFont(charFont_);
      const QString s(QChar(static_cast<char16_t>(c.Code)));  // Latin-1
      const int w = p.fontMetrics().horizontalAdvance(s);
      p.setPen(Qt::black);
      p.drawText(x + (15 - w) / 2, y + 11 + p.fontMetrics().ascent(), s);
      break;
    }
    case TermCharSymbol: {
      p.fillRect(x, y + 9, 14, 20, band);
      p.setFont(symbolFont_);
      const QString s(QChar(c.Symbol));
      const QFontMetrics fm = p.fontMetrics();
      p.setPen(Qt::black);
      p.drawText(x + (15 - fm.horizontalAdvance(s)) / 2,
                 y + 8 + (20 - fm.height()) / 2 + fm.ascent(), s);
      break;
    }
    default:
      if (c.Code == TermMarkClose) {
        p.fillRect(x, y, 14, 9, ColorToQColor(0xC0C0C0));
        p.fillRect(x, y + 9, 14, 20, ColorToQColor(0xC0C0C0));
      } else {
        p.fillRect(x, y + 9, 14, 20, band);
      }
      return;
  }
  p.setFont(hexFont_);
  const QString hex = QString("%1").arg(c.Code, 2, 16, QChar('0')).toUpper();
  p.setPen(ColorToQColor(0x404040));
  p.drawText(x + (14 - p.fontMetrics().horizontalAdvance(hex)) / 2, y + hexBaseline_, hex);
}

void TTermBox::DrawAll() {
  const QSize size = Area->size().expandedTo(QSize(1, 1));
  if (Bitmap.size() != size) Bitmap = QPixmap(size);
  Bitmap.fill(Qt::white);
  UpdateScrollBar();
  if (cells_.empty()) return;
  QPainter p(&Bitmap);
  const int width = Area->width();
  const int32_t per = CellsPerRow();
  int32_t at = RowStart(ScrollBar->value());
  for (int y = 0; at < Count() && y < Area->height(); y += kRowHeight) {
    DrawRowBack(p, y, width);
    for (int32_t i = 0; i < per && at < Count(); ++i, ++at)
      DrawCell(p, Cell(at), i * kCellWidth, y);
  }
}

}  // namespace qx
