// Property rows that structure a listing and edit plain values (module
// uEEFields): titles, the separator line, the description, the text field
// and the integer and real fields (one field, a pair, two captioned fields).
//
// "Editing done" of an edit is QLineEdit::editingFinished (Enter or leaving
// the edit); of a check box QCheckBox::toggled. Refresh writes the controls
// with their signals blocked, so only the user's changes apply.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "editing/uPropertyEditor.h"

namespace qx {

class TEEETitel : public TEEEintrag {
 public:
  TEEETitel();
  static TEEETitel* Add(const QString& caption);
  QLabel* Label;
  QString Caption;  // cut to 32 characters

 protected:
  void SetCaption(const QString& caption, bool bold);
};

// The first row of an element's listing: the title with the switch that
// turns the element on and off (its Disabled flag, inverted).
class TEEETitelActive : public TEEEintrag {
 public:
  TEEETitelActive();
  static TEEETitelActive* Add(const QString& caption, TEEAcc<bool> disabled);
  void Refresh(TFLObject& element) override;
  QLabel* Label;
  QCheckBox* Check;
  TEEAcc<bool> Disabled;

 private:
  void ShowActive(bool active);
};

class TEEEIndexTitel : public TEEETitel {
 public:
  static TEEEIndexTitel* Add(const QString& caption);
  void Refresh(TFLObject& element) override;
};

class TEEESubTitel : public TEEETitel {
 public:
  static TEEESubTitel* Add(const QString& caption);
};

// A 1 pixel separator.
class TEEELinie : public TEEEintrag {
 public:
  TEEELinie();
  static TEEELinie* Add();
};

// A read-only text of the given height, disabled so it takes no focus.
class TEEEBeschreibung : public TEEEintrag {
 public:
  TEEEBeschreibung();
  static TEEEBeschreibung* Add(int height, const QString& text);
  QPlainTextEdit* Memo;
};

class TEEEZeichenfeld : public TEEEintrag {
 public:
  TEEEZeichenfeld();
  static TEEEZeichenfeld* Add(const QString& caption, TEEAcc<std::string> acc);
  void Refresh(TFLObject& element) override;
  void Commit() override;
  QLabel* Label;
  QLineEdit* Edit;
  TEEAcc<std::string> Acc;

 private:
  void Apply();
};

// One number field.
class TEEEEinfachFeld : public TEEEintrag {
 public:
  TEEEEinfachFeld();
  virtual void Apply(QObject* /*sender*/) {}
  void Commit() override;
  QLabel* Label;
  QLineEdit* Edit;
};

class TEEEIntFeld : public TEEEEinfachFeld {
 public:
  static TEEEIntFeld* Add(const QString& caption, TEEAcc<int32_t> acc);
  void Refresh(TFLObject& element) override;
  void Apply(QObject* sender) override;
  TEEAcc<int32_t> Acc;
};

class TEEERealFeld : public TEEEEinfachFeld {
 public:
  static TEEERealFeld* Add(const QString& caption, TEEAcc<double> acc);
  void Refresh(TFLObject& element) override;
  void Apply(QObject* sender) override;
  TEEAcc<double> Acc;
};

// Two numbers under one caption, each applied by itself.
class TEEEPaarFeld : public TEEEintrag {
 public:
  TEEEPaarFeld();
  virtual void Apply(QObject* /*sender*/) {}
  void Commit() override;
  QLabel* Label;
  QLabel* FirstLabel;
  QLineEdit* FirstEdit;
  QLabel* SecondLabel;
  QLineEdit* SecondEdit;

 protected:
  void SetCaptions(const QString& caption, const QString& label1, const QString& label2);
};

class TEEEIntPaar : public TEEEPaarFeld {
 public:
  static TEEEIntPaar* Add(const QString& caption, const QString& label1, const QString& label2,
                          TEEAcc<int32_t> first, TEEAcc<int32_t> second);
  void Refresh(TFLObject& element) override;
  void Apply(QObject* sender) override;
  TEEAcc<int32_t> First, Second;
};

class TEEERealPaar : public TEEEPaarFeld {
 public:
  static TEEERealPaar* Add(const QString& caption, const QString& label1, const QString& label2,
                           TEEAcc<double> first, TEEAcc<double> second);
  void Refresh(TFLObject& element) override;
  void Apply(QObject* sender) override;
  TEEAcc<double> First, Second;
};

// Two captioned numbers in one row; finishing either applies both.
class TEEEDoppelFeld : public TEEEintrag {
 public:
  TEEEDoppelFeld();
  virtual void Apply(QObject* /*sender*/) {}
  void Commit() override;
  QLabel* FirstCaption;
  QLabel* SecondCaption;
  QLineEdit* FirstEdit;
  QLineEdit* SecondEdit;
};

class TEEEIntDoppel : public TEEEDoppelFeld {
 public:
  static TEEEIntDoppel* Add(const QString& caption1, const QString& caption2, TEEAcc<int32_t> first,
                            TEEAcc<int32_t> second);
  void Refresh(TFLObject& element) override;
  void Apply(QObject* sender) override;
  TEEAcc<int32_t> First, Second;
};

class TEEERealDoppel : public TEEEDoppelFeld {
 public:
  static TEEERealDoppel* Add(const QString& caption1, const QString& caption2, TEEAcc<double> first,
                             TEEAcc<double> second);
  void Refresh(TFLObject& element) override;
  void Apply(QObject* sender) override;
  TEEAcc<double> First, Second;
};

// ---- helpers the row modules share ----

QLabel* EELabel(QWidget* row, int x, int y, int w, int h);
QLineEdit* EEEdit(QWidget* row, int x, int y, int w, int h);
void EESetRowColor(QWidget* row, TColor color);
// The text shown for a real (standard conversion, process separator).
QString EERealText(double value);
// Text of an edit as the core's conversions read it.
std::string EEText(const QLineEdit* edit);
// Sets a check box without reporting it as the user's change.
void EESetChecked(QCheckBox* box, bool checked);

}  // namespace qx
