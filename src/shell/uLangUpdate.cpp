#include "shell/uLangUpdate.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <unordered_map>

#include "editing/uChannelTable.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "editing/uSheetTabs.h"
#include "foundation/uSettingLoader.h"
#include "editing/uQXControls.h"
#include "shell/EmbeddedModalForm.h"
#include "widgets/IconButton.h"
#include "shell/uAbout.h"
#include "shell/uFileHandling.h"
#include "shell/uGlobalSettingsForm.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uMain.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"

namespace qx {

namespace {

// Text as shown before the switch -> its key. The main window's controls
// keep only their text, so the switch finds each key through it.
using TReverse = std::unordered_map<QString, std::string>;

TReverse ShownTexts() {
  TReverse r;
  for (const auto& [key, german] : SeenTexts()) r.try_emplace(Tr(key.c_str(), german.c_str()), key);
  return r;
}

QString Translated(const TReverse& before, const QString& text, bool& found) {
  const auto it = before.find(text);
  found = it != before.end();
  if (!found) return text;
  const auto& seen = SeenTexts();
  return Tr(it->second.c_str(), seen.at(it->second).c_str());
}

void RetranslateMenu(QMenu* menu, const TReverse& before);

void RetranslateAction(QAction* a, const TReverse& before) {
  bool found = false;
  const QString t = Translated(before, a->text(), found);
  if (found) a->setText(t);
  if (a->menu()) RetranslateMenu(a->menu(), before);
}

void RetranslateMenu(QMenu* menu, const TReverse& before) {
  for (QAction* a : menu->actions()) RetranslateAction(a, before);
}

// Labels, buttons, ribbon and icon buttons below root (not user data: line
// edits and lists keep their contents).
void RetranslateTree(QWidget* root, const TReverse& before) {
  bool found = false;
  for (QLabel* l : root->findChildren<QLabel*>()) {
    const QString t = Translated(before, l->text(), found);
    if (found) l->setText(t);
  }
  for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
    const QString t = Translated(before, b->text(), found);
    if (found) b->setText(t);
  }
  for (TRibbonButton* b : root->findChildren<TRibbonButton*>()) {
    const QString t = Translated(before, b->Caption(), found);
    if (found) b->SetCaption(t);
  }
  for (TIconButton* b : root->findChildren<TIconButton*>()) {
    const QString t = Translated(before, b->Caption(), found);
    if (found) b->SetCaption(t);
  }
}

TReverse gBefore;  // the shown texts during one switch

}  // namespace

void TLanguage::SetLanguage(const std::string& code) {
  const std::string c = code.substr(0, 2);
  if (GlobalSettings) GlobalSettings->LanguageCode = c;
  TPropertyEditor::HideListing();
  gBefore = ShownTexts();
  (void)LoadTranslation(c);
  LangUpdateAll();
  gBefore.clear();
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
  // The ribbon, the mode bars and the menus built in code.
  if (!gBefore.empty()) {
    RetranslateTree(form->Menue, gBefore);
    RetranslateTree(form->FullWindowMenu, gBefore);
    RetranslateTree(form->FullScreenMenu, gBefore);
    RetranslateMenu(form->Popup_Extras, gBefore);
    for (QMenu* m : form->InstrumentMenus) RetranslateMenu(m, gBefore);
  }
}

void TLanguage::LangUpdateAll() {
  if (FileHandling) FileHandling->LangUpdate();
  MenueLangUpdate();
  TQXElement::InitListings();
  if (InterfaceSheet) InterfaceSheet->LangUpdate();
  TPropertyEditor::LangUpdate();
  if (ChannelTable) ChannelTable->LangUpdate();
  TSheetBckgnd::InitListing();
  if (FormAbout) FormAbout->FillTexts();
  if (MainForm) MainForm->update();
  TSheet::LangUpdate();
  if (FormGlobalSettings) FormGlobalSettings->LangUpdate();
}

}  // namespace qx
