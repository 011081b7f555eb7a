// Tab bar: the strip of page tabs at the top of the main window.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "foundation/uGraphicsUtil.h"

namespace qx {

// Left edge of each of `count` tabs: the first at 2, then one pixel between
// tabs. Missing widths count as 0.
[[nodiscard]] std::vector<int> TabLefts(const std::vector<int>& widths, int count);
// Bounds of a selected tab: 2 pixels wider on each side and up to the top of
// the strip.
[[nodiscard]] QRect ActiveTabBounds(const QRect& inactive);
// Grey level of line y (2..h-2) of an inactive tab h pixels high.
[[nodiscard]] int InactiveTabGrey(int y, int h);

class TTabElement : public QWidget {
 public:
  explicit TTabElement(QWidget* parent);

  int Index = 0;
  bool Active = false;
  QString Caption;
  TColor TabColor = 0xFFFFFF;
  QImage InactiveImage;
  QImage ActiveImage;
  // Set by the strip; the active bounds derive from it.
  QRect InactiveBounds;
  std::function<void(TTabElement*)> OnMouseDown;

  // Draws both pictures for the inactive size.
  void Render();
  // Switches picture and bounds.
  void SetActive(bool value);
  // A disabled tab has a grey caption and takes no clicks.
  void SetEnabled(bool value);
  bool Enabled() const { return !testAttribute(Qt::WA_Disabled); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

class TTabBar : public QWidget {
 public:
  TTabBar(QWidget* parent, int tabCount);

  std::vector<TTabElement*> Tabs;  // children of the strip
  std::vector<int> Widths;
  std::vector<QString> Captions;
  std::function<void(TTabBar*)> OnChange;  // after the selection changed
  int ItemIndex = 0;
  const int TabCount;
  std::vector<int> Lefts;
  QImage Buffer;  // the strip background

  // Background, tab bounds, captions and pictures from the fields above.
  void Arrange();
  // Ignored for the selected tab and outside 0..TabCount-1.
  void SelectTab(int index);
  void SetTabColor(TColor color);
  TColor StripColor() const { return FStripColor; }
  void SetStripColor(TColor color);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void DrawBackground();
  void TabClick(TTabElement* tab);

  TColor FStripColor = 0xC0C0C0;
};

}  // namespace qx
