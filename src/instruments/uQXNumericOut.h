// Numeric sender (module uQXNumericOut): a number typed into a field goes
// out as a number frame on the output channel, as typed, with the separator
// of the global settings; Enter in the field or the arrow button sends.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;

// What the typing filter does with one key press.
enum class TNumericKey { Pass, Swallow, Send };

// The typing filter: digits, "-" and Backspace always pass; Enter sends;
// ",", ".", "e" and "E" pass without intOnly; every other character is
// swallowed. Key presses that type no character (cursor keys, Delete) and
// shortcuts (Ctrl, Alt) are no typing and pass.
TNumericKey NumericOutKey(int key, const QString& text, Qt::KeyboardModifiers modifiers,
                          bool intOnly);

class TQXNumericOut : public TQXAnimElement {
  Q_OBJECT

 public:
  explicit TQXNumericOut(QWidget* owner);
  static TQXNumericOut* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void ResetValue() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXNumericOut>(); }

  // Sends the field's text; answers the animation kind (1 sent, 2 not sent,
  // 3 no valid output or no number).
  int32_t Send();

  std::string GetUnit() const { return Unit; }
  void SetUnit(const std::string& value);  // cut to 10 characters
  bool GetShowName() const { return ShowName; }
  void SetShowName(bool value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  bool GetShowUnit() const { return ShowUnit; }
  void SetShowUnit(bool value);
  bool GetIntOnly() const { return IntOnly; }
  void SetIntOnly(bool value) { IntOnly = value; }
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);
  std::string GetEditText() const;
  void SetEditText(const std::string& value);

  QLineEdit* Edit() const { return edit_; }
  QPushButton* Button() const { return button_; }
  QLabel* NameLabel() const { return name_; }
  QLabel* UnitLabel() const { return unit_; }

  std::string Unit;
  bool ShowName = false;
  bool ShowUnit = false;
  bool ShowSource = false;
  int32_t UnitWidth = 0;
  bool IntOnly = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The arrow scaled into the button (on every resize).
  void RenderGlyph(int buttonSize);
  // The caption, then the field right after it.
  void LayOutField();

  QLabel* unit_;
  QLabel* name_;
  QLineEdit* edit_;
  QPushButton* button_;
  QImage glyphSource_;
  TColor fontColor_ = 0;
};

}  // namespace qx
