// Text display (module uQXRemoteLabel): the last text received on one
// channel, centred and word-wrapped; an initial text before any arrives.
#pragma once

#include <QPointer>

#include "editing/uQXControls.h"
#include "instruments/uElementLabels.h"

namespace qx {

class TEEListing;

class TQXRemoteLabel : public TQXElement {
  Q_OBJECT

 public:
  explicit TQXRemoteLabel(QWidget* owner);
  static TQXRemoteLabel* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void UpdateDisplay() override;
  void ResetValue() override;
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXRemoteLabel>(); }

  std::string GetInitText() const { return InitText; }
  void SetInitText(const std::string& value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);
  const TElementText* Label() const { return &label_; }

  std::string InitText = "leer";

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Drawn by the display itself; received text is never markup.
  TElementText label_;
  TColor fontColor_ = 0;
};

}  // namespace qx
