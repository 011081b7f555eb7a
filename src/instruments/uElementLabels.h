// Labels that instruments place on themselves: transparent, fixed size,
// font size 12 unless a font is set.
#pragma once

#include <QLabel>

#include "foundation/uFileLoadSet.h"

namespace qx {

QLabel* MakeElementLabel(QWidget* element, Qt::Alignment alignment);
// Name, size, style and colour of the font onto the label.
void SetLabelFont(QLabel* label, const TFontDesc& font);

}  // namespace qx
