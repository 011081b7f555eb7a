#include "shell/uLangUpdate.h"

#include <QCoreApplication>
#include <QEvent>

#include "editing/uChannelTable.h"
#include "editing/uPropertyEditor.h"
#include "editing/uQXControls.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "editing/uSheetTabs.h"
#include "foundation/uSettingLoader.h"
#include "shell/EmbeddedModalForm.h"
#include "shell/uAbout.h"
#include "shell/uFileHandling.h"
#include "shell/uGlobalSettingsForm.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uMain.h"
#include "shell/uTerminalSheet.h"
#include "widgets/uLangStrings.h"
#include "widgets/uTabBar.h"
#include "widgets/uWholeRepaint.h"

namespace qx {

void TLanguage::SetLanguage(const std::string& code) {
  const std::string c = code.substr(0, 2);
  if (GlobalSettings) GlobalSettings->LanguageCode = c;
  TPropertyEditor::HideListing();
  // Every widget takes the toolkit's language change with a repaint of its
  // own: with thousands of instruments the window is repainted in one piece.
  ChangeWhole(MainForm, [c] {
    (void)LoadTranslation(c);
    (void)LoadQtTranslation(c);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    LangUpdateAll();
  });
}

void TLanguage::MenueLangUpdate() {
  TMainForm* form = MainForm;
  if (!form) return;
  if (form->TabBar) {
    form->TabBar->Captions = {
        Tr("ulangstrings.stabrun", "Ausf\xC3\xBChren"), Tr("ulangstrings.stabedit", "Bearbeiten"),
        Tr("ulangstrings.stabcons", "Konsole"), Tr("ulangstrings.stabterm", "Terminal"),
        Tr("ulangstrings.stabinterf", "Schnittstelle")};
    form->TabBar->Arrange();
    form->TabBar->update();
  }
  form->UpdateMinimumSize();
  if (SheetTabs) SheetTabs->LangUpdate();
  if (AboutItem) {
    AboutItem->OKCaption = Tr("ulangstrings.sschliessen",
                              "Schlie\xC3\x9F"
                              "en");
    AboutItem->Title = Tr("uabout.saboutquillex",
                          "\xC3\x9C"
                          "ber Quillex");
  }
  if (SettingsItem) {
    SettingsItem->OKCaption = Tr("ulangstrings.sok", "OK");
    SettingsItem->CloseCaption = Tr("ulangstrings.sabbrechen", "Abbrechen");
    SettingsItem->Title = Tr("ulangstrings.sglobaleeinst", "Globale Einstellungen");
  }
  // The ribbon, the mode bars, the menus and the pages' own texts: each
  // control keeps the key of its text.
  RetranslateKeyed(form);
}

void TLanguage::LangUpdateAll() {
  if (FileHandling) FileHandling->LangUpdate();
  MenueLangUpdate();
  TQXElement::InitListings();
  if (InterfaceSheet) InterfaceSheet->LangUpdate();
  if (TerminalSheet) TerminalSheet->LangUpdate();
  TPropertyEditor::LangUpdate();
  if (ChannelTable) ChannelTable->LangUpdate();
  TSheetBckgnd::PrepareListing();
  if (FormAbout) FormAbout->FillTexts();
  if (MainForm) MainForm->update();
  TSheet::LangUpdate();
  if (FormGlobalSettings) FormGlobalSettings->LangUpdate();
}

}  // namespace qx
