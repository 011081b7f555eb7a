// Sheets (module uSheet).
//
// A sheet is one page of instruments on the run page. All sheets lie on top
// of each other; CurrentSheet is the one shown, chosen by the sheet tab
// strip. A sheet owns its element list (stacking and saving order), its
// edit-mode overlay and its background. The program-wide SheetList is in tab
// order; the tab strip's four events keep it in step.
#pragma once

#include <QScrollArea>
#include <cstdint>
#include <memory>
#include <vector>

#include "formula/uFormulaElement.h"
#include "foundation/uFileLoadSet.h"

namespace qx {

class TQXElement;
class TEditPanel;
class TSheetBckgnd;
class TSheetTabs;
class TSheetCanvas;

class TSheet : public QScrollArea, public TFLObject {
  Q_OBJECT

 public:
  explicit TSheet(QWidget* runPage);
  ~TSheet() override;

  TEditPanel* EditPanel = nullptr;
  std::vector<TQXElement*> ElementList;
  std::unique_ptr<TSheetBckgnd> Background;

  // The widget the elements stand on (scrolls with the sheet).
  QWidget* Canvas() const;
  // Grows the scrollable area to the elements' extent.
  void UpdateExtent();

  // Destroys every element that is not a sub-element, last first.
  void Clear();
  // The elements (not the sub-elements) stack in list order.
  void StackAsListed();
  void AddElement(TQXElement* element);
  void RemoveElement(TQXElement* element);

  // ---- program-wide ----
  // Start-up: the first sheet on the run page, current and visible.
  static void Init(QWidget* runPage);
  // Answers of the tab strip's events.
  static void SheetChange();
  static void SheetNew();
  static void SheetDelete(int index);
  static void SheetExchange(int i, int j);
  static int IndexOfElement(const TQXElement* element);
  static int ElementCount();
  static void LangUpdate();
  static void EnterRunMode();
  static void EnterEditMode();
  // Key set "QXSHEET".
  static TFLSet& InitFileSet(TFLSetList& sets);
  static TFLObject* LoadSheetObject();
  // Binds the strip's events to the answers above.
  static void BindTabs(TSheetTabs& tabs);
  // A new project: every sheet but the first deleted, the first cleared and
  // current, its background and the tab strip reset.
  static void ResetAll();
  // The run page changed size: every sheet takes its new area.
  static void PlaceAll();
  // A panel that lies over the right edge of the run page while shown (the
  // property panel, the channel list): the sheets end where it begins, so
  // their scroll bars stay in sight.
  static void AddCoveringPanel(QWidget* panel);
  // Around a project load: extents, edit frames and the panels' stacking are
  // settled once at the end instead of after every element.
  static void BeginLoad();
  static void EndLoad();
  static bool InLoad();
  // Program end: every sheet and its elements go.
  static void FreeAll();

  // The run page the sheets stand on.
  static QWidget* RunPage;

  // The "name" key: the caption of this sheet's tab.
  // The whole name, as its tab keeps it (written by reference, not copied).
  const std::string& GetName() const;
  void SetName(std::string name);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  TSheetCanvas* canvas_ = nullptr;
};

// Size of a sheet's scrolled area: the content, or more where the view
// (without scroll bars) is larger; the bars the content needs take their
// room from the view.
QSize SheetExtent(QSize content, QSize view, QSize bars);

extern std::vector<TSheet*> SheetList;
extern TSheet* CurrentSheet;
extern bool FirstSheetPending;
extern bool EditMode;
extern TSheetTabs* SheetTabs;

// The formula language's view of the sheets: every element of every sheet.
class TSheetsFormulaView final : public TFormulaSheets {
 public:
  void ForEachElement(const std::function<void(TFormulaElement&)>& visit) override;
  void FillUpdateList() override;
};

}  // namespace qx
