#include "shell/uTerminalSheet.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QStyle>
#include <thread>

#include "channels/uLossNotify.h"
#include "channels/uQXPorts.h"
#include "shell/uStatusFrame.h"
#include "shell/uTermBox.h"
#include "widgets/uLangStrings.h"

namespace qx {

TTerminalSheet* TerminalSheet = nullptr;
TTerm* Term = nullptr;

namespace {
constexpr int kRecvListWidth = 300;
constexpr int kSendListWidth = 240;
constexpr uint32_t kStatusOn = 0x00FF00;
constexpr uint32_t kStatusArmed = 0x00FFFF;
constexpr uint32_t kStatusOff = 0xB4B4B4;

QTableWidget* Grid(QWidget* parent, const QStringList& headers) {
  auto* g = new QTableWidget(0, static_cast<int>(headers.size()), parent);
  g->setHorizontalHeaderLabels(headers);
  g->verticalHeader()->hide();
  g->setEditTriggers(QAbstractItemView::NoEditTriggers);
  g->horizontalHeader()->setStretchLastSection(false);
  return g;
}
}  // namespace

// ---- TTerminalSheet -------------------------------------------------------------

TTerminalSheet::TTerminalSheet(QWidget* parent) : QWidget(parent) {
  TermBox = new TTermBox(this);
  CommandRecvList = Grid(this, {QString(), QString()});
  CommandSendList = Grid(this, {QString()});
  CommandSendList->setColumnWidth(0, kSendListWidth - 20);
  LangUpdate();
  FormResize();
}

void TTerminalSheet::LangUpdate() {
  CommandRecvList->setHorizontalHeaderLabels({Tr("utermsheet.labelrecv", "Empfangene Befehle"),
                                              Tr("utermsheet.labelused", "verarbeitet")});
  CommandSendList->setHorizontalHeaderLabels({Tr("utermsheet.labelsent", "Gesendete Befehle")});
  // The "used" column is as wide as its caption needs in this font (70 at
  // least); the command column takes the rest.
  QHeaderView* header = CommandRecvList->horizontalHeader();
  const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
  const int used = std::max(70, header->fontMetrics().horizontalAdvance(
                                    CommandRecvList->horizontalHeaderItem(1)->text()) +
                                    margin + 2);
  CommandRecvList->setColumnWidth(1, used);
  CommandRecvList->setColumnWidth(0, kRecvListWidth - 20 - used);
}

void TTerminalSheet::FormResize() {
  const int w = width(), h = height();
  const int boxWidth = std::max(0, w - kRecvListWidth - kSendListWidth - 52);
  TermBox->setGeometry(16, 16, boxWidth, std::max(0, h - 32));
  CommandRecvList->setGeometry(16 + boxWidth + 10, 16, kRecvListWidth, std::max(0, h - 32));
  CommandSendList->setGeometry(16 + boxWidth + 10 + kRecvListWidth + 10, 16, kSendListWidth,
                               std::max(0, h - 32));
}

void TTerminalSheet::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

// ---- TTerm: producers -------------------------------------------------------------

TTerm::TTerm(TTerminalSheet& sheet, TLossNotify* loss) : sheet_(sheet) {
  SentBuffer.MaxCount.store(300);
  if (loss) {
    CharBuffer.OnOverflow = [loss](TBufferBase&) { loss->RecvLossEvent(); };
    RecvBuffer.OnOverflow = [loss](TBufferBase&) { loss->RecvLossEvent(); };
    SentBuffer.OnOverflow = [loss](TBufferBase&) { loss->SendLossEvent(); };
  }
}

void TTerm::AddBytes(std::span<const uint8_t> bytes) {
  if (Paused.load()) return;
  CharBuffer.PutEscaped(bytes, kTermEscape);
  NewData.store(true);
}

void TTerm::AddPacketMark() {
  if (Paused.load()) return;
  CharBuffer.PutPair(static_cast<char>(kTermEscape), static_cast<char>(kTermPacketEnd));
  NewData.store(true);
}

void TTerm::AddCloseMark() {
  if (Paused.load()) return;
  CharBuffer.PutPair(static_cast<char>(kTermEscape), static_cast<char>(kTermClosed));
  NewData.store(true);
}

void TTerm::AddRecvCommand(std::string_view quotedFrame, bool used) {
  if (Paused.load()) return;
  RecvBuffer.Put(quotedFrame, used);
  NewData.store(true);
}

void TTerm::AddSendCommand(std::string_view quotedFrame) {
  if (Paused.load()) return;
  SentBuffer.Put(quotedFrame);
  NewData.store(true);
}

// ---- TTerm: GUI side ----------------------------------------------------------------

void TTerm::Flush() {
  if (!NewData.load() || Paused.load()) return;
  NewData.store(false);
  FlushChars();
  FlushRecv();
  FlushSent();
}

void TTerm::ShowStatus() {
  if (!StatusFrame) return;
  const bool connected = Terminal && Terminal->Connected.load();
  StatusFrame->SetPenColor(!Active.load() ? kStatusOff : connected ? kStatusOn : kStatusArmed);
}

void TTerm::Clear() {
  Paused.store(true);
  QCoreApplication::processEvents();
  std::this_thread::sleep_for(SettleTime);
  sheet_.TermBox->Clear();
  sheet_.CommandRecvList->setRowCount(0);
  sheet_.CommandSendList->setRowCount(0);
  RecvCount = 0;
  SentCount = 0;
  CharBuffer.Clear();
  RecvBuffer.Clear();
  SentBuffer.Clear();
  Paused.store(false);
}

void TTerm::SelectPort() {
  Active.store(CheckBox1 && CheckBox1->isChecked());
  ShowStatus();
  if (PortList) PortList->SetTerminalPort(0);
  std::this_thread::sleep_for(SettleTime);
  // Ports may have changed since the list was filled (a project loaded).
  const bool gone = FollowChosenPort();
  if (gone) FillChoice();
  if (Active.load() && PortList) PortList->SetTerminalPort(PortIndex + 1);
  if (gone) Clear();
}

bool TTerm::FollowChosenPort() {
  const int32_t n = PortList ? PortList->Count() : 0;
  int32_t at = -1;
  for (int32_t i = 0; i < n && at < 0; ++i) {
    if (PortList->At(i)->Serial() == PortSerial) at = i;
  }
  const bool gone = PortSerial != 0 && at < 0;
  if (at >= 0)
    PortIndex = at;
  else if (gone || PortIndex >= n)
    PortIndex = 0;
  PortSerial = PortIndex < n ? PortList->At(PortIndex)->Serial() : 0;
  return gone;
}

void TTerm::FillChoice() {
  if (!ComboPortChoice) return;
  const QSignalBlocker block(ComboPortChoice);
  ComboPortChoice->hide();
  ComboPortChoice->clear();
  const int32_t n = PortList ? PortList->Count() : 0;
  for (int32_t i = 0; i < n; ++i) {
    const std::string entry = std::to_string(i + 1) + ": " + PortList->At(i)->GetInfo();
    ComboPortChoice->addItem(QString::fromStdString(entry));
  }
  ComboPortChoice->setCurrentIndex(PortIndex);
  ComboPortChoice->show();
}

void TTerm::FillPortList() {
  // The choice stays with its port wherever that moved in the list; the
  // traffic of a port that is gone must not stand under another's name.
  const bool gone = FollowChosenPort();
  FillChoice();
  SelectPort();
  if (gone) Clear();
}

void TTerm::PortChoiceChanged() {
  if (ComboPortChoice) PortIndex = std::max(0, ComboPortChoice->currentIndex());
  PortSerial = 0;  // chosen by position
  SelectPort();
  Clear();
}

void TTerm::ShowByte(uint8_t b) {
  TTermBox* box = sheet_.TermBox;
  if (b == 127)
    box->AddSymbol(b, u'\u2421');
  else if (b < 32)
    box->AddSymbol(b, static_cast<char16_t>(0x2400 + b));
  else
    box->AddChar(b);
}

void TTerm::ShowEscape(uint8_t partner) {
  TTermBox* box = sheet_.TermBox;
  if (partner == kTermPacketEnd)
    box->AddPacketEnd();
  else if (partner == kTermClosed)
    box->AddCloseMark();
  else if (partner == kTermEscape)
    box->AddChar(kTermEscape);
}

void TTerm::FlushChars() {
  if (!CharBuffer.Swap()) return;
  char c = 0;
  while (CharBuffer.Get(c)) {
    const auto b = static_cast<uint8_t>(c);
    if (b != kTermEscape) {
      ShowByte(b);
      continue;
    }
    // Pairs are put whole; should one still end a half, its partner opens
    // the next one.
    char partner = 0;
    if (!CharBuffer.Get(partner) && !(CharBuffer.Swap() && CharBuffer.Get(partner))) break;
    ShowEscape(static_cast<uint8_t>(partner));
  }
}

void TTerm::FlushRecv() {
  if (!RecvBuffer.Swap()) return;
  std::string text;
  bool used = false;
  while (RecvBuffer.Get(text, used)) AddRow(sheet_.CommandRecvList, RecvCount, text, used ? 1 : 0);
}

void TTerm::FlushSent() {
  if (!SentBuffer.Swap()) return;
  std::string text;
  while (SentBuffer.Get(text)) AddRow(sheet_.CommandSendList, SentCount, text, -1);
}

void TTerm::AddRow(QTableWidget* grid, int32_t& count, const std::string& text, int used) {
  if (text.empty()) return;
  ++count;
  int row = grid->rowCount();
  if (row >= kTermGridRows) {
    // Every row takes the one below it; the last row is reused.
    for (int r = 0; r + 1 < row; ++r) {
      for (int c = 0; c < grid->columnCount(); ++c) {
        QTableWidgetItem* below = grid->takeItem(r + 1, c);
        delete grid->takeItem(r, c);
        grid->setItem(r, c, below);
      }
    }
    --row;
  } else {
    grid->setRowCount(row + 1);
  }
  grid->setItem(
      row, 0, new QTableWidgetItem(QString::number(count) + " | " + QString::fromStdString(text)));
  if (used >= 0) grid->setItem(row, 1, new QTableWidgetItem(used ? "x" : ""));
  grid->scrollToBottom();
}

}  // namespace qx
