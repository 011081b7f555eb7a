// Page switching (module uSheetSelect): answers the main tab strip's change
// event and performs each page switch in its fixed order.
#pragma once

#include <QWidget>

namespace qx {

class TTabBar;

enum : int32_t {
  PageIndexRun = 0,
  PageIndexEdit = 1,
  PageIndexConsole = 2,
  PageIndexTerminal = 3,
  PageIndexInterface = 4
};

class TSheetSelect {
 public:
  // The page forms besides the run page (made by start-up).
  QWidget* ConsoleSheet = nullptr;
  QWidget* TerminalSheet = nullptr;
  QWidget* InterfaceSheet = nullptr;

  void TabChange(TTabBar& tabs);

 private:
  // Shows one page form, hides the others.
  void ShowOnly(QWidget* page);
};

extern TSheetSelect* SheetSelect;

}  // namespace qx
