// Recorder (module uQXFileRec): writes received values into a text file
// while the hub is connected, one line per value received on its first
// column, up to 10 columns of numbers or texts, optionally with a running
// number and a time stamp. Values are captured on the receiving thread into
// a double buffer and written by the GUI thread at the display tick.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "editing/uQXControls.h"
#include "foundation/uBuffer.h"
#include "foundation/uPlainFile.h"

namespace qx {

class TEEListing;
class TEEEintrag;

enum : int32_t { TimeRelative = 0, TimeDateTime = 1, TimeOfDay = 2 };

// ---- shared with the console element -------------------------------------------

// The millisecond tick of the running times (the program's tick counter).
uint64_t RecordTick();
// The time value of a captured row: 0 without time stamps, the wall-clock
// time in seconds for the two clock modes, else the running time in ms.
double CaptureTimeValue(bool timeStamp, int32_t mode, uint64_t now, uint64_t startTick);
// Its text: seconds with two decimals, "date/time" or the time alone
// (process-wide separator and the program's date and time formats).
std::string RecordTimeText(double t, int32_t mode);
// "--- DD.MM.YYYY hh:nn.ss ---" for now.
std::string RecordHeaderLine();

class TQXFileRec : public TQXElement {
  Q_OBJECT

 public:
  static constexpr int32_t kMaxColumns = 10;

  explicit TQXFileRec(QWidget* owner);
  ~TQXFileRec() override;
  static TQXFileRec* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  // The rows of columns 2..10, shown up to ChannelQty.
  static std::array<TEEEintrag*, 9> ColumnRows;
  static const TFLSet* ClassSet;

  void SetValue(double value) override;
  void SetStrValue(std::string_view value) override;
  void UpdateDisplay() override { WriteRows(); }
  void ResetValue() override { Started = false; }
  void StreamPrepare() override;
  void StreamStop() override;
  void CompileDone() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXFileRec>(); }
  void ShowCompileState() override;

  // Port thread, under the receive lock: one row into RowBuffer.
  void CaptureRow();
  // GUI thread: the captured rows into the file.
  void WriteRows();

  int32_t GetChannelQty() const { return channelQty_.load(std::memory_order_relaxed); }
  // Shows the column rows of this element while the panel shows it.
  void UpdateColumnRows() const;
  void SetChannelQty(int32_t value);
  // Column n = 1..10; column 1 is the recorder's own formula.
  std::string GetColumnSource(int32_t n) const;
  void SetColumnSource(int32_t n, const std::string& value);
  TQXElement* Column(int32_t n) const { return Channels[static_cast<size_t>(n - 1)]; }
  const std::string& GetFileName() const { return FileName; }
  void SetFileName(std::string value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  bool GetNumbering() const { return Numbering; }
  void SetNumbering(bool value) { Numbering = value; }
  bool GetTimeStamp() const { return timeStamp_.load(std::memory_order_relaxed); }
  void SetTimeStamp(bool value) { timeStamp_.store(value, std::memory_order_relaxed); }
  int32_t GetTimeMode() const { return timeMode_.load(std::memory_order_relaxed); }
  void SetTimeMode(int32_t value);
  bool GetBuffered() const { return Buffered; }
  void SetBuffered(bool value) { Buffered = value; }
  bool GetCsvMode() const { return CsvMode; }
  void SetCsvMode(bool value) { CsvMode = value; }
  bool GetHideInRun() const { return HideInRun; }
  void SetHideInRun(bool value) { HideInRun = value; }

  QLabel* CaptionLabel() const { return caption_; }
  QLabel* FileLabel() const { return file_; }
  // Whether the current run records (the file opened).
  bool Recording() const { return recording_.load(); }
  // The columns may be recorded: decided at the end of each compile run.
  bool CaptureValid() const { return captureValid_.load(); }

  std::array<TQXElement*, kMaxColumns> Channels{};
  std::string FileName = "record.dat";
  std::string FullFileName;
  bool ShowSource = true;
  bool ShowDenom = true;
  TKombiArrayExtendBuffer RowBuffer{10};
  bool FileOpen = false;
  bool Started = false;
  int64_t RowCount = 0;
  uint64_t PausedMs = 0;
  bool CsvMode = false;
  bool Numbering = true;
  bool Buffered = true;
  // The tick the running time is measured on (tests put a fake one here);
  // set before a run, called by port threads.
  std::function<uint64_t()> Tick = RecordTick;

 private:
  bool OpenFile(bool append);
  void CloseFile();
  void ShowFileName();
  void ShowFileError(const QString& text);
  bool AllColumnsEmpty() const;
  bool AllColumnsGood() const;

  QLabel* icon_;
  QLabel* caption_;
  QLabel* file_;
  std::FILE* file_handle_ = nullptr;
  TPlainFileStatus openStatus_ = TPlainFileStatus::Ok;
  std::atomic<int32_t> channelQty_{1};
  std::atomic<bool> timeStamp_{false};
  std::atomic<int32_t> timeMode_{TimeRelative};
  std::atomic<uint64_t> startTick_{0};
  std::atomic<bool> captureValid_{false};
  std::atomic<bool> recording_{false};
  // Rows are captured: from run start to run stop, file open or not.
  std::atomic<bool> capturing_{false};
  // The failure the file label shows (its first part), empty when none.
  QString fileError_;
};

// The built-in picture "filerec", 20 x 24.
const QPixmap& FileRecPicture();

}  // namespace qx
