#include "shell/uInit.h"

#include <QApplication>
#include <QTimer>
#include <memory>

#include "channels/uComPort.h"
#include "channels/uLossNotify.h"
#include "channels/uQXPorts.h"
#include "channels/uTerminal.h"
#include "editing/uEditPanel.h"
#include "editing/uLangStrings.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "formula/UCalculate.h"
#include "formula/UInterpreter.h"
#include "formula/uFunctions.h"
#include "formula/uMemFunctions.h"
#include "formula/uOperatorBase.h"
#include "formula/udynamicfunctions.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uProjectSettings.h"
#include "foundation/uSettingLoader.h"
#include "foundation/uTiming.h"
#include "instruments/uQXClasses.h"
#include "instruments/uQXControls.h"
#include "shell/uMain.h"
#include "shell/uProjectContent.h"
#include "shell/uRunSheet.h"
#include "shell/uSheetSelect.h"
#include "shell/uTabBar.h"

namespace qx {

namespace {

// What start-up creates and shutdown frees, in creation order.
struct TGlobals {
  std::unique_ptr<TVirtualTickcount64> tickCounter;
  std::unique_ptr<TSheetSelect> sheetSelect;
  std::unique_ptr<TLossNotify> lossNotify;
  std::unique_ptr<TTerminal> terminal;
  std::unique_ptr<TPortList> portList;
  std::unique_ptr<TProjectContentImpl> content;
  std::unique_ptr<TSheetsFormulaView> formulaSheets;
  std::unique_ptr<TCalculator> calculator;
  bool secondInitDone = false;
};

TGlobals* G = nullptr;

QWidget* MakePage(QWidget* parent) {
  auto* page = new QWidget(parent);
  page->setGeometry(parent->rect());
  page->hide();
  return page;
}

}  // namespace

bool SecondInitDone() {
  return G && G->secondInitDone;
}

void NewProject() {
  if (Terminal) Terminal->Disconnect();
  // Ports go before sheets: nothing may dispatch into elements being freed.
  if (PortList) PortList->FreeAll();
  TSheet::ResetAll();
  if (FileLoad) FileLoad->ProjectFile.clear();
}

void GlobalInit(TMainForm& form) {
  G = new TGlobals;
  MainForm = &form;
  qApp->setApplicationName("Quillex");
  form.setWindowTitle("Quillex");

  G->tickCounter = std::make_unique<TVirtualTickcount64>();
  VirtualTickCounter = G->tickCounter.get();
  form.TickSampler.setInterval(TVirtualTickcount64::SampleIntervalMs);
  QObject::connect(&form.TickSampler, &QTimer::timeout, &form, [] {
    if (VirtualTickCounter) VirtualTickCounter->SampleTimer();
  });
  form.TickSampler.start();

  RunSheet = new TRunSheet(form.Panel1);
  RunSheet->setGeometry(form.Panel1->rect());
  RunSheet->setFont(form.font());
  RunSheet->show();
  TEditPanel::Init();
  TSheet::Init(RunSheet);
  auto* tabs = new TSheetTabs(RunSheet);
  tabs->setGeometry(0, RunSheet->height() - 21, RunSheet->width(), 20);
  tabs->show();
  TSheet::BindTabs(*tabs);
  InitMeasureBitmap();

  G->sheetSelect = std::make_unique<TSheetSelect>();
  SheetSelect = G->sheetSelect.get();
  form.TabBar = new TTabBar(form.Menue, 5);
  form.TabBar->Captions = {
      Tr("ulangstrings.stabrun", "Ausf\xC3\xBChren"), Tr("ulangstrings.stabedit", "Bearbeiten"),
      Tr("ulangstrings.stabcons", "Konsole"), Tr("ulangstrings.stabterm", "Terminal"),
      Tr("ulangstrings.stabinterf", "Schnittstelle")};
  form.TabBar->Widths.assign(5, 100);
  form.TabBar->SetStripColor(0xC0C0C0);
  form.TabBar->SetTabColor(0xFCF5EF);
  form.Arrange();
  form.TabBar->Arrange();
  form.TabBar->OnChange = [](TTabBar* bar) {
    if (SheetSelect) SheetSelect->TabChange(*bar);
  };
  form.TabBar->show();

  SheetSelect->InterfaceSheet = MakePage(form.Panel1);
  SheetSelect->TerminalSheet = MakePage(form.Panel1);
  SheetSelect->ConsoleSheet = MakePage(form.Panel1);

  // The hub, its loss flags and the port list exist before the first port.
  G->lossNotify = std::make_unique<TLossNotify>();
  LossNotify = G->lossNotify.get();
  G->terminal = std::make_unique<TTerminal>(*LossNotify);
  Terminal = G->terminal.get();
  G->portList = std::make_unique<TPortList>(*Terminal);
  PortList = G->portList.get();

  InitFileLoader();
  G->content = std::make_unique<TProjectContentImpl>();
  FileLoad->SetContent(G->content.get());
  TSheet::InitFileSet(*FLSetList);
  InitProjectGeneralSettings(*FLSetList,
                             std::make_unique<TShellProjectSettings>(form.CheckBoxCompileState));
  TQXPort::RegisterKeySets(*FLSetList, PortList);
  TComPort::CreateInstance(*PortList);
  TQXElement::InitUpdateList();
  InitSettingLoader();
  InitGlobalSettings();

  InitOperators();
  InitFunctions();
  InitDynaFunctions();
  TInterpreter::CreateStack();
  TMemFunction::Init();
  G->formulaSheets = std::make_unique<TSheetsFormulaView>();
  FormulaSheets = G->formulaSheets.get();
  G->calculator = std::make_unique<TCalculator>(*Terminal, Interpreter, *MemFunctionSet,
                                                *DynaFunctions, *FormulaSheets);
  Calculator = G->calculator.get();
  Terminal->SetFormulaHooks(Calculator);
  SetChannelValues(Terminal->Values());
  Interpreter.SheetTabs = SheetTabs;

  RegisterElementClasses();
  TQXElement::InitListings();
  TQXElement::InitFileSets(*FLSetList);

  Terminal->SetRunView(&form);
  LossNotify->SetLabels(&form);
  Terminal->SetElementRoutines(
      {[] { TQXElement::UpdateDisplayAll(); }, [] { TQXElement::ClearCompileStateAll(); },
       [] { TQXElement::StreamStartAll(); }, [] { TQXElement::StreamStopAll(); }});
  form.OnCloseQuery = [] { GlobalCloseQuery(); };

  TQXElement::CompileStateVisible = true;
  form.CheckBoxCompileState->setChecked(true);
  if (GlobalSettings) GlobalSettings->LanguageCode = "nn";

  form.TabBar->SelectTab(PageIndexEdit);
  if (CurrentSheet) {
    CurrentSheet->EditPanel->UpdateFrames();
    CurrentSheet->update();
  }
  QTimer::singleShot(0, &form, [] { SecondInit(); });
}

void SecondInit() {
  if (!G || G->secondInitDone) return;
  G->secondInitDone = true;
  if (CurrentSheet) CurrentSheet->EditPanel->UpdateFrames();
  TSettingLoad::LoadSettings();
  ApplyStartSettings({[] { NewProject(); },
                      [] {
                        if (MainForm && MainForm->TabBar) MainForm->TabBar->SelectTab(PageIndexRun);
                      }});
  // The controls' stacking follows the list order.
  if (CurrentSheet) {
    for (TQXElement* e : CurrentSheet->ElementList) {
      if (!e->IsSubElement) e->raise();
    }
  }
}

void GlobalCloseQuery() {
  if (Terminal) Terminal->Disconnect();
  TSettingLoad::SaveSettings();
}

void GlobalFree() {
  if (!G) return;
  if (Terminal) {
    Terminal->Disconnect();
    Terminal->SetRunView(nullptr);
  }
  if (LossNotify) LossNotify->SetLabels(nullptr);
  // Ports first (their threads dispatch into the hub and the elements).
  G->portList.reset();
  PortList = nullptr;
  Interpreter.SheetTabs = nullptr;
  TSheet::FreeAll();
  TQXElement::DisplayUpdateList().clear();
  if (Terminal) Terminal->SetFormulaHooks(nullptr);
  Calculator = nullptr;
  G->calculator.reset();
  FormulaSheets = nullptr;
  G->formulaSheets.reset();
  SetChannelValues(nullptr);
  G->terminal.reset();
  Terminal = nullptr;
  G->lossNotify.reset();
  LossNotify = nullptr;
  if (FileLoad) FileLoad->SetContent(nullptr);
  G->content.reset();
  SheetSelect = nullptr;
  G->sheetSelect.reset();
  VirtualTickCounter = nullptr;
  G->tickCounter.reset();
  RunSheet = nullptr;
  if (MainForm) MainForm->TabBar = nullptr;
  MainForm = nullptr;
  delete G;
  G = nullptr;
}

int ProgramMain(int argc, char** argv) {
  QApplication::setApplicationName("Quillex");
  QApplication app(argc, argv);
  InstallQtSystemColors();
  InstallDefaultFont();
  int rc = 0;
  {
    TMainForm form;
    GlobalInit(form);
    form.show();
    rc = app.exec();
    GlobalFree();
  }
  return rc;
}

}  // namespace qx
