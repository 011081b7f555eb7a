// Console element (module uQXConsole): every number or text arriving on its
// input becomes a new line at the bottom of a memo, optionally preceded by a
// running number and a time stamp in a second colour. Values are captured on
// the receiving thread and appended by the GUI thread at the display tick;
// the memo keeps a bounded number of lines.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "foundation/uBuffer.h"
#include "editing/uQXControls.h"

namespace qx {

class TEEListing;
class TEEEintrag;

class TQXConsole : public TQXElement {
  Q_OBJECT

 public:
  explicit TQXConsole(QWidget* owner);
  static TQXConsole* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void SetValue(double value) override;
  void SetStrValue(std::string_view value) override;
  void UpdateDisplay() override;
  void ResetValue() override;
  void StreamPrepare() override;
  void StreamStop() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXConsole>(); }
  TColor GetBckGndColor() const override;
  void SetBckGndColor(TColor value) override;

  // Port thread, under the receive lock: one value into RowBuffer.
  void CaptureLine();
  // GUI thread: a line at the bottom; the first prefixLength characters in
  // the tag colour.
  void AppendLine(const QString& line, int prefixLength);
  // Lines the memo holds.
  int LineQty() const;

  int32_t GetMaxLines() const { return MaxLines; }
  void SetMaxLines(int32_t value);
  bool GetNumbering() const { return Numbering; }
  void SetNumbering(bool value) { Numbering = value; }
  bool GetTimeStamp() const { return timeStamp_.load(std::memory_order_relaxed); }
  void SetTimeStamp(bool value) { timeStamp_.store(value, std::memory_order_relaxed); }
  int32_t GetTimeMode() const { return timeMode_.load(std::memory_order_relaxed); }
  void SetTimeMode(int32_t value);
  const std::string& GetSeparator() const { return Separator; }
  void SetSeparator(std::string value) { Separator = std::move(value); }
  TColor GetTagColor() const { return TagColor; }
  void SetTagColor(TColor value) { TagColor = value; }
  bool GetShowName() const { return ShowName; }
  void SetShowName(bool value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);

  QPlainTextEdit* Memo() const { return memo_; }
  QLabel* CaptionLabel() const { return caption_; }

  TKombiArrayExtendBuffer RowBuffer{10};
  bool Numbering = false;
  int64_t LineCount = 0;
  uint64_t PausedMs = 0;
  bool Started = false;
  int32_t MaxLines = 200;
  TColor TagColor = 0x808080;
  std::string Separator = " ";
  bool ShowName = false;
  bool ShowSource = false;
  // The tick the running time is measured on (tests put a fake one here).
  std::function<uint64_t()> Tick;

 private:
  QPlainTextEdit* memo_;
  QLabel* caption_;
  TColor fontColor_ = 0xECFFFF;
  bool hasLines_ = false;  // the memo's one empty block is a line
  std::atomic<bool> timeStamp_{false};
  std::atomic<int32_t> timeMode_{0};
  std::atomic<uint64_t> startTick_{0};
};

}  // namespace qx
