#include "shell/uRunSheet.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "editing/uCopyPaste.h"
#include "editing/uEditPanel.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
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
  if (updateCount_++ == 0) setUpdatesEnabled(false);
}

void TRunSheet::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ > 0) return;
  TSheet::PlaceAll();
  // Every widget shown meanwhile asked to be painted later: the requests
  // find the updates held and are dropped. Then one repaint of the page
  // instead of a mark for each of its thousands of widgets.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
  EnableUpdatesWhole(this);
}

}  // namespace qx
