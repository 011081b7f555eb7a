#include "instruments/uElementLabels.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

namespace {

// Cuts its text where it is wider than the label; the label keeps the whole
// text, so layouts measure what it should show.
class TElidingLabel : public QLabel {
 public:
  TElidingLabel(QWidget* parent, Qt::TextElideMode mode) : QLabel(parent), mode_(mode) {}

  QString Shown() const {
    const QString& t = text();
    if (textFormat() == Qt::RichText || (textFormat() == Qt::AutoText && Qt::mightBeRichText(t)) ||
        t.contains(u'\n'))
      return t;
    return ElidedTextOf(t, font(), contentsRect().width(), mode_);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    const QString shown = Shown();
    if (shown == text()) {
      QLabel::paintEvent(event);
      return;
    }
    QPainter p(this);
    const int flags = QStyle::visualAlignment(layoutDirection(), alignment()) |
                      (shown.isRightToLeft() ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight);
    style()->drawItemText(&p, contentsRect(), flags, palette(), isEnabled(), shown,
                          foregroundRole());
  }

 private:
  Qt::TextElideMode mode_;
};

}  // namespace

QString ShownLabelText(const QLabel* label) {
  if (const auto* e = dynamic_cast<const TElidingLabel*>(label)) return e->Shown();
  return label->text();
}

TCaptionSpans LayOutCaptionLine(const TCaptionLine& line, int captionWidth, int valueWidth,
                                int minCaptionWidth) {
  const auto bare = [&] {
    return TCaptionSpans{0, line.BareLeft, std::max(0, line.Right - line.BareLeft)};
  };
  if (captionWidth <= 0) return bare();
  const int room = line.Right - line.CaptionLeft - line.Gap - std::max(0, valueWidth);
  const int shown = std::min(captionWidth, room);
  if (shown < captionWidth && shown < std::max(1, minCaptionWidth)) return bare();
  const int valueLeft = line.CaptionLeft + shown + line.Gap;
  return TCaptionSpans{shown, valueLeft, std::max(0, line.Right - valueLeft)};
}

TCaptionSpans LayOutCaptionLine(const TCaptionLine& line, const QString& caption,
                                const QFont& captionFont, const QString& value,
                                const QFont& valueFont) {
  if (caption.isEmpty()) return LayOutCaptionLine(line, 0, 0, 0);
  return LayOutCaptionLine(line, TextWidthOf(caption, captionFont),
                           value.isEmpty() ? 0 : TextWidthOf(value, valueFont),
                           TextWidthOf(QStringLiteral("\u2026"), captionFont));
}

bool CaptionLineStale(const QLabel* caption, const QLabel* value) {
  if (caption->text().isEmpty()) return false;
  return caption->width() < TextWidthOf(caption->text(), caption->font()) ||
         !TextSurelyFits(value->text(), value->font(), value->width());
}

bool CaptionLineStale(const TElementText& caption, const TElementText& value) {
  if (caption.text().isEmpty()) return false;
  return caption.ShownText() != caption.text() || !value.SurelyFits();
}

QLabel* MakeElementLabel(QWidget* element, Qt::Alignment alignment, Qt::TextElideMode elide) {
  QLabel* l = elide == Qt::ElideNone ? new QLabel(element) : new TElidingLabel(element, elide);
  l->setAlignment(alignment);
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  QFont f = l->font();
  f.setPointSize(12);
  l->setFont(f);
  l->show();
  return l;
}

void SetLabelFont(QLabel* label, const TFontDesc& font) {
  label->setFont(FontDescToQFont(font));
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, ColorToQColor(font.Color));
  label->setPalette(pal);
}

// ---- TElementText -------------------------------------------------------------

// The text laid out as the plain way (the style's item text) lays it out,
// kept until text, rectangle or font change. Drawable is false for texts
// that are always drawn the plain way.
struct TElementText::TKept {
  int Flags = 0;
  bool Drawable = false;
  std::optional<QTextLayout> Layout;
  std::vector<QPointF> At;  // where each line is drawn, relative to the rectangle
};

TElementText::TElementText(const QWidget& element, Qt::Alignment alignment, bool wordWrap,
                           bool keepLayout)
    : font_(element.font()), alignment_(alignment), wordWrap_(wordWrap), keep_(keepLayout) {
  font_.setPointSize(12);
}

TElementText::~TElementText() = default;

bool TElementText::SetText(const QString& text) {
  if (text == text_) return false;
  text_ = text;
  Forget();
  return true;
}

bool TElementText::SetGeometry(const QRect& rect) {
  const QRect r(rect.topLeft(), rect.size().expandedTo(QSize(0, 0)));
  if (r == rect_) return false;
  rect_ = r;
  Forget();
  return true;
}

void TElementText::SetFont(const QWidget& element, const TFontDesc& font) {
  font_ = FontDescToQFont(font).resolve(element.font());
  color_ = ColorToQColor(font.Color);
  advances_.reset();
  paintDpi_ = 0;
  Forget();
}

void TElementText::Forget() {
  kept_.reset();
  shown_.reset();
}

void TElementText::SetElide(Qt::TextElideMode mode) {
  if (mode == elide_) return;
  elide_ = mode;
  Forget();
}

bool TElementText::SurelyFits() const {
  if (!advances_) advances_ = LatinAdvancesOf(font_);
  return advances_->TextSurelyFits(text_, rect_.width());
}

const QString& TElementText::ShownText() const {
  if (!shown_) {
    // Wrapped and multi-line texts are clipped as they are.
    if (elide_ == Qt::ElideNone || wordWrap_ || text_.contains(u'\n') || SurelyFits())
      shown_ = text_;
    else
      shown_ = ElidedTextOf(text_, font_, rect_.width(), elide_);
  }
  return *shown_;
}

namespace {

bool LineEnd(const QString& text, qsizetype i) {
  if (i + 1 == text.size()) return true;
  const char16_t next = text[i + 1].unicode();
  return next == u'\n' || next == QChar::LineSeparator || next == QChar::ParagraphSeparator;
}

// Texts laid out here exactly as the plain way lays them out. Not: wrapped
// text, lines ending in blanks and blanks in right-aligned right-to-left
// text (their width depends on options the plain way sets itself),
// decoration lines (the plain way draws them after all glyphs of a line),
// texts of several length variants.
bool LaysOutHere(const QString& text, const QFont& font, int flags, bool rtl) {
  if (font.underline() || font.overline() || font.strikeOut()) return false;
  if (flags & Qt::TextWordWrap) return false;
  const bool rightRtl = rtl && (flags & Qt::AlignRight);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.unicode() == 0x9C) return false;
    if (c.isSpace() && c != u'\n' && c != QChar::LineSeparator && c != QChar::ParagraphSeparator &&
        (rightRtl || LineEnd(text, i)))
      return false;
  }
  return true;
}

}  // namespace

void TElementText::MakePaintFont(QPainter& p, const QWidget& element) const {
  // The painter's font for this text, made once: a font made anew for
  // every paint looks its font engines up anew.
  const int dpi = element.logicalDpiY();
  if (dpi != paintDpi_ || !(paintFontOf_ == element.font())) {
    p.setFont(font_);
    paintFont_ = p.font();
    paintFontOf_ = element.font();
    paintDpi_ = dpi;
    kept_.reset();
  }
}

int TElementText::Flags() const {
  const bool rtl = text_.isRightToLeft();
  int flags = QStyle::visualAlignment(rtl ? Qt::RightToLeft : Qt::LeftToRight, alignment_) |
              Qt::TextExpandTabs | (rtl ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight);
  if (wordWrap_) flags |= Qt::TextWordWrap;
  return flags;
}

void TElementText::LayOut(TKept& k) const {
  k.Flags = Flags();
  const int flags = k.Flags;
  const bool rtl = flags & Qt::TextForceRightToLeft;
  const QString& shown = ShownText();
  if (!LaysOutHere(shown, paintFont_, flags, rtl)) return;

  // Line breaks as line separators, carriage returns as blanks, tabs to
  // stops of eight 'x' where they expand, otherwise blanks.
  const QFontMetricsF fm(paintFont_);
  const bool expandTabs = ((flags & Qt::AlignLeft) && !rtl) || ((flags & Qt::AlignRight) && rtl);
  QString text = shown;
  int tabStops = 0;
  for (QChar& c : text) {
    if (c == u'\r') {
      c = u' ';
    } else if (c == u'\n') {
      c = QChar::LineSeparator;
    } else if (c == u'\t') {
      if (!expandTabs)
        c = u' ';
      else if (!tabStops)
        tabStops = qRound(fm.horizontalAdvance(u'x') * 8);
    }
  }
  QTextOption option;
  if (tabStops > 0) option.setTabStopDistance(tabStops);
  option.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
  option.setAlignment(Qt::AlignLeft);
  QTextLayout& layout = k.Layout.emplace(text, paintFont_);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);

  // Lines on whole pixels, leading between them; lines below the rectangle
  // are left out, so a text that reaches below it is drawn the plain way.
  const qreal w = rect_.width(), h = rect_.height();
  const qreal lineWidth = 0x01000000;
  const qreal leading = fm.leading();
  qreal height = -leading;
  bool full = false, more = false;
  layout.beginLayout();
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    if (full) {
      more = true;
      break;
    }
    line.setLineWidth(lineWidth);
    height += leading;
    height = std::ceil(height);
    line.setPosition(QPointF(0, height));
    height += line.ascent() + line.descent();
    full = height >= h;
  }
  layout.endLayout();
  if (more) return;

  qreal y = 0;
  if (flags & Qt::AlignBottom)
    y = h - height;
  else if (flags & Qt::AlignVCenter)
    y = (h - height) / 2;
  for (int i = 0; i < layout.lineCount(); ++i) {
    const qreal advance = layout.lineAt(i).horizontalAdvance();
    qreal x = 0;
    if (flags & Qt::AlignRight)
      x = w - advance;
    else if (flags & Qt::AlignHCenter)
      x = (w - advance) / 2;
    k.At.emplace_back(x, y);
  }
  k.Drawable = true;
}

QPalette TElementText::Palette(const QWidget& element) {
  // What a style option made from the element holds, without the rest of
  // the option's state.
  return element.palette();
}

void TElementText::Paint(QPainter& p, const QWidget& element, const QPalette& palette) const {
  fromLayout_ = false;
  if (text_.isEmpty() || rect_.isEmpty()) return;
  // As a plain-text label draws: the element's palette and state, the
  // alignment mirrored for right-to-left text, tabs expanded, and nothing
  // outside its rectangle.
  p.setClipRect(rect_);
  const TKept* kept = nullptr;
  if (keep_) {
    MakePaintFont(p, element);
    if (!kept_) {
      kept_ = std::make_unique<TKept>();
      LayOut(*kept_);
    }
    kept = kept_.get();
  }
  const bool enabled = element.isEnabled();
  if (kept && kept->Drawable && enabled) {
    // The pen an enabled item text is drawn with: the text brush at the
    // painter's pen width.
    const QPen saved = p.pen();
    p.setPen(QPen(color_.isValid() ? QBrush(color_) : palette.brush(QPalette::WindowText),
                  saved.widthF()));
    const QPointF origin(rect_.topLeft());
    for (int i = 0; i < static_cast<int>(kept->At.size()); ++i)
      kept->Layout->lineAt(i).draw(
          &p, QPointF(origin.x() + kept->At[i].x(), origin.y() + kept->At[i].y()));
    p.setPen(saved);
    fromLayout_ = true;
  } else {
    const QPalette* pal = &palette;
    QPalette own;
    if (color_.isValid()) {
      own = palette;
      own.setColor(QPalette::WindowText, color_);
      pal = &own;
    }
    // Where the element's own font is this text's, the painter has it
    // already: setting it anew would look its font engines up again.
    if (!(p.font() == font_)) p.setFont(font_);
    element.style()->drawItemText(&p, rect_, kept ? kept->Flags : Flags(), *pal, enabled,
                                  ShownText(), QPalette::WindowText);
  }
  p.setClipping(false);
}

}  // namespace qx
