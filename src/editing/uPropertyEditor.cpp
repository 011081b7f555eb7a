#include "editing/uPropertyEditor.h"

namespace qx {

void TPropertyEditor::ShowElement(TQXElement&) {}
void TPropertyEditor::ShowBackground(TSheetBckgnd&) {}
void TPropertyEditor::HideListing() {}
void TPropertyEditor::RefreshListing() {}
TQXElement* TPropertyEditor::ShownElement() { return nullptr; }

}  // namespace qx
