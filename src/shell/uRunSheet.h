// Run page (module uRunSheet): holds the sheets and the sheet tab strip on
// the Run and the Edit page, previews the keys of the sheet area and lets a
// project load suspend its layout.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QKeyEvent;
class QMenu;

namespace qx {

class TRunSheet : public QWidget {
  Q_OBJECT

 public:
  explicit TRunSheet(QWidget* parent);

  // Keys of the sheet area: edit-mode keys first, then the file shortcuts.
  // True when the key was taken.
  bool FormKeyDown(QKeyEvent* event);
  // The file shortcuts alone. True when the key was taken.
  bool FileShortcut(QKeyEvent* event);
  // Ctrl+S and Ctrl+O, on the Run and the Edit page alike.
  std::function<void()> OnSave;
  std::function<void()> OnOpen;

  // Layout and repaint stop until the matching EndUpdate; calls nest. The
  // page is hidden meanwhile (a load's progress page covers it).
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Edit mode's popups: on an element frame, and on the empty sheet.
  QMenu* PopupMenu1 = nullptr;
  QMenu* PopupMenu2 = nullptr;
  void MenuItem_ToFrontClick();
  void MenuItem_ToBackClick();
  void MenuItem_CopyClick();
  void MenuItem_PasteClick();
  void MenuItem_DelClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int updateCount_ = 0;
  bool hiddenForUpdate_ = false;
  QPointer<QWidget> focusBefore_;
};

extern TRunSheet* RunSheet;

}  // namespace qx
