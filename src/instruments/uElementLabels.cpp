#include "instruments/uElementLabels.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTextLayout>
#include <cmath>
#include <vector>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

QLabel* MakeElementLabel(QWidget* element, Qt::Alignment alignment) {
  auto* l = new QLabel(element);
  l->setAlignment(alignment);
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  QFont f = l->font();
  f.setPointSize(12);
  l->setFont(f);
  l->show();
  return l;
}

void SetLabelFont(QLabel* label, const TFontDesc& font) {
  label->setFont(FontDescToQFont(font));
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, ColorToQColor(font.Color));
  label->setPalette(pal);
}

// ---- TElementText -------------------------------------------------------------

// The text laid out once for the painter's font and the flags it was laid out
// with; Drawable is false for texts that are always drawn the plain way.
struct TElementText::TKept {
  TKept(const QString& text, const QFont& font, int flags)
      : Font(font), Flags(flags), Layout(text, font) {}
  QFont Font;
  int Flags;
  bool Drawable = false;
  QTextLayout Layout;
  QPointF At;  // where the line is drawn, relative to the rectangle
};

TElementText::TElementText(const QWidget& element, Qt::Alignment alignment, bool wordWrap)
    : font_(element.font()), alignment_(alignment), wordWrap_(wordWrap) {
  font_.setPointSize(12);
}

TElementText::~TElementText() = default;

bool TElementText::SetText(const QString& text) {
  if (text == text_) return false;
  text_ = text;
  Forget();
  return true;
}

bool TElementText::SetGeometry(const QRect& rect) {
  const QRect r(rect.topLeft(), rect.size().expandedTo(QSize(0, 0)));
  if (r == rect_) return false;
  rect_ = r;
  Forget();
  return true;
}

void TElementText::SetFont(const QWidget& element, const TFontDesc& font) {
  font_ = FontDescToQFont(font).resolve(element.font());
  color_ = ColorToQColor(font.Color);
  Forget();
}

void TElementText::Forget() {
  kept_.reset();
  paintedOnce_ = false;
}

namespace {

// Texts the kept layout draws exactly as the plain way does: one line, no
// trailing blank (its width depends on the direction), no decoration lines
// (the plain way draws them after all glyphs of the line), enabled.
bool KeepsLayout(const QString& text, const QFont& font) {
  if (font.underline() || font.overline() || font.strikeOut()) return false;
  if (text.isEmpty() || text.back().isSpace()) return false;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == u'\n' || u == u'\r' || u == 0x2028 || u == 0x2029 || u == 0x9C) return false;
  }
  return true;
}

}  // namespace

const TElementText::TKept* TElementText::Kept(QPainter& p, int flags, bool enabled) const {
  // A text painted once may change before the next paint: it is laid out
  // only when painted again unchanged.
  if (!paintedOnce_) {
    paintedOnce_ = true;
    return nullptr;
  }
  const QFont& font = p.font();
  if (!kept_ || kept_->Flags != flags || !(kept_->Font == font)) {
    // One line laid out as the plain way lays it out: tabs to stops of
    // eight 'x' where they expand, otherwise blanks; alignment applied per
    // line by the offset it is drawn at.
    const bool rtl = flags & Qt::TextForceRightToLeft;
    QString text = text_;
    const bool expandTabs =
        (flags & Qt::TextExpandTabs) &&
        (((flags & Qt::AlignLeft) && !rtl) || ((flags & Qt::AlignRight) && rtl));
    const QFontMetricsF fm(font);
    int tabStops = 0;
    for (QChar& c : text) {
      if (c != u'\t') continue;
      if (!expandTabs)
        c = u' ';
      else if (!tabStops)
        tabStops = qRound(fm.horizontalAdvance(u'x') * 8);
    }
    kept_ = std::make_unique<TKept>(text, font, flags);
    if (wordWrap_ || !KeepsLayout(text_, font)) return nullptr;
    QTextOption option;
    if (tabStops > 0) option.setTabStopDistance(tabStops);
    option.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);
    QTextLayout& layout = kept_->Layout;
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
      line.setLineWidth(0x01000000);
      line.setPosition(QPointF(0, 0));
    }
    const bool oneLine = line.isValid() && !layout.createLine().isValid();
    layout.endLayout();
    if (!oneLine) return nullptr;
    const qreal w = rect_.width(), h = rect_.height();
    const qreal height = line.ascent() + line.descent();
    const qreal advance = line.horizontalAdvance();
    qreal x = 0, y = 0;
    if (flags & Qt::AlignBottom)
      y = h - height;
    else if (flags & Qt::AlignVCenter)
      y = (h - height) / 2;
    if (flags & Qt::AlignRight)
      x = w - advance;
    else if (flags & Qt::AlignHCenter)
      x = (w - advance) / 2;
    kept_->At = QPointF(x, y);
    kept_->Drawable = true;
  }
  return kept_->Drawable && enabled ? kept_.get() : nullptr;
}

QPalette TElementText::Palette(const QWidget& element) {
  QStyleOption opt;
  opt.initFrom(&element);
  return opt.palette;
}

void TElementText::Paint(QPainter& p, const QWidget& element, const QPalette& palette) const {
  fromKept_ = false;
  if (text_.isEmpty() || rect_.isEmpty()) return;
  // As a plain-text label draws: the element's palette and state, the
  // alignment mirrored for right-to-left text, tabs expanded, and nothing
  // outside its rectangle.
  const bool rtl = text_.isRightToLeft();
  int flags = QStyle::visualAlignment(rtl ? Qt::RightToLeft : Qt::LeftToRight, alignment_) |
              Qt::TextExpandTabs | (rtl ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight);
  if (wordWrap_) flags |= Qt::TextWordWrap;
  p.setFont(font_);
  p.setClipRect(rect_);
  const bool enabled = element.isEnabled();
  if (const TKept* kept = Kept(p, flags, enabled)) {
    // The pen an enabled item text is drawn with: the text brush at the
    // painter's pen width.
    const QPen saved = p.pen();
    p.setPen(QPen(color_.isValid() ? QBrush(color_) : palette.brush(QPalette::WindowText),
                  saved.widthF()));
    kept->Layout.lineAt(0).draw(&p, QPointF(rect_.topLeft()) + kept->At);
    p.setPen(saved);
    fromKept_ = true;
  } else {
    const QPalette* pal = &palette;
    QPalette own;
    if (color_.isValid()) {
      own = palette;
      own.setColor(QPalette::WindowText, color_);
      pal = &own;
    }
    element.style()->drawItemText(&p, rect_, flags, *pal, enabled, text_, QPalette::WindowText);
  }
  p.setClipping(false);
}

}  // namespace qx
