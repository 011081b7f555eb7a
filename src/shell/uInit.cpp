#include "shell/uInit.h"

#include <QApplication>
#include <QTimer>
#include <memory>

#include "channels/uComPort.h"
#include "channels/uLossNotify.h"
#include "channels/uQXPorts.h"
#include "channels/uTerminal.h"
#include "editing/uChannelTable.h"
#include "editing/uCopyPaste.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
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
#include "editing/uQXControls.h"
#include "shell/EmbeddedModalForm.h"
#include "shell/uAbout.h"
#include "shell/uCmdArgs.h"
#include "shell/uConsoleSheet.h"
#include "shell/uEditWiring.h"
#include "shell/uFileHandling.h"
#include "shell/uGlobalSettingsForm.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uLangUpdate.h"
#include "shell/uLoadSaveForm.h"
#include "shell/uMain.h"
#include "shell/uPortBox.h"
#include "shell/uProjectContent.h"
#include "shell/uRunSheet.h"
#include "shell/uSheetSelect.h"
#include "widgets/uTabBar.h"
#include "shell/uTermBox.h"
#include "shell/uTerminalSheet.h"
#include "shell/uWindowMode.h"

namespace qx {

namespace {

// What start-up creates and shutdown frees, in creation order.
struct TGlobals {
  std::unique_ptr<TVirtualTickcount64> tickCounter;
  std::unique_ptr<TCopyPaste> copyPaste;
  std::unique_ptr<TSheetSelect> sheetSelect;
  std::unique_ptr<TLossNotify> lossNotify;
  std::unique_ptr<TTerminal> terminal;
  std::unique_ptr<TPortList> portList;
  std::unique_ptr<TProjectContentImpl> content;
  std::unique_ptr<TSheetsFormulaView> formulaSheets;
  std::unique_ptr<TCalculator> calculator;
  std::unique_ptr<TFileHandling> fileHandling;
  bool secondInitDone = false;
  std::unique_ptr<TTerm> term;
  std::unique_ptr<TCons> cons;
  std::unique_ptr<TWindowMode> windowMode;
};

TGlobals* G = nullptr;

// A page form fills the page area, hidden until its tab is chosen.
QWidget* MakePage(QWidget* page) {
  page->setGeometry(page->parentWidget()->rect());
  page->hide();
  return page;
}

}  // namespace

bool SecondInitDone() {
  return G && G->secondInitDone;
}

void NewProject() {
  if (FileHandling) FileHandling->Reset();
}

void GlobalInit(TMainForm& form) {
  G = new TGlobals;
  MainForm = &form;
  qApp->setApplicationName("Quillex");
  // The core's failure texts through the catalogue; Qt's own dialogs in the
  // built-in German until a language is chosen.
  InstallCoreTextLookup();
  (void)LoadQtTranslation("de");
  TFileHandling::UpdateTitle(false);

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
  InstallEditMode(form);
  TSheet::Init(RunSheet);
  auto* tabs = new TSheetTabs(RunSheet);
  tabs->setGeometry(0, RunSheet->height() - 21, RunSheet->width(), 20);
  tabs->show();
  TSheet::BindTabs(*tabs);
  InitMeasureBitmap();
  G->copyPaste = std::make_unique<TCopyPaste>();
  CopyPaste = G->copyPaste.get();

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
  form.UpdateMinimumSize();
  form.TabBar->OnChange = [](TTabBar* bar) {
    if (SheetSelect) SheetSelect->TabChange(*bar);
  };
  form.TabBar->show();
  TPropertyEditor::EEInit(form.PanelProperties, [&form] { form.PanelPropertiesResize(); });
  TPropertyEditor::HideListing();
  TSheetBckgnd::PrepareListing();
  ChannelTable = new TChannelTable(form.PanelChannelArea);
  TSheet::AddCoveringPanel(form.PanelProperties);
  TSheet::AddCoveringPanel(form.PanelChannelArea);
  TEditPanel::OnHideChannelTable = [] {
    if (ChannelTable) ChannelTable->Hide();
  };

  SheetSelect->InterfaceSheet = MakePage(new TInterfaceSheet(form.Panel1));
  TerminalSheet = new TTerminalSheet(form.Panel1);
  TermBox = TerminalSheet->TermBox;
  SheetSelect->TerminalSheet = MakePage(TerminalSheet);
  ConsoleSheet = new TConsoleSheet(form.Panel1);
  SheetSelect->ConsoleSheet = MakePage(ConsoleSheet);

  // Dialog pages inside the main window.
  ModalManager = new TEmbeddedModalFormManager(&form);
  ModalManager->SetFrameColor(0xE9E4E0);
  TFormAbout::Init(&form);
  TFormGlobalSettings::Init(&form);
  TFormLoadSave::Init(&form);

  // The hub, its loss flags and the port list exist before the first port.
  G->lossNotify = std::make_unique<TLossNotify>();
  LossNotify = G->lossNotify.get();
  G->terminal = std::make_unique<TTerminal>(*LossNotify);
  Terminal = G->terminal.get();
  G->portList = std::make_unique<TPortList>(*Terminal);
  PortList = G->portList.get();
  // The page sinks, and a box for every port from the first one on.
  G->term = std::make_unique<TTerm>(*TerminalSheet, LossNotify);
  Term = G->term.get();
  Term->CheckBox1 = form.CheckBox1;
  Term->ComboPortChoice = form.ComboPortChoice;
  Term->StatusFrame = form.StatusFrame;
  Terminal->SetTermSink(Term);
  G->cons = std::make_unique<TCons>(*ConsoleSheet, LossNotify);
  Cons = G->cons.get();
  Cons->CheckBoxConsActive = form.CheckBoxConsActive;
  Cons->CheckBoxConsRec = form.CheckBoxConsRec;
  Cons->StatusFrame1 = form.StatusFrame1;
  Cons->StatusFrameConsRec = form.StatusFrameConsRec;
  Cons->ConsFontColor = form.ConsFontColor;
  Cons->ConsBackColor = form.ConsBackColor;
  Terminal->SetConsSink(Cons);
  Cons->Clear();
  Cons->ShowStatus();
  Term->ShowStatus();
  PortList->SetBoxFactory(MakePortBox);
  PortList->OnBeforeFreeAll = [] {
    TPortBox::Deselect();
    TPortBox::SelectedBox = nullptr;
  };
  PortList->OnAfterFreeAll = [] { TPortBox::ArrangeBoxes(); };

  InitFileLoader();
  G->content = std::make_unique<TProjectContentImpl>();
  FileLoad->SetContent(G->content.get());
  FileLoad->SetProgress(FormLoadSave);
  TSheet::InitFileSet(*FLSetList);
  InitProjectGeneralSettings(*FLSetList,
                             std::make_unique<TShellProjectSettings>(form.CheckBoxCompileState));
  TQXPort::RegisterKeySets(*FLSetList, PortList);
  TComPort::CreateInstance(*PortList);
  TQXElement::InitUpdateList();
  InitSettingLoader();
  InitGlobalSettings();
  if (GlobalSettings)
    GlobalSettings->OnSetLanguage = [](const std::string& code) { TLanguage::SetLanguage(code); };

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
       [] { TQXElement::StreamStartAll(); }, [] { TQXElement::StreamStopAll(); },
       [] { TQXElement::StreamPrepareAll(); }});
  form.OnCloseQuery = [] { GlobalCloseQuery(); };
  // An edited project is saved, discarded or the close is cancelled.
  form.OnCanClose = [] { return !FileHandling || FileHandling->AskToKeep(); };
  G->fileHandling = std::make_unique<TFileHandling>();
  FileHandling = G->fileHandling.get();
  RunSheet->OnSave = [] { FileHandling->Save(); };
  RunSheet->OnOpen = [] { FileHandling->Open(); };

  TQXElement::CompileStateVisible = true;
  form.CheckBoxCompileState->setChecked(true);
  if (GlobalSettings) GlobalSettings->LanguageCode = "nn";

  form.TabBar->SelectTab(PageIndexEdit);
  if (CurrentSheet) {
    CurrentSheet->EditPanel->UpdateFrames();
    CurrentSheet->update();
  }
  G->windowMode = std::make_unique<TWindowMode>();
  WindowMode = G->windowMode.get();
  WindowMode->Init(&form);
  TrayHost = WindowMode;
  FileHandling->MarkUnchanged();
  QTimer::singleShot(0, &form, [] { SecondInit(); });
}

void SecondInit() {
  if (!G || G->secondInitDone) return;
  G->secondInitDone = true;
  if (CurrentSheet) CurrentSheet->EditPanel->UpdateFrames();
  if (FormAbout) FormAbout->FillTexts();
  TSettingLoad::LoadSettings();
  ApplyStartSettings({[] { NewProject(); },
                      [] {
                        if (MainForm && MainForm->TabBar) MainForm->TabBar->SelectTab(PageIndexRun);
                      }});
  // A project loaded here is shown as Open shows it: first sheet, its title.
  const bool loaded = FileLoad && !FileLoad->ProjectFile.empty();
  if (loaded && SheetTabs) SheetTabs->SelectTab(0);
  TFileHandling::UpdateTitle(loaded);
  TCmdArgs::Proceed();
  // The window was closed during a load: the program ends, nothing more.
  if (FormLoadSave && FormLoadSave->Cancelled()) return;
  // The controls' stacking follows the list order.
  if (CurrentSheet) CurrentSheet->StackAsListed();
  // What start-up made or loaded is the unchanged project.
  if (FileHandling) FileHandling->MarkUnchanged();
}

void GlobalCloseQuery() {
  // A load in progress stops: the program ends once it has returned.
  if (FormLoadSave) FormLoadSave->Cancel();
  if (Terminal) Terminal->Disconnect();
  TSettingLoad::SaveSettings();
}

void GlobalFree() {
  if (!G) return;
  if (Terminal) {
    Terminal->Disconnect();
    Terminal->SetRunView(nullptr);
    // The ports are closed: no thread reaches the page sinks any more.
    Terminal->SetTermSink(nullptr);
    Terminal->SetConsSink(nullptr);
  }
  if (LossNotify) LossNotify->SetLabels(nullptr);
  // Ports first (their threads dispatch into the hub and the elements).
  G->portList.reset();  // frees the port boxes while their page lives
  PortList = nullptr;
  Term = nullptr;
  G->term.reset();
  Cons = nullptr;
  G->cons.reset();
  InterfaceSheet = nullptr;
  TerminalSheet = nullptr;
  TermBox = nullptr;
  ConsoleSheet = nullptr;
  Interpreter.SheetTabs = nullptr;
  TPropertyEditor::HideListing();
  TSheet::FreeAll();
  TPropertyEditor::EEFree();
  delete ChannelTable;
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
  if (FileLoad) FileLoad->SetProgress(nullptr);
  FileHandling = nullptr;
  G->fileHandling.reset();
  G->content.reset();
  SheetSelect = nullptr;
  G->sheetSelect.reset();
  CopyPaste = nullptr;
  G->copyPaste.reset();
  VirtualTickCounter = nullptr;
  G->tickCounter.reset();
  RunSheet = nullptr;
  TrayHost = nullptr;
  WindowMode = nullptr;
  G->windowMode.reset();
  if (MainForm) MainForm->TabBar = nullptr;
  MainForm = nullptr;
  // Qt's catalogue does not outlive the application.
  (void)LoadQtTranslation("en");
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
