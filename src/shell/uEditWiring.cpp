#include "shell/uEditWiring.h"

#include <QMenu>

#include "editing/uEditPanel.h"
#include "shell/uMain.h"
#include "widgets/uRibbonButton.h"
#include "shell/uRunSheet.h"

namespace qx {

void InstallEditMode(TMainForm& form) {
  TEditPanel::OnElementPopup = [](QPoint at) {
    if (RunSheet && RunSheet->PopupMenu1) RunSheet->PopupMenu1->popup(at);
  };
  TEditPanel::OnEmptyPopup = [](QPoint at) {
    if (RunSheet && RunSheet->PopupMenu2) RunSheet->PopupMenu2->popup(at);
  };
  if (form.ButtonDelete) {
    QObject::connect(form.ButtonDelete, &TRibbonButton::clicked, &form,
                     [] { TEditPanel::DeleteSelected(); });
  }
}

}  // namespace qx
