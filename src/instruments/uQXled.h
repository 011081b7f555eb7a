// LED (module uQXled): a coloured square whose colour the formula's number
// selects: 0 the night colour, 1..ColorQty the light colours.
#pragma once

#include <QLabel>
#include <QPointer>
#include <array>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;

// Index chosen by a value among count entries: the smallest i in
// 0 .. count - 1 with value - 0.000001 < i, else count (NaN gives count).
int32_t ValueToIndex(double value, int32_t count);

// The label caption of name and formula shared by the lamp-like elements.
std::string NameSourceCaption(bool showDenom, bool showSource, std::string_view denom,
                              std::string_view source);

class TQXled : public TQXElement {
  Q_OBJECT

 public:
  static constexpr int32_t kMaxColors = 10;

  explicit TQXled(QWidget* owner);
  static TQXled* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void UpdateDisplay() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXled>(); }

  int32_t GetColorQty() const;
  void SetColorQty(int32_t value);
  // Index 0 the night colour, 1..10 the light colours.
  TColor GetColor(int32_t index) const;
  void SetColor(int32_t index, TColor value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);
  QLabel* LedLabel() const { return label_; }

  std::array<TColor, kMaxColors + 1> Colors{0x001122, 0x07F113, 0x0000FF, 0x00FFFF,
                                            0x0080FF, 0xFF5413, 0x8000FF, 0xFFFF00,
                                            0x008080, 0x008000, 0xF5F5F5};
  int32_t ColorQty = 1;
  bool ShowSource = false;
  bool ShowDenom = false;

 private:
  // The panel shows the light-colour rows in use while it shows this.
  void UpdateColorRows() const;
  QLabel* label_;
  TColor fontColor_ = 0x808080;
};

}  // namespace qx
