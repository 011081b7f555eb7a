#include "shell/uSheetSelect.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <algorithm>

#include "channels/uQXPorts.h"
#include "channels/uTerminal.h"
#include "editing/uChannelTable.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "formula/UCalculate.h"
#include "editing/uQXControls.h"
#include "shell/uConsoleSheet.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uMain.h"
#include "shell/uPortBox.h"
#include "shell/uRunSheet.h"
#include "widgets/uTabBar.h"
#include "widgets/uWholeRepaint.h"
#include "shell/uTerminalSheet.h"

namespace qx {

TSheetSelect* SheetSelect = nullptr;

void TSheetSelect::ShowOnly(QWidget* page) {
  for (QWidget* p :
       {static_cast<QWidget*>(RunSheet), ConsoleSheet, TerminalSheet, InterfaceSheet}) {
    if (p && p != page) p->hide();
  }
  if (page) {
    // The run page's thousands of instruments: one repaint, not a mark each.
    ShowWhole(page);
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
  // The property panel and the channel table belong to the Edit page.
  auto hidePanels = [] {
    TPropertyEditor::HideListing();
    if (ChannelTable) ChannelTable->Hide();
  };
  switch (index) {
    case PageIndexRun:
      hidePanels();
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
      hidePanels();
      ShowOnly(ConsoleSheet);
      if (qx::ConsoleSheet) {
        QScrollBar* bar = qx::ConsoleSheet->Memo1->verticalScrollBar();
        bar->setValue(std::min(10000, bar->maximum()));  // to its end
      }
      CompileAndInit();
      hideLights();
      break;
    case PageIndexTerminal:
      hidePanels();
      ShowOnly(TerminalSheet);
      QCoreApplication::processEvents();
      CompileAndInit();
      hideLights();
      if (Term) Term->FillPortList();
      break;
    case PageIndexInterface:
      hidePanels();
      TPortBox::Deselect();
      TPortBox::UpdateTextAll();
      ShowOnly(InterfaceSheet);
      if (qx::InterfaceSheet) qx::InterfaceSheet->UpdateAdresses();
      break;
    default:
      break;
  }
}

}  // namespace qx
