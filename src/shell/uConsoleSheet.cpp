#include "shell/uConsoleSheet.h"

#include <QColorDialog>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "channels/uLossNotify.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uPlainFile.h"
#include "foundation/uSettingLoader.h"
#include "shell/uStatusFrame.h"
#include "widgets/uDialogs.h"
#include "widgets/uLangStrings.h"

namespace qx {

TConsoleSheet* ConsoleSheet = nullptr;
TCons* Cons = nullptr;

namespace {
constexpr uint32_t kStatusOn = 0x00FF00;
constexpr uint32_t kStatusArmed = 0x00FFFF;
constexpr uint32_t kStatusOff = 0xB4B4B4;
constexpr uint32_t kStatusFailed = 0x2222BD;

bool HubConnected() {
  return Terminal && Terminal->Connected.load();
}

std::string ProjectPath() {
  return FileLoad ? FileLoad->ProjectPath : std::string();
}
}  // namespace

// ---- TConsoleSheet --------------------------------------------------------------

TConsoleSheet::TConsoleSheet(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ColorToQColor(0xE9DCD1));
  setPalette(pal);
  Shape = new TShapeFrame(this);
  Shape->SetBrushColor(0x6C6C6C);
  Shape->SetPenColor(0x6C6C6C);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont f("Lucida Console");
  f.setStyleHint(QFont::Monospace);
  f.setFixedPitch(true);
  f.setPixelSize(17);
  Memo1->setFont(f);
  QPalette mp = Memo1->palette();
  mp.setColor(QPalette::Base, ColorToQColor(0x474747));
  mp.setColor(QPalette::Text, ColorToQColor(0xECFFFF));
  Memo1->setPalette(mp);
  Memo1->setPlainText(Tr("uconsolesheet.memo1", "Konsole"));
  RecordError = new QLabel(this);
  RecordError->setTextFormat(Qt::PlainText);
  QPalette ep = RecordError->palette();
  ep.setColor(QPalette::WindowText, ColorToQColor(kStatusFailed));
  RecordError->setPalette(ep);
  RecordError->hide();
}

void TConsoleSheet::ShowRecordError(const QString& message, const QString& fileName) {
  errorMessage_ = message;
  errorFile_ = fileName;
  RecordError->show();
  Arrange();
}

void TConsoleSheet::HideRecordError() {
  if (RecordError->isHidden()) return;
  RecordError->hide();
  Arrange();
}

void TConsoleSheet::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Arrange();
}

void TConsoleSheet::Arrange() {
  // The message takes a strip below the memo, so no console text hides it.
  const int h = RecordError->isHidden() ? 0 : RecordError->sizeHint().height();
  const int strip = h ? h + 8 : 0;
  Shape->setGeometry(rect().adjusted(16, 16, -16, -16 - strip));
  Memo1->setGeometry(rect().adjusted(24, 24, -24, -24 - strip));
  if (!h) return;
  RecordError->setGeometry(24, height() - 16 - h, std::max(0, width() - 48), h);
  RecordError->setText(PrefixedElidedText(errorMessage_, errorFile_, RecordError->font(),
                                          RecordError->contentsRect().width()));
}

// ---- TCons ----------------------------------------------------------------------

TCons::TCons(TConsoleSheet& sheet, TLossNotify* loss) : sheet_(sheet) {
  Buffer.MaxCount.store(64);
  if (loss) Buffer.OnOverflow = [loss](TBufferBase&) { loss->RecvLossEvent(); };
  AskFileName = [this](std::string& name) {
    const QString chosen = AskToolkitFileName(sheet_.window(), Tr("ulangstrings.sdatei", "Datei"),
                                              QString::fromStdString(name), QString(), true);
    if (chosen.isEmpty()) return false;
    name = chosen.toStdString();
    return true;
  };
  AskColor = [this](QColor& color) {
    const QColor c = QColorDialog::getColor(color, sheet_.window());
    if (!c.isValid()) return false;
    color = c;
    return true;
  };
  AskFont = [this](QFont& font) {
    const std::optional<QFont> f = AskToolkitFont(sheet_.window(), font);
    if (f) font = *f;
    return f.has_value();
  };
}

TCons::~TCons() {
  if (recordFile_) std::fclose(recordFile_);
}

bool TCons::Receive(std::string_view text) {
  if (!Active.load() && !Recording.load()) return false;
  Buffer.Put(text);
  return true;
}

void TCons::Flush() {
  if (!Buffer.Swap()) return;
  std::string text;
  while (Buffer.Get(text)) ShowText(text);
  if (!FileOpen || !recordFile_) return;
  // Every batch reaches the file at once: a crash loses at most one tick.
  if (std::fflush(recordFile_) != 0) batchFailed_ = true;
  if (batchFailed_) ShowWriteError();
  batchFailed_ = false;
}

void TCons::ShowWriteError() {
  // The recording goes on; what was lost is not written again.
  if (writeError_) return;
  writeError_ = true;
  sheet_.ShowRecordError(Tr("uqxfilerec.swriteerror", "Schreibfehler: "),
                         QString::fromStdString(recordName_));
  ShowStatus();
}

void TCons::ShowText(std::string_view s) {
  if (s.empty() || (s[0] != 'S' && s[0] != 'F' && s[0] != 's' && s[0] != 'f')) return;
  size_t p = 1;  // behind the type letter
  while (p < s.size()) {
    const size_t esc = s.find("\\n", p);
    if (esc != std::string_view::npos) {
      AppendToLine(s.substr(p, esc - p));
      NewLine();
      p = esc + 2;
      continue;
    }
    const size_t brk = s.find_first_of("\r\n", p);
    if (brk != std::string_view::npos) {
      AppendToLine(s.substr(p, brk - p));
      NewLine();
      p = brk + 1;
      continue;
    }
    AppendToLine(s.substr(p));
    break;
  }
}

void TCons::AppendToLine(std::string_view piece) {
  if (piece.empty()) return;
  // Only an open file records: a failed open writes nothing anywhere.
  if (FileOpen && recordFile_ &&
      std::fwrite(piece.data(), 1, piece.size(), recordFile_) != piece.size())
    batchFailed_ = true;
  if (Active.load()) {
    QTextCursor c(sheet_.Memo1->document());
    c.movePosition(QTextCursor::End);
    c.insertText(QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size())));
  }
}

void TCons::NewLine() {
  if (FileOpen && recordFile_ && std::fputc('\n', recordFile_) == EOF) batchFailed_ = true;
  if (!Active.load()) return;
  QTextDocument* doc = sheet_.Memo1->document();
  const int n = doc->blockCount() - 1;
  QTextCursor c(doc);
  c.beginEditBlock();
  c.movePosition(QTextCursor::End);
  c.insertBlock();
  if (n >= kConsoleMaxLines - 1) {
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    c.removeSelectedText();
  }
  c.endEditBlock();
  QScrollBar* bar = sheet_.Memo1->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void TCons::Clear() {
  sheet_.Memo1->clear();  // leaves the one empty line
  Buffer.Clear();
}

void TCons::SetActive(bool value) {
  Active.store(value);
  if (CheckBoxConsActive && CheckBoxConsActive->isChecked() != value) {
    const QSignalBlocker block(CheckBoxConsActive);
    CheckBoxConsActive->setChecked(value);
  }
  ShowStatus();
}

void TCons::SetRecording(bool on) {
  Recording.store(on);
  if (CheckBoxConsRec && CheckBoxConsRec->isChecked() != on) {
    const QSignalBlocker block(CheckBoxConsRec);
    CheckBoxConsRec->setChecked(on);
  }
  if (on && HubConnected())
    RecStart();
  else if (!on && FileOpen)
    RecStop();
  ShowStatus();
}

void TCons::Connected() {
  if (Recording.load()) RecStart();
  ShowStatus();
}

void TCons::Disconnected() {
  if (Recording.load()) RecStop();
  ShowStatus();
}

void TCons::ShowStatus() {
  const bool connected = HubConnected();
  if (StatusFrame1)
    StatusFrame1->SetPenColor(!Active.load() ? kStatusOff : connected ? kStatusOn : kStatusArmed);
  // Green only while a file really records; a failed write shows until the
  // next recording.
  if (StatusFrameConsRec)
    StatusFrameConsRec->SetPenColor(!Recording.load() ? kStatusOff
                                    : writeError_     ? kStatusFailed
                                    : FileOpen        ? kStatusOn
                                                      : kStatusArmed);
}

std::string TCons::RecordFileName() const {
  return AbsoluteFileName(ProjectPath(), FileName.empty() ? std::string("record.dat") : FileName);
}

void TCons::RecStart() {
  if (FileOpen) return;
  const std::string name = RecordFileName();
  const bool append = RecordedBefore;
  recordName_ = name;
  writeError_ = false;
  batchFailed_ = false;
  sheet_.HideRecordError();
  std::FILE* f = nullptr;
  // Only a plain file: a FIFO would wait for a reader, a device never ends.
  const TPlainFileStatus st = OpenPlainFileForWrite(name, append, f);
  if (StatusFrameConsRec)
    StatusFrameConsRec->setToolTip(
        st == TPlainFileStatus::NotRegular
            ? Tr("uqxfilerec.snotregular", "Keine gew\xC3\xB6hnliche Datei: ") +
                  QString::fromStdString(name)
            : QString());
  if (!f) return;  // Recording stays set, the next connect tries again
  std::string head;
  if (append) head += '\n';
  const TDateTime now = Now();
  head += "--- " + ShortDateText(now) + " " + LongTimeText(now) + " ---\n";
  if (std::fwrite(head.data(), 1, head.size(), f) != head.size() || std::fflush(f) != 0) {
    std::fclose(f);
    ShowWriteError();
    return;
  }
  recordFile_ = f;
  FileOpen = true;
  RecordedBefore = true;
}

void TCons::RecStop() {
  if (!FileOpen) return;
  Flush();  // buffered texts reach the memo and the file
  if (recordFile_) std::fclose(recordFile_);
  recordFile_ = nullptr;
  FileOpen = false;
}

void TCons::ChooseFile() {
  if (FileOpen || !AskFileName) return;
  std::string name = FileName;
  if (!AskFileName(name)) return;
  FileName = RelativeFileName(ProjectPath(), name);
  RecordedBefore = false;
}

void TCons::SetMemoColor(QPalette::ColorRole role, const QColor& color) {
  QPalette pal = sheet_.Memo1->palette();
  pal.setColor(role, color);
  sheet_.Memo1->setPalette(pal);
}

void TCons::ChooseFontColor() {
  QColor c = sheet_.Memo1->palette().color(QPalette::Text);
  if (!AskColor || !AskColor(c)) return;
  SetMemoColor(QPalette::Text, c);
  if (ConsFontColor) ConsFontColor->SetBrushColor(QColorToColor(c));
}

void TCons::ChooseBackColor() {
  QColor c = sheet_.Memo1->palette().color(QPalette::Base);
  if (!AskColor || !AskColor(c)) return;
  SetMemoColor(QPalette::Base, c);
  if (ConsBackColor) ConsBackColor->SetBrushColor(QColorToColor(c));
}

void TCons::ChooseFont() {
  QFont f = sheet_.Memo1->font();
  if (AskFont && AskFont(f)) sheet_.Memo1->setFont(f);
}

TFontDesc TCons::Font() const {
  return QFontToFontDesc(sheet_.Memo1->font(),
                         QColorToColor(sheet_.Memo1->palette().color(QPalette::Text)));
}

void TCons::SetFont(const TFontDesc& font) {
  QFont f = FontDescToQFont(font);
  // A face the machine lacks ("Lucida Console") falls back to a monospaced one.
  f.setStyleHint(QFont::Monospace);
  sheet_.Memo1->setFont(f);
  SetMemoColor(QPalette::Text, ColorToQColor(font.Color));
  if (ConsFontColor) ConsFontColor->SetBrushColor(font.Color);
}

uint32_t TCons::BackColor() const {
  return QColorToColor(sheet_.Memo1->palette().color(QPalette::Base));
}

void TCons::SetBackColor(uint32_t color) {
  SetMemoColor(QPalette::Base, ColorToQColor(color));
  if (ConsBackColor) ConsBackColor->SetBrushColor(color);
}

}  // namespace qx
