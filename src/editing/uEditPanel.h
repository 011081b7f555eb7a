// Edit mode (module uEditPanel).
//
// Each sheet has an edit panel: an overlay that fills the sheet in edit mode.
// This holds what the sheets and elements call; selecting, dragging and the
// edit frames are built on it.
#pragma once

#include <QWidget>
#include <vector>

class QKeyEvent;

namespace qx {

class TQXElement;
class TSheetBckgnd;

class TEditPanel : public QWidget {
  Q_OBJECT

 public:
  TEditPanel(QWidget* sheet, TSheetBckgnd* background);

  // Start-up.
  static void Init();
  // Switches every sheet's edit mode (EditMode follows).
  static void SetEditMode(bool on);
  // Fits the edit frames of this panel's sheet to their elements.
  void UpdateFrames();
  static void ClearSelection();
  static void UpdateSelection();
  // The element's edit frame follows its bounds.
  static void Follow(TQXElement& element);
  // An element is going: no selection or frame may keep it.
  static void ForgetElement(TQXElement* element);
  // Makes exactly these elements (of the current sheet) the selection.
  static void SelectElements(const std::vector<TQXElement*>& elements);
  // Keys of the sheet area in edit mode; true when taken.
  static bool KeyDown(QKeyEvent* event);

 private:
  TSheetBckgnd* background_;
};

}  // namespace qx
