#include "editing/uEditPanel.h"

#include "editing/uSheet.h"

namespace qx {

TEditPanel::TEditPanel(QWidget* sheet, TSheetBckgnd* background)
    : QWidget(sheet), background_(background) {
  hide();
}

void TEditPanel::Init() {
  EditMode = false;
}

void TEditPanel::SetEditMode(bool on) {
  EditMode = on;
}

void TEditPanel::UpdateFrames() {}

void TEditPanel::ClearSelection() {}

void TEditPanel::UpdateSelection() {}

void TEditPanel::Follow(TQXElement&) {}

void TEditPanel::ForgetElement(TQXElement*) {}

void TEditPanel::SelectElements(const std::vector<TQXElement*>&) {}

bool TEditPanel::KeyDown(QKeyEvent*) {
  return false;
}

}  // namespace qx
