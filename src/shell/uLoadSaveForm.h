// Load/save progress page (module uLoadSaveForm): the bar the project file
// writer and reader show as an embedded page while they work. While it is
// shown every user input is dropped, so a shortcut or click handled during a
// progress call cannot free what the reader or writer walks.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>

#include "foundation/uFileLoader.h"

namespace qx {

class TEmbeddedModalFormItem;

// The progress calls let the event loop run at most this often.
inline constexpr int kProgressPassMs = 50;

// The bar: an empty track and, over it, the filled part.
class TProgressPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TProgressPanel(QWidget* parent);
  int32_t ProgressWidth = 0;  // width of the filled part

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TFormLoadSave : public QWidget, public TLoadSaveProgress {
  Q_OBJECT

 public:
  explicit TFormLoadSave(QWidget* owner);
  ~TFormLoadSave() override;

  TProgressPanel* PanelProgressBar;
  TEmbeddedModalFormItem* PageItem = nullptr;
  int32_t Steps = 1;
  int32_t Step = 1;
  int32_t Percent = 0;         // last shown
  int32_t ClosePauseMs = 200;  // the last state stays visible this long

  // Creates FormLoadSave on owner and its page item on ModalManager.
  static void Init(QWidget* owner);

  // ---- TLoadSaveProgress ----
  void Show(const std::string& title) override;
  void StartProgress(int32_t steps) override;
  void StepProgress() override;
  void SetProgress(int32_t percent) override;
  void Close() override;
  bool Cancelled() override { return cancelled_; }

  // The window was closed: a load in progress stops, the page closes at once.
  void Cancel() { cancelled_ = true; }
  void ShowPercent(int32_t percent);
  bool InputBlocked() const { return blocking_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BlockInput(bool on);
  bool blocking_ = false;
  bool cancelled_ = false;
  QElapsedTimer sincePass_;  // since the last pass of the event loop
};

extern TFormLoadSave* FormLoadSave;

}  // namespace qx
