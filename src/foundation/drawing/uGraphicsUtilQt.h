// Drawing utilities, Qt part (library qx_drawing).
//
// Text measuring on the shared MeasureBitmap, font copying, the mapping of
// system colour constants to the application palette, and the one place that
// converts between $00BBGGRR colours and QColor / QRgb / QImage.
// Everything here runs on the GUI thread (a QGuiApplication must exist).
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <array>
#include <memory>
#include <string_view>

#include "foundation/uFileLoadSet.h"
#include "foundation/uGraphicsUtil.h"

namespace qx {

// ---- colour conversion (the only one in the program) ----
// System colour constants are resolved first (ColorToRGB).
QColor ColorToQColor(TColor c);
TColor QColorToColor(const QColor& c);  // alpha dropped, high byte 0
QRgb ColorToQRgb(TColor c);             // opaque
TColor QRgbToColor(QRgb rgb);
// Pixel buffers <-> images (Format_RGB32); ScaleBitmap works on the buffers.
QImage PixelBufferToImage(const TPixelBuffer& buf);
TPixelBuffer ImageToPixelBuffer(const QImage& image);

// ---- system colours ----
// The palette colour for a system colour constant (application palette);
// other values unchanged.
TColor QtSystemColor(TColor c);
// Makes ColorToRGB / BlendColor resolve through QtSystemColor.
void InstallQtSystemColors();

// ---- text measuring ----
// A font together with its colour (QFont has none).
struct TQxFont {
  QFont Font;
  TColor Color = 0;  // clBlack
};

// Creates the measuring bitmap (at start-up); measuring creates it
// when it does not exist yet. It lives until the process ends.
void InitMeasureBitmap();
// Width in pixels of text drawn in font.
int TextWidthOf(const QString& text, const QFont& font);
int TextWidthOf(std::string_view utf8, const QFont& font);
// Height in pixels of "Qg" in font; depends only on the font.
int TextHeightOf(const QFont& font);
// prefix followed by name, fitted into width: the name gives way at its
// start ("…" and its end), the prefix (a message) is never cut.
QString PrefixedElidedText(const QString& prefix, const QString& name, const QFont& font,
                           int width);
// Advances of the Latin characters of one font. TextSurelyFits: true when
// text surely fits width, found without shaping it (as TextWidthOf must):
// its characters' advances one by one and a margin for kerning and rounding.
// False says nothing. For texts that change on every display tick.
class TLatinAdvances {
 public:
  explicit TLatinAdvances(const QFont& font);
  [[nodiscard]] bool TextSurelyFits(const QString& text, int width) const;

 private:
  std::array<float, 0x250> advance_;
};
// Shared by all texts in the same font.
std::shared_ptr<const TLatinAdvances> LatinAdvancesOf(const QFont& font);
bool TextSurelyFits(const QString& text, const QFont& font, int width);
// text fitted into width, measured as TextWidthOf measures: unchanged when it
// fits, else cut on the side mode names with "…"; never empty for a text that
// is not, so a cut text is still seen to be there.
QString ElidedTextOf(const QString& text, const QFont& font, int width, Qt::TextElideMode mode);

// ---- shown texts ----
// No control shows more of a text; laying out a text of megabytes (a name
// or title from a hand-made project file) would take gigabytes.
inline constexpr size_t kMaxShownTextBytes = 32767;
// A UTF-8 text as a control shows it: at most kMaxShownTextBytes of its
// start (or of its end, for a control that keeps the end of a long file name
// in sight), cut at a character, never converted whole.
QString ShownText(std::string_view utf8, bool keepEnd = false);

// ---- fonts of the entry sets ----
// The toolkit-free font of the project file as a QFont (and back). The
// colour travels beside the font (QFont has none).
QFont FontDescToQFont(const TFontDesc& desc);
TFontDesc QFontToFontDesc(const QFont& font, TColor color);
TQxFont FontDescToQxFont(const TFontDesc& desc);
TFontDesc QxFontToFontDesc(const TQxFont& font);
// The application's font as the entry sets' default font.
void InstallDefaultFont();
// Size in points; a font set in pixels counts at 96 dpi, as measuring does.
int PointSizeOf(const QFont& font);
// The installed face, style and point size font is drawn in, as the font
// dialog lists them: a face the machine lacks becomes the one drawn in its
// place, and the style is named as the face names it (the dialog falls back
// to the face's first style, often "Oblique", for a style it cannot name).
QFont DrawnFace(const QFont& font);

// dest takes src's face name, size, style (and, for TQxFont, colour).
void CopyFont(QFont& dest, const QFont& src);
void CopyFont(TQxFont& dest, const TQxFont& src);

}  // namespace qx
