#include "widgets/uWholeRepaint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace qx {

namespace {

// The toolkit's own walk for setUpdatesEnabled(true), less its update() of
// every widget on the way.
void TakeBack(QWidget* w) {
  if (!w->testAttribute(Qt::WA_UpdatesDisabled)) return;
  w->setAttribute(Qt::WA_UpdatesDisabled, false);
  for (QObject* o : w->children()) {
    if (!o->isWidgetType()) continue;
    auto* child = static_cast<QWidget*>(o);
    if (!child->isWindow() && !child->testAttribute(Qt::WA_ForceUpdatesDisabled)) TakeBack(child);
  }
}

}  // namespace

void TakeBackUpdates(QWidget* w) {
  if (!w || w->updatesEnabled()) return;
  w->setAttribute(Qt::WA_ForceUpdatesDisabled, false);
  if (w->isWindow() || !w->parentWidget() || w->parentWidget()->updatesEnabled()) TakeBack(w);
}

void RepaintWhole(QWidget* w) {
  if (!w || !w->isVisible() || !w->updatesEnabled()) return;
  // Hiding a widget marks the area it covered for repainting in one piece,
  // all that shows there included: a bare child over the whole of w, shown
  // and hidden at once, leaves no other trace. The mouse passes through it,
  // so no widget under the mouse sees it come and go.
  QWidget cover(w);
  cover.setAttribute(Qt::WA_TransparentForMouseEvents);
  cover.setGeometry(w->rect());
  cover.show();
  cover.hide();
}

void EnableUpdatesWhole(QWidget* w) {
  if (!w || w->updatesEnabled()) return;
  TakeBackUpdates(w);
  RepaintWhole(w);
}

void ChangeWhole(QWidget* w, const std::function<void()>& change) {
  const bool updating = w && w->updatesEnabled();
  if (updating) w->setUpdatesEnabled(false);
  change();
  // Every widget shown has asked to be painted later; the requests find
  // the updates held and are dropped, as are the repaints change asked for.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
  if (updating) EnableUpdatesWhole(w);
}

void ShowWhole(QWidget* w) {
  if (!w || !w->isHidden()) return;
  ChangeWhole(w, [w] { w->show(); });
}

}  // namespace qx
