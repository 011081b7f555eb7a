#include "foundation/drawing/uGraphicsUtilQt.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QPalette>
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>

namespace qx {

// ---------------------------------------------------------------- colours

QRgb ColorToQRgb(TColor c) {
  c = ColorToRGB(c);
  return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QRgbToColor(QRgb rgb) {
  return RGBToColor(static_cast<uint8_t>(qRed(rgb)), static_cast<uint8_t>(qGreen(rgb)),
                    static_cast<uint8_t>(qBlue(rgb)));
}

QColor ColorToQColor(TColor c) {
  return QColor::fromRgb(ColorToQRgb(c));
}

TColor QColorToColor(const QColor& c) {
  return QRgbToColor(c.toRgb().rgb());
}

QImage PixelBufferToImage(const TPixelBuffer& buf) {
  QImage img(buf.Width, buf.Height, QImage::Format_RGB32);
  for (int32_t y = 0; y < buf.Height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int32_t x = 0; x < buf.Width; ++x) line[x] = ColorToQRgb(buf.At(x, y));
  }
  return img;
}

TPixelBuffer ImageToPixelBuffer(const QImage& image) {
  const QImage img = image.convertToFormat(QImage::Format_RGB32);
  TPixelBuffer buf(img.width(), img.height());
  for (int32_t y = 0; y < buf.Height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int32_t x = 0; x < buf.Width; ++x) buf.At(x, y) = QRgbToColor(line[x]);
  }
  return buf;
}

// ---------------------------------------------------------- system colours

TColor QtSystemColor(TColor c) {
  if (!IsSystemColor(c)) return c;
  if (!QGuiApplication::instance()) return DefaultSystemColor(c);
  const QPalette pal = QGuiApplication::palette();
  using R = QPalette::ColorRole;
  auto active = [&pal](R role) { return QColorToColor(pal.color(QPalette::Active, role)); };
  auto inactive = [&pal](R role) { return QColorToColor(pal.color(QPalette::Inactive, role)); };
  switch (c) {
    case clScrollBar:
      return active(R::Mid);
    case clMenu:
    case clMenuBar:
    case clBtnFace:
      return active(R::Button);
    case clWindow:
      return active(R::Base);
    case clWindowFrame:
    case clBtnShadow:
      return active(R::Dark);
    case clMenuText:
      return active(R::ButtonText);
    case clWindowText:
      return active(R::WindowText);
    case clActiveCaption:
    case clGradientActiveCaption:
    case clMenuHighlight:
    case clHighlight:
      return active(R::Highlight);
    case clInactiveCaption:
    case clGradientInactiveCaption:
      return inactive(R::Highlight);
    case clCaptionText:
    case clHighlightText:
      return active(R::HighlightedText);
    case clInactiveCaptionText:
      return inactive(R::HighlightedText);
    case clGrayText:
      return QColorToColor(pal.color(QPalette::Disabled, R::WindowText));
    case clBtnText:
      return active(R::ButtonText);
    case clBtnHighlight:
      return active(R::Light);
    case cl3DDkShadow:
      return active(R::Shadow);
    case cl3DLight:
      return active(R::Midlight);
    case clInfoText:
      return active(R::ToolTipText);
    case clInfoBk:
      return active(R::ToolTipBase);
    case clHotLight:
      return active(R::Link);
    case clBackground:
    case clAppWorkSpace:
    case clActiveBorder:
    case clInactiveBorder:
      return active(R::Window);
    default:
      return DefaultSystemColor(c);
  }
}

void InstallQtSystemColors() {
  SetSystemColorResolver(&QtSystemColor);
}

// ---------------------------------------------------------- text measuring

namespace {
// MeasureBitmap: measuring at a fixed 96 dpi makes results independent of the
// screen (and of whether there is one).
std::unique_ptr<QImage> MeasureBitmap;

const QImage& Measure() {
  if (!MeasureBitmap) InitMeasureBitmap();
  return *MeasureBitmap;
}
}  // namespace

void InitMeasureBitmap() {
  if (MeasureBitmap) return;
  MeasureBitmap = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
  MeasureBitmap->setDotsPerMeterX(3780);  // 96 dpi
  MeasureBitmap->setDotsPerMeterY(3780);
}

namespace {

struct TWidthKey {
  QFont Font;
  QString Text;
  bool operator==(const TWidthKey& o) const { return Text == o.Text && Font == o.Font; }
};

size_t qHash(const TWidthKey& key, size_t seed) {
  return qHashMulti(seed, key.Text, key.Font);
}

}  // namespace

int TextWidthOf(const QString& text, const QFont& font) {
  // Layouts measure the same few captions again for every property a load
  // or a listing sets, and shaping the text is the dear part. Bounded, so a
  // stream of changing texts cannot grow it.
  static QHash<TWidthKey, int> known;
  TWidthKey key{font, text};
  if (const auto it = known.constFind(key); it != known.cend()) return it.value();
  const int width = QFontMetrics(font, &Measure()).horizontalAdvance(text);
  if (known.size() >= 4096) known.clear();
  known.insert(std::move(key), width);
  return width;
}

int TextWidthOf(std::string_view utf8, const QFont& font) {
  return TextWidthOf(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), font);
}

QString PrefixedElidedText(const QString& prefix, const QString& name, const QFont& font,
                           int width) {
  const QFontMetrics fm(font, &Measure());
  const QString whole = prefix + name;
  if (fm.horizontalAdvance(whole) <= width) return whole;
  // The two parts measured apart may differ from the joined text by a pixel.
  for (int room = width - fm.horizontalAdvance(prefix); room > 0; room -= 2) {
    const QString text = prefix + fm.elidedText(name, Qt::ElideLeft, room);
    if (fm.horizontalAdvance(text) <= width) return text;
  }
  return prefix;
}

TLatinAdvances::TLatinAdvances(const QFont& font) {
  const QFontMetricsF fm(font, &Measure());
  for (size_t i = 0; i < advance_.size(); ++i)
    advance_[i] = i < 0x20 ? 0.0f : static_cast<float>(fm.horizontalAdvance(QChar(char16_t(i))));
}

bool TLatinAdvances::TextSurelyFits(const QString& text, int width) const {
  // Latin letters, digits and signs only: there a glyph per character, and
  // kerning and rounding within the margin.
  const float margin = 2;
  if (static_cast<float>(text.size()) + margin > static_cast<float>(width)) return false;
  float sum = margin;
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() >= advance_.size()) return false;
    sum += advance_[c.unicode()];
    if (sum > static_cast<float>(width)) return false;
  }
  return true;
}

std::shared_ptr<const TLatinAdvances> LatinAdvancesOf(const QFont& font) {
  // Few fonts are in use; bounded all the same.
  static QHash<QFont, std::shared_ptr<const TLatinAdvances>> known;
  if (const auto it = known.constFind(font); it != known.cend()) return it.value();
  if (known.size() >= 256) known.clear();
  auto a = std::make_shared<const TLatinAdvances>(font);
  known.insert(font, a);
  return a;
}

bool TextSurelyFits(const QString& text, const QFont& font, int width) {
  return LatinAdvancesOf(font)->TextSurelyFits(text, width);
}

QString ElidedTextOf(const QString& text, const QFont& font, int width, Qt::TextElideMode mode) {
  if (mode == Qt::ElideNone || TextSurelyFits(text, font, width) ||
      TextWidthOf(text, font) <= width)
    return text;
  const QString cut = QFontMetrics(font, &Measure()).elidedText(text, mode, std::max(0, width));
  return cut.isEmpty() ? QStringLiteral("\u2026") : cut;
}

QString ShownText(std::string_view utf8, bool keepEnd) {
  const auto continuation = [&](size_t i) {
    return (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80;
  };
  if (utf8.size() > kMaxShownTextBytes) {
    size_t cut = keepEnd ? utf8.size() - kMaxShownTextBytes : kMaxShownTextBytes;
    if (keepEnd) {
      while (cut < utf8.size() && continuation(cut)) ++cut;
      utf8.remove_prefix(cut);
    } else {
      while (cut > 0 && continuation(cut)) --cut;
      utf8 = utf8.substr(0, cut);
    }
  }
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

int TextHeightOf(const QFont& font) {
  QFontMetrics fm(font, &Measure());
  return fm.size(Qt::TextSingleLine, QStringLiteral("Qg")).height();
}

// ---------------------------------------------------------------- fonts

void CopyFont(QFont& dest, const QFont& src) {
  dest.setFamily(src.family());
  if (src.pointSizeF() > 0)
    dest.setPointSizeF(src.pointSizeF());
  else if (src.pixelSize() > 0)
    dest.setPixelSize(src.pixelSize());
  dest.setBold(src.bold());
  dest.setItalic(src.italic());
  dest.setUnderline(src.underline());
  dest.setStrikeOut(src.strikeOut());
}

void CopyFont(TQxFont& dest, const TQxFont& src) {
  CopyFont(dest.Font, src.Font);
  dest.Color = src.Color;
}

QFont FontDescToQFont(const TFontDesc& desc) {
  QFont f;
  if (!desc.Name.empty()) f.setFamily(QString::fromStdString(desc.Name));
  if (desc.Size > 0) f.setPointSize(desc.Size);
  f.setBold(desc.Bold);
  f.setItalic(desc.Italic);
  f.setStrikeOut(desc.StrikeOut);
  f.setUnderline(desc.Underline);
  return f;
}

TFontDesc QFontToFontDesc(const QFont& font, TColor color) {
  TFontDesc d;
  d.Name = font.family().toStdString();
  if (const int size = PointSizeOf(font); size > 0) d.Size = size;
  d.Color = color;
  d.Bold = font.bold();
  d.Italic = font.italic();
  d.StrikeOut = font.strikeOut();
  d.Underline = font.underline();
  return d;
}

TQxFont FontDescToQxFont(const TFontDesc& desc) { return TQxFont{FontDescToQFont(desc), desc.Color}; }

TFontDesc QxFontToFontDesc(const TQxFont& font) { return QFontToFontDesc(font.Font, font.Color); }

void InstallDefaultFont() { SetDefaultFont(QFontToFontDesc(QGuiApplication::font(), 0)); }

int PointSizeOf(const QFont& font) {
  if (font.pointSize() > 0) return font.pointSize();
  return font.pixelSize() > 0 ? (font.pixelSize() * 72 + 48) / 96 : 0;
}

QFont DrawnFace(const QFont& font) {
  const QFontInfo drawn(font);
  const QStringList families = QFontDatabase::families();
  QString family = drawn.family();
  for (const QString& f : families)
    if (f.compare(font.family(), Qt::CaseInsensitive) == 0) family = f;
  int size = PointSizeOf(font);
  if (size <= 0) size = drawn.pointSize();
  const QStringList styles = QFontDatabase::styles(family);
  // The style drawn, else the nearest in slant and weight (ties: the
  // shorter name, "Book" before "Condensed").
  QString style;
  if (drawn.family() == family && styles.contains(drawn.styleName())) {
    style = drawn.styleName();
  } else {
    int best = std::numeric_limits<int>::max();
    for (const QString& s : styles) {
      const QFont f = QFontDatabase::font(family, s, size);
      const int miss = ((f.style() != QFont::StyleNormal) != font.italic() ? 10000 : 0) +
                       std::abs(f.weight() - font.weight());
      if (miss < best || (miss == best && s.size() < style.size())) {
        best = miss;
        style = s;
      }
    }
  }
  QFont out = style.isEmpty() ? QFont(family, size, font.weight(), font.italic())
                              : QFontDatabase::font(family, style, size);
  out.setUnderline(font.underline());
  out.setStrikeOut(font.strikeOut());
  return out;
}

}  // namespace qx
