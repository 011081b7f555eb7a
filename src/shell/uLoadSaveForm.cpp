#include "shell/uLoadSaveForm.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "widgets/uLangStrings.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "shell/EmbeddedModalForm.h"

namespace qx {

TFormLoadSave* FormLoadSave = nullptr;

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

TProgressPanel::TProgressPanel(QWidget* parent) : QWidget(parent) {}

void TProgressPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ColorToQColor(0x4080FF));
  // The empty track (2, 2, width - 4 by 28), then the filled part over it.
  const QRect track(2, 2, width() - 4, height() - 4);
  QLinearGradient empty(0, track.top(), 0, track.bottom());
  empty.setColorAt(0, QColor(250, 250, 250));
  empty.setColorAt(1, QColor(214, 214, 214));
  p.fillRect(track, empty);
  if (ProgressWidth > 0) {
    const QRect done(2, 2, std::min(ProgressWidth, track.width()), track.height());
    QLinearGradient fill(0, done.top(), 0, done.bottom());
    fill.setColorAt(0, QColor(120, 200, 120));
    fill.setColorAt(1, QColor(40, 150, 60));
    p.fillRect(done, fill);
  }
  p.setPen(QPen(ColorToQColor(0xA8A8A8), 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(1, 1, -1, -1));
}

TFormLoadSave::TFormLoadSave(QWidget* owner) : QWidget(owner) {
  setWindowTitle(Tr("uloadsaveform.caption", "Datei..."));
  resize(500, 64);
  PanelProgressBar = new TProgressPanel(this);
  PanelProgressBar->setGeometry(8, 24, 484, 32);
  hide();
}

TFormLoadSave::~TFormLoadSave() {
  BlockInput(false);
  if (FormLoadSave == this) FormLoadSave = nullptr;
}

void TFormLoadSave::Init(QWidget* owner) {
  FormLoadSave = new TFormLoadSave(owner);
  if (!ModalManager) return;
  FormLoadSave->PageItem = ModalManager->AddItem(FormLoadSave);
  FormLoadSave->PageItem->ShowOK = false;
  FormLoadSave->PageItem->ShowClose = false;
  FormLoadSave->PageItem->Title = Tr("uloadsaveform.caption", "Datei...");
}

void TFormLoadSave::Show(const std::string& title) {
  sincePass_.invalidate();  // the first progress call paints the page
  if (!PageItem) {
    BlockInput(true);
    return;
  }
  if (title == sflSaveFile)
    PageItem->Title = Tr("ufileloader.sflsavefile", sflSaveFile.data());
  else if (title == sflLoadFile)
    PageItem->Title = Tr("ufileloader.sflloadfile", sflLoadFile.data());
  else
    PageItem->Title = QString::fromStdString(title);
  ShowPercent(0);
  PageItem->Show();
  BlockInput(true);  // installed last, so it sees input before the page does
}

void TFormLoadSave::StartProgress(int32_t steps) {
  Steps = std::max(steps, 1);
  Step = 1;
  StepProgress();
}

void TFormLoadSave::StepProgress() {
  SetProgress(static_cast<int32_t>(int64_t{Step} * 100 / Steps + 1));
  if (Step < INT32_MAX) ++Step;
}

void TFormLoadSave::SetProgress(int32_t percent) {
  ShowPercent(std::min(percent, 100));
  // The bar is painted during the work; input stays blocked meanwhile. Often
  // enough for the eye: a pass of the event loop per element took longer
  // than the work itself.
  if (sincePass_.isValid() && !sincePass_.hasExpired(kProgressPassMs) && Percent < 100) return;
  QCoreApplication::processEvents();
  sincePass_.start();
}

void TFormLoadSave::ShowPercent(int32_t percent) {
  Percent = std::clamp(percent, 0, 100);
  PanelProgressBar->ProgressWidth = PanelProgressBar->width() * Percent / 100 - 4;
  PanelProgressBar->update();
}

void TFormLoadSave::Close() {
  if (ClosePauseMs > 0 && !cancelled_) {
    QEventLoop pause;
    QTimer::singleShot(ClosePauseMs, &pause, &QEventLoop::quit);
    pause.exec();
  }
  if (PageItem) PageItem->Close();
  BlockInput(false);
}

void TFormLoadSave::BlockInput(bool on) {
  if (on == blocking_) return;
  blocking_ = on;
  if (on)
    qApp->installEventFilter(this);
  else
    qApp->removeEventFilter(this);
}

bool TFormLoadSave::eventFilter(QObject*, QEvent* event) {
  return blocking_ && IsUserInput(event->type());
}

}  // namespace qx
