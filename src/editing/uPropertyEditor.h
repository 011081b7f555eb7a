// The property panel (module uPropertyEditor): one listing per class, shown
// beside the sheet on the Edit page for the selected element or the sheet
// background.
#pragma once

namespace qx {

class TQXElement;
class TSheetBckgnd;

class TPropertyEditor {
 public:
  // The listing of the element's class, filled from the element.
  static void ShowElement(TQXElement& element);
  static void ShowBackground(TSheetBckgnd& background);
  // Commits a pending edit, then hides the panel.
  static void HideListing();
  // Refills the shown listing from its object.
  static void RefreshListing();
  // The element the panel shows, if any.
  static TQXElement* ShownElement();
};

}  // namespace qx
