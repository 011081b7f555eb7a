// Push button (module uQXButton): sends one frame on its output channel
// when pressed; the mode decides what (1 on a click, 1 on press and 0 on
// release, a fixed text or a fixed number).
#pragma once

#include <QPointer>
#include <QPushButton>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;
class TEEEintrag;

enum : int32_t { ModeStandard = 0, ModeDoubleNotify = 1, ModeFreeText = 2, ModeFreeNumber = 3 };

class TQXButton : public TQXAnimElement {
  Q_OBJECT

 public:
  explicit TQXButton(QWidget* owner);
  static TQXButton* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXButton>(); }

  void Send(std::string_view payload) { SendPayload(payload); }
  void SendTyped(char letter, std::string_view value);
  void ButtonClick();
  void ButtonMouseDown();
  void ButtonMouseUp();

  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  int32_t GetMode() const;
  void SetMode(int32_t value);
  std::string GetFreeText() const { return FreeText; }
  void SetFreeText(const std::string& value);
  double GetFreeNumber() const { return FreeNumber; }
  void SetFreeNumber(double value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);
  QPushButton* Button() const { return button_; }
  // The rows of the free values, shown only in their mode.
  static TEEEintrag* FreeTextRow;
  static TEEEintrag* FreeNumberRow;

  bool ShowSource = false;
  bool ShowDenom = true;
  int32_t Mode = ModeStandard;
  std::string FreeText;
  double FreeNumber = 0.0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the row of this element's mode while the panel shows it.
  void UpdateModeRows() const;
  QPushButton* button_;
  TColor fontColor_ = 0;
};

// The free-text row shows only in the free-text mode, the free-number row
// only in the free-number mode, while the panel shows obj (buttons and
// switches share this; each class numbers its modes itself).
void ShowFreeValueRows(const TFLObject& obj, bool freeText, bool freeNumber, TEEEintrag* textRow,
                       TEEEintrag* numberRow);

// The caption from name and output formula.
std::string ButtonCaption(bool showDenom, bool showSource, std::string_view denom,
                          std::string_view source);

}  // namespace qx
