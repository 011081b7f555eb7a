#include "instruments/uElementLabels.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

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

TElementText::TElementText(const QWidget& element, Qt::Alignment alignment, bool wordWrap)
    : font_(element.font()), alignment_(alignment), wordWrap_(wordWrap) {
  font_.setPointSize(12);
}

bool TElementText::SetText(const QString& text) {
  if (text == text_) return false;
  text_ = text;
  return true;
}

bool TElementText::SetGeometry(const QRect& rect) {
  const QRect r(rect.topLeft(), rect.size().expandedTo(QSize(0, 0)));
  if (r == rect_) return false;
  rect_ = r;
  return true;
}

void TElementText::SetFont(const QWidget& element, const TFontDesc& font) {
  font_ = FontDescToQFont(font).resolve(element.font());
  color_ = ColorToQColor(font.Color);
}

QPalette TElementText::Palette(const QWidget& element) {
  QStyleOption opt;
  opt.initFrom(&element);
  return opt.palette;
}

void TElementText::Paint(QPainter& p, const QWidget& element, const QPalette& palette) const {
  if (text_.isEmpty() || rect_.isEmpty()) return;
  // As a plain-text label draws: the element's palette and state, the
  // alignment mirrored for right-to-left text, tabs expanded, and nothing
  // outside its rectangle.
  const QPalette* pal = &palette;
  QPalette own;
  if (color_.isValid()) {
    own = palette;
    own.setColor(QPalette::WindowText, color_);
    pal = &own;
  }
  const bool rtl = text_.isRightToLeft();
  int flags = QStyle::visualAlignment(rtl ? Qt::RightToLeft : Qt::LeftToRight, alignment_) |
              Qt::TextExpandTabs | (rtl ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight);
  if (wordWrap_) flags |= Qt::TextWordWrap;
  p.setFont(font_);
  p.setClipRect(rect_);
  element.style()->drawItemText(&p, rect_, flags, *pal, element.isEnabled(), text_,
                                QPalette::WindowText);
  p.setClipping(false);
}

}  // namespace qx
