#include "shell/uRunSheet.h"

#include <QKeyEvent>
#include <QPainter>

#include "editing/uEditPanel.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

TRunSheet* RunSheet = nullptr;

TRunSheet::TRunSheet(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::ClickFocus);
}

bool TRunSheet::FormKeyDown(QKeyEvent* event) {
  if (TEditPanel::KeyDown(event)) return true;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  if (ctrl && event->key() == Qt::Key_S && OnSave) {
    OnSave();
    return true;
  }
  if (ctrl && event->key() == Qt::Key_O && OnOpen) {
    OnOpen();
    return true;
  }
  return false;
}

// Keys that no control below took arrive here: the page's key preview.
void TRunSheet::keyPressEvent(QKeyEvent* event) {
  if (FormKeyDown(event))
    event->accept();
  else
    QWidget::keyPressEvent(event);
}

void TRunSheet::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  TSheet::PlaceAll();
  if (SheetTabs) SheetTabs->setGeometry(0, height() - 21, width(), 20);
}

void TRunSheet::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), ColorToQColor(0xD2EAEC));
}

void TRunSheet::BeginUpdate() {
  if (updateCount_++ == 0) setUpdatesEnabled(false);
}

void TRunSheet::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) {
    setUpdatesEnabled(true);
    TSheet::PlaceAll();
    update();
  }
}

}  // namespace qx
