// Embedded modal pages (module EmbeddedModalForm). The program opens no
// dialog windows of its own: a form or a text is shown in a framed box in the
// middle of the main window, over a faded picture of the window. A modal page
// keeps the event loop running (timers, ports and pages go on) until it is
// answered; at most one page is shown at a time.
#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "foundation/uGraphicsUtil.h"

class QEventLoop;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace qx {

class TEmbeddedModalFormManager;

// Wrong use of the component by the program itself.
inline constexpr const char* semfMissingManager =
    "EmbeddedModalForm - ERROR: Missing reference to a EmbeddedModalFormManager.";
inline constexpr const char* semfMissingForm =
    "EmbeddedModalForm - ERROR: Create instance of embedded form before passing.";
inline constexpr const char* semfOwnerNoForm =
    "EmbeddedModalForm - ERROR: Owner of EmbeddedModalFormManager has to be of type TForm";

// One page: the form it embeds, its title and its buttons.
class TEmbeddedModalFormItem {
 public:
  // The form moves into the manager's host, hidden; its present size is the
  // size the page is laid out for.
  TEmbeddedModalFormItem(TEmbeddedModalFormManager* manager, QWidget* form);
  // An item without form (text pages).
  static std::unique_ptr<TEmbeddedModalFormItem> CreateBare(TEmbeddedModalFormManager* manager);
  TEmbeddedModalFormItem(const TEmbeddedModalFormItem&) = delete;
  TEmbeddedModalFormItem& operator=(const TEmbeddedModalFormItem&) = delete;

  QWidget* Form = nullptr;
  bool ShowOK = true;
  bool ShowClose = false;
  bool ShowTitle = false;
  QString OKCaption = "OK";
  QString CloseCaption = "Close";
  QString Title;  // empty: the form's caption
  TEmbeddedModalFormManager* Manager = nullptr;
  QSize FormSize;  // client size of the form as designed

  // Shows the page and waits for the answer; true only for the first button.
  [[nodiscard]] bool ShowModal();
  // Shows the page without waiting (the load/save progress).
  void Show();
  void Close();

  // While a page waits the owner window keeps its size and its close ends
  // the page first.
  void LockOwner();
  void UnlockOwner();

 private:
  TEmbeddedModalFormItem() = default;
  QSize savedMin_, savedMax_;
  bool locked_ = false;
};

// The faded background; a click on it answers the page with not OK.
class TModalSnapshot : public QWidget {
  Q_OBJECT

 public:
  explicit TModalSnapshot(TEmbeddedModalFormManager* manager);
  QImage Picture;  // kept between pages: its memory is reused

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  TEmbeddedModalFormManager* manager_;
};

// Every pixel towards white: with 16-bit channels, red := (6R + G + B) / 16 +
// 32767, green and blue alike.
QImage FadeToWhite(const QImage& image);
void FadeToWhiteInPlace(QImage& image);

class TEmbeddedModalFormManager : public QWidget {
  Q_OBJECT

 public:
  // Placed on owner and filling it; every part hidden.
  explicit TEmbeddedModalFormManager(QWidget* owner);
  ~TEmbeddedModalFormManager() override;

  TModalSnapshot* Snapshot;
  QWidget* FrameShape;
  QWidget* TitlePanel;
  QScrollArea* Host;
  QWidget* TextPanel;
  QWidget* ButtonPanel;
  QPushButton* OKButton;
  QPushButton* CloseButton;
  QLabel* TitleLabel;
  QPlainTextEdit* TextMemo;
  TEmbeddedModalFormItem* Current = nullptr;
  bool Done = true;
  bool Confirmed = false;
  TEmbeddedModalFormItem* TextItem = nullptr;

  // A page item for form, owned by the manager.
  TEmbeddedModalFormItem* AddItem(QWidget* form);

  void SetFrameColor(TColor color);
  void ShowItem(TEmbeddedModalFormItem& item);
  [[nodiscard]] bool WaitModal(TEmbeddedModalFormItem& item);
  void CloseItem(TEmbeddedModalFormItem& item);
  [[nodiscard]] bool ShowItemModal(TEmbeddedModalFormItem& item);
  // A modal text page with one "OK" button.
  void ShowText(const QString& title, const QString& text);
  // Ends the shown page: confirmed only through the first button.
  void Answer(bool confirmed);
  bool Waiting() const { return loop_ != nullptr; }

  // Lays out a box whose content is w by h.
  void Arrange(int w, int h);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  friend class TEmbeddedModalFormItem;
  void TakeSnapshot();
  void SetupFrame(const TEmbeddedModalFormItem& item);
  void HideParts();
  void FocusFirstButton(QWidget* fallback);
  // The page's widgets that Tab reaches, in Tab order.
  QList<QWidget*> TabChain() const;
  // The next (or previous) of them after from; from none: the first (last).
  void FocusInside(QWidget* from, bool forward);
  QWidget* hostContent_;
  QEventLoop* loop_ = nullptr;
  QWidget* lockedOwner_ = nullptr;
  bool filtering_ = false;
  std::vector<std::unique_ptr<TEmbeddedModalFormItem>> items_;
};

extern TEmbeddedModalFormManager* ModalManager;

}  // namespace qx
