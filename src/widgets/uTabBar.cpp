#include "widgets/uTabBar.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

namespace {
constexpr TColor EdgeColor = 0x8F8F8F;
constexpr TColor DisabledText = 0x808080;
constexpr TColor White = 0xFFFFFF;
constexpr int DefaultTabWidth = 100;

TColor Grey(int level) {
  const auto v = static_cast<uint8_t>(std::clamp(level, 0, 255));
  return RGBToColor(v, v, v);
}

void Fill(QPainter& p, const QRect& r, TColor c) {
  if (r.width() > 0 && r.height() > 0) p.fillRect(r, ColorToQColor(c));
}

void DrawCentred(QPainter& p, const QFont& font, const QString& text, int w, int h, TColor c) {
  if (text.isEmpty()) return;
  p.setFont(font);
  p.setPen(ColorToQColor(c));
  const QFontMetrics fm = p.fontMetrics();
  const int x = (w - fm.horizontalAdvance(text)) / 2;
  const int y = (h - fm.height()) / 2;
  p.drawText(x, y + fm.ascent(), text);
}
}  // namespace

std::vector<int> TabLefts(const std::vector<int>& widths, int count) {
  std::vector<int> lefts(static_cast<size_t>(std::max(count, 0)));
  int left = 2;
  for (size_t i = 0; i < lefts.size(); ++i) {
    lefts[i] = left;
    left += (i < widths.size() ? widths[i] : 0) + 1;
  }
  return lefts;
}

QRect ActiveTabBounds(const QRect& inactive) {
  return inactive.adjusted(-2, -4, 2, 0);
}

int InactiveTabGrey(int y, int h) {
  if (y <= 10) return 245 - 3 * (y - 2);
  // A 13 pixel tab has the single line 11; guard its zero divisor.
  return 220 - (15 * (y - 11)) / std::max(h - 13, 1);
}

// ---------------------------------------------------------------- element

TTabElement::TTabElement(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TTabElement::Render() {
  const int w = InactiveBounds.width();
  const int h = InactiveBounds.height();
  const TColor text = Enabled() ? clWindowText : DisabledText;
  if (w <= 0 || h <= 0) {
    InactiveImage = QImage();
    ActiveImage = QImage();
    return;
  }

  InactiveImage = QImage(w, h, QImage::Format_RGB32);
  {
    QPainter p(&InactiveImage);
    Fill(p, QRect(0, 0, w, h), EdgeColor);
    Fill(p, QRect(1, 1, w - 2, h - 2), White);
    for (int y = 2; y <= h - 2; ++y) Fill(p, QRect(1, y, w - 2, 1), Grey(InactiveTabGrey(y, h)));
    DrawCentred(p, font(), Caption, w, h, text);
  }

  const int aw = w + 4;
  const int ah = h + 4;
  ActiveImage = QImage(aw, ah, QImage::Format_RGB32);
  {
    QPainter p(&ActiveImage);
    Fill(p, QRect(0, 0, aw, ah), White);
    // The bottom fades into the tab colour of the ribbon below.
    for (int i = 0; i < 4; ++i)
      Fill(p, QRect(0, ah - 4 + i, aw, 1), BlendColor(TabColor, White, 0.2 * (i + 1)));
    Fill(p, QRect(0, 0, 1, ah), EdgeColor);
    Fill(p, QRect(0, 0, aw, 1), EdgeColor);
    Fill(p, QRect(aw - 1, 0, 1, ah), EdgeColor);
    DrawCentred(p, font(), Caption, aw, ah, text);
  }
}

void TTabElement::SetActive(bool value) {
  Active = value;
  setGeometry(value ? ActiveTabBounds(InactiveBounds) : InactiveBounds);
  // The wider active tab covers the edges of its neighbours.
  if (value) raise();
  update();
}

void TTabElement::SetEnabled(bool value) {
  if (value == Enabled()) return;
  setEnabled(value);
  Render();
  update();
}

void TTabElement::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QImage& img = Active ? ActiveImage : InactiveImage;
  if (!img.isNull()) p.drawImage(0, 0, img);
}

void TTabElement::mousePressEvent(QMouseEvent*) {
  if (OnMouseDown) OnMouseDown(this);
}

// ---------------------------------------------------------------- strip

TTabBar::TTabBar(QWidget* parent, int tabCount) : QWidget(parent), TabCount(std::max(tabCount, 0)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  Widths.assign(static_cast<size_t>(TabCount), DefaultTabWidth);
  Captions.resize(static_cast<size_t>(TabCount));
  for (int i = 0; i < TabCount; ++i) {
    auto* tab = new TTabElement(this);
    tab->OnMouseDown = [this](TTabElement* t) { TabClick(t); };
    Tabs.push_back(tab);
  }
  Arrange();
}

void TTabBar::DrawBackground() {
  const int w = width();
  const int h = height();
  if (w <= 0 || h <= 0) {
    Buffer = QImage();
    return;
  }
  Buffer = QImage(w, h, QImage::Format_RGB32);
  QPainter p(&Buffer);
  Fill(p, QRect(0, 0, w, h), FStripColor);
  Fill(p, QRect(0, h - 1, w, 1), EdgeColor);
}

void TTabBar::Arrange() {
  DrawBackground();
  Lefts = TabLefts(Widths, TabCount);
  const int h = std::max(height() - 4, 0);
  for (int i = 0; i < TabCount; ++i) {
    TTabElement* tab = Tabs[static_cast<size_t>(i)];
    const auto k = static_cast<size_t>(i);
    tab->Index = i;
    tab->Caption = k < Captions.size() ? Captions[k] : QString();
    tab->InactiveBounds = QRect(Lefts[k], 4, k < Widths.size() ? std::max(Widths[k], 0) : 0, h);
    tab->SetActive(false);
    tab->Render();
  }
  if (ItemIndex >= 0 && ItemIndex < TabCount) Tabs[static_cast<size_t>(ItemIndex)]->SetActive(true);
  update();
}

void TTabBar::SelectTab(int index) {
  if (index == ItemIndex || index < 0 || index >= TabCount) return;
  if (ItemIndex >= 0 && ItemIndex < TabCount)
    Tabs[static_cast<size_t>(ItemIndex)]->SetActive(false);
  ItemIndex = index;
  Tabs[static_cast<size_t>(index)]->SetActive(true);
  if (OnChange) OnChange(this);
}

void TTabBar::TabClick(TTabElement* tab) {
  if (tab->Enabled()) SelectTab(tab->Index);
}

void TTabBar::SetTabColor(TColor color) {
  for (TTabElement* tab : Tabs) {
    tab->TabColor = color;
    tab->Render();
    tab->update();
  }
}

void TTabBar::SetStripColor(TColor color) {
  FStripColor = color;
  DrawBackground();
  update();
}

void TTabBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!Buffer.isNull()) p.drawImage(0, 0, Buffer);
}

void TTabBar::resizeEvent(QResizeEvent*) {
  // Tab heights follow the strip's height.
  Arrange();
}

}  // namespace qx
