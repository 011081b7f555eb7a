#include "editing/uSendAnim.h"

#include <QCoreApplication>
#include <QPalette>
#include <QTimer>
#include <QWidget>

#include "editing/uSheet.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "editing/uQXControls.h"

namespace qx {

int64_t AnimColor(int32_t kind) {
  switch (kind) {
    case AnimSent:
      return 0x008000;
    case AnimNotSent:
      return 0x00FFFF;
    case AnimInvalid:
      return 0x0000FF;
    default:
      return -1;
  }
}

TAnim::TAnim(QWidget* element, int elementWidth, int barHeight, int32_t kind)
    : QObject(element), bar_(new QWidget(element)), timer_(new QTimer(this)) {
  bar_->setGeometry(elementWidth - 80, 0, 40, barHeight);
  const int64_t color = AnimColor(kind);
  bar_->setAutoFillBackground(true);
  QPalette pal = bar_->palette();
  pal.setColor(QPalette::Window,
               color >= 0 ? ColorToQColor(static_cast<TColor>(color)) : QColor(Qt::white));
  bar_->setPalette(pal);
  bar_->show();
  bar_->raise();
  delta_ = bar_->width() / 3;
  timer_->setInterval(25);
  connect(timer_, &QTimer::timeout, this, [this] { TimerTick(); });
  timer_->start();
}

void TAnim::TimerTick() {
  bar_->move(bar_->x() + delta_, bar_->y());
  if (++step_ >= 6) {
    timer_->stop();
    if (owner_) owner_->animBusy_.store(false);
    delete bar_;
    deleteLater();
  }
}

void TAnim::PostAnim(const TQXElement& element, int32_t kind) {
  // One animation per element at a time: a port thread forwarding a flood
  // would otherwise queue a bar (and its timer) for every frame.
  if (element.animBusy_.exchange(true)) return;
  const uint64_t serial = element.Serial();
  QMetaObject::invokeMethod(
      qApp,
      [serial, kind] {
        TQXElement* e = TQXElement::FindBySerial(serial);
        if (!e) return;
        const int sheet = TSheet::IndexOfElement(e);
        if (sheet < 0 || SheetList[static_cast<size_t>(sheet)] != CurrentSheet) {
          e->animBusy_.store(false);
          return;
        }
        Create(e, e->width(), 6, kind)->owner_ = e;
      },
      Qt::QueuedConnection);
}

}  // namespace qx
