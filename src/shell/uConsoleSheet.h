// Console page (module uConsoleSheet): the text devices send on channel 0,
// shown in a memo and optionally recorded to a text file. TCons buffers the
// texts of the receive threads; the hub's poll tick splits them into lines on
// the GUI thread.
#pragma once

#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "channels/uTerminal.h"
#include "foundation/uBuffer.h"
#include "foundation/uDateTimeText.h"
#include "foundation/uFileLoadSet.h"

namespace qx {

class TShapeFrame;
class TLossNotify;

class TConsoleSheet : public QWidget {
  Q_OBJECT

 public:
  explicit TConsoleSheet(QWidget* parent);

  TShapeFrame* Shape;
  QPlainTextEdit* Memo1;
  // Below the memo while the record file failed: the message and the file.
  QLabel* RecordError;

  void ShowRecordError(const QString& message, const QString& fileName);
  void HideRecordError();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Arrange();
  QString errorMessage_, errorFile_;
};

// The memo keeps at most this many lines.
inline constexpr int kConsoleMaxLines = 201;

class TCons final : public TConsSink {
 public:
  TCons(TConsoleSheet& sheet, TLossNotify* loss);
  ~TCons() override;  // closes an open record file

  // The ribbon's controls (main window), given by start-up.
  QCheckBox* CheckBoxConsActive = nullptr;
  QCheckBox* CheckBoxConsRec = nullptr;
  TShapeFrame* StatusFrame1 = nullptr;
  TShapeFrame* StatusFrameConsRec = nullptr;
  TShapeFrame* ConsFontColor = nullptr;
  TShapeFrame* ConsBackColor = nullptr;

  std::atomic<bool> Active{false};
  std::atomic<bool> Recording{false};
  std::string FileName = "ConsoleLog.txt";
  TStringExtendBuffer Buffer{32};
  bool FileOpen = false;
  bool RecordedBefore = false;

  // Dialogs and the clock; the toolkit's dialogs unless replaced (tests).
  // Each answers false when cancelled.
  std::function<bool(std::string& fileName)> AskFileName;
  std::function<bool(QColor& color)> AskColor;
  std::function<bool(QFont& font)> AskFont;
  std::function<TDateTime()> Now = LocalNow;

  // ---- TConsSink ----
  bool Receive(std::string_view text) override;
  bool ActiveOrRecording() const override { return Active.load() || Recording.load(); }
  void Flush() override;
  void Connected() override;
  void Disconnected() override;

  // ---- GUI thread ----
  void Clear();
  void SetActive(bool value);
  void SetRecording(bool on);
  void ShowStatus();
  void ChooseFile();
  void ChooseFontColor();
  void ChooseBackColor();
  void ChooseFont();
  void RecStart();
  void RecStop();
  void ShowText(std::string_view s);
  // The file a recording opens now.
  std::string RecordFileName() const;

  // Project settings: the memo's font (with its colour) and background.
  TFontDesc Font() const;
  void SetFont(const TFontDesc& font);
  uint32_t BackColor() const;
  void SetBackColor(uint32_t color);

 private:
  void AppendToLine(std::string_view piece);
  void NewLine();
  void SetMemoColor(QPalette::ColorRole role, const QColor& color);
  void ShowWriteError();

  TConsoleSheet& sheet_;
  std::FILE* recordFile_ = nullptr;
  std::string recordName_;    // the file the recording opened
  bool batchFailed_ = false;  // a write of the current batch failed
  bool writeError_ = false;   // shown until the next recording starts
};

// The program's console page and controller; set by start-up.
extern TConsoleSheet* ConsoleSheet;
extern TCons* Cons;

}  // namespace qx
