// Look-up table element (module uQXLUT): a two-column table of numbers from a
// text file, offered to every formula as a function named after the element
// (name(x): the table's y at x, as a staircase or interpolated linearly). It
// has no channel; on the sheet it shows a table icon, its name and its file.
//
// The table and its function definition live in the core (TLUTFunction):
// every compile run reloads the file (PrepareLUT) and the look-up-table
// rebuild publishes the definition when the name is free. Lookups run on the
// evaluating threads under the hub's receive lock, so every reload loads into
// a separate table and swaps it in under that lock.
#pragma once

#include <QLabel>
#include <QPointer>
#include <string>
#include <vector>

#include "formula/udynamicfunctions.h"
#include "editing/uQXControls.h"

namespace qx {

class TEEListing;
class TEESubListing;
class TEEESubLister;

class TQXLUT : public TQXElement {
  Q_OBJECT

 public:
  explicit TQXLUT(QWidget* owner);
  // Takes the function out of the published list and the compiled code that
  // calls it, before anything can evaluate into the freed table.
  ~TQXLUT() override;
  static TQXLUT* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static QPointer<TEESubListing> ValuesListing;
  static const TFLSet* ClassSet;

  void UpdateCaption() override;
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXLUT>(); }
  void ShowCompileState() override;

  // Reload, check and index (compile run); true when valid.
  bool PrepareLUT() override;
  TDynaFunctionDefins* LUTFunction() override { return &lut_.Definition; }
  // The function value at x (any thread, under the receive lock).
  [[nodiscard]] double Lookup(double x) const { return lut_.Table.Lookup(x); }

  // The value viewer's caption: reloads the file (so the status follows the
  // disk) and answers "Wertetabelle: " + status.
  std::string GetTableCaption();
  std::vector<double> GetXValues() const { return lut_.Table.XValues; }
  std::vector<double> GetYValues() const { return lut_.Table.YValues; }

  const std::string& GetFileName() const { return FileName; }
  void SetFileName(std::string value);
  bool GetShowName() const { return ShowName; }
  void SetShowName(bool value);
  bool GetInterpolate() const { return lut_.Table.Interpolate.load(); }
  void SetInterpolate(bool value) { lut_.Table.Interpolate = value; }
  bool GetHideInRun() const { return HideInRun; }
  void SetHideInRun(bool value) { HideInRun = value; }

  bool LUTValid() const { return lut_.Table.LUTValid; }
  // The status of the last load and check in the user's language.
  QString StatusText() const;
  const TLookupTable& Table() const { return lut_.Table; }
  // The absolute name of the table file (project directory for a relative
  // one).
  std::string AbsoluteTableFile() const;

  QLabel* NameLabel() const { return name_; }
  QLabel* FileLabel() const { return file_; }
  QLabel* Icon() const { return icon_; }

  bool ShowName = true;
  std::string FileName;

 private:
  bool Reload();

  TLUTFunction lut_;
  QLabel* name_;
  QLabel* file_;
  QLabel* icon_;
};

// The status text of the core's table in the user's language.
QString LUTStatusText(std::string_view status);

}  // namespace qx
