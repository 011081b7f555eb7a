// The sheet tab strip along the bottom of the run page: one tab per sheet,
// a filler, two scroll arrows and, on the Edit page, a menu to add, delete,
// move and rename sheets. It knows nothing of sheets; every change is
// reported through its four events.
#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "formula/uFunctions.h"
#include "foundation/uGraphicsUtil.h"

class QLineEdit;
class QMenu;
class QAction;

namespace qx {

class TSheetTabs;

// One tab: paints itself, selects on a left click, offers the menu on a
// right click. Tabs cannot be dragged.
class TTab : public QWidget {
  Q_OBJECT
 public:
  TTab(TSheetTabs* strip, const QString& caption);

  // What the tab shows of its sheet's name; Name holds the whole name (a
  // name of megabytes from a project file is not laid out whole).
  QString Caption;
  std::string Name;
  bool Active = false;

  void SetCaption(const QString& caption);
  void SetName(std::string name);

  // Caption width in bold + strip height div 2 + 6, within 80..200.
  [[nodiscard]] int PreferredWidth() const;
  // Sets Active, re-cuts the outline and repaints.
  void SetActive(bool active);
  // Cuts away the part left of the slant while active.
  void UpdateMask();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  TSheetTabs* Strip;
  QPoint DownPoint;
  Qt::MouseButton DownButton = Qt::NoButton;
  bool Moved = false;
};

// The area between the left arrow and the first tab; while scrolled, a click
// on it selects the tab before the first shown.
class TTabDummy : public QWidget {
  Q_OBJECT
 public:
  explicit TTabDummy(TSheetTabs* strip);

  bool AtStart = true;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TSheetTabs* Strip;
};

// A scroll button, 21 by 20 pixels; disabled (QWidget::setEnabled) when there
// is nothing to scroll in its direction.
class TTabArrow : public QWidget {
  Q_OBJECT
 public:
  enum class TDirection { Left, Right };
  TTabArrow(TSheetTabs* strip, TDirection direction);

  const TDirection Direction;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TSheetTabs* Strip;
  QImage EnabledGlyph;
  QImage DisabledGlyph;
};

class TSheetTabs : public QWidget, public IFormulaSheetTabs {
  Q_OBJECT
 public:
  static constexpr int ArrowWidth = 21;
  static constexpr int ArrowHeight = 20;

  explicit TSheetTabs(QWidget* parent = nullptr);
  ~TSheetTabs() override;

  int ActiveIndex = 0;
  int PreviousIndex = 0;
  TColor BarColor = 0xE9DCD1;
  int ActiveExtra = 10;  // strip height div 2, set on resize
  bool Editable = true;
  std::vector<TTab*> Tabs;  // children of the strip, index i = sheet i
  TTab* PopupTab = nullptr;
  int FirstVisible = 0;
  int LastVisible = 0;

  std::function<void(TSheetTabs*)> OnChange;
  std::function<void(TSheetTabs*)> OnNewTab;
  std::function<void(TSheetTabs*, int index)> OnTabDelete;
  std::function<void(TSheetTabs*, int i, int j)> OnTabExchange;

  void SelectTab(int index);
  void NewTab() { CmdNew(); }
  void Reset();
  [[nodiscard]] QString GetTabCaption(int index) const;
  void SetTabCaption(int index, const QString& text);
  // The whole name of a tab's sheet ("-" for no tab).
  [[nodiscard]] const std::string& GetTabName(int index) const;
  void SetTabName(int index, std::string name);
  void SetBarColor(TColor color);
  void LangUpdate();
  void Arrange();
  void LayoutFrom(int first);
  [[nodiscard]] int FirstIndexFrom(int start) const;
  [[nodiscard]] int FirstIndexEndingAt(int n) const;
  void SetTabWidths();
  // Mirrored for other threads; equals Tabs.size() between operations.
  [[nodiscard]] int32_t TabCount() const override { return TabCountMirror.load(); }
  [[nodiscard]] int IndexOfTab(const TTab* tab) const;

  // Menu commands.
  void CmdNew();
  void CmdDelete(TTab* tab);
  void CmdMoveLeft(TTab* tab);
  void CmdMoveRight(TTab* tab);
  void CmdRename(TTab* tab);
  // Ends an in-place rename: the caption takes the edit's text.
  void FinishRename();

  // Arrow and filler clicks.
  void ScrollRight();
  void ScrollLeft();
  void FillerClick();

  // Mouse on a tab, called by the tab.
  void TabClicked(TTab* tab, Qt::MouseButton button, const QPoint& globalPos);

  [[nodiscard]] QMenu* PopupMenu() const { return Menu; }
  [[nodiscard]] QLineEdit* RenameEdit() const { return Edit; }
  [[nodiscard]] TTabArrow* LeftArrow() const { return ArrowLeft; }
  [[nodiscard]] TTabArrow* RightArrow() const { return ArrowRight; }
  [[nodiscard]] TTabDummy* Filler() const { return Dummy; }

  // IFormulaSheetTabs: called on port threads, so only atomics are read and
  // the selection is queued to the GUI thread (the last request wins).
  [[nodiscard]] int32_t SelectedTab() const override { return SelectedMirror.load(); }
  void RequestSelectTab(int32_t tab) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  [[nodiscard]] int Count() const { return static_cast<int>(Tabs.size()); }
  // Width counted for scrolling: without the active tab's extra.
  [[nodiscard]] int MeasureOf(int index) const;
  [[nodiscard]] QString NewCaption(int number) const;
  void Exchange(int i, int j);
  void CancelRename();
  void Publish();

  TTabArrow* ArrowLeft;
  TTabArrow* ArrowRight;
  TTabDummy* Dummy;
  QMenu* Menu;
  QAction* ActNew;
  QAction* ActDelete;
  QAction* ActLeft;
  QAction* ActRight;
  QAction* ActRename;
  QLineEdit* Edit;
  QPointer<TTab> RenameTab;

  std::atomic<int32_t> TabCountMirror{1};
  std::atomic<int32_t> SelectedMirror{1};
  std::atomic<int32_t> PendingSelect{0};  // 1-based; 0 = none queued
};

}  // namespace qx
