#include "instruments/uQXStringSend.h"

#include <QKeyEvent>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "instruments/uBuiltInPictures.h"
#include "instruments/uElementLabels.h"
#include "widgets/uLangStrings.h"

namespace qx {

namespace {
constexpr TColor kFieldColor = 0x707070;
constexpr TColor kGlyphTransparent = 0xDDDDDD;
constexpr int kCaptionGap = 5;  // between the caption line and the field

// The arrow resampled to a square of side, its background see-through.
QImage RenderGlyph(const QImage& source, int side) {
  if (source.isNull() || side <= 0) return {};
  TPixelBuffer dest(side, side);
  ScaleBitmap(ImageToPixelBuffer(source), dest);
  QImage glyph = PixelBufferToImage(dest).convertToFormat(QImage::Format_ARGB32);
  const QRgb clear = ColorToQRgb(kGlyphTransparent);
  for (int y = 0; y < glyph.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(glyph.scanLine(y));
    for (int x = 0; x < glyph.width(); ++x) {
      if ((line[x] & 0xFFFFFF) == (clear & 0xFFFFFF)) line[x] = 0;
    }
  }
  return glyph;
}
}  // namespace

const TFLSet* TQXStringSend::ClassSet = nullptr;
QPointer<TEEListing> TQXStringSend::Listing;

TQXStringSend::TQXStringSend(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 6;
  TypeName = "QXStringSend";
  ChannelRole = RoleOutput;
  KeySet = ClassSet;
  shape_ = new QWidget(this);
  shape_->setAutoFillBackground(true);
  QPalette pal = shape_->palette();
  pal.setColor(QPalette::Window, ColorToQColor(kFieldColor));
  shape_->setPalette(pal);
  shape_->show();
  edit_ = new QLineEdit(this);
  edit_->setFrame(false);
  edit_->installEventFilter(this);
  editBackColor_ = QColorToColor(edit_->palette().color(QPalette::Base));
  edit_->show();
  button_ = new QPushButton(this);
  button_->setAutoDefault(false);
  connect(button_, &QPushButton::clicked, this, [this] { Send(); });
  button_->show();
  label_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  label_->hide();
  glyphSource_ = BuiltInPicture("ausgang4");
  resize(200, 40);
  PanelResize();
}

TQXStringSend* TQXStringSend::ElemCreate() {
  return new TQXStringSend(CurrentCanvas());
}

bool TQXStringSend::eventFilter(QObject* watched, QEvent* event) {
  // Enter sends and goes no further; every other key reaches the field.
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Send();
      return true;
    }
  }
  return TQXAnimElement::eventFilter(watched, event);
}

void TQXStringSend::Send() {
  std::string payload = "S";
  payload += edit_->text().toStdString();
  SendPayload(payload);
}

void TQXStringSend::UpdateCaption() {
  std::string text;
  if (ShowName && !Denom.empty()) text = Denom + " ";
  if (ShowSource && !Source.empty()) text += "=> " + Source;
  label_->setText(QString::fromStdString(text));
  if (ShowName || ShowSource) {
    CaptionHeight = TextHeightOf(label_->font());
    label_->show();
  } else {
    CaptionHeight = 0;
    label_->hide();
  }
  PanelResize();
}

void TQXStringSend::PanelResize() {
  const int w = width(), h = height(), f = FrameWidth, c = CaptionHeight;
  const int shapeTop = c > 0 ? f + c + kCaptionGap : f;
  const int shapeHeight = c > 0 ? h - shapeTop - f : h - 2 * f;
  const int shapeWidth = w - 2 * f;
  shape_->setGeometry(f, shapeTop, shapeWidth, shapeHeight);
  label_->setGeometry(f + 6, f + 3, w - 2 * f - 6, c);
  const int editWidth = shapeWidth - shapeHeight - 1;
  edit_->setGeometry(f + 1, shapeTop + 1, editWidth, shapeHeight - 2);
  const int side = shapeHeight + 2;
  button_->setGeometry(editWidth + f, shapeTop - 1, side, side);
  glyph_ = RenderGlyph(glyphSource_, side - 4);
  button_->setIcon(QIcon(QPixmap::fromImage(glyph_)));
  button_->setIconSize(glyph_.size());
}

void TQXStringSend::SetShowName(bool value) {
  SetCaptionFlag(ShowName, value);
}

void TQXStringSend::SetShowSource(bool value) {
  SetCaptionFlag(ShowSource, value);
}

void TQXStringSend::SetCaptionFlag(bool& flag, bool value) {
  const bool wasShown = ShowName || ShowSource;
  flag = value;
  const bool shown = ShowName || ShowSource;
  // The caption line comes on top of the field, which keeps its height. A
  // project sets its stored size after the flags, so it loads as saved.
  if (shown != wasShown) {
    const int line = TextHeightOf(label_->font()) + kCaptionGap;
    resize(width(), std::max(0, height() + (shown ? line : -line)));
  }
  UpdateCaption();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
  TPropertyEditor::RefreshListing();
}

TFontDesc TQXStringSend::GetFont() const {
  return QFontToFontDesc(edit_->font(), fontColor_);
}

void TQXStringSend::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  edit_->setFont(FontDescToQFont(value));
  QPalette pal = edit_->palette();
  pal.setColor(QPalette::Text, ColorToQColor(value.Color));
  edit_->setPalette(pal);
  FollowEditFrame();
}

void TQXStringSend::SetEditBackColor(TColor value) {
  editBackColor_ = value;
  QPalette pal = edit_->palette();
  pal.setColor(QPalette::Base, ColorToQColor(value));
  edit_->setPalette(pal);
  FollowEditFrame();
}

std::string TQXStringSend::GetEditText() const {
  return edit_->text().toStdString();
}

void TQXStringSend::SetEditText(const std::string& value) {
  edit_->setText(QString::fromStdString(value));
  FollowEditFrame();
}

void TQXStringSend::InitListing() {
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXStringSend>(Listing);
  using A = TEEAccessors<TQXStringSend>;
  TEEETitelActive::Add(Tr("uqxstringsend.sstrotitel", "Zeichenausgabe"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXStringSend::GetShowName, &TQXStringSend::SetShowName));
  TEEEAusgangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXStringSend::GetShowSource, &TQXStringSend::SetShowSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXStringSend::GetFont, &TQXStringSend::SetFont));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(Tr("uqxstringsend.sstrocoltextback", "Farbe Schriftfeld"),
                 A::Color(&TQXStringSend::GetEditBackColor, &TQXStringSend::SetEditBackColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      120, Tr("uqxstringsend.sstrodescr",
              "Ein in das Feld eingegebener Text wird mit der Schaltfl\xC3\xA4"
              "che oder der Eingabetaste als Zeichenkette (\"S\") auf dem Ausgang gesendet.\n"
              "Beispiel: Der Text Test12 am Ausgang \"#5\" ergibt \"#5STest12;\"."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

void TQXStringSend::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXStringSend>("QXSTRINGSEND",
                                      [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showName", &TQXStringSend::GetShowName, &TQXStringSend::SetShowName);
  b.Bool("showSource", &TQXStringSend::GetShowSource, &TQXStringSend::SetShowSource);
  KeysPositionSize(b);
  b.Font("font", &TQXStringSend::GetFont, &TQXStringSend::SetFont);
  KeyBckGndColor(b);
  b.Color("editBackColor", &TQXStringSend::GetEditBackColor, &TQXStringSend::SetEditBackColor);
  KeysFrame(b);
  b.String("edittext", &TQXStringSend::GetEditText, &TQXStringSend::SetEditText);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

}  // namespace qx
