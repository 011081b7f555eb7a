// Settings page (module uGlobalSettingsForm): the preferences that hold for
// every project, edited on an embedded page and written to the settings file
// when confirmed.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QGroupBox;

namespace qx {

class TEmbeddedModalFormItem;

class TFormGlobalSettings : public QWidget {
  Q_OBJECT

 public:
  explicit TFormGlobalSettings(QWidget* owner);
  ~TFormGlobalSettings() override;

  QLabel* LabelDecSep;
  QComboBox* ComboBoxDecSep;
  QGroupBox* GroupStart;
  QCheckBox* CheckBoxLoadLastProject;
  QLabel* LabelModeOnStart;
  QComboBox* ComboBoxModeOnStart;

  // Creates FormGlobalSettings and SettingsItem on ModalManager.
  static void Init(QWidget* owner);

  // Controls from GlobalSettings, and back.
  void LoadValues();
  void StoreValues();
  void LangUpdate();

  // "Einstellungen": only when not connected. The page; when confirmed the
  // values are taken and the settings file is written. True when confirmed.
  static bool ShowPage();
};

extern TFormGlobalSettings* FormGlobalSettings;
extern TEmbeddedModalFormItem* SettingsItem;

}  // namespace qx
