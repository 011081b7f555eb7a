#include "instruments/uQXFileRec.h"

#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "channels/uLossNotify.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uDateTimeText.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "foundation/uPlainFile.h"
#include "foundation/uSettingLoader.h"
#include "foundation/uStrSearch.h"
#include "foundation/uTiming.h"
#include "instruments/uElementLabels.h"
#include "widgets/uLangStrings.h"

namespace qx {

const TFLSet* TQXFileRec::ClassSet = nullptr;

namespace {

constexpr TColor kBoxColor = 0xC0C0C0;
constexpr int32_t kRowsPerHalf = 100;  // a half holds 101 rows
// Large enough that the rows of one display tick go out in few blocks.
constexpr size_t kFileBufferBytes = 64 * 1024;

TDateTime LocalDateTime(double epochSeconds) {
  const auto secs = static_cast<std::time_t>(std::floor(epochSeconds));
  std::tm tm{};
  localtime_r(&secs, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// Blanks at both ends go, in place (a name read from a project file may be
// long).
void Trim(std::string& s) {
  s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
  s.erase(s.find_last_not_of(' ') + 1);
}

}  // namespace

// ---- shared helpers -------------------------------------------------------------

uint64_t RecordTick() {
  return VirtualTickCounter ? VirtualTickCounter->GetTickCount64() : SystemTick32();
}

double CaptureTimeValue(bool timeStamp, int32_t mode, uint64_t now, uint64_t startTick) {
  if (!timeStamp) return 0.0;
  if (mode == TimeDateTime || mode == TimeOfDay) {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count();
  }
  return now >= startTick ? static_cast<double>(now - startTick) : 0.0;
}

std::string RecordTimeText(double t, int32_t mode) {
  switch (mode) {
    case TimeDateTime: {
      const TDateTime d = LocalDateTime(t);
      return ShortDateText(d) + "/" + LongTimeText(d);
    }
    case TimeOfDay:
      return LongTimeText(LocalDateTime(t));
    default:
      return FloatToFixedText(t / 1000.0, 2);
  }
}

std::string RecordHeaderLine() {
  const TDateTime now = LocalNow();
  std::string s = "--- ";
  s += ShortDateText(now);
  s += ' ';
  s += LongTimeText(now);
  s += " ---";
  return s;
}

const QPixmap& FileRecPicture() {
  static const QPixmap picture = [] {
    QPixmap p(20, 24);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    // A sheet of paper with a red record dot.
    g.setPen(QPen(Qt::black, 1));
    g.setBrush(Qt::white);
    g.drawRect(QRectF(2.5, 1.5, 14, 20));
    g.drawLine(QPointF(5, 6), QPointF(14, 6));
    g.drawLine(QPointF(5, 9), QPointF(14, 9));
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(0xD0, 0x20, 0x20));
    g.drawEllipse(QPointF(13, 17), 4.5, 4.5);
    return p;
  }();
  return picture;
}

// ---- element ------------------------------------------------------------------------

TQXFileRec::TQXFileRec(QWidget* owner) : TQXElement(owner) {
  ClassId = 10;
  TypeName = "QXFileRec";
  ChannelRole = RoleNumberOrTextIn;
  KeySet = ClassSet;
  InUpdateList = true;
  IsStreamElement = true;
  // Its row takes the new values of columns that share column 1's channel.
  ReadsLast = true;
  FrameWidth = 4;
  SetFrameColor(kBoxColor);
  SetBckGndColor(kBoxColor);
  Denom = Tr("uqxfilerec.srecdenom", "Rekorder").toStdString();
  Channels[0] = this;
  for (int32_t n = 2; n <= kMaxColumns; ++n) {
    auto* c = new TQXElement(this);
    c->IsSubElement = true;
    c->InUpdateList = false;
    c->ChannelRole = RoleNumberOrTextIn;
    c->TypeName = "QXFileRecCH" + std::to_string(n);
    // A column that never received anything records its value, the number 0.
    c->ValueIsNumber.store(true);
    c->Active = n <= GetChannelQty();
    c->hide();
    Channels[static_cast<size_t>(n - 1)] = c;
  }
  RowBuffer.MaxCount = kRowsPerHalf;
  RowBuffer.SetWidth(GetChannelQty() + 1);
  // Only sets a flag: runs on the port thread inside the buffer's lock.
  RowBuffer.OnOverflow = [](TBufferBase&) {
    if (LossNotify) LossNotify->RecvLossEvent();
  };
  icon_ = new QLabel(this);
  icon_->setPixmap(FileRecPicture());
  icon_->setAttribute(Qt::WA_TransparentForMouseEvents);
  icon_->setGeometry(0, 0, 20, 24);
  icon_->show();
  caption_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  file_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  for (QLabel* l : {caption_, file_}) {
    l->setFont(QFont());
    l->setTextFormat(Qt::PlainText);
  }
  caption_->setGeometry(28, 0, 0, 20);
  file_->setGeometry(3, 20, 0, 20);
  resize(160, 40);
  PanelResize();
  UpdateCaption();
}

TQXFileRec::~TQXFileRec() {
  CloseFile();
  for (size_t i = 1; i < Channels.size(); ++i) delete Channels[i];
}

TQXFileRec* TQXFileRec::ElemCreate() {
  return new TQXFileRec(CurrentCanvas());
}

void TQXFileRec::SetValue(double value) {
  TQXElement::SetValue(value);
  CaptureRow();
}

void TQXFileRec::SetStrValue(std::string_view value) {
  TQXElement::SetStrValue(value);
  CaptureRow();
}

void TQXFileRec::CaptureRow() {
  // Also while the file failed to open: the rows pile up to the buffer's
  // limit and light the loss indicator, the next run discards them.
  if (!capturing_.load(std::memory_order_acquire) || !captureValid_.load()) return;
  const int32_t qty = GetChannelQty();
  const double t = CaptureTimeValue(GetTimeStamp(), GetTimeMode(), Tick(),
                                    startTick_.load(std::memory_order_acquire));
  // Read the columns before taking the buffer's lock: a text copy may throw.
  std::array<double, kMaxColumns> numbers{};
  std::array<std::string, kMaxColumns> texts;
  std::array<uint8_t, kMaxColumns> isNumber{};
  for (int32_t i = 0; i < qty; ++i) {
    const TQXElement* c = Channels[static_cast<size_t>(i)];
    if (c->SourceEmpty) continue;  // an empty text
    if (c->ValueIsNumber.load(std::memory_order_relaxed)) {
      numbers[static_cast<size_t>(i)] = c->GetValue();
      isNumber[static_cast<size_t>(i)] = 1;
    } else {
      texts[static_cast<size_t>(i)] = c->GetStrValue();
    }
  }
  RowBuffer.Lock();
  RowBuffer.SetValue(0, t);
  for (int32_t i = 0; i < qty; ++i) {
    const auto k = static_cast<size_t>(i);
    if (isNumber[k])
      RowBuffer.SetValue(i + 1, numbers[k]);
    else
      RowBuffer.SetString(i + 1, texts[k]);
  }
  RowBuffer.Commit();
}

void TQXFileRec::WriteRows() {
  TQXElement::UpdateDisplay();
  if (!FileOpen || !RowBuffer.Swap()) return;
  const char sep = CsvMode ? ';' : ' ';
  const int32_t width = RowBuffer.Width();
  const int32_t mode = GetTimeMode();
  const bool stamp = GetTimeStamp();
  std::string out;
  while (RowBuffer.Next()) {
    ++RowCount;
    if (Numbering) {
      out += std::to_string(RowCount);
      out += sep;
    }
    if (stamp) {
      out += RecordTimeText(RowBuffer.GetValue(0), mode);
      out += sep;
    }
    for (int32_t c = 1; c < width; ++c) {
      out += RowBuffer.IsNumber(c) ? FloatToText(RowBuffer.GetValue(c)) : RowBuffer.GetString(c);
      out += sep;
    }
    out.back() = '\n';  // the last separator goes
  }
  // The batch of one tick goes out as a block: nothing waits in the process
  // for the next tick (a crash or a slow run would keep it from the disk).
  bool ok = std::fwrite(out.data(), 1, out.size(), file_handle_) == out.size();
  ok = std::fflush(file_handle_) == 0 && ok;
  if (!ok) {
    // The run goes on; the lost lines are not written again.
    ShowFileError(Tr("uqxfilerec.swriteerror", "Schreibfehler: "));
  }
}

bool TQXFileRec::OpenFile(bool append) {
  // Only a plain file: a FIFO would wait for a reader, a device never ends.
  openStatus_ = TPlainFileStatus::OpenError;
  for (int attempt = 0; attempt < 2 && !file_handle_; ++attempt) {
    openStatus_ = OpenPlainFileForWrite(FullFileName, append, file_handle_);
    if (openStatus_ == TPlainFileStatus::NotRegular) break;
  }
  FileOpen = file_handle_ != nullptr;
  if (FileOpen) std::setvbuf(file_handle_, nullptr, _IOFBF, kFileBufferBytes);
  return FileOpen;
}

void TQXFileRec::CloseFile() {
  capturing_.store(false);
  recording_.store(false);
  if (file_handle_) std::fclose(file_handle_);  // a failure to close is ignored
  file_handle_ = nullptr;
  FileOpen = false;
}

void TQXFileRec::StreamPrepare() {
  CloseFile();
  RowBuffer.Clear();
  const std::string projectPath = FileLoad ? FileLoad->ProjectPath : std::string();
  FullFileName = AbsoluteFileName(projectPath, FileName.empty() ? "record.dat" : FileName);
  const uint64_t now = Tick();
  if (Started) {
    if (OpenFile(true)) startTick_.store(now - std::min(PausedMs, now));
  } else if (OpenFile(false)) {
    // A file that never opened is not "started": the next run replaces it.
    Started = true;
    RowCount = 0;
    PausedMs = 0;
    startTick_.store(now);
    if (CsvMode) std::fputs("sep=;\n", file_handle_);
  }
  if (!FileOpen) {
    capturing_.store(true, std::memory_order_release);
    if (openStatus_ == TPlainFileStatus::NotRegular)
      ShowFileError(Tr("uqxfilerec.snotregular", "Keine gew\xC3\xB6hnliche Datei: "));
    else
      ShowFileError(Tr("uqxfilerec.snotopen",
                       "Nicht ge\xC3\xB6"
                       "ffnet: "));
    return;
  }
  ShowFileName();
  const std::string head = RecordHeaderLine() + "\n";
  std::fwrite(head.data(), 1, head.size(), file_handle_);
  std::fflush(file_handle_);
  recording_.store(true);
  capturing_.store(true, std::memory_order_release);
}

void TQXFileRec::StreamStop() {
  WriteRows();
  if (FileOpen) {
    const uint64_t now = Tick();
    const uint64_t start = startTick_.load();
    PausedMs = now >= start ? now - start : 0;
  }
  CloseFile();
}

bool TQXFileRec::AllColumnsEmpty() const {
  if (!SourceEmpty) return false;
  for (int32_t n = 2; n <= GetChannelQty(); ++n) {
    if (!Column(n)->SourceEmpty) return false;
  }
  return true;
}

bool TQXFileRec::AllColumnsGood() const {
  if (!SourceValid) return false;
  for (int32_t n = 2; n <= GetChannelQty(); ++n) {
    const TQXElement* c = Column(n);
    if (!c->SourceValid && !c->SourceEmpty) return false;
  }
  return true;
}

void TQXFileRec::CompileDone() {
  // One column with a broken formula stops the whole recording.
  captureValid_.store(AllColumnsGood());
}

void TQXFileRec::ShowCompileState() {
  if (IsSubElement) return;
  TColor c = kFailedColor;
  if (Disabled || AllColumnsEmpty())
    c = kEmptyColor;
  else if (AllColumnsGood())
    c = kCompiledColor;
  // The base colours the frame from these two flags (never while connected).
  const bool valid = SourceValid, empty = SourceEmpty;
  SourceValid = c == kCompiledColor;
  SourceEmpty = c == kEmptyColor;
  TQXElement::ShowCompileState();
  SourceValid = valid;
  SourceEmpty = empty;
}

void TQXFileRec::UpdateCaption() {
  const bool name = ShowDenom && !Denom.empty();
  const bool formula = ShowSource && !Source.empty();
  std::string c;
  if (name) c += Denom;
  if (formula) {
    c += '=';
    c += Source;
  }
  caption_->setText(QString::fromStdString(c));
}

void TQXFileRec::PanelResize() {
  const int w = std::max(0, width() - 3);
  caption_->resize(w, 20);
  file_->resize(w, 20);
  if (fileError_.isEmpty())
    ShowFileName();
  else
    ShowFileError(fileError_);
}

void TQXFileRec::ShowFileName() {
  fileError_.clear();
  const QString text = ShownText(FileName, true);
  file_->setText(text);
  file_->setPalette(QPalette());
  // A long name keeps its end in sight.
  const bool wide = TextWidthOf(text, file_->font()) > file_->width();
  file_->setAlignment((wide ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

void TQXFileRec::ShowFileError(const QString& text) {
  fileError_ = text;
  // The message stays whole; the path gives way at its start.
  file_->setText(PrefixedElidedText(text, ShownText(FullFileName, true), file_->font(),
                                    file_->contentsRect().width()));
  QPalette pal = file_->palette();
  pal.setColor(QPalette::WindowText, ColorToQColor(kFailedColor));
  file_->setPalette(pal);
  file_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TQXFileRec::SetChannelQty(int32_t value) {
  LimitInt(value, 1, kMaxColumns);
  if (value == GetChannelQty()) return;
  channelQty_.store(value);
  // Takes effect at the next compile run.
  for (int32_t n = 2; n <= kMaxColumns; ++n) Column(n)->Active = n <= value;
  RowBuffer.SetWidth(value + 1);
  UpdateColumnRows();
  FollowEditFrame();
}

std::string TQXFileRec::GetColumnSource(int32_t n) const {
  if (n < 1 || n > kMaxColumns) return {};
  return Column(n)->Source;
}

void TQXFileRec::SetColumnSource(int32_t n, const std::string& value) {
  if (n < 1 || n > kMaxColumns) return;
  if (n == 1) {
    SetSource(value);
    return;
  }
  Column(n)->SetSource(value);
  FollowEditFrame();
}

void TQXFileRec::SetFileName(std::string value) {
  Trim(value);
  FileName = std::move(value);
  ShowFileName();
  FollowEditFrame();
}

void TQXFileRec::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXFileRec::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXFileRec::SetTimeMode(int32_t value) {
  if (value < TimeRelative || value > TimeOfDay) return;
  timeMode_.store(value);
  FollowEditFrame();
}

void TQXFileRec::InitFileSet(TFLSetList& sets) {
  auto b =
      sets.Define<TQXFileRec>("QXFILEREC", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  b.String("denom", &TQXElement::GetDenom, &TQXElement::SetDenom);
  b.Int("channelQty", &TQXFileRec::GetChannelQty, &TQXFileRec::SetChannelQty);
  b.String("source", &TQXElement::GetSource, &TQXElement::SetSource);
  for (int32_t n = 2; n <= kMaxColumns; ++n) {
    auto& e = b.String("source" + std::to_string(n), &TQXFileRec::GetColumnSource,
                       &TQXFileRec::SetColumnSource);
    e.SetIndex(n);
    b.ActiveWhen(e, [](TQXFileRec& r, int32_t i) { return i <= r.GetChannelQty(); });
  }
  b.Bool("showDenom", &TQXFileRec::GetShowDenom, &TQXFileRec::SetShowDenom);
  b.Bool("showSource", &TQXFileRec::GetShowSource, &TQXFileRec::SetShowSource);
  KeysPositionSize(b);
  b.String("file", &TQXFileRec::GetFileName, &TQXFileRec::SetFileName);
  b.Bool("ordinal", &TQXFileRec::GetNumbering, &TQXFileRec::SetNumbering);
  b.Bool("timestamp", &TQXFileRec::GetTimeStamp, &TQXFileRec::SetTimeStamp);
  b.Enum("timeMode", {"relative", "dateTime", "time"}, &TQXFileRec::GetTimeMode,
         &TQXFileRec::SetTimeMode);
  b.Bool("writeBuffered", &TQXFileRec::GetBuffered, &TQXFileRec::SetBuffered);
  b.Bool("csvfile", &TQXFileRec::GetCsvMode, &TQXFileRec::SetCsvMode);
  b.Bool("hideInRun", &TQXFileRec::GetHideInRun, &TQXFileRec::SetHideInRun);
  ClassSet = &b.Set();
}

QPointer<TEEListing> TQXFileRec::Listing;
std::array<TEEEintrag*, 9> TQXFileRec::ColumnRows{};

void TQXFileRec::UpdateColumnRows() const {
  if (!Listing || !ColumnRows[0]) return;
  if (TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  for (size_t i = 0; i < ColumnRows.size(); ++i) {
    ColumnRows[i]->setVisible(static_cast<int32_t>(i) + 2 <= GetChannelQty());
  }
  Listing->Arrange();
}

void TQXFileRec::InitListing() {
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXFileRec>(Listing);
  using A = TEEAccessors<TQXFileRec>;
  TEEETitelActive::Add(Tr("uqxfilerec.srectitel", "Dateirekorder"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXFileRec::GetShowDenom, &TQXFileRec::SetShowDenom));
  TEEELinie::Add();
  // Reading the count shows the column rows it asks for.
  TEEEIntFeld::Add(Tr("uqxfilerec.schannelqty", "Anzahl Kan\xC3\xA4le"),
                   A::Int(
                       [](TQXFileRec& r) {
                         r.UpdateColumnRows();
                         return r.GetChannelQty();
                       },
                       &TQXFileRec::SetChannelQty));
  TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXFileRec::GetShowSource, &TQXFileRec::SetShowSource));
  for (int32_t n = 2; n <= kMaxColumns; ++n) {
    TEEEEingang* row = TEEEEingang::Add(
        A::Text([n](TQXFileRec& r) { return r.GetColumnSource(n); },
                [n](TQXFileRec& r, const std::string& v) { r.SetColumnSource(n, v); }));
    row->SetCaption(Tr("uqxfilerec.scolumn", "Eingang Spalte") + " " + QString::number(n));
    ColumnRows[static_cast<size_t>(n - 2)] = row;
    if (building) row->hide();
  }
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEDateiauswahl::Add(Tr("uqxfilerec.sfilename", "Dateiname"),
                        A::Text(&TQXFileRec::GetFileName, &TQXFileRec::SetFileName));
  TEEELinie::Add();
  const QString record = Tr("uqxfilerec.srecord", "Aufzeichnen");
  TEEEAuswahlFeld::Add(Tr("uqxfilerec.sordinal", "Nummerierung"), record,
                       A::Bool(&TQXFileRec::GetNumbering, &TQXFileRec::SetNumbering));
  TEEEAuswahlFeld::Add(Tr("uqxfilerec.stimestamp", "Zeitstempel"), record,
                       A::Bool(&TQXFileRec::GetTimeStamp, &TQXFileRec::SetTimeStamp));
  TEEEAuswahlbox::Add(
      Tr("uqxfilerec.stimemode", "Zeitformat"),
      {Tr("uqxfilerec.stimerel", "Sekunden, relativ"),
       Tr("uqxfilerec.stimedate", "Datum und Uhrzeit"), Tr("uqxfilerec.stimeonly", "Uhrzeit")},
      A::Int(&TQXFileRec::GetTimeMode, &TQXFileRec::SetTimeMode));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxfilerec.sfileaccess", "Dateizugriff"),
                       Tr("uqxfilerec.sbuffered", "gepuffert"),
                       A::Bool(&TQXFileRec::GetBuffered, &TQXFileRec::SetBuffered));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxfilerec.sfileformat", "Dateiformat"),
                       Tr("uqxfilerec.scsv", "csv-kompatibel"),
                       A::Bool(&TQXFileRec::GetCsvMode, &TQXFileRec::SetCsvMode));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxfilerec.sonrun", "Beim Ausf\xC3\xBChren"),
                       Tr("uqxfilerec.shide", "ausblenden"),
                       A::Bool(&TQXFileRec::GetHideInRun, &TQXFileRec::SetHideInRun));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      320, Tr("uqxfilerec.srecdescr",
              "Das Instrument schreibt eingehende Werte in eine Datei, Zahlen (\"F\") ebenso wie "
              "Texte (\"S\"). Die Werte k\xC3\xB6nnen nummeriert und/oder mit einem Zeitstempel "
              "(in Sekunden) versehen werden.\nNach dem \xC3\x96"
              "ffnen des Projekts und nach "
              "\"Werte zur\xC3\xBC"
              "cksetzen\" wird die Datei \xC3\xBC"
              "berschrieben, sonst "
              "werden die Werte bei jeder neuen Verbindung angeh\xC3\xA4ngt.\nGepufferter "
              "Dateizugriff erlaubt h\xC3\xB6here Datenraten, die Daten sind aber oft erst nach "
              "dem Trennen der Verbindung vollst\xC3\xA4ndig geschrieben.\n\"csv-kompatibel\" "
              "trennt die Spalten, wenn die Datei in einer Tabellenkalkulation ge\xC3\xB6"
              "ffnet "
              "wird."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

}  // namespace qx
