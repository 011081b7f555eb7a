// Bitmap switch (module uQXBmpSwitch): a two-position switch drawn from a
// picture per position, each with an optional overlay while hovered. Every
// click toggles the position and sends a value ending in the new digit.
#pragma once

#include <QPointer>
#include <string>

#include "instruments/uQXBmpButton.h"

namespace qx {

class TQXBmpSwitch : public TQXAnimElement {
  Q_OBJECT

 public:
  enum : int32_t { ModeStandard = 0, ModeFreeText = 1, ModeFreeNumber = 2 };

  explicit TQXBmpSwitch(QWidget* owner);
  static TQXBmpSwitch* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;
  static TEEEintrag* FreeTextRow;
  static TEEEintrag* FreeNumberRow;

  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXBmpSwitch>(); }

  void Send(std::string_view payload) { SendPayload(payload); }
  void LoadImage1();
  void LoadImage2();
  void LoadImage3();
  void LoadImage4();
  void UpdateFace();
  void UpdateImageFlags();
  void ImageClick();
  void LabelMouseEnter();
  void LabelMouseLeave();

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
  // Index 1..4: position 0, position 1, position 0 marked, position 1 marked.
  std::string GetFile(int32_t index) const;
  void SetFile(int32_t index, const std::string& value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);

  TBmpImage* Image(int32_t index) const;
  TBmpLabel* CaptionLabel() const { return label_; }

  bool ShowSource = false;
  bool ShowDenom = true;
  int32_t Mode = ModeStandard;
  std::string FreeText;
  double FreeNumber = 0.0;
  bool SwitchIsOff = true;
  bool MouseOver = false;
  bool HasMarked0 = true;
  bool HasMarked1 = true;
  std::string File0, File1, File0Marked, File1Marked;

 private:
  void UpdateModeRows() const;

  TBmpImage* pos0_;
  TBmpImage* pos1_;
  TBmpImage* marked0_;
  TBmpImage* marked1_;
  TBmpLabel* label_;
  TColor fontColor_ = 0;
};

}  // namespace qx
