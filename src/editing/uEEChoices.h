// Property rows for choices, colours, fonts, files and channel sources
// (module uEEChoices).
//
// Editing done: QLineEdit::editingFinished for edits, QCheckBox::toggled for
// check boxes, QComboBox::activated for the drop-down (the user's pick only),
// a confirmed dialog of the dialog provider for the pickers.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include "widgets/uDialogs.h"
#include "editing/uPropertyEditor.h"

namespace qx {

inline constexpr TColor kInputRowColor = 0xFEEDDC;
inline constexpr TColor kOutputRowColor = 0xDCFEDF;
// The colour value that stands for "the default colour" of a font.
inline constexpr TColor kDefaultFontColor = 0x20000000;

// A text with an on/off option ("Name" with "zeigen").
class TEEEZeichenUAuswahl : public TEEEintrag {
 public:
  TEEEZeichenUAuswahl();
  static TEEEZeichenUAuswahl* Add(const QString& caption, const QString& checkCaption,
                                  TEEAcc<std::string> text, TEEAcc<bool> flag);
  void SetCaption(const QString& caption, const QString& checkCaption);
  void Refresh(TFLObject& element) override;
  void Commit() override;
  QLabel* Label;
  QLineEdit* Edit;
  QCheckBox* Check;
  TEEAcc<std::string> Text;
  TEEAcc<bool> Flag;

 protected:
  void Store(TEEAcc<std::string> text, TEEAcc<bool> flag);
  void ApplyText();
};

// The input formula with "Zeigen".
class TEEEEingangUAuswahl : public TEEEZeichenUAuswahl {
 public:
  TEEEEingangUAuswahl();
  static TEEEEingangUAuswahl* Add(TEEAcc<std::string> source, TEEAcc<bool> show);
  QLabel* Marker;
};

// The output channel with "Zeigen".
class TEEEAusgangUAuswahl : public TEEEZeichenUAuswahl {
 public:
  TEEEAusgangUAuswahl();
  static TEEEAusgangUAuswahl* Add(TEEAcc<std::string> source, TEEAcc<bool> show);
  QLabel* Marker;
};

// An input formula; TEEEAusgang::Add dresses the same row as an output.
class TEEEEingang : public TEEEintrag {
 public:
  TEEEEingang();
  static TEEEEingang* Add(TEEAcc<std::string> source);
  void SetCaption(const QString& caption);
  void Refresh(TFLObject& element) override;
  void Commit() override;
  QLabel* Label;
  QLabel* Marker;
  QLineEdit* Edit;
  TEEAcc<std::string> Acc;

 private:
  void Apply();
  friend class TEEEAusgang;
};

class TEEEAusgang : public TEEEEingang {
 public:
  // A TEEEEingang row with the output's colour, caption and marker.
  static TEEEEingang* Add(TEEAcc<std::string> source);
};

class TEEEFarbe : public TEEEintrag {
 public:
  TEEEFarbe();
  static TEEEFarbe* Add(const QString& caption, TEEAcc<TColor> acc);
  void Refresh(TFLObject& element) override;
  void Commit() override;
  QLabel* Label;
  QLineEdit* Edit;
  TEESwatch* Swatch;
  TRibbonButton* Button;
  TColor DialogColor = 0x4080FF;  // where the colour dialog starts
  TEEAcc<TColor> Acc;

 private:
  void ApplyText();
  void Pick();
};

class TEEEFont : public TEEEintrag {
 public:
  TEEEFont();
  static TEEEFont* Add(const QString& caption, TEEAcc<TFontDesc> acc);
  void Refresh(TFLObject& element) override;
  void Commit() override;
  QLabel* Label;
  QLineEdit* NameEdit;
  QLineEdit* SizeEdit;
  TEESwatch* Swatch;
  TRibbonButton* Button;
  TFontDesc DialogFont;  // the font dialog's font
  TEEAcc<TFontDesc> Acc;

 private:
  void ApplyEdits();
  void PickFont();
  void PickColor();
  void Set();
};

// A check box with its own caption.
class TEEEAuswahlFeld : public TEEEintrag {
 public:
  TEEEAuswahlFeld();
  static TEEEAuswahlFeld* Add(const QString& caption, const QString& checkCaption,
                              TEEAcc<bool> acc);
  void Refresh(TFLObject& element) override;
  void Apply(QObject* sender);
  QLabel* Label;
  QCheckBox* Check;
  TEEAcc<bool> Acc;
};

// A file name, typed or picked; the three kinds differ in their dialog.
class TEEEDateiFeld : public TEEEintrag {
 public:
  TEEEDateiFeld();
  void Refresh(TFLObject& element) override;
  void Commit() override;
  QLabel* Label;
  QLineEdit* Edit;
  TRibbonButton* Button;
  TFileDialogRequest Request;
  QString StartDirectory;  // current when the dialog was made
  TEEAcc<std::string> Acc;

 protected:
  template <class R>
  static R* AddFile(const QString& caption, TEEAcc<std::string> acc);

 private:
  void Apply();
  void Pick();
};

class TEEEDateiauswahl : public TEEEDateiFeld {
 public:
  TEEEDateiauswahl();
  static TEEEDateiauswahl* Add(const QString& caption, TEEAcc<std::string> acc);
};

class TEEEDateiOeffnen : public TEEEDateiFeld {
 public:
  TEEEDateiOeffnen();
  static TEEEDateiOeffnen* Add(const QString& caption, TEEAcc<std::string> acc);
};

class TEEEBildDatei : public TEEEDateiFeld {
 public:
  TEEEBildDatei();
  static TEEEBildDatei* Add(const QString& caption, TEEAcc<std::string> acc);
};

// A drop-down choice; the value is the item index.
class TEEEAuswahlbox : public TEEEintrag {
 public:
  TEEEAuswahlbox();
  static TEEEAuswahlbox* Add(const QString& caption, const QStringList& items, TEEAcc<int32_t> acc);
  void Refresh(TFLObject& element) override;
  QLabel* Label;
  QComboBox* Combo;
  TEEAcc<int32_t> Acc;
};

}  // namespace qx
