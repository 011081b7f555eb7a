// Property rows that open sub-listings, and the value table (module
// uEESubRows). Openers copy their index into PropIndex before the
// sub-listing's rows are refreshed, so one sub-listing serves every curve or
// axis. Editing done: QLineEdit::editingFinished; the colour dialog through
// the dialog provider.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTableWidget>
#include <vector>

#include "editing/uPropertyEditor.h"

namespace qx {

// A caption and the arrow button that opens its sub-listing.
class TEEESubLister : public TEEEintrag {
 public:
  TEEESubLister();
  static TEEESubLister* Add(const QString& caption);
  void Open();
  QLabel* Label;
  TRibbonButton* Button;
  QPointer<TEESubListing> SubListing;
};

// A curve row: its formula and colour in place, the rest behind the button.
class TEEEEingColSub : public TEEEintrag {
 public:
  TEEEEingColSub();
  static TEEEEingColSub* Add(const QString& caption, TEEAcc<std::string> source,
                             TEEAcc<TColor> color);
  void Refresh(TFLObject& element) override;
  void Commit() override;
  void Open();
  QLabel* Label;
  QLabel* Marker;
  QLineEdit* Edit;
  TEESwatch* Swatch;
  TRibbonButton* Button;
  TColor DialogColor = 0x4080FF;  // where the dialog was last closed
  QPointer<TEESubListing> SubListing;
  TEEAcc<std::string> Source;
  TEEAcc<TColor> Color;

 private:
  void ApplySource();
  void PickColor();
};

// The read-only table of an element's X/Y pairs; fills its listing's box.
class TEEEArrayViewer : public TEEEintrag {
 public:
  using CaptionFn = std::function<std::string(TFLObject&, int32_t)>;
  using ValuesFn = std::function<std::vector<double>(TFLObject&, int32_t)>;

  TEEEArrayViewer();
  static TEEEArrayViewer* Add(CaptionFn getCaption, ValuesFn getXValues, ValuesFn getYValues);
  template <class C, class G1, class G2, class G3>
  static TEEEArrayViewer* Add(G1 caption, G2 xValues, G3 yValues) {
    return Add(detail::BindGetter<C, std::string>(caption),
               detail::BindGetter<C, std::vector<double>>(xValues),
               detail::BindGetter<C, std::vector<double>>(yValues));
  }
  void Refresh(TFLObject& element) override;
  QLabel* Label;
  QTableWidget* Grid;
  // The two columns as last filled, header entry first.
  QStringList ColumnX, ColumnY;
  CaptionFn GetCaption;
  ValuesFn GetXValues, GetYValues;
};

}  // namespace qx
