// Switch row (module uQXSwitch): 1 to 10 push switches in a row or column.
// Every click changes the states by the mode and sends one number frame:
// "xor" the index of the one pressed switch, "switchbar" the index followed
// by its new state, "dipSwitch" the sum of 2^k over the pressed switches.
#pragma once

#include <QLabel>
#include <QPointer>
#include <array>
#include <string>
#include <vector>

#include "editing/uQXControls.h"
#include "instruments/uSwitch.h"

namespace qx {

class TEEListing;
class TEEEintrag;

// Sizes of count parts of length: the first length mod count one larger.
std::vector<int32_t> SplitLength(int32_t length, int32_t count);

class TQXSwitch : public TQXAnimElement {
  Q_OBJECT

 public:
  static constexpr int32_t kMaxSwitches = 10;
  enum : int32_t { ModeXor = 0, ModeSwitchBar = 1, ModeDip = 2 };

  explicit TQXSwitch(QWidget* owner);
  static TQXSwitch* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;
  static std::array<TEEEintrag*, kMaxSwitches> CaptionRows;

  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXSwitch>(); }

  void ButtonClick(TSwitch* sender);

  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  int32_t GetIsVert() const { return IsVert ? 1 : 0; }
  void SetIsVert(int32_t value);
  int32_t GetMode() const { return Mode; }
  void SetMode(int32_t value);
  int32_t GetSwitchQty() const;
  void SetSwitchQty(int32_t value);
  // The whole caption; its switch shows what fits of it (written by
  // reference, not copied: a caption may be megabytes from a project file).
  const std::string& GetCaption(int32_t index) const;
  void SetCaption(int32_t index, std::string value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);

  TSwitch* Switch(int32_t i) const { return switches_[static_cast<size_t>(i)]; }
  QLabel* CaptionLabel() const { return label_; }

  int32_t SwitchQty = 2;
  int32_t Selected = 0;
  bool IsVert = false;
  int32_t Mode = ModeXor;
  bool ShowSource = false;
  bool ShowDenom = false;
  int32_t CaptionHeight = 0;

 private:
  // Caption rows of the switches in use shown, the others hidden.
  void UpdateCaptionRows() const;

  std::array<TSwitch*, kMaxSwitches> switches_{};
  std::array<std::string, kMaxSwitches> captions_;
  QLabel* label_;
};

}  // namespace qx
