#include "editing/uSheetTabs.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "widgets/uLangStrings.h"
#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

namespace {

constexpr TColor StripColor = 0xE4E4E4;
constexpr TColor LineColor = 0x808080;
constexpr TColor LightLineColor = 0xA0A0A0;
constexpr TColor InactiveColor = 0xC0C0C0;
constexpr TColor GlyphColor = 0x202020;
constexpr TColor GlyphDisabledColor = 0xA0A0A0;
constexpr int ClickSlop = 10;  // more movement than this is no click

void DrawLine(QPainter& p, TColor color, int x1, int y1, int x2, int y2) {
  p.setPen(ColorToQColor(color));
  p.drawLine(x1, y1, x2, y2);
}

// Arrow look: strip background, the strip's top line and a small triangle.
QImage MakeGlyph(TTabArrow::TDirection direction, bool enabled) {
  QImage image(TSheetTabs::ArrowWidth, TSheetTabs::ArrowHeight, QImage::Format_RGB32);
  image.fill(ColorToQColor(StripColor));
  QPainter p(&image);
  DrawLine(p, LineColor, 0, 0, image.width() - 1, 0);
  const QColor color = ColorToQColor(enabled ? GlyphColor : GlyphDisabledColor);
  p.setPen(color);
  p.setBrush(color);
  const int cy = image.height() / 2;
  QPolygon triangle;
  if (direction == TTabArrow::TDirection::Left)
    triangle << QPoint(7, cy) << QPoint(12, cy - 5) << QPoint(12, cy + 5);
  else
    triangle << QPoint(13, cy) << QPoint(8, cy - 5) << QPoint(8, cy + 5);
  p.drawPolygon(triangle);
  return image;
}

}  // namespace

// ---------------------------------------------------------------- TTab

TTab::TTab(TSheetTabs* strip, const QString& caption)
    : QWidget(strip), Caption(caption), Name(caption.toStdString()), Strip(strip) {}

void TTab::SetCaption(const QString& caption) {
  Caption = caption;
  Name = caption.toStdString();
}

void TTab::SetName(std::string name) {
  Name = std::move(name);
  Caption = ShownText(Name);
}

int TTab::PreferredWidth() const {
  QFont bold = font();
  bold.setBold(true);
  return std::clamp(TextWidthOf(Caption, bold) + Strip->height() / 2 + 6, 80, 200);
}

void TTab::SetActive(bool active) {
  Active = active;
  UpdateMask();
  update();
}

void TTab::UpdateMask() {
  if (!Active) {
    clearMask();
    return;
  }
  // Row by row, so the slant pixels themselves stay inside.
  QRegion region;
  for (int y = 0; y < height(); ++y) region += QRect(y, y, std::max(width() - y, 0), 1);
  setMask(region);
}

void TTab::resizeEvent(QResizeEvent*) {
  UpdateMask();
}

void TTab::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width();
  const int h = height();
  QFont f = font();
  if (Active) {
    p.fillRect(rect(), ColorToQColor(Strip->BarColor));
    f.setBold(true);
  } else {
    p.fillRect(rect(), ColorToQColor(InactiveColor));
  }
  const int tw = TextWidthOf(Caption, f);
  const int th = TextHeightOf(f);
  const int tx = Active ? (h / 2 + w - tw + 3) / 2 : (h / 6 + w - tw) / 2;
  const int ty = (h - th) / 2;
  p.setFont(f);
  p.setPen(Qt::black);
  p.drawText(QPoint(tx, ty + QFontMetrics(f).ascent()), Caption);

  if (Active) {
    DrawLine(p, LightLineColor, 1, 0, h, h - 1);
    DrawLine(p, LineColor, 0, 0, h, h);
    DrawLine(p, LineColor, h, h - 1, w - 1, h - 1);
    DrawLine(p, LineColor, w - 1, 0, w - 1, h - 1);
    return;
  }
  // Chamfered lower-left corner: the strip shows outside it.
  const int half = h / 2;
  const QColor strip = ColorToQColor(StripColor);
  for (int y = half + 1; y < h; ++y) p.fillRect(0, y, y - half, 1, strip);
  DrawLine(p, LightLineColor, 1, half, half, h - 1);
  DrawLine(p, LineColor, 0, half, half, h);
  DrawLine(p, LineColor, half, h - 1, w - 1, h - 1);
  DrawLine(p, LineColor, w - 1, 0, w - 1, h - 1);
  DrawLine(p, LineColor, 0, 0, w - 1, 0);
}

void TTab::mousePressEvent(QMouseEvent* event) {
  DownPoint = event->position().toPoint();
  DownButton = event->button();
  Moved = false;
  Strip->FinishRename();
}

void TTab::mouseMoveEvent(QMouseEvent* event) {
  const QPoint d = event->position().toPoint() - DownPoint;
  if (std::abs(d.x()) > ClickSlop || std::abs(d.y()) > ClickSlop) Moved = true;
}

void TTab::mouseReleaseEvent(QMouseEvent* event) {
  if (Moved || event->button() != DownButton) return;
  DownButton = Qt::NoButton;
  Strip->TabClicked(this, event->button(), event->globalPosition().toPoint());
}

// ---------------------------------------------------------------- TTabDummy

TTabDummy::TTabDummy(TSheetTabs* strip) : QWidget(strip), Strip(strip) {}

void TTabDummy::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width();
  const int h = height();
  if (!AtStart) {
    p.fillRect(rect(), ColorToQColor(InactiveColor));
    DrawLine(p, LineColor, 0, 0, w - 1, 0);
    DrawLine(p, LineColor, w - 1, 0, w - 1, h - 1);
    DrawLine(p, LineColor, 0, h - 1, w - 1, h - 1);
    return;
  }
  // Leads into the first tab's chamfer.
  p.fillRect(rect(), ColorToQColor(StripColor));
  const int half = h / 2;
  const QColor fill = ColorToQColor(InactiveColor);
  for (int y = 0; y < half; ++y) p.fillRect(10 + y + 1, y, std::max(w - 11 - y, 0), 1, fill);
  DrawLine(p, LightLineColor, 11, 0, 10 + half, half - 1);
  DrawLine(p, LineColor, 10, 0, 10 + half, half);
  DrawLine(p, LineColor, 0, 0, w - 1, 0);
}

void TTabDummy::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    Strip->FillerClick();
}

// ---------------------------------------------------------------- TTabArrow

TTabArrow::TTabArrow(TSheetTabs* strip, TDirection direction)
    : QWidget(strip),
      Direction(direction),
      Strip(strip),
      EnabledGlyph(MakeGlyph(direction, true)),
      DisabledGlyph(MakeGlyph(direction, false)) {
  resize(TSheetTabs::ArrowWidth, TSheetTabs::ArrowHeight);
}

void TTabArrow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, isEnabled() ? EnabledGlyph : DisabledGlyph);
}

void TTabArrow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  if (Direction == TDirection::Left)
    Strip->ScrollLeft();
  else
    Strip->ScrollRight();
}

// ---------------------------------------------------------------- TSheetTabs

TSheetTabs::TSheetTabs(QWidget* parent) : QWidget(parent) {
  ArrowLeft = new TTabArrow(this, TTabArrow::TDirection::Left);
  ArrowLeft->move(0, 0);
  ArrowRight = new TTabArrow(this, TTabArrow::TDirection::Right);
  ArrowRight->move(width() - ArrowWidth, 0);
  Dummy = new TTabDummy(this);
  Dummy->setGeometry(ArrowWidth, 0, height() / 2 + 10, height());

  auto* first = new TTab(this, NewCaption(1));
  first->setGeometry(30, 0, 150, height());
  first->SetActive(true);
  Tabs.push_back(first);

  Menu = new QMenu(this);
  ActNew = Menu->addAction(QString());
  ActDelete = Menu->addAction(QString());
  Menu->addSeparator();
  ActLeft = Menu->addAction(QString());
  ActRight = Menu->addAction(QString());
  Menu->addSeparator();
  ActRename = Menu->addAction(QString());
  connect(ActNew, &QAction::triggered, this, [this] { CmdNew(); });
  connect(ActDelete, &QAction::triggered, this, [this] { CmdDelete(PopupTab); });
  connect(ActLeft, &QAction::triggered, this, [this] { CmdMoveLeft(PopupTab); });
  connect(ActRight, &QAction::triggered, this, [this] { CmdMoveRight(PopupTab); });
  connect(ActRename, &QAction::triggered, this, [this] { CmdRename(PopupTab); });
  LangUpdate();

  Edit = new QLineEdit(this);
  Edit->setFrame(false);
  Edit->setAlignment(Qt::AlignCenter);
  Edit->hide();
  Edit->installEventFilter(this);
  connect(Edit, &QLineEdit::returnPressed, this, &TSheetTabs::FinishRename);

  Editable = true;
  Publish();
}

TSheetTabs::~TSheetTabs() = default;

QString TSheetTabs::NewCaption(int number) const {
  return Tr("usheettabs.stlblatt", "Blatt") + QStringLiteral(" ") + QString::number(number);
}

void TSheetTabs::Publish() {
  TabCountMirror.store(Count());
  SelectedMirror.store(Count() > 0 ? ActiveIndex + 1 : 0);
}

int TSheetTabs::IndexOfTab(const TTab* tab) const {
  const auto it = std::find(Tabs.begin(), Tabs.end(), tab);
  return it == Tabs.end() ? -1 : static_cast<int>(it - Tabs.begin());
}

void TSheetTabs::SelectTab(int index) {
  if (index == ActiveIndex || index < 0 || index > Count() - 1) return;
  PreviousIndex = ActiveIndex;
  ActiveIndex = index;
  setUpdatesEnabled(false);
  if (PreviousIndex >= 0 && PreviousIndex < Count()) {
    TTab* old = Tabs[PreviousIndex];
    old->SetActive(false);
    old->setGeometry(old->x() + ActiveExtra, old->y(), old->width() - ActiveExtra, old->height());
  }
  TTab* tab = Tabs[index];
  tab->raise();
  tab->SetActive(true);
  tab->setGeometry(tab->x() - ActiveExtra, tab->y(), tab->width() + ActiveExtra, tab->height());
  setUpdatesEnabled(true);
  ArrowRight->raise();
  if (index > LastVisible)
    LayoutFrom(FirstIndexEndingAt(index));
  else if (index < FirstVisible)
    LayoutFrom(index);  // selected by code while scrolled out to the left
  Publish();
  if (OnChange) OnChange(this);
}

void TSheetTabs::Reset() {
  CancelRename();
  PopupTab = nullptr;
  while (Count() > 1) {
    delete Tabs.back();
    Tabs.pop_back();
  }
  Tabs[0]->SetCaption(NewCaption(1));
  Tabs[0]->SetActive(true);
  ActiveIndex = 0;
  PreviousIndex = 0;
  Publish();
  SetTabWidths();
  LayoutFrom(0);
}

QString TSheetTabs::GetTabCaption(int index) const {
  if (index < 0 || index >= Count()) return QStringLiteral("-");
  return Tabs[index]->Caption;
}

void TSheetTabs::SetTabCaption(int index, const QString& text) {
  if (index < 0 || index >= Count()) return;
  Tabs[index]->SetCaption(text);
  Tabs[index]->update();
  Arrange();
}

const std::string& TSheetTabs::GetTabName(int index) const {
  static const std::string none = "-";
  if (index < 0 || index >= Count()) return none;
  return Tabs[index]->Name;
}

void TSheetTabs::SetTabName(int index, std::string name) {
  if (index < 0 || index >= Count()) return;
  Tabs[index]->SetName(std::move(name));
  Tabs[index]->update();
  Arrange();
}

void TSheetTabs::SetBarColor(TColor color) {
  if (color == BarColor) return;
  BarColor = color;
  update();
  for (TTab* tab : Tabs) tab->update();
}

void TSheetTabs::LangUpdate() {
  ActNew->setText(Tr("usheettabs.snew", "Neues Blatt"));
  ActDelete->setText(Tr("usheettabs.sdelete", "Blatt Löschen"));
  ActLeft->setText(Tr("usheettabs.stoleft", "Nach Links"));
  ActRight->setText(Tr("usheettabs.storight", "Nach Rechts"));
  ActRename->setText(Tr("usheettabs.srename", "Umbenennen"));
}

void TSheetTabs::Arrange() {
  SetTabWidths();
  LayoutFrom(FirstVisible);
}

void TSheetTabs::SetTabWidths() {
  for (int i = 0; i < Count(); ++i) {
    TTab* tab = Tabs[i];
    const bool active = i == ActiveIndex;
    if (tab->Active != active) tab->SetActive(active);
    tab->resize(tab->PreferredWidth() + (active ? ActiveExtra : 0), height());
  }
}

void TSheetTabs::LayoutFrom(int first) {
  const int n = Count();
  if (n == 0) return;
  first = std::clamp(first, 0, n - 1);
  if (ActiveIndex >= 0 && ActiveIndex < n) Tabs[ActiveIndex]->raise();
  ArrowRight->raise();
  if (Edit->isVisibleTo(this)) Edit->raise();
  FirstVisible = first;
  for (int i = 0; i < first; ++i) Tabs[i]->hide();
  const int h = height();
  int x = ArrowLeft->width() + Dummy->width();
  LastVisible = first - 1;
  for (int i = first; i < n; ++i) {
    TTab* tab = Tabs[i];
    if (i == ActiveIndex) x -= h / 2;  // overlaps its left neighbour
    tab->move(x, 0);
    tab->show();
    x = tab->x() + tab->width();
    if (x > width() - ArrowRight->width() + 10) {
      LastVisible = i - 1;  // stays shown, partly under the right arrow
      break;
    }
    LastVisible = i;
  }
  for (int i = LastVisible + 2; i < n; ++i) Tabs[i]->hide();
  ArrowLeft->setEnabled(FirstVisible > 0);
  Dummy->AtStart = FirstVisible == 0;
  Dummy->update();
  ArrowRight->setEnabled(LastVisible < n - 1);
}

int TSheetTabs::MeasureOf(int index) const {
  const TTab* tab = Tabs[index];
  return tab->width() - (index == ActiveIndex ? ActiveExtra : 0);
}

int TSheetTabs::FirstIndexFrom(int start) const {
  if (start <= 0) return 0;
  const int n = Count();
  int sum = Dummy->width() + ArrowLeft->width() + ArrowRight->width();
  for (int i = start; i < n; ++i) {
    sum += MeasureOf(i);
    if (sum > width()) return start;
  }
  return FirstIndexEndingAt(n - 1);
}

int TSheetTabs::FirstIndexEndingAt(int n) const {
  n = std::min(n, Count() - 1);
  int sum = Dummy->width() + ArrowLeft->width() + ArrowRight->width() - 10;
  for (int i = n; i >= 0; --i) {
    sum += MeasureOf(i);
    // Never past n itself, even when that one tab alone is too wide.
    if (sum > width()) return std::min(i + 1, n);
  }
  return 0;
}

void TSheetTabs::CmdNew() {
  auto* tab = new TTab(this, NewCaption(Count() + 1));
  const int x =
      Tabs.empty() ? ArrowWidth + Dummy->width() : Tabs.back()->x() + Tabs.back()->width();
  tab->setGeometry(x, 0, tab->PreferredWidth(), height());
  Tabs.push_back(tab);
  Publish();
  if (OnNewTab) OnNewTab(this);
  Arrange();
}

void TSheetTabs::CmdDelete(TTab* tab) {
  if (Count() <= 1) return;
  const int i = IndexOfTab(tab);
  if (i < 0) return;
  if (i == ActiveIndex) {
    if (i > 0) {
      SelectTab(i - 1);
    } else {
      SelectTab(1);
      ActiveIndex = 0;  // the former second tab moves to index 0
    }
  } else if (i < ActiveIndex) {
    --ActiveIndex;
  }
  if (RenameTab == tab) CancelRename();
  if (PopupTab == tab) PopupTab = nullptr;
  Tabs.erase(Tabs.begin() + i);
  delete tab;
  Publish();
  Arrange();
  if (OnTabDelete) OnTabDelete(this, i);
}

void TSheetTabs::Exchange(int i, int j) {
  if (ActiveIndex == i)
    ActiveIndex = j;
  else if (ActiveIndex == j)
    ActiveIndex = i;
  std::swap(Tabs[i], Tabs[j]);
  Publish();
  Arrange();
  if (OnTabExchange) OnTabExchange(this, i, j);
}

void TSheetTabs::CmdMoveLeft(TTab* tab) {
  const int i = IndexOfTab(tab);
  if (Count() <= 1 || i <= 0) return;
  Exchange(i - 1, i);
}

void TSheetTabs::CmdMoveRight(TTab* tab) {
  const int i = IndexOfTab(tab);
  if (Count() <= 1 || i < 0 || i >= Count() - 1) return;
  Exchange(i, i + 1);
}

void TSheetTabs::CmdRename(TTab* tab) {
  if (IndexOfTab(tab) < 0) return;
  RenameTab = tab;
  Edit->setGeometry(tab->geometry());
  Edit->setText(tab->Caption);
  Edit->show();
  Edit->raise();
  Edit->setFocus();
}

void TSheetTabs::FinishRename() {
  TTab* tab = RenameTab;
  RenameTab = nullptr;  // hiding moves the focus, which comes back here
  Edit->hide();
  if (tab == nullptr) return;
  // Unchanged, a long name keeps what the edit could not show of it.
  if (Edit->text() != tab->Caption) tab->SetCaption(Edit->text());
  tab->update();
  Arrange();
}

void TSheetTabs::CancelRename() {
  RenameTab = nullptr;
  Edit->hide();
}

bool TSheetTabs::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit && event->type() == QEvent::FocusOut) FinishRename();
  return QWidget::eventFilter(watched, event);
}

void TSheetTabs::ScrollRight() {
  if (LastVisible >= Count() - 1) return;
  SetTabWidths();
  LayoutFrom(FirstIndexFrom(LastVisible + 1));
}

void TSheetTabs::ScrollLeft() {
  if (FirstVisible == 0) return;
  SetTabWidths();
  LayoutFrom(FirstIndexEndingAt(FirstVisible - 1));
}

void TSheetTabs::FillerClick() {
  if (Dummy->AtStart) return;
  SelectTab(FirstVisible - 1);
  LayoutFrom(FirstIndexFrom(ActiveIndex));
}

void TSheetTabs::TabClicked(TTab* tab, Qt::MouseButton button, const QPoint& globalPos) {
  if (button == Qt::LeftButton) {
    SelectTab(IndexOfTab(tab));
  } else if (button == Qt::RightButton && Editable) {
    PopupTab = tab;
    Menu->popup(globalPos);
  }
}

void TSheetTabs::RequestSelectTab(int32_t tab) {
  if (tab <= 0) return;
  // One queued call at a time; it takes whatever request is newest then.
  if (PendingSelect.exchange(tab) != 0) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        const int32_t t = PendingSelect.exchange(0);
        if (t > 0) SelectTab(t - 1);
      },
      Qt::QueuedConnection);
}

void TSheetTabs::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ColorToQColor(StripColor));
  DrawLine(p, LineColor, 0, 0, width() - 1, 0);
}

void TSheetTabs::resizeEvent(QResizeEvent*) {
  const int h = height();
  ArrowRight->move(width() - ArrowWidth, 0);
  Dummy->setGeometry(ArrowWidth, 0, h / 2 + 10, h);
  for (TTab* tab : Tabs) tab->resize(tab->width(), h);
  ActiveExtra = h / 2;
  // Widths too, so the active tab's extra follows the new height.
  Arrange();
}

}  // namespace qx
