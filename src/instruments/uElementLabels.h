// Labels that instruments place on themselves: transparent, fixed size,
// font size 12 unless a font is set.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoadSet.h"

class QPainter;

namespace qx {

// With an elide mode, a text wider than the label is shown cut on that side
// with "…" instead of being clipped.
QLabel* MakeElementLabel(QWidget* element, Qt::Alignment alignment,
                         Qt::TextElideMode elide = Qt::ElideNone);
// The text a label shows: a label of MakeElementLabel shows its text cut.
QString ShownLabelText(const QLabel* label);

// A caption in front of a value on one line. The value starts right after the
// caption and keeps the room its text needs: a caption too long gives way
// first (it is shown cut, or not at all when not even the ellipsis fits), and
// only a value wider than the whole line is cut.
struct TCaptionLine {
  int CaptionLeft = 0;
  int BareLeft = 0;  // where the value starts when no caption is shown
  int Right = 0;     // right end of the value
  int Gap = 0;       // between the caption's end and the value
};
struct TCaptionSpans {
  int CaptionWidth = 0;  // 0: no caption shown
  int ValueLeft = 0;
  int ValueWidth = 0;
};
[[nodiscard]] TCaptionSpans LayOutCaptionLine(const TCaptionLine& line, int captionWidth,
                                              int valueWidth, int minCaptionWidth);
// The same in pixels of the caption's and value's texts: the least width a
// cut caption is shown at is that of the ellipsis.
[[nodiscard]] TCaptionSpans LayOutCaptionLine(const TCaptionLine& line, const QString& caption,
                                              const QFont& captionFont, const QString& value,
                                              const QFont& valueFont);
// After a new value: true when its line may have to be laid out again, the
// caption being cut or the value perhaps wider than its room. Cheap for the
// usual case of a value that fits beside a whole caption.
[[nodiscard]] bool CaptionLineStale(const QLabel* caption, const QLabel* value);
// Name, size, style and colour of the font onto the label.
void SetLabelFont(QLabel* label, const TFontDesc& font);

// A text that its instrument paints itself, in a rectangle of the instrument
// and looking as such a label would. Displays that change on every display
// tick use it: a child label per text made each tick lay out and repaint
// three widgets per display.
class TElementText {
 public:
  // Font: the element's, size 12. A text that seldom changes keeps its
  // layout: laying a text out costs more than drawing it.
  TElementText(const QWidget& element, Qt::Alignment alignment, bool wordWrap = false,
               bool keepLayout = false);
  ~TElementText();
  TElementText(const TElementText&) = delete;
  TElementText& operator=(const TElementText&) = delete;

  const QString& text() const { return text_; }
  // A text wider than the rectangle is drawn cut on that side with "…".
  void SetElide(Qt::TextElideMode mode);
  // What is drawn: the text, or the text cut to the rectangle.
  const QString& ShownText() const;
  // True when the text surely fits the rectangle, found without shaping it.
  bool SurelyFits() const;
  // False when the text is already shown.
  bool SetText(const QString& text);
  const QRect& geometry() const { return rect_; }
  int x() const { return rect_.x(); }
  int y() const { return rect_.y(); }
  int width() const { return rect_.width(); }
  int height() const { return rect_.height(); }
  // Negative sizes count as 0, as for a widget. False when unchanged.
  bool SetGeometry(const QRect& rect);
  const QFont& font() const { return font_; }
  // Name, size, style and colour of the font.
  void SetFont(const QWidget& element, const TFontDesc& font);
  // The palette a label on the element would paint with (once per paint).
  static QPalette Palette(const QWidget& element);
  // Within the element's paint event, after its background.
  void Paint(QPainter& p, const QWidget& element, const QPalette& palette) const;
  // True when the last paint drew the text through its own layout rather
  // than the style's item text (for tests).
  bool PaintedFromLayout() const { return fromLayout_; }

 private:
  struct TKept;
  // The drawing flags of the text: as a plain-text label's.
  int Flags() const;
  void MakePaintFont(QPainter& p, const QWidget& element) const;
  // The text laid out for the painter's font.
  void LayOut(TKept& kept) const;
  void Forget();

  QString text_;
  QRect rect_;
  QFont font_;
  QColor color_;  // invalid: the element's text colour
  Qt::Alignment alignment_;
  Qt::TextElideMode elide_ = Qt::ElideNone;
  mutable std::optional<QString> shown_;
  mutable std::shared_ptr<const TLatinAdvances> advances_;  // of font_
  bool wordWrap_;
  bool keep_;
  mutable std::unique_ptr<TKept> kept_;
  mutable QFont paintFont_, paintFontOf_;
  mutable int paintDpi_ = 0;  // 0: no painter font made yet
  mutable bool fromLayout_ = false;
};

// The same for a caption and value drawn by their element.
[[nodiscard]] bool CaptionLineStale(const TElementText& caption, const TElementText& value);

}  // namespace qx
