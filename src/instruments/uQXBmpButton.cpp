#include "instruments/uQXBmpButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "foundation/uSettingLoader.h"
#include "instruments/uBuiltInPictures.h"
#include "instruments/uElementLabels.h"
#include "instruments/uQXButton.h"
#include "widgets/uLangStrings.h"
#include "widgets/uPictureFile.h"

namespace qx {

// ---- shared parts ---------------------------------------------------------------

TBmpImage::TBmpImage(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBmpImage::SetPicture(const QImage& picture) {
  Picture = picture;
  update();
}

void TBmpImage::paintEvent(QPaintEvent*) {
  if (Picture.isNull()) return;
  QPainter p(this);
  p.drawImage(0, 0, Picture);
}

// The caption font is the toolkit's default until the "font" key says else.
TBmpLabel::TBmpLabel(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
}

Qt::Alignment CaptionAlignment(Qt::Alignment wanted, int textWidth, int labelWidth) {
  if (!(wanted & Qt::AlignHCenter) || textWidth <= labelWidth) return wanted;
  return (wanted & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
}

void TBmpLabel::paintEvent(QPaintEvent* event) {
  const QRect r = contentsRect();
  const Qt::Alignment a =
      CaptionAlignment(alignment(), fontMetrics().horizontalAdvance(text()), r.width());
  if (a == alignment()) return QLabel::paintEvent(event);
  QPainter p(this);
  style()->drawItemText(&p, r, static_cast<int>(a), palette(), isEnabled(), text(),
                        foregroundRole());
}

void TBmpLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) leftDown_ = true;
  emit MouseDown(event->button(), event->position().toPoint());
}

void TBmpLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a quick double click is an ordinary press.
  mousePressEvent(event);
}

void TBmpLabel::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove(event->position().toPoint());
}

void TBmpLabel::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  emit MouseUp(event->button(), pos);
  if (event->button() == Qt::LeftButton && leftDown_) {
    leftDown_ = false;
    if (rect().contains(pos)) emit Clicked();
  }
}

void TBmpLabel::enterEvent(QEnterEvent*) {
  emit MouseEnter();
}

void TBmpLabel::leaveEvent(QEvent*) {
  emit MouseLeave();
}

void LoadFace(TBmpImage& image, const std::string& fileName, const char* builtIn) {
  if (fileName.empty()) {
    if (auto* owner = qobject_cast<TQXElement*>(image.parentWidget()))
      owner->SetFileProblem(static_cast<int32_t>(owner->children().indexOf(&image)), {});
    image.SetPicture(BuiltInPicture(builtIn));
    return;
  }
  const std::string path = AbsoluteFileName(FileLoad ? FileLoad->ProjectPath : "", fileName);
  QString problem;
  const QImage picture = LoadPictureFile(path, problem);
  if (!picture.isNull()) image.SetPicture(picture);
  // A refused file (no plain file) is named on the element, one slot a face.
  if (auto* owner = qobject_cast<TQXElement*>(image.parentWidget()))
    owner->SetFileProblem(static_cast<int32_t>(owner->children().indexOf(&image)), problem);
}

// ---- TQXBmpButton ---------------------------------------------------------------

const TFLSet* TQXBmpButton::ClassSet = nullptr;
QPointer<TEEListing> TQXBmpButton::Listing;
TEEEintrag* TQXBmpButton::FreeTextRow = nullptr;
TEEEintrag* TQXBmpButton::FreeNumberRow = nullptr;

TQXBmpButton::TQXBmpButton(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 19;
  TypeName = "QXBmpButton";
  ChannelRole = RoleOutput;
  KeySet = ClassSet;
  Denom = Tr("uqxbmpbutton.sbmpbutname", "Taster").toStdString();
  SetBckGndColor(0x707070);
  up_ = new TBmpImage(this);
  down_ = new TBmpImage(this);
  over_ = new TBmpImage(this);
  down_->hide();
  over_->hide();
  label_ = new TBmpLabel(this);
  label_->show();  // children made after the element was shown start hidden
  connect(label_, &TBmpLabel::Clicked, this, [this] { ImageClick(); });
  connect(label_, &TBmpLabel::MouseDown, this, [this] { ImageMouseDown(); });
  connect(label_, &TBmpLabel::MouseUp, this, [this] { ImageMouseUp(); });
  connect(label_, &TBmpLabel::MouseEnter, this, [this] { LabelMouseEnter(); });
  connect(label_, &TBmpLabel::MouseLeave, this, [this] { LabelMouseLeave(); });
  resize(98, 40);
  LoadImage1();
  LoadImage2();
  LoadImage3();
  UpdateCaption();
}

TQXBmpButton* TQXBmpButton::ElemCreate() {
  return new TQXBmpButton(CurrentCanvas());
}

void TQXBmpButton::PanelResize() {
  const int f = FrameWidth;
  const QSize pic = up_->Picture.size();
  resize(pic.width() + 2 * f, pic.height() + 2 * f);
  const QRect inner(f, f, pic.width(), pic.height());
  for (QWidget* w : {static_cast<QWidget*>(up_), static_cast<QWidget*>(down_),
                     static_cast<QWidget*>(over_), static_cast<QWidget*>(label_)})
    w->setGeometry(inner);
  label_->raise();
}

void TQXBmpButton::UpdateCaption() {
  label_->setText(QString::fromStdString(ButtonCaption(ShowDenom, ShowSource, Denom, Source)));
}

void TQXBmpButton::LoadImage1() {
  LoadFace(*up_, FileUp, "QXBmpButtonUp");
  UpdateImageFlags();
  PanelResize();
}

void TQXBmpButton::LoadImage2() {
  LoadFace(*down_, FileDown, "QXBmpButtonDown");
  UpdateImageFlags();
}

void TQXBmpButton::LoadImage3() {
  LoadFace(*over_, FileOver, "QXBmpButtonOver");
  UpdateImageFlags();
}

void TQXBmpButton::UpdateImageFlags() {
  // An own up picture without its own twin: that face is not used.
  HasDownFace = !(!FileUp.empty() && FileDown.empty());
  HasOverFace = !(!FileUp.empty() && FileOver.empty());
  UpdateFace();
}

void TQXBmpButton::UpdateFace() {
  const bool showDown = MouseIsDown && HasDownFace;
  const bool showOver = !showDown && MouseInside && HasOverFace;
  down_->setVisible(showDown);
  over_->setVisible(showOver);
  up_->setVisible(!showDown && !showOver);
}

void TQXBmpButton::ImageClick() {
  switch (Mode) {
    case ModeStandard:
      Send("F1");
      break;
    case ModeFreeText:
      Send(TypedPayload('S', FreeText));
      break;
    case ModeFreeNumber:
      Send(TypedPayload('F', FloatToDisplayText(FreeNumber)));
      break;
    default:
      break;
  }
}

void TQXBmpButton::ImageMouseDown() {
  MouseIsDown = true;
  UpdateFace();
  if (Mode == ModeDoubleNotify) Send("F1");
}

void TQXBmpButton::ImageMouseUp() {
  MouseIsDown = false;
  UpdateFace();
  if (Mode == ModeDoubleNotify) Send("F0");
}

void TQXBmpButton::LabelMouseEnter() {
  MouseInside = true;
  UpdateFace();
}

void TQXBmpButton::LabelMouseLeave() {
  MouseInside = false;
  UpdateFace();
}

void TQXBmpButton::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXBmpButton::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

int32_t TQXBmpButton::GetMode() const {
  UpdateModeRows();
  return Mode;
}

void TQXBmpButton::SetMode(int32_t value) {
  if (value < ModeStandard || value > ModeFreeNumber) return;
  Mode = value;
  UpdateModeRows();
  FollowEditFrame();
}

void TQXBmpButton::UpdateModeRows() const {
  if (Listing)
    ShowFreeValueRows(*this, Mode == ModeFreeText, Mode == ModeFreeNumber, FreeTextRow,
                      FreeNumberRow);
}

void TQXBmpButton::SetFreeText(const std::string& value) {
  FreeText = value;
  FollowEditFrame();
}

void TQXBmpButton::SetFreeNumber(double value) {
  FreeNumber = value;
  FollowEditFrame();
}

void TQXBmpButton::SetFileUp(const std::string& value) {
  FileUp = value;
  LoadImage1();
  PanelResize();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
  // The read-only size row shows the size the picture gave.
  TPropertyEditor::RefreshListing();
}

void TQXBmpButton::SetFileDown(const std::string& value) {
  FileDown = value;
  LoadImage2();
  FollowEditFrame();
}

void TQXBmpButton::SetFileOver(const std::string& value) {
  FileOver = value;
  LoadImage3();
  FollowEditFrame();
}

TFontDesc TQXBmpButton::GetFont() const {
  return QFontToFontDesc(label_->font(), fontColor_);
}

void TQXBmpButton::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  SetLabelFont(label_, value);
  FollowEditFrame();
}

void TQXBmpButton::InitListing() {
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXBmpButton>(Listing);
  using A = TEEAccessors<TQXBmpButton>;
  TEEETitelActive::Add(Tr("uqxbmpbutton.sbmpbuttitel", "Bitmap-Taster"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXBmpButton::GetShowDenom, &TQXBmpButton::SetShowDenom));
  TEEEAusgangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXBmpButton::GetShowSource, &TQXBmpButton::SetShowSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  // The size follows the up picture: shown, not edited.
  TEEEIntPaar* size = TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                                       A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                                       A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  size->FirstEdit->setEnabled(false);
  size->SecondEdit->setEnabled(false);
  TEEELinie::Add();
  TEEEAuswahlbox::Add(cap::Mode(),
                      {Tr("uqxbmpbutton.sbmpbutstandard", "Standard (F1)"),
                       Tr("uqxbmpbutton.sbmpbutonoff", "Ein-Aus-Signal (F1+F0)"),
                       Tr("uqxbmpbutton.sbmpbutfreitext", "Freitext Zeichen (S)"),
                       Tr("uqxbmpbutton.sbmpbutfreizahl", "Freitext Zahl (F)")},
                      A::Int(&TQXBmpButton::GetMode, &TQXBmpButton::SetMode));
  FreeTextRow =
      TEEEZeichenfeld::Add(Tr("uqxbmpbutton.sbmpbutausgabetext", "Ausgabetext (S):"),
                           A::Text(&TQXBmpButton::GetFreeText, &TQXBmpButton::SetFreeText));
  FreeNumberRow =
      TEEERealFeld::Add(Tr("uqxbmpbutton.sbmpbutausgabewert", "Ausgabewert (F):"),
                        A::Real(&TQXBmpButton::GetFreeNumber, &TQXBmpButton::SetFreeNumber));
  TEEELinie::Add();
  TEEESubTitel::Add(cap::BitmapFiles());
  TEEEBildDatei::Add(Tr("uqxbmpbutton.sbmpbutunpressed",
                        "Taster ungedr\xC3\xBC"
                        "ckt"),
                     A::Text(&TQXBmpButton::GetFileUp, &TQXBmpButton::SetFileUp));
  TEEEBildDatei::Add(Tr("uqxbmpbutton.sbmpbutpressed",
                        "Taster gedr\xC3\xBC"
                        "ckt"),
                     A::Text(&TQXBmpButton::GetFileDown, &TQXBmpButton::SetFileDown));
  TEEEBildDatei::Add(Tr("uqxbmpbutton.sbmpbutmarked", "Taster markiert"),
                     A::Text(&TQXBmpButton::GetFileOver, &TQXBmpButton::SetFileOver));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXBmpButton::GetFont, &TQXBmpButton::SetFont));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      200, Tr("uqxbmpbutton.sbmpbutdescr",
              "Bitmap-Instrumente erhalten ihre Gestalt aus den Bilddateien und nehmen die "
              "Gr\xC3\xB6\xC3\x9F"
              "e des Bildes an.\n"
              "Der Taster sendet beim Dr\xC3\xBC"
              "cken die Zahl 1 (\"F\"); im Modus \"Ein-Aus-Signal\" 1 beim "
              "Niederdr\xC3\xBC"
              "cken und 0 beim Loslassen.\n"
              "Beispiel: Ausgang \"#5\" sendet \"#5F1;\"."));
  TEEELinie::Add();
  if (building) {
    FreeTextRow->hide();
    FreeNumberRow->hide();
  }
  TEEListing::End(Listing);
}

void TQXBmpButton::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXBmpButton>("QXBMPBUTTON",
                                     [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXBmpButton::GetShowDenom, &TQXBmpButton::SetShowDenom);
  b.Bool("showSource", &TQXBmpButton::GetShowSource, &TQXBmpButton::SetShowSource);
  b.IntXY("position", &TQXElement::GetLeft, &TQXElement::SetLeft, &TQXElement::GetTop,
          &TQXElement::SetTop);
  b.Enum("mode", {"standard", "doubleNotify", "freeText", "freeNumber"}, &TQXBmpButton::GetMode,
         &TQXBmpButton::SetMode);
  // Only the free value that the mode sends is written.
  b.ActiveWhen(b.String("freeText", &TQXBmpButton::GetFreeText, &TQXBmpButton::SetFreeText),
               [](TQXBmpButton& e) { return e.Mode == ModeFreeText; });
  b.ActiveWhen(b.Real("freeNumber", &TQXBmpButton::GetFreeNumber, &TQXBmpButton::SetFreeNumber),
               [](TQXBmpButton& e) { return e.Mode == ModeFreeNumber; });
  b.String("fileImageUp", &TQXBmpButton::GetFileUp, &TQXBmpButton::SetFileUp);
  b.String("fileImageDown", &TQXBmpButton::GetFileDown, &TQXBmpButton::SetFileDown);
  b.String("fileImageOver", &TQXBmpButton::GetFileOver, &TQXBmpButton::SetFileOver);
  b.Font("font", &TQXBmpButton::GetFont, &TQXBmpButton::SetFont);
  KeysFrame(b);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

}  // namespace qx
