#include "shell/EmbeddedModalForm.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "widgets/uDialogs.h"
#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

TEmbeddedModalFormManager* ModalManager = nullptr;

namespace {

constexpr TColor kBarColor = 0xE4E4E4;
constexpr TColor kFrameColor = 0x808080;
constexpr int kTitleHeight = 35;
constexpr int kButtonBarHeight = 50;

void FillColor(QWidget* w, TColor c) {
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ColorToQColor(c));
  pal.setColor(QPalette::Base, ColorToQColor(c));
  w->setPalette(pal);
}

bool IsInside(QObject* object, const QWidget* ancestor) {
  auto* w = qobject_cast<QWidget*>(object);
  return w && (w == ancestor || ancestor->isAncestorOf(w));
}

}  // namespace

// The 16-bit sum (6C + D + E) * 257 / 16 + 32767, high byte, in unsigned
// lanes the compiler vectorises: the whole window is faded on every page.
// An AVX2 build beside the plain one: Qt's fills leave the upper vector
// halves in use, and on some processors legacy SSE code then runs several
// times slower (a 2600 x 1700 window: 17 ms instead of 2).
__attribute__((target_clones("avx2", "default"))) void FadeToWhiteInPlace(QImage& image) {
  if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
  const auto fade = [](uint32_t s) { return (((s * 257u) >> 4) + 32767u) >> 8; };
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0, n = image.width(); x < n; ++x) {
      const uint32_t p = line[x];
      const uint32_t r = (p >> 16) & 0xFFu, g = (p >> 8) & 0xFFu, b = p & 0xFFu;
      const uint32_t sum = r + g + b;
      line[x] =
          0xFF000000u | (fade(sum + 5 * r) << 16) | (fade(sum + 5 * g) << 8) | fade(sum + 5 * b);
    }
  }
}

QImage FadeToWhite(const QImage& image) {
  QImage out = image.convertToFormat(QImage::Format_RGB32);
  FadeToWhiteInPlace(out);
  return out;
}

// ---- TEmbeddedModalFormItem ------------------------------------------------

TEmbeddedModalFormItem::TEmbeddedModalFormItem(TEmbeddedModalFormManager* manager, QWidget* form) {
  if (!manager) {
    Dialogs().Message(nullptr, semfMissingManager);
    return;
  }
  if (!form) {
    Dialogs().Message(nullptr, semfMissingForm);
    return;
  }
  Manager = manager;
  Form = form;
  FormSize = form->size();
  form->setParent(manager->hostContent_, Qt::Widget);
  form->setMinimumHeight(FormSize.height());
  form->hide();
  manager->hostContent_->layout()->addWidget(form);
  form->installEventFilter(manager);
}

std::unique_ptr<TEmbeddedModalFormItem> TEmbeddedModalFormItem::CreateBare(
    TEmbeddedModalFormManager* manager) {
  std::unique_ptr<TEmbeddedModalFormItem> item(new TEmbeddedModalFormItem);
  item->Manager = manager;
  return item;
}

bool TEmbeddedModalFormItem::ShowModal() {
  return Manager && Form && Manager->ShowItemModal(*this);
}

void TEmbeddedModalFormItem::Show() {
  if (Manager && Form) Manager->ShowItem(*this);
}

void TEmbeddedModalFormItem::Close() {
  if (Manager) Manager->CloseItem(*this);
}

void TEmbeddedModalFormItem::LockOwner() {
  QWidget* owner = Manager ? Manager->parentWidget() : nullptr;
  if (!owner || !owner->isWindow()) {
    Dialogs().Message(nullptr, semfOwnerNoForm);
    return;
  }
  savedMin_ = owner->minimumSize();
  savedMax_ = owner->maximumSize();
  owner->setMinimumSize(owner->size());
  owner->setMaximumSize(owner->size());
  owner->installEventFilter(Manager);
  Manager->lockedOwner_ = owner;
  locked_ = true;
}

void TEmbeddedModalFormItem::UnlockOwner() {
  if (!locked_) return;
  locked_ = false;
  QWidget* owner = Manager->lockedOwner_;
  Manager->lockedOwner_ = nullptr;
  if (!owner) return;
  owner->removeEventFilter(Manager);
  owner->setMinimumSize(savedMin_);
  owner->setMaximumSize(savedMax_);
}

// ---- TModalSnapshot --------------------------------------------------------

TModalSnapshot::TModalSnapshot(TEmbeddedModalFormManager* manager)
    : QWidget(manager), manager_(manager) {
  // It covers the window: what lies under it is not painted, so a load
  // creating a thousand elements under the page does not draw them.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TModalSnapshot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, Picture);
  // Grown since the picture was taken: white beyond it.
  const QRect taken(QPoint(0, 0), Picture.deviceIndependentSize().toSize());
  for (const QRect& r : QRegion(rect()) - taken) p.fillRect(r, Qt::white);
}

void TModalSnapshot::mousePressEvent(QMouseEvent* event) {
  event->accept();
  manager_->Answer(false);
}

// ---- TEmbeddedModalFormManager ---------------------------------------------

TEmbeddedModalFormManager::TEmbeddedModalFormManager(QWidget* owner) : QWidget(owner) {
  hide();
  // Shown, it is covered by the snapshot: nothing under it is painted.
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (owner) setGeometry(owner->rect());
  // Creation order is stacking order: the snapshot lies at the bottom.
  Snapshot = new TModalSnapshot(this);
  FrameShape = new QWidget(this);
  FillColor(FrameShape, kFrameColor);
  TitlePanel = new QWidget(this);
  TitleLabel = new QLabel(TitlePanel);
  TitleLabel->move(12, 7);
  QFont bold = TitleLabel->font();
  bold.setBold(true);
  TitleLabel->setFont(bold);
  Host = new QScrollArea(this);
  Host->setFrameShape(QFrame::NoFrame);
  Host->setWidgetResizable(true);
  hostContent_ = new QWidget;
  auto* layout = new QVBoxLayout(hostContent_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Host->setWidget(hostContent_);
  FillColor(Host->viewport(), 0xFFFFFF);
  FillColor(hostContent_, 0xFFFFFF);
  TextPanel = new QWidget(this);
  FillColor(TextPanel, 0xFFFFFF);
  TextMemo = new QPlainTextEdit(TextPanel);
  TextMemo->setReadOnly(true);
  TextMemo->setFrameShape(QFrame::NoFrame);
  TextMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  TextMemo->move(5, 10);
  TextMemo->hide();
  ButtonPanel = new QWidget(this);
  OKButton = new QPushButton("OK", ButtonPanel);
  CloseButton = new QPushButton("Close", ButtonPanel);
  // Return and keypad Enter click the focused button, as in a dialog.
  OKButton->setAutoDefault(true);
  CloseButton->setAutoDefault(true);
  connect(OKButton, &QPushButton::clicked, this, [this] { Answer(true); });
  connect(CloseButton, &QPushButton::clicked, this, [this] { Answer(false); });
  SetFrameColor(kBarColor);
  for (QWidget* w : {static_cast<QWidget*>(Snapshot), FrameShape, TitlePanel,
                     static_cast<QWidget*>(Host), TextPanel, ButtonPanel})
    w->hide();

  auto text = TEmbeddedModalFormItem::CreateBare(this);
  text->ShowClose = false;
  TextItem = text.get();
  items_.push_back(std::move(text));
}

TEmbeddedModalFormManager::~TEmbeddedModalFormManager() {
  if (filtering_) qApp->removeEventFilter(this);
  if (loop_) loop_->quit();
  if (ModalManager == this) ModalManager = nullptr;
}

TEmbeddedModalFormItem* TEmbeddedModalFormManager::AddItem(QWidget* form) {
  items_.push_back(std::make_unique<TEmbeddedModalFormItem>(this, form));
  return items_.back().get();
}

void TEmbeddedModalFormManager::SetFrameColor(TColor color) {
  FillColor(TitlePanel, color);
  FillColor(ButtonPanel, color);
}

void TEmbeddedModalFormManager::TakeSnapshot() {
  QWidget* owner = parentWidget();
  if (!owner) return;
  hide();  // the picture is of the window without any page
  setGeometry(owner->rect());
  Snapshot->setGeometry(0, 0, owner->width(), owner->height());
  // Rendered into the picture's own memory: a fresh window-sized buffer per
  // page costs more in page faults than the rendering itself.
  const qreal dpr = owner->devicePixelRatioF();
  QImage& picture = Snapshot->Picture;
  const QSize size = owner->size() * dpr;
  if (picture.size() != size || picture.format() != QImage::Format_RGB32)
    picture = QImage(size, QImage::Format_RGB32);
  picture.setDevicePixelRatio(dpr);
  owner->render(&picture);
  FadeToWhiteInPlace(picture);
  show();
  Snapshot->show();
  Snapshot->update();
  if (!filtering_) {
    qApp->installEventFilter(this);
    filtering_ = true;
  }
}

void TEmbeddedModalFormManager::Arrange(int w, int h) {
  const int mw = width(), mh = height();
  if (mh < h + 160) {
    w += Host->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    h = mh - 160;
  }
  const QRect box((mw - w) / 2, (mh - h) / 2, w, h);
  Host->setGeometry(box);
  TextPanel->setGeometry(box);
  ButtonPanel->setGeometry(box.left(), box.top() + box.height(), box.width(), kButtonBarHeight);
  const int bw = box.width();
  OKButton->setGeometry(Current && Current->ShowClose ? bw - 220 : bw - 110, 9, 100, 32);
  CloseButton->setGeometry(bw - 110, 9, 100, 32);
  TitlePanel->setGeometry(box.left(), box.top() - kTitleHeight, box.width(), kTitleHeight);
  const bool withTitle = Current && Current->ShowTitle;
  const bool withButtons = Current && (Current->ShowOK || Current->ShowClose);
  const int frameHeight =
      box.height() + (withButtons ? kButtonBarHeight + 2 : 2) + (withTitle ? kTitleHeight : 0);
  FrameShape->setGeometry(box.left() - 1, withTitle ? box.top() - 36 : box.top() - 1,
                          box.width() + 2, frameHeight);
}

void TEmbeddedModalFormManager::SetupFrame(const TEmbeddedModalFormItem& item) {
  OKButton->setText(item.OKCaption);
  CloseButton->setText(item.CloseCaption);
  OKButton->setVisible(item.ShowOK);
  CloseButton->setVisible(item.ShowClose);
  ButtonPanel->setVisible(item.ShowOK || item.ShowClose);
  TitleLabel->setText(item.Title.isEmpty() && item.Form ? item.Form->windowTitle() : item.Title);
  TitleLabel->adjustSize();
  TitlePanel->setVisible(item.ShowTitle);
  FrameShape->show();
}

void TEmbeddedModalFormManager::FocusFirstButton(QWidget* fallback) {
  if (Current && Current->ShowOK)
    OKButton->setFocus();
  else if (Current && Current->ShowClose)
    CloseButton->setFocus();
  else if (fallback)
    fallback->setFocus();
}

void TEmbeddedModalFormManager::ShowItem(TEmbeddedModalFormItem& item) {
  if (!item.Form) return;
  Current = &item;
  TakeSnapshot();
  Arrange(item.FormSize.width(), item.FormSize.height());
  Host->show();
  SetupFrame(item);
  item.Form->show();
  FocusFirstButton(item.Form);
  raise();
  Done = true;  // a page that is not waited for may be closed at any time
}

bool TEmbeddedModalFormManager::WaitModal(TEmbeddedModalFormItem& item) {
  if (loop_) return false;
  item.LockOwner();
  Done = false;
  Confirmed = false;
  QEventLoop loop;
  loop_ = &loop;
  loop.exec();
  loop_ = nullptr;
  item.UnlockOwner();
  return Confirmed;
}

void TEmbeddedModalFormManager::Answer(bool confirmed) {
  Confirmed = confirmed;
  Done = true;
  if (loop_) loop_->quit();
}

void TEmbeddedModalFormManager::HideParts() {
  for (QWidget* w : {static_cast<QWidget*>(Host), TitlePanel, ButtonPanel, TextPanel,
                     static_cast<QWidget*>(Snapshot), FrameShape})
    w->hide();
  hide();
  if (filtering_) {
    qApp->removeEventFilter(this);
    filtering_ = false;
  }
}

void TEmbeddedModalFormManager::CloseItem(TEmbeddedModalFormItem& item) {
  if (isHidden()) return;
  if (!Done) {
    Answer(false);  // ends the wait; the waiting call closes the page
    return;
  }
  HideParts();
  if (item.Form) item.Form->hide();
  if (Current == &item) Current = nullptr;
}

bool TEmbeddedModalFormManager::ShowItemModal(TEmbeddedModalFormItem& item) {
  if (loop_ || !item.Form) return false;  // one waiting page at a time
  ShowItem(item);
  const bool ok = WaitModal(item);
  CloseItem(item);
  return ok;
}

void TEmbeddedModalFormManager::ShowText(const QString& title, const QString& text) {
  if (loop_) return;
  TEmbeddedModalFormItem& item = *TextItem;
  item.Title = title;
  item.ShowTitle = true;
  Current = &item;
  TakeSnapshot();

  const int mw = width(), mh = height();
  const int w = std::max(mw < 661 ? mw - 160 : 500, 100);
  TextMemo->resize(w - 10, TextMemo->height());
  TextMemo->setPlainText(text);
  QTextDocument doc;
  doc.setDefaultFont(TextMemo->font());
  doc.setDocumentMargin(TextMemo->document()->documentMargin());
  doc.setPlainText(text);
  doc.setTextWidth(w - 10);
  int h = static_cast<int>(std::ceil(doc.size().height()));
  if (mh < h + 185) {
    TextMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    h = mh - 160;
  } else {
    TextMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    h += 25;
  }
  TextMemo->resize(w - 10, h - 15);
  TextMemo->show();
  Arrange(w, h);
  TextPanel->show();
  SetupFrame(item);
  FocusFirstButton(nullptr);
  raise();

  (void)WaitModal(item);
  HideParts();
  TextMemo->clear();
  TextMemo->hide();
  item.ShowTitle = false;
  Current = nullptr;
}

QList<QWidget*> TEmbeddedModalFormManager::TabChain() const {
  // The window's focus chain, restricted to the page: the content first,
  // the buttons last.
  QList<QWidget*> content, buttons;
  QWidget* start = window();
  for (QWidget* w = start->nextInFocusChain(); w && w != start; w = w->nextInFocusChain()) {
    if (w == Host || !isAncestorOf(w) || !w->isVisible() || !w->isEnabled() ||
        !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
      continue;
    (ButtonPanel->isAncestorOf(w) ? buttons : content).append(w);
  }
  return content + buttons;
}

void TEmbeddedModalFormManager::FocusInside(QWidget* from, bool forward) {
  const QList<QWidget*> chain = TabChain();
  if (chain.isEmpty()) {
    setFocus();
    return;
  }
  const qsizetype n = chain.size();
  const qsizetype at = from ? chain.indexOf(from) : -1;
  qsizetype next = 0;
  if (at >= 0)
    next = forward ? (at + 1) % n : (at + n - 1) % n;
  else if (!forward)
    next = n - 1;
  chain[next]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void TEmbeddedModalFormManager::keyPressEvent(QKeyEvent* event) {
  event->accept();  // a key the page left alone goes no further
}

bool TEmbeddedModalFormManager::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Close:
      // The owner window closes while a page waits: the page ends first,
      // then the window's own close query runs.
      if (watched == lockedOwner_ || (Current && watched == Current->Form)) Answer(false);
      return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: {
      if (isHidden() || !watched->isWidgetType()) return false;
      auto* w = static_cast<QWidget*>(watched);
      if (w->window() != window()) return false;  // another window (a file dialog)
      // Nothing behind the page takes a key: the keyboard goes back into it.
      if (!IsInside(w, this)) {
        if (!IsInside(QApplication::focusWidget(), this)) FocusInside(nullptr, true);
        return true;
      }
      if (event->type() != QEvent::KeyPress) return false;
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape && Current) {
        Answer(false);
        return true;
      }
      // Tab and Shift+Tab cycle within the page, never out of it.
      const bool back = key->key() == Qt::Key_Backtab ||
                        (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
      if (back || key->key() == Qt::Key_Tab) {
        FocusInside(QApplication::focusWidget(), !back);
        return true;
      }
      return false;
    }
    case QEvent::FocusIn: {
      auto* w = qobject_cast<QWidget*>(watched);
      if (w && !isHidden() && w->window() == window() && !IsInside(w, this))
        FocusInside(nullptr, true);
      return false;
    }
    default:
      return false;
  }
}

}  // namespace qx
