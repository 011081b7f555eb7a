// Text sender (module uQXStringSend): a one-line text field and a send
// button; the button or Enter sends the text as "#<ch>S<text>;".
#pragma once

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;

class TQXStringSend : public TQXAnimElement {
  Q_OBJECT

 public:
  explicit TQXStringSend(QWidget* owner);
  static TQXStringSend* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXStringSend>(); }

  // Sends the field's text as it stands.
  void Send();

  bool GetShowName() const { return ShowName; }
  void SetShowName(bool value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);
  TColor GetEditBackColor() const { return editBackColor_; }
  void SetEditBackColor(TColor value);
  std::string GetEditText() const;
  void SetEditText(const std::string& value);

  QLineEdit* Edit() const { return edit_; }
  QPushButton* SendButton() const { return button_; }
  QWidget* FieldShape() const { return shape_; }
  QLabel* CaptionLabel() const { return label_; }
  // The glyph as shown on the button.
  const QImage& Glyph() const { return glyph_; }

  bool ShowSource = false;
  bool ShowName = false;
  int32_t CaptionHeight = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // ShowName or ShowSource: the element grows or shrinks by the caption line
  // when the line comes or goes.
  void SetCaptionFlag(bool& flag, bool value);
  QWidget* shape_;
  QLineEdit* edit_;
  QPushButton* button_;
  QLabel* label_;
  QImage glyphSource_;
  QImage glyph_;
  TColor fontColor_ = 0;
  TColor editBackColor_ = 0xFFFFFF;
};

}  // namespace qx
