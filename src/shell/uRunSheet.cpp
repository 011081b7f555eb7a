#include "shell/uRunSheet.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "editing/uCopyPaste.h"
#include "editing/uEditPanel.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "shell/EmbeddedModalForm.h"
#include "widgets/uLangStrings.h"
#include "widgets/uWholeRepaint.h"

namespace qx {

TRunSheet* RunSheet = nullptr;

TRunSheet::TRunSheet(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::ClickFocus);
  // Each item keeps its key, so a language switch shows it anew.
  auto item = [this](QMenu* menu, const char* key, const char* german, void (TRunSheet::*click)()) {
    KeepTextKey(menu->addAction(Tr(key, german), this, click), key);
  };
  PopupMenu1 = new QMenu(this);
  item(PopupMenu1, "urunsheet.menuitem_tofront", "Nach Vorne", &TRunSheet::MenuItem_ToFrontClick);
  item(PopupMenu1, "urunsheet.menuitem_toback", "Nach Hinten", &TRunSheet::MenuItem_ToBackClick);
  PopupMenu1->addSeparator();
  item(PopupMenu1, "urunsheet.menuitem_copy", "Kopieren", &TRunSheet::MenuItem_CopyClick);
  item(PopupMenu1, "urunsheet.menuitem_paste", "Einf\xC3\xBCgen", &TRunSheet::MenuItem_PasteClick);
  PopupMenu1->addSeparator();
  item(PopupMenu1, "urunsheet.menuitem_del", "L\xC3\xB6schen", &TRunSheet::MenuItem_DelClick);
  PopupMenu2 = new QMenu(this);
  item(PopupMenu2, "urunsheet.menuitem_paste1", "Einf\xC3\xBCgen", &TRunSheet::MenuItem_PasteClick);
}

void TRunSheet::MenuItem_ToFrontClick() {
  if (CurrentSheet) CurrentSheet->EditPanel->ElementToFront();
}

void TRunSheet::MenuItem_ToBackClick() {
  if (CurrentSheet) CurrentSheet->EditPanel->ElementToBack();
}

void TRunSheet::MenuItem_CopyClick() {
  CopyElement(TEditPanel::PopupElement());
}

void TRunSheet::MenuItem_PasteClick() {
  PasteElement();
}

void TRunSheet::MenuItem_DelClick() {
  TEditPanel::DeleteSelected();
}

bool TRunSheet::FormKeyDown(QKeyEvent* event) {
  if (TEditPanel::KeyDown(event)) return true;
  return FileShortcut(event);
}

bool TRunSheet::FileShortcut(QKeyEvent* event) {
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
// Keys typed into a control of the page (the tab rename edit, an
// instrument's field) are not for edit mode, only the shortcuts.
void TRunSheet::keyPressEvent(QKeyEvent* event) {
  QWidget* focus = window()->focusWidget();
  const bool fromControl = focus && focus != this && !qobject_cast<TSheet*>(focus);
  if (fromControl ? FileShortcut(event) : FormKeyDown(event))
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
  if (updateCount_++ > 0) return;
  setUpdatesEnabled(false);
  // Hidden as well (a load's page covers it): each widget shown on a visible
  // page asks the window system where the mouse is and looks for the widget
  // under it among all its siblings.
  hiddenForUpdate_ = !isHidden();
  if (!hiddenForUpdate_) return;
  QWidget* focus = QApplication::focusWidget();
  focusBefore_ = focus && isAncestorOf(focus) ? focus : nullptr;
  hide();
}

void TRunSheet::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ > 0) return;
  TSheet::PlaceAll();
  if (hiddenForUpdate_) {
    hiddenForUpdate_ = false;
    show();
    if (focusBefore_ && focusBefore_->isVisible()) focusBefore_->setFocus();
    focusBefore_ = nullptr;
  }
  // What showing the page set off runs while the updates are still held,
  // and what it asks to repaint is dropped: every widget shown asks to be
  // painted later, the sheets lay out and show their scroll bars from
  // queued calls. The updates come back without a mark for each of the
  // thousands of widgets, and the page is repainted in one piece - by the
  // modal page over the window when it closes, if one is shown, so that
  // nothing is painted under it first.
  for (QEvent::Type type : {QEvent::MetaCall, QEvent::LayoutRequest, QEvent::UpdateLater})
    QCoreApplication::sendPostedEvents(nullptr, type);
  TakeBackUpdates(this);
  if (!ModalManager || ModalManager->isHidden()) RepaintWhole(this);
}

}  // namespace qx
