// Terminal page (module uTerminalSheet): the raw traffic of one chosen port
// in the character view, the frames it received (marked when they had an
// effect) and the frames sent on it. TTerm collects all of this from the
// port threads and the transmit thread in three double buffers; the hub's
// poll tick moves it to the page on the GUI thread.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstdint>

#include "channels/uTerminal.h"
#include "foundation/uBuffer.h"

namespace qx {

class TTermBox;
class TShapeFrame;
class TLossNotify;

class TTerminalSheet : public QWidget {
  Q_OBJECT

 public:
  explicit TTerminalSheet(QWidget* parent);

  TTermBox* TermBox;
  QTableWidget* CommandRecvList;  // running number | frame, "x" when used
  QTableWidget* CommandSendList;

  // Places the character view left of the two grids.
  void FormResize();
  // Column captions in the language in force.
  void LangUpdate();

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

// Escape byte of the traffic stream and its partners.
inline constexpr uint8_t kTermEscape = 0xFF;
inline constexpr uint8_t kTermPacketEnd = 0x00;
inline constexpr uint8_t kTermClosed = 0x01;
// A grid shows at most this many rows, the newest at the bottom.
inline constexpr int kTermGridRows = 51;

class TTerm final : public TTermSink {
 public:
  TTerm(TTerminalSheet& sheet, TLossNotify* loss);

  // The ribbon's controls (main window), given by start-up.
  QCheckBox* CheckBox1 = nullptr;
  QComboBox* ComboPortChoice = nullptr;
  TShapeFrame* StatusFrame = nullptr;

  std::atomic<bool> Active{false};
  int32_t PortIndex = 0;  // 0-based position of the chosen port
  uint64_t PortSerial = 0;  // the chosen port itself (its Serial); 0: none yet
  std::atomic<bool> NewData{false};
  std::atomic<bool> Paused{false};
  TCharBuffer CharBuffer{1000};
  TStringBoolBuffer RecvBuffer{100};
  TStringExtendBuffer SentBuffer{40};
  int32_t RecvCount = 0;
  int32_t SentCount = 0;
  // How long a port thread may still be inside a copy after the terminal
  // port changed or the page was paused.
  std::chrono::milliseconds SettleTime{100};

  // ---- producers (any thread) ----
  void AddBytes(std::span<const uint8_t> bytes) override;
  void AddPacketMark() override;
  void AddCloseMark() override;
  void AddRecvCommand(std::string_view quotedFrame, bool used) override;
  void AddSendCommand(std::string_view quotedFrame) override;
  bool PageActive() const override { return Active.load(); }

  // ---- GUI thread ----
  void Flush() override;
  void ShowStatus() override;
  void Clear();
  void SelectPort();
  void FillPortList();
  void PortChoiceChanged();
  void FlushChars();
  void FlushRecv();
  void FlushSent();

 private:
  void ShowByte(uint8_t b);
  void ShowEscape(uint8_t partner);
  // Finds the chosen port again after ports were added or deleted and sets
  // PortIndex to its position; answers true when it is gone (the choice then
  // falls back to the first port).
  bool FollowChosenPort();
  void FillChoice();
  // used: -1 for the send grid (no second cell).
  static void AddRow(QTableWidget* grid, int32_t& count, const std::string& text, int used);

  TTerminalSheet& sheet_;
};

// The program's terminal page and its controller; set by start-up.
extern TTerminalSheet* TerminalSheet;
extern TTerm* Term;

}  // namespace qx
