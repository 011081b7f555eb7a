#include "instruments/uQXConsole.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "channels/uLossNotify.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "instruments/uQXFileRec.h"

namespace qx {

const TFLSet* TQXConsole::ClassSet = nullptr;

namespace {
constexpr int32_t kRowsPerHalf = 100;  // a half holds 101 values

void SetMemoColor(QPlainTextEdit* memo, QPalette::ColorRole role, TColor color) {
  QPalette pal = memo->palette();
  pal.setColor(role, ColorToQColor(color));
  memo->setPalette(pal);
}
}  // namespace

TQXConsole::TQXConsole(QWidget* owner) : TQXElement(owner), Tick(RecordTick) {
  ClassId = 23;
  TypeName = "QXConsole";
  ChannelRole = RoleNumberOrTextIn;
  KeySet = ClassSet;
  InUpdateList = true;
  IsStreamElement = true;
  TQXElement::SetBckGndColor(0xF0F0F0);
  StoreStrValue("");
  startTick_.store(Tick());
  RowBuffer.MaxCount = kRowsPerHalf;
  RowBuffer.SetWidth(2);
  // Only sets a flag: runs on the port thread inside the buffer's lock.
  RowBuffer.OnOverflow = [](TBufferBase&) {
    if (LossNotify) LossNotify->RecvLossEvent();
  };
  memo_ = new QPlainTextEdit(this);
  memo_->setReadOnly(true);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setFrameShape(QFrame::NoFrame);
  SetMemoColor(memo_, QPalette::Base, 0x474747);
  TFontDesc font;
  font.Name = "Lucida Console";
  font.Color = fontColor_;
  SetFont(font);
  memo_->show();
  caption_ = new QLabel(this);
  caption_->setTextFormat(Qt::PlainText);
  caption_->setAttribute(Qt::WA_TransparentForMouseEvents);
  caption_->hide();
  resize(400, 250);
  UpdateCaption();
}

TQXConsole* TQXConsole::ElemCreate() {
  return new TQXConsole(CurrentCanvas());
}

void TQXConsole::SetValue(double value) {
  TQXElement::SetValue(value);
  CaptureLine();
}

void TQXConsole::SetStrValue(std::string_view value) {
  TQXElement::SetStrValue(value);
  CaptureLine();
}

void TQXConsole::CaptureLine() {
  if (!SourceValid) return;
  const double t = CaptureTimeValue(GetTimeStamp(), GetTimeMode(), Tick(),
                                    startTick_.load(std::memory_order_acquire));
  // Read before taking the buffer's lock: a text copy may throw.
  const bool number = ValueIsNumber.load(std::memory_order_relaxed);
  const double v = number ? GetValue() : 0.0;
  const std::string s = number ? std::string() : GetStrValue();
  RowBuffer.Lock();
  RowBuffer.SetValue(0, t);
  if (number)
    RowBuffer.SetValue(1, v);
  else
    RowBuffer.SetString(1, s);
  RowBuffer.Commit();
}

void TQXConsole::UpdateDisplay() {
  TQXElement::UpdateDisplay();
  if (!RowBuffer.Swap()) return;
  const int32_t mode = GetTimeMode();
  const bool stamp = GetTimeStamp();
  while (RowBuffer.Next()) {
    ++LineCount;
    std::string prefix;
    if (Numbering) {
      prefix += std::to_string(LineCount);
      prefix += Separator;
    }
    if (stamp) {
      prefix += RecordTimeText(RowBuffer.GetValue(0), mode);
      prefix += Separator;
    }
    const QString p = QString::fromStdString(prefix);
    const QString value = QString::fromStdString(
        RowBuffer.IsNumber(1) ? FloatToText(RowBuffer.GetValue(1)) : RowBuffer.GetString(1));
    AppendLine(p + value, static_cast<int>(p.size()));
  }
  QScrollBar* bar = memo_->verticalScrollBar();
  bar->setValue(bar->maximum());
}

int TQXConsole::LineQty() const {
  return hasLines_ ? memo_->document()->blockCount() : 0;
}

void TQXConsole::AppendLine(const QString& line, int prefixLength) {
  QTextDocument* doc = memo_->document();
  QTextCursor c(doc);
  while (LineQty() >= MaxLines) {
    if (doc->blockCount() <= 1) {
      memo_->clear();
      hasLines_ = false;
      break;
    }
    // The first line together with its line end.
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    c.removeSelectedText();
  }
  c.movePosition(QTextCursor::End);
  if (hasLines_) c.insertBlock();
  QTextCharFormat text;
  text.setForeground(ColorToQColor(fontColor_));
  // Inserted as plain text: a received "<b>" stays visible as it is.
  if (prefixLength > 0) {
    QTextCharFormat tag;
    tag.setForeground(ColorToQColor(TagColor));
    c.insertText(line.left(prefixLength), tag);
  }
  c.insertText(line.mid(prefixLength), text);
  hasLines_ = true;
}

void TQXConsole::ResetValue() {
  // Stores without capturing: a reset adds no line.
  StoreValue(InitValue);
  StoreStrValue("");
  ValueIsNumber.store(false);
  TQXElement::UpdateDisplay();
  RowBuffer.Clear();
  memo_->clear();
  hasLines_ = false;
  LineCount = 0;
  startTick_.store(Tick());
  PausedMs = 0;
}

void TQXConsole::StreamPrepare() {
  RowBuffer.Clear();
  const uint64_t now = Tick();
  if (Started) {
    startTick_.store(now - std::min(PausedMs, now));
  } else {
    Started = true;
    LineCount = 0;
    PausedMs = 0;
    startTick_.store(now);
  }
}

void TQXConsole::StreamStop() {
  UpdateDisplay();
  const uint64_t now = Tick();
  const uint64_t start = startTick_.load();
  PausedMs = now >= start ? now - start : 0;
}

void TQXConsole::UpdateCaption() {
  std::string text;
  if (ShowName) text += Denom;
  if (ShowSource) {
    text += '=';
    text += Source;
  }
  caption_->setText(QString::fromStdString(text));
  caption_->setVisible(ShowName || ShowSource);
  PanelResize();
}

void TQXConsole::PanelResize() {
  const int f = FrameWidth, w = width(), h = height();
  const int labelH = TextHeightOf(caption_->font());
  const int a = caption_->isVisibleTo(this) ? labelH + 5 : 0;
  memo_->setGeometry(f, f + a, std::max(0, w - 2 * f), std::max(0, h - a - 2 * f));
  caption_->setGeometry(f + 5, f + 3, std::max(0, w - 2 * f - 10), labelH);
}

TColor TQXConsole::GetBckGndColor() const {
  return QColorToColor(memo_->palette().color(QPalette::Base));
}

void TQXConsole::SetBckGndColor(TColor value) {
  SetMemoColor(memo_, QPalette::Base, value);
  FollowEditFrame();
}

void TQXConsole::SetMaxLines(int32_t value) {
  MaxLines = std::max(value, 1);
  FollowEditFrame();
}

void TQXConsole::SetTimeMode(int32_t value) {
  if (value < TimeRelative || value > TimeOfDay) return;
  timeMode_.store(value);
}

void TQXConsole::SetShowName(bool value) {
  ShowName = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXConsole::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

TFontDesc TQXConsole::GetFont() const {
  return QFontToFontDesc(memo_->font(), fontColor_);
}

void TQXConsole::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  memo_->setFont(FontDescToQFont(value));
  SetMemoColor(memo_, QPalette::Text, value.Color);
  FollowEditFrame();
}

void TQXConsole::InitFileSet(TFLSetList& sets) {
  auto b =
      sets.Define<TQXConsole>("QXCONSOLE", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showName", &TQXConsole::GetShowName, &TQXConsole::SetShowName);
  b.Bool("showSource", &TQXConsole::GetShowSource, &TQXConsole::SetShowSource);
  KeysPositionSize(b);
  b.Int("maxLineQty", &TQXConsole::GetMaxLines, &TQXConsole::SetMaxLines);
  b.Bool("ordinal", &TQXConsole::GetNumbering, &TQXConsole::SetNumbering);
  b.Bool("timestamp", &TQXConsole::GetTimeStamp, &TQXConsole::SetTimeStamp);
  b.Enum("timeMode", {"relative", "dateTime", "time"}, &TQXConsole::GetTimeMode,
         &TQXConsole::SetTimeMode);
  b.String("separator", &TQXConsole::GetSeparator, &TQXConsole::SetSeparator);
  b.Font("font", &TQXConsole::GetFont, &TQXConsole::SetFont);
  b.Color("fTagColor", &TQXConsole::GetTagColor, &TQXConsole::SetTagColor);
  KeyBckGndColor(b);
  KeysFrame(b);
  ClassSet = &b.Set();
}

QPointer<TEEListing> TQXConsole::Listing;

void TQXConsole::InitListing() {
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXConsole>(Listing);
  using A = TEEAccessors<TQXConsole>;
  TEEETitelActive::Add(Tr("uqxconsole.skonstitel", "Konsoleninstrument"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXConsole::GetShowName, &TQXConsole::SetShowName));
  TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXConsole::GetShowSource, &TQXConsole::SetShowSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEIntFeld::Add(Tr("uqxconsole.slinebuffer", "Zeilenpuffer"),
                   A::Int(&TQXConsole::GetMaxLines, &TQXConsole::SetMaxLines));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxconsole.sordinal", "Nummerierung"), cap::Show(),
                       A::Bool(&TQXConsole::GetNumbering, &TQXConsole::SetNumbering));
  TEEEAuswahlFeld::Add(Tr("uqxconsole.stimestamp", "Zeitstempel"), cap::Show(),
                       A::Bool(&TQXConsole::GetTimeStamp, &TQXConsole::SetTimeStamp));
  TEEEAuswahlbox::Add(
      Tr("uqxconsole.stimemode", "Zeitformat"),
      {Tr("uqxconsole.stimerel", "Sekunden, relativ"),
       Tr("uqxconsole.stimedate", "Datum und Uhrzeit"), Tr("uqxconsole.stimeonly", "Uhrzeit")},
      A::Int(&TQXConsole::GetTimeMode, &TQXConsole::SetTimeMode));
  TEEEZeichenfeld::Add(Tr("uqxconsole.sseparator", "Trennzeichen"),
                       A::Text(&TQXConsole::GetSeparator, &TQXConsole::SetSeparator));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXConsole::GetFont, &TQXConsole::SetFont));
  TEEEFarbe::Add(Tr("uqxconsole.stagcolor", "Schriftfarbe 2"),
                 A::Color(&TQXConsole::GetTagColor, &TQXConsole::SetTagColor));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXConsole::GetBckGndColor, &TQXConsole::SetBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      160, Tr("uqxconsole.skonsdescr",
              "Das Instrument listet eingehende Texte (\"S\") und Zahlen (\"F\") untereinander "
              "auf. Die Nummerierung und der optionale Zeitstempel werden in \"Schriftfarbe 2\" "
              "angezeigt. Das Trennzeichen steht zwischen Nummerierung, Zeitstempel und Text "
              "(Standard: ein Leerzeichen)."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

}  // namespace qx
