// Binds edit mode to the main window (module uEditWiring): the run page's
// popups open where edit mode asks for them, and the ribbon's delete button
// deletes the selection.
#pragma once

namespace qx {

class TMainForm;

// Start-up, after the run page and TEditPanel::Init.
void InstallEditMode(TMainForm& form);

}  // namespace qx
