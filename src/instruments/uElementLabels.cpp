#include "instruments/uElementLabels.h"

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

}  // namespace qx
