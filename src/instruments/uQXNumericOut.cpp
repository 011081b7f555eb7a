#include "instruments/uQXNumericOut.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <algorithm>

#include "channels/uTerminal.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "foundation/uStrSearch.h"
#include "instruments/uElementLabels.h"
#include "editing/uSendAnim.h"

namespace qx {

namespace {

constexpr TColor kGlyphTransparent = 0xDDDDDD;
constexpr int kFontSize = 9;

// The arrow "ausgang4" shared with the text sender: the built-in picture
// where the library ships it, else the same arrow drawn here.
QImage ArrowPicture() {
  QImage img(":/pictures/ausgang4.png");
  if (!img.isNull()) return img.convertToFormat(QImage::Format_RGB32);
  img = QImage(120, 120, QImage::Format_RGB32);
  img.fill(ColorToQColor(kGlyphTransparent));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x20, 0x80, 0x20));
  QPainterPath arrow;
  arrow.moveTo(12, 44);
  arrow.lineTo(62, 44);
  arrow.lineTo(62, 16);
  arrow.lineTo(108, 60);
  arrow.lineTo(62, 104);
  arrow.lineTo(62, 76);
  arrow.lineTo(12, 76);
  arrow.closeSubpath();
  p.drawPath(arrow);
  return img;
}

void SetFontSize(QWidget* w, int size) {
  QFont f = w->font();
  f.setPointSize(size);
  w->setFont(f);
}

// Keys that edit or move rather than type; the X server gives Delete the
// text "\x7f", so their text says nothing.
bool IsEditingKey(int key) {
  switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
      return true;
    default:
      return false;
  }
}

}  // namespace

TNumericKey NumericOutKey(int key, const QString& text, Qt::KeyboardModifiers modifiers,
                          bool intOnly) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return TNumericKey::Send;
  if (IsEditingKey(key)) return TNumericKey::Pass;
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
    return TNumericKey::Pass;
  if (text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F)
    return TNumericKey::Pass;
  if (text.size() != 1) return TNumericKey::Swallow;
  const char16_t c = text.at(0).unicode();
  if ((c >= u'0' && c <= u'9') || c == u'-') return TNumericKey::Pass;
  if (c == u',' || c == u'.' || c == u'e' || c == u'E')
    return intOnly ? TNumericKey::Swallow : TNumericKey::Pass;
  return TNumericKey::Swallow;
}

const TFLSet* TQXNumericOut::ClassSet = nullptr;

TQXNumericOut::TQXNumericOut(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 14;
  TypeName = "QXNumericOut";
  ChannelRole = RoleOutput;
  KeySet = ClassSet;
  SetBckGndColor(0xF0F0F0);
  // Receives nothing: the value stays 0 as a number.
  StoreValue(0.0);
  ValueIsNumber = true;
  InUpdateList = false;
  IsStreamElement = false;
  ShowAnim = true;

  unit_ = MakeElementLabel(this, Qt::AlignRight | Qt::AlignTop);
  name_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignTop, Qt::ElideRight);
  edit_ = new QLineEdit(this);
  edit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  edit_->setText("0");
  // A longer number may need room the caption gives up.
  connect(edit_, &QLineEdit::textChanged, this, [this] {
    if (!name_->text().isEmpty()) LayOutField();
  });
  edit_->installEventFilter(this);
  edit_->show();
  for (QWidget* w : std::initializer_list<QWidget*>{unit_, name_, edit_}) SetFontSize(w, kFontSize);
  button_ = new QPushButton(this);
  button_->setAutoDefault(false);
  connect(button_, &QPushButton::clicked, this, [this] { Send(); });
  button_->show();
  button_->raise();
  glyphSource_ = ArrowPicture();

  resize(200, 40);
  PanelResize();
  FollowEditFrame();
}

TQXNumericOut* TQXNumericOut::ElemCreate() {
  return new TQXNumericOut(CurrentCanvas());
}

bool TQXNumericOut::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    switch (NumericOutKey(key->key(), key->text(), key->modifiers(), IntOnly)) {
      case TNumericKey::Pass:
        break;
      case TNumericKey::Swallow:
        return true;
      case TNumericKey::Send:
        // Auto-repeat of a held Enter would send again and again.
        if (!key->isAutoRepeat()) Send();
        return true;
    }
  }
  return TQXAnimElement::eventFilter(watched, event);
}

int32_t TQXNumericOut::Send() {
  if (!Terminal || !Terminal->Connected.load()) {
    Animate(AnimNotSent);
    return AnimNotSent;
  }
  if (!SourceValid) {
    Animate(AnimInvalid);
    return AnimInvalid;
  }
  // Pasted or loaded text was never filtered.
  const std::string text = edit_->text().toStdString();
  bool ok = false;
  (void)TextToFloat(ToSystemSeparator(text), ok);
  if (!ok) {
    Animate(AnimInvalid);
    return AnimInvalid;
  }
  // The typed text itself goes out: 1e3 stays 1e3, 007 stays 007.
  std::string payload = "F";
  payload += ToDisplaySeparator(text);
  return SendPayload(payload);
}

void TQXNumericOut::ResetValue() {
  StoreValue(0.0);
  UpdateDisplay();
}

void TQXNumericOut::UpdateCaption() {
  std::string c;
  if (ShowName && !Denom.empty()) c += Denom + "=";
  if (ShowSource && !Source.empty()) c += Source + "=";
  name_->setText(QString::fromStdString(c));
  if (ShowUnit) {
    UnitWidth = TextWidthOf(Unit, unit_->font());
    unit_->setText(QString::fromStdString(Unit));
  } else {
    UnitWidth = 0;
    unit_->clear();
  }
  PanelResize();
}

void TQXNumericOut::PanelResize() {
  const int w = width(), h = height(), f = FrameWidth;
  const int b = std::max(0, h - 2 * f);
  button_->setGeometry(w - f - b, f, b, b);
  const int unitLeft = w - f - 3 - UnitWidth - b;
  unit_->setGeometry(unitLeft, f + 3, UnitWidth, std::max(0, h - 2 * f - 3));
  LayOutField();
  RenderGlyph(b);
}

void TQXNumericOut::LayOutField() {
  const int w = width(), h = height(), f = FrameWidth;
  const int b = std::max(0, h - 2 * f);
  const int right = UnitWidth > 0 ? w - f - 3 - UnitWidth - b - 5 : w - f - b;
  // The field needs room for its number and a few digits more to type in,
  // beside its frame and margins.
  const QFont& font = edit_->font();
  const int pad = 2 * edit_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit_) + 6;
  const int need =
      std::max(TextWidthOf(edit_->text(), font), TextWidthOf(QStringLiteral("0000"), font)) + pad;
  const int n = name_->text().isEmpty() ? 0 : TextWidthOf(name_->text(), name_->font());
  const TCaptionSpans s = LayOutCaptionLine({f + 3, f, right, 5}, n, need,
                                            TextWidthOf(QStringLiteral("\u2026"), name_->font()));
  name_->setGeometry(f + 3, f + 3, s.CaptionWidth, std::max(0, h - 2 * f - 3));
  edit_->setGeometry(s.ValueLeft, f, s.ValueWidth, b);
}

void TQXNumericOut::RenderGlyph(int buttonSize) {
  const int s = buttonSize - 4;
  if (s <= 0 || glyphSource_.isNull()) {
    button_->setIcon(QIcon());
    return;
  }
  TPixelBuffer scaled(s, s);
  ScaleBitmap(ImageToPixelBuffer(glyphSource_), scaled);
  QImage glyph = PixelBufferToImage(scaled).convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ColorToQRgb(kGlyphTransparent) & RGB_MASK;
  for (int y = 0; y < glyph.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(glyph.scanLine(y));
    for (int x = 0; x < glyph.width(); ++x)
      if ((line[x] & RGB_MASK) == key) line[x] = 0;
  }
  button_->setIconSize(QSize(s, s));
  button_->setIcon(QIcon(QPixmap::fromImage(glyph)));
}

void TQXNumericOut::SetUnit(const std::string& value) {
  Unit = Utf8Left(value, 10);
  UpdateCaption();
  FollowEditFrame();
}

void TQXNumericOut::SetShowName(bool value) {
  ShowName = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXNumericOut::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXNumericOut::SetShowUnit(bool value) {
  ShowUnit = value;
  UpdateCaption();
  FollowEditFrame();
}

TFontDesc TQXNumericOut::GetFont() const {
  return QFontToFontDesc(edit_->font(), fontColor_);
}

void TQXNumericOut::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  edit_->setFont(FontDescToQFont(value));
  QPalette pal = edit_->palette();
  pal.setColor(QPalette::Text, ColorToQColor(value.Color));
  edit_->setPalette(pal);
  for (QLabel* l : {name_, unit_}) SetLabelFont(l, value);
  UpdateCaption();
  PanelResize();
  FollowEditFrame();
}

std::string TQXNumericOut::GetEditText() const {
  return edit_->text().toStdString();
}

void TQXNumericOut::SetEditText(const std::string& value) {
  edit_->setText(QString::fromStdString(value));
}

void TQXNumericOut::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXNumericOut>("QXNUMERICOUT",
                                      [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.String("unit", &TQXNumericOut::GetUnit, &TQXNumericOut::SetUnit);
  KeysPositionSize(b);
  b.Bool("showName", &TQXNumericOut::GetShowName, &TQXNumericOut::SetShowName);
  b.Bool("showSource", &TQXNumericOut::GetShowSource, &TQXNumericOut::SetShowSource);
  b.Bool("showUnit", &TQXNumericOut::GetShowUnit, &TQXNumericOut::SetShowUnit);
  b.Bool("intOnly", &TQXNumericOut::GetIntOnly, &TQXNumericOut::SetIntOnly);
  b.Font("font", &TQXNumericOut::GetFont, &TQXNumericOut::SetFont);
  KeyBckGndColor(b);
  KeysFrame(b);
  b.String("edittext", &TQXNumericOut::GetEditText, &TQXNumericOut::SetEditText);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

QPointer<TEEListing> TQXNumericOut::Listing;

void TQXNumericOut::InitListing() {
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXNumericOut>(Listing);
  using A = TEEAccessors<TQXNumericOut>;
  TEEETitelActive::Add(Tr("uqxnumericout.snumotitel", "Numerische Ausgabe"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXNumericOut::GetShowName, &TQXNumericOut::SetShowName));
  TEEEAusgangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXNumericOut::GetShowSource, &TQXNumericOut::SetShowSource));
  TEEEZeichenUAuswahl::Add(cap::Unit(), cap::Show(),
                           A::Text(&TQXNumericOut::GetUnit, &TQXNumericOut::SetUnit),
                           A::Bool(&TQXNumericOut::GetShowUnit, &TQXNumericOut::SetShowUnit));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxnumericout.sintonly", "Nur Ganzzahlen"), QString(),
                       A::Bool(&TQXNumericOut::GetIntOnly, &TQXNumericOut::SetIntOnly));
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXNumericOut::GetFont, &TQXNumericOut::SetFont));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      100, Tr("uqxnumericout.snumodescr",
              "Das Instrument sendet Zahlen an den angegebenen Kanal, formatiert als Zahl "
              "(\"F\").\nBeispiel: Ausgang \"#5\" und die Eingabe 12,3 senden \"#5F12,3;\"."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

}  // namespace qx
