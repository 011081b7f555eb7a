#include "shell/uSheetSelect.h"

#include <QCoreApplication>

#include "channels/uQXPorts.h"
#include "channels/uTerminal.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "formula/UCalculate.h"
#include "instruments/uQXControls.h"
#include "shell/uMain.h"
#include "shell/uRunSheet.h"
#include "shell/uTabBar.h"

namespace qx {

TSheetSelect* SheetSelect = nullptr;

void TSheetSelect::ShowOnly(QWidget* page) {
  for (QWidget* p :
       {static_cast<QWidget*>(RunSheet), ConsoleSheet, TerminalSheet, InterfaceSheet}) {
    if (p && p != page) p->hide();
  }
  if (page) {
    page->show();
    page->raise();
  }
}

void TSheetSelect::TabChange(TTabBar& tabs) {
  const int index = tabs.ItemIndex;
  if (MainForm && index >= 0 && index < MainForm->MenueBar->count())
    MainForm->MenueBar->setCurrentIndex(index);
  auto hideLights = [] {
    if (PortList) PortList->HideAllStatusLights();
  };
  switch (index) {
    case PageIndexRun:
      ShowOnly(RunSheet);
      TSheet::EnterRunMode();
      ShowHiddenElements(false);
      CompileAndInit();
      TQXElement::ShowCompileStateAll();
      hideLights();
      if (SheetTabs) SheetTabs->Editable = false;
      break;
    case PageIndexEdit:
      if (Terminal) Terminal->Disconnect();
      TQXElement::ClearCompileStateAll();
      ShowOnly(RunSheet);
      ShowHiddenElements(true);
      TSheet::EnterEditMode();
      hideLights();
      if (SheetTabs) SheetTabs->Editable = true;
      break;
    case PageIndexConsole:
      ShowOnly(ConsoleSheet);
      CompileAndInit();
      hideLights();
      break;
    case PageIndexTerminal:
      ShowOnly(TerminalSheet);
      QCoreApplication::processEvents();
      CompileAndInit();
      hideLights();
      break;
    case PageIndexInterface:
      ShowOnly(InterfaceSheet);
      break;
    default:
      break;
  }
}

}  // namespace qx
