#include "shell/uGlobalSettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include "channels/uTerminal.h"
#include "widgets/uLangStrings.h"
#include "foundation/uSettingLoader.h"
#include "shell/EmbeddedModalForm.h"

namespace qx {

TFormGlobalSettings* FormGlobalSettings = nullptr;
TEmbeddedModalFormItem* SettingsItem = nullptr;

TFormGlobalSettings::TFormGlobalSettings(QWidget* owner) : QWidget(owner) {
  resize(420, 190);
  LabelDecSep = new QLabel(this);
  LabelDecSep->setGeometry(20, 24, 180, 22);
  ComboBoxDecSep = new QComboBox(this);
  ComboBoxDecSep->setGeometry(210, 22, 180, 26);
  GroupStart = new QGroupBox(this);
  GroupStart->setGeometry(12, 64, 396, 110);
  CheckBoxLoadLastProject = new QCheckBox(GroupStart);
  CheckBoxLoadLastProject->setGeometry(10, 28, 370, 22);
  LabelModeOnStart = new QLabel(GroupStart);
  LabelModeOnStart->setGeometry(10, 66, 180, 22);
  ComboBoxModeOnStart = new QComboBox(GroupStart);
  ComboBoxModeOnStart->setGeometry(198, 64, 180, 26);
  LangUpdate();
  hide();
}

TFormGlobalSettings::~TFormGlobalSettings() {
  if (FormGlobalSettings == this) {
    FormGlobalSettings = nullptr;
    SettingsItem = nullptr;
  }
}

void TFormGlobalSettings::Init(QWidget* owner) {
  FormGlobalSettings = new TFormGlobalSettings(owner);
  if (!ModalManager) return;
  SettingsItem = ModalManager->AddItem(FormGlobalSettings);
  SettingsItem->ShowClose = true;
  SettingsItem->OKCaption = Tr("ulangstrings.sok", "OK");
  SettingsItem->CloseCaption = Tr("ulangstrings.sabbrechen", "Abbrechen");
  SettingsItem->Title = Tr("ulangstrings.sglobaleeinst", "Globale Einstellungen");
}

void TFormGlobalSettings::LangUpdate() {
  setWindowTitle(Tr("ulangstrings.sglobaleeinst", "Globale Einstellungen"));
  LabelDecSep->setText(Tr("uglobalsettingsform.labeldecsep", "Dezimaltrenner"));
  GroupStart->setTitle(Tr("uglobalsettingsform.groupstart", "Beim Programmstart"));
  CheckBoxLoadLastProject->setText(
      Tr("uglobalsettingsform.checkboxloadlastproject", "Letztes Projekt laden"));
  LabelModeOnStart->setText(Tr("uglobalsettingsform.labelmodeonstart", "Modus nach Programmstart"));
  const int sep = ComboBoxDecSep->currentIndex();
  const int mode = ComboBoxModeOnStart->currentIndex();
  ComboBoxDecSep->clear();
  ComboBoxDecSep->addItems({Tr("uglobalsettingsform.sgssystem", "System"),
                            Tr("uglobalsettingsform.sgspunkt", "Punkt"),
                            Tr("uglobalsettingsform.sgskomma", "Komma")});
  ComboBoxModeOnStart->clear();
  ComboBoxModeOnStart->addItems(
      {Tr("uglobalsettingsform.ssgbearb", "Bearbeiten"), Tr("uglobalsettingsform.ssgausf",
                                                            "Ausf\xC3\xBC"
                                                            "hren")});
  ComboBoxDecSep->setCurrentIndex(sep < 0 ? 0 : sep);
  ComboBoxModeOnStart->setCurrentIndex(mode < 0 ? 0 : mode);
}

void TFormGlobalSettings::LoadValues() {
  if (!GlobalSettings) return;
  const int32_t sep = GlobalSettings->SepChoice;
  ComboBoxDecSep->setCurrentIndex(sep >= 0 && sep <= 2 ? sep : 0);
  CheckBoxLoadLastProject->setChecked(GlobalSettings->AutoLoadProject);
  ComboBoxModeOnStart->setCurrentIndex(GlobalSettings->StartInRunMode ? 1 : 0);
}

void TFormGlobalSettings::StoreValues() {
  if (!GlobalSettings) return;
  GlobalSettings->SetDecimalSeparator(ComboBoxDecSep->currentIndex());
  GlobalSettings->StartInRunMode = ComboBoxModeOnStart->currentIndex() == 1;
  GlobalSettings->AutoLoadProject = CheckBoxLoadLastProject->isChecked();
}

bool TFormGlobalSettings::ShowPage() {
  if (!FormGlobalSettings || !SettingsItem) return false;
  if (Terminal && Terminal->Connected.load()) return false;
  FormGlobalSettings->LoadValues();
  if (!SettingsItem->ShowModal()) return false;
  FormGlobalSettings->StoreValues();
  // Written now, so a crash later does not lose what the user confirmed.
  (void)TSettingLoad::SaveSettings();
  return true;
}

}  // namespace qx
