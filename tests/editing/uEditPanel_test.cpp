// Edit mode: the rules of moving and marking, selecting with the mouse,
// dragging, the arrow keys, stacking and deleting, on the running program.
#include "editing/uEditPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <vector>

#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheetBckgnd.h"
#include "editing/uSheetTabs.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXButton.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXRemoteLabel.h"
#include "shell/uRunSheet.h"
#include "shell/uSheetSelect.h"
#include "widgets/uRibbonButton.h"

namespace qx {
namespace {

using test::AppFixture;

// ---- rules ----------------------------------------------------------------------

TEST(EditRules, ArrowKeysGoToTheNextGridLine) {
  struct Case {
    int32_t pos, before, after;
  };
  const Case cases[] = {
      {0, 0, 10},    {5, 0, 10},  {10, 0, 20},   {15, 10, 20},    {20, 10, 30},       {1, 0, 10},
      {99, 90, 100}, {-5, -5, 0}, {-10, -10, 0}, {-15, -15, -10}, {8995, 8990, 9000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GridLineBefore(c.pos), c.before) << c.pos;
    EXPECT_EQ(GridLineAfter(c.pos), c.after) << c.pos;
  }
  struct KeyCase {
    int key;
    QPoint to;
  };
  const KeyCase keys[] = {{Qt::Key_Left, {10, 27}},
                          {Qt::Key_Right, {20, 27}},
                          {Qt::Key_Up, {13, 20}},
                          {Qt::Key_Down, {13, 30}},
                          {Qt::Key_A, {13, 27}}};
  for (const KeyCase& k : keys) EXPECT_EQ(ArrowKeyTarget({13, 27}, k.key), k.to) << k.key;
}

TEST(EditRules, DragThresholdAndCtrlSnapTowardZero) {
  struct DragCase {
    QPoint delta;
    bool started;
  };
  const DragCase drags[] = {{{4, 0}, false}, {{0, -4}, false}, {{4, -4}, false}, {{5, 0}, true},
                            {{0, -5}, true}, {{-5, 3}, true},  {{0, 0}, false}};
  for (const DragCase& d : drags) EXPECT_EQ(DragStarted(d.delta), d.started) << d.delta.x();

  struct SnapCase {
    int32_t pos, snapped;
  };
  const SnapCase snaps[] = {{-15, -10}, {-9, 0}, {-20, -20}, {0, 0}, {9, 0}, {27, 20}, {130, 130}};
  for (const SnapCase& s : snaps) EXPECT_EQ(SnapTowardZero(s.pos), s.snapped) << s.pos;

  EXPECT_EQ(DragPosition({5, 12}, {-20, 3}, true), QPoint(-10, 10));
  EXPECT_EQ(DragPosition({5, 12}, {-20, 3}, false), QPoint(-15, 15));
}

TEST(EditRules, SelectionMarkIsARingAroundTheFrame) {
  const QRect mark = MarkRect(QRect(10, 20, 100, 50));
  EXPECT_EQ(mark, QRect(7, 17, 106, 56));
  const QRegion ring = MarkShape(mark.size());
  for (QPoint in : {QPoint(0, 0), QPoint(2, 28), QPoint(105, 55), QPoint(50, 54)})
    EXPECT_TRUE(ring.contains(in)) << in.x() << "," << in.y();
  for (QPoint out : {QPoint(3, 3), QPoint(50, 28), QPoint(102, 52)})
    EXPECT_FALSE(ring.contains(out)) << out.x() << "," << out.y();
}

// ---- on the running program --------------------------------------------------------------

class EditPanelTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form->TabBar->SelectTab(PageIndexEdit);
    ASSERT_TRUE(EditMode);
    shellElementPopup = TEditPanel::OnElementPopup;
    shellEmptyPopup = TEditPanel::OnEmptyPopup;
    TEditPanel::OnElementPopup = [this](QPoint) { ++elementPopups; };
    TEditPanel::OnEmptyPopup = [this](QPoint) { ++emptyPopups; };
    TEditPanel::OnHideChannelTable = [this] { ++tableHides; };
  }
  void TearDown() override {
    TEditPanel::OnHideChannelTable = nullptr;
    AppFixture::TearDown();
  }
  static TEditPanel& Panel() { return *CurrentSheet->EditPanel; }
  static TQXNumericDisp* Place(int x, int y) {
    auto* e = TQXNumericDisp::ElemCreate();
    e->SetLeft(x);
    e->SetTop(y);
    return e;
  }
  static TEditComp* FrameOf(TQXElement* e) {
    Panel().UpdateFrames();
    return e->EditComp;
  }
  static std::vector<TQXElement*> Selected() {
    std::vector<TQXElement*> v;
    for (int i = 0; i < TEditPanel::SelectionCount(); ++i)
      v.push_back(TEditPanel::SelectedFrame(i)->Element);
    return v;
  }
  // A mouse event at a point of the panel, to the frame or the panel as the
  // toolkit's mouse grab would deliver it.
  static void Mouse(QWidget* to, QEvent::Type type, QPoint at, Qt::MouseButton button,
                    Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPoint local = to == &Panel() ? at : to->mapFrom(&Panel(), at);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent ev(type, QPointF(local), QPointF(to->mapToGlobal(local)),
                   type == QEvent::MouseMove ? Qt::NoButton : button, held, mods);
    QApplication::sendEvent(to, &ev);
  }
  static void Click(QWidget* to, QPoint at, Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Mouse(to, QEvent::MouseButtonPress, at, button, mods);
    Mouse(to, QEvent::MouseButtonRelease, at, button, mods);
  }
  static void ClickElement(TQXElement* e, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Click(FrameOf(e), e->geometry().center(), Qt::LeftButton, mods);
  }
  static bool Key(QWidget* to, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent ev(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(to, &ev);
    return ev.isAccepted();
  }
  // The instruments of the canvas, bottom first, as they stack.
  static std::vector<TQXElement*> Stacking() {
    std::vector<TQXElement*> v;
    for (QObject* o : CurrentSheet->Canvas()->children()) {
      if (auto* e = qobject_cast<TQXElement*>(o)) v.push_back(e);
    }
    return v;
  }
  static bool PanelOnTop() { return CurrentSheet->Canvas()->children().last() == &Panel(); }
  int elementPopups = 0, emptyPopups = 0, tableHides = 0;
  std::function<void(QPoint)> shellElementPopup, shellEmptyPopup;
};

TEST_F(EditPanelTest, PanelCoversTheInstrumentsOnlyInEditMode) {
  auto* button = TQXButton::ElemCreate();
  button->SetLeft(40);
  button->SetTop(30);
  TEditComp* frame = FrameOf(button);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->geometry(), button->geometry());
  EXPECT_TRUE(PanelOnTop());
  EXPECT_FALSE(Panel().isHidden());
  // A click on the button lands on its frame, not on the push button.
  QWidget* hit = CurrentSheet->Canvas()->childAt(button->geometry().center());
  EXPECT_EQ(hit, frame);
  // The frame shows the instrument as it looks.
  const QImage shown = frame->grab().toImage();
  const QImage real = button->grab().toImage();
  ASSERT_EQ(shown.size(), real.size());
  for (QPoint p : {QPoint(2, 2), QPoint(50, 25), QPoint(97, 47)})
    EXPECT_EQ(shown.pixel(p), real.pixel(p)) << p.x() << "," << p.y();

  ClickElement(button);
  EXPECT_EQ(TEditPanel::SelectionCount(), 1);
  form->TabBar->SelectTab(PageIndexRun);
  EXPECT_FALSE(EditMode);
  EXPECT_TRUE(Panel().isHidden());
  EXPECT_EQ(TEditPanel::SelectionCount(), 0);
  EXPECT_EQ(CurrentSheet->Canvas()->childAt(button->geometry().center())->parentWidget(), button);
}

// Every frame shows its instrument pixel for pixel, whether it stands alone,
// overlaps another or does not paint all of its rectangle.
TEST_F(EditPanelTest, FramesShowTheirInstrumentsExactly) {
  form->show();
  form->TabBar->SelectTab(PageIndexRun);
  std::vector<TQXElement*> all;
  for (int i = 0; i < 4; ++i) {
    TQXNumericDisp* d = Place(10 + i * 210, 10);
    d->SetBckGndColor(0x203040 * i);
    d->SetValue(i * 1.5);
    d->UpdateDisplay();
    all.push_back(d);
  }
  auto* text = TQXRemoteLabel::ElemCreate();
  text->move(10, 80);
  all.push_back(text);
  all.push_back(Place(300, 80));  // these three overlap
  all.push_back(Place(350, 100));
  all.push_back(Place(320, 90));
  auto* button = TQXButton::ElemCreate();
  button->move(10, 200);
  all.push_back(button);
  auto* over = TQXButton::ElemCreate();  // over the three
  over->move(330, 95);
  all.push_back(over);
  form->TabBar->SelectTab(PageIndexEdit);
  for (TQXElement* e : all) {
    ASSERT_NE(e->EditComp, nullptr);
    const QImage shown =
        e->EditComp->Snapshot().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage real = e->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(shown, real) << e->TypeName << " at " << e->x() << "," << e->y();
  }
}

// Frames out of sight when the Edit page opens show their instruments once
// the sheet is scrolled or grows to them.
TEST_F(EditPanelTest, FramesComingIntoSightShowTheirInstruments) {
  form->show();
  form->TabBar->SelectTab(PageIndexRun);
  std::vector<TQXNumericDisp*> all;
  for (int i = 0; i < 600; ++i) {
    TQXNumericDisp* d = Place((i % 20) * 140, (i / 20) * 32);
    d->resize(140, 32);
    d->SetValue(i * 0.5);
    d->UpdateDisplay();
    all.push_back(d);
  }
  QCoreApplication::processEvents();
  form->TabBar->SelectTab(PageIndexEdit);
  QCoreApplication::processEvents();
  TQXNumericDisp* farRight = all[19];
  TQXNumericDisp* farDown = all[599];
  ASSERT_FALSE(Panel().visibleRegion().intersects(farRight->geometry()));
  ASSERT_FALSE(Panel().visibleRegion().intersects(farDown->geometry()));
  CurrentSheet->horizontalScrollBar()->setValue(CurrentSheet->horizontalScrollBar()->maximum());
  QCoreApplication::processEvents();
  EXPECT_EQ(farRight->EditComp->grab().toImage(), farRight->grab().toImage());
  form->resize(form->width(), 1700);  // the sheet grows down to the last row
  QCoreApplication::processEvents();
  EXPECT_EQ(farDown->EditComp->grab().toImage(), farDown->grab().toImage());
  auto pixels = [](const QPixmap& p) {
    return p.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  };
  for (TQXNumericDisp* d : all)
    ASSERT_EQ(pixels(d->EditComp->Snapshot()), pixels(d->grab())) << d->x() << "," << d->y();
}

// Positions a file can hold, however far out: those beyond 9000 either way
// are ignored, and nothing that bounds the frames overflows (the sanitizer
// build stops at an overflow).
TEST_F(EditPanelTest, ExtremePositionsInAProjectLoadWithoutOverflow) {
  form->show();
  form->TabBar->SelectTab(PageIndexEdit);
  const QPoint fresh = TQXNumericDisp::ElemCreate()->pos();
  struct Case {
    int64_t x, y;
    QPoint loaded;
  };
  const Case cases[] = {
      {2147483647, -2147483648LL, fresh},
      {-2147483648LL, 2147483647, fresh},
      {-2147483648LL, -2147483648LL, fresh},
      {-9001, 9001, fresh},
      {-9000, 9000, {-9000, 9000}},
      {-9000, -9000, {-9000, -9000}},
      {20, 40, {20, 40}},
  };
  std::string project = "QXSHEET\r\n";
  for (const Case& c : cases) {
    project +=
        "QXNUMERICDISP\r\nposition x=" + std::to_string(c.x) + " y=" + std::to_string(c.y) + "\r\n";
  }
  TSheet::ResetAll();
  FileLoad->LoadProjectText(project);
  Panel().UpdateFrames();
  QCoreApplication::processEvents();
  ASSERT_EQ(CurrentSheet->ElementList.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(CurrentSheet->ElementList[i]->pos(), cases[i].loaded) << i;
  }
}

TEST_F(EditPanelTest, PanelPaintsTheEditColourAndTheGrid) {
  CurrentSheet->Background->SetEditColor(0x102030);
  Panel().resize(300, 250);
  const QImage img = Panel().grab().toImage();
  struct Case {
    QPoint at;
    TColor color;
  };
  const Case cases[] = {{{0, 5}, 0x102030},   {{10, 5}, 0x102030},  {{20, 5}, 0xC0C0C0},
                        {{40, 7}, 0xC0C0C0},  {{100, 5}, 0x808080}, {{10, 100}, 0x808080},
                        {{10, 60}, 0xC0C0C0}, {{200, 3}, 0x808080}};
  for (const Case& c : cases)
    EXPECT_EQ(img.pixelColor(c.at), ColorToQColor(c.color)) << c.at.x() << "," << c.at.y();
}

TEST_F(EditPanelTest, ClickCtrlShiftAndEmptyPanelSelect) {
  auto* a = Place(10, 10);
  auto* b = Place(300, 10);
  auto* c = Place(10, 200);

  ClickElement(a);
  EXPECT_EQ(Selected(), (std::vector<TQXElement*>{a}));
  ClickElement(b);  // a plain click replaces
  EXPECT_EQ(Selected(), (std::vector<TQXElement*>{b}));
  ClickElement(a, Qt::ControlModifier);
  ClickElement(c, Qt::ShiftModifier);
  ClickElement(a, Qt::ControlModifier);  // stays selected, once
  EXPECT_EQ(Selected(), (std::vector<TQXElement*>{b, a, c}));
  // Each selected frame wears a ring 3 pixels outside its bounds.
  for (int i = 0; i < 3; ++i) {
    QWidget* mark = TEditPanel::SelectionMark(i);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->geometry(), MarkRect(TEditPanel::SelectedFrame(i)->geometry()));
    EXPECT_TRUE(mark->isVisibleTo(&Panel()));
  }
  ClickElement(a);  // a plain click on a selected frame keeps only it
  EXPECT_EQ(Selected(), (std::vector<TQXElement*>{a}));

  const int hides = tableHides;
  Click(&Panel(), QPoint(600, 400));
  EXPECT_EQ(TEditPanel::SelectionCount(), 0);
  EXPECT_GT(tableHides, hides);
  EXPECT_EQ(Panel().findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(),
            3);  // only the frames: marks went
  EXPECT_EQ(emptyPopups, 0);
  Click(&Panel(), QPoint(600, 400), Qt::RightButton);
  EXPECT_EQ(emptyPopups, 1);
  EXPECT_EQ(elementPopups, 0);
}

TEST_F(EditPanelTest, SelectionHoldsAtMostAHundredFrames) {
  std::vector<TQXElement*> all;
  for (int i = 0; i < 101; ++i) all.push_back(Place(i * 3, i * 2));
  TEditPanel::SelectElements(all);
  EXPECT_EQ(TEditPanel::SelectionCount(), kMaxSelection);
  ClickElement(all.back(), Qt::ControlModifier);
  EXPECT_EQ(TEditPanel::SelectionCount(), kMaxSelection);
  EXPECT_EQ(TEditPanel::SelectedFrame(kMaxSelection - 1)->Element, all[99]);
  EXPECT_FALSE(TEditPanel::AddToSelection(all.back()->EditComp));
}

TEST_F(EditPanelTest, DragStartsBeyondFourPixelsAndMovesTheSelectionOnRelease) {
  struct Case {
    QPoint by;
    bool moves;
  };
  const Case cases[] = {{{4, -4}, false}, {{5, 0}, true}, {{-3, 37}, true}};
  for (const Case& c : cases) {
    auto* a = Place(100, 100);
    auto* b = Place(400, 60);
    ClickElement(a);
    ClickElement(b, Qt::ControlModifier);
    TEditComp* fa = a->EditComp;
    const QPoint start = a->geometry().center();
    const int hides = tableHides;
    Mouse(fa, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::ControlModifier);
    Mouse(fa, QEvent::MouseMove, start + c.by, Qt::LeftButton);
    // Frames move first; the instruments wait for the release.
    EXPECT_EQ(a->pos(), QPoint(100, 100));
    EXPECT_EQ(fa->pos(), c.moves ? QPoint(100, 100) + c.by : QPoint(100, 100));
    EXPECT_EQ(b->EditComp->pos(), c.moves ? QPoint(400, 60) + c.by : QPoint(400, 60));
    EXPECT_EQ(TEditPanel::SelectionMark(0)->isVisibleTo(&Panel()), !c.moves);
    EXPECT_EQ(tableHides > hides, c.moves);
    Mouse(fa, QEvent::MouseButtonRelease, start + c.by, Qt::LeftButton);
    const QPoint d = c.moves ? c.by : QPoint(0, 0);
    EXPECT_EQ(a->pos(), QPoint(100, 100) + d);
    EXPECT_EQ(b->pos(), QPoint(400, 60) + d);
    EXPECT_EQ(fa->geometry(), a->geometry());
    EXPECT_EQ(TEditPanel::SelectionMark(1)->geometry(), MarkRect(b->geometry()));
    EXPECT_TRUE(TEditPanel::SelectionMark(1)->isVisibleTo(&Panel()));
    EXPECT_EQ(elementPopups, 0);
    CurrentSheet->Clear();
  }
}

TEST_F(EditPanelTest, CtrlDragSnapsEachCoordinateTowardZero) {
  auto* a = Place(5, 12);
  ClickElement(a);
  const QPoint start(20, 20);
  Mouse(a->EditComp, QEvent::MouseButtonPress, start, Qt::LeftButton);
  Mouse(a->EditComp, QEvent::MouseMove, start + QPoint(-20, 3), Qt::LeftButton,
        Qt::ControlModifier);
  EXPECT_EQ(a->EditComp->pos(), QPoint(-10, 10));  // -15 and 15 cut toward zero
  Mouse(a->EditComp, QEvent::MouseButtonRelease, start + QPoint(-20, 3), Qt::LeftButton);
  EXPECT_EQ(a->pos(), QPoint(-10, 10));
}

TEST_F(EditPanelTest, RightButtonOpensThePopupButNeverDrags) {
  auto* a = Place(50, 50);
  auto* b = Place(300, 50);
  TEditComp* fa = FrameOf(a);
  const QPoint start = a->geometry().center();
  Mouse(fa, QEvent::MouseButtonPress, start, Qt::RightButton);
  Mouse(fa, QEvent::MouseMove, start + QPoint(30, 30), Qt::RightButton);
  Mouse(fa, QEvent::MouseButtonRelease, start + QPoint(30, 30), Qt::RightButton);
  EXPECT_EQ(a->pos(), QPoint(50, 50));
  EXPECT_EQ(fa->pos(), QPoint(50, 50));
  EXPECT_EQ(elementPopups, 0);

  Click(FrameOf(b), b->geometry().center(), Qt::RightButton);
  EXPECT_EQ(elementPopups, 1);
  EXPECT_EQ(TEditPanel::PopupElement(), b);
  EXPECT_EQ(Selected(), (std::vector<TQXElement*>{b}));
}

TEST_F(EditPanelTest, ArrowKeysMoveEverySelectedInstrumentToItsNextGridLine) {
  auto* a = Place(0, 0);
  auto* b = Place(5, 105);
  auto* c = Place(10, 210);
  TEditPanel::SelectElements({a, b, c});
  CurrentSheet->setFocus();
  struct Step {
    int key;
    Qt::KeyboardModifiers mods;
    std::vector<QPoint> after;
  };
  const Step steps[] = {
      {Qt::Key_Left, Qt::NoModifier, {{0, 0}, {0, 105}, {0, 210}}},
      {Qt::Key_Right, Qt::ShiftModifier, {{10, 0}, {10, 105}, {10, 210}}},
      {Qt::Key_Down, Qt::ControlModifier, {{10, 10}, {10, 110}, {10, 220}}},
      {Qt::Key_Up, Qt::NoModifier, {{10, 0}, {10, 100}, {10, 210}}},
  };
  for (const Step& s : steps) {
    EXPECT_TRUE(Key(CurrentSheet, s.key, s.mods));
    const std::vector<QPoint> now{a->pos(), b->pos(), c->pos()};
    EXPECT_EQ(now, s.after) << s.key;
    EXPECT_EQ(b->EditComp->pos(), b->pos());
    EXPECT_EQ(TEditPanel::SelectionMark(1)->geometry(), MarkRect(b->geometry()));
  }
  // The sheet does not scroll instead: the key never reached it.
  EXPECT_EQ(CurrentSheet->horizontalScrollBar()->value(), 0);
}

TEST_F(EditPanelTest, ASelectionTakesEveryKeyOfTheSheetArea) {
  int saves = 0, opens = 0;
  RunSheet->OnSave = [&saves] { ++saves; };
  RunSheet->OnOpen = [&opens] { ++opens; };
  auto* a = Place(10, 10);
  struct Step {
    bool selected;
    int page;
    bool shortcuts;  // Ctrl+S and Ctrl+O reach the run page
  };
  const Step steps[] = {
      {false, PageIndexEdit, true}, {true, PageIndexEdit, false}, {true, PageIndexRun, true}};
  int n = 0;
  for (const Step& s : steps) {
    form->TabBar->SelectTab(s.page);
    if (s.selected && EditMode) ClickElement(a);
    if (s.shortcuts) ++n;
    EXPECT_TRUE(Key(CurrentSheet, Qt::Key_S, Qt::ControlModifier));
    EXPECT_TRUE(Key(CurrentSheet, Qt::Key_O, Qt::ControlModifier));
    EXPECT_EQ(saves, n) << s.selected << s.page;
    EXPECT_EQ(opens, n) << s.selected << s.page;
  }
  // Keys edit mode does not act on are taken as well; the selection stays.
  form->TabBar->SelectTab(PageIndexEdit);
  ClickElement(a);
  EXPECT_TRUE(Key(CurrentSheet, Qt::Key_A));
  EXPECT_EQ(Selected(), (std::vector<TQXElement*>{a}));
  EXPECT_TRUE(Key(CurrentSheet, Qt::Key_Right));
  EXPECT_EQ(a->pos(), QPoint(20, 10));
  TEditPanel::ClearSelection();
  EXPECT_FALSE(Key(CurrentSheet, Qt::Key_A));
}

TEST_F(EditPanelTest, KeysTypedIntoTheTabRenameNeverReachEditMode) {
  form->show();
  auto* a = Place(10, 10);
  ClickElement(a);
  SheetTabs->CmdRename(SheetTabs->Tabs[0]);
  QLineEdit* edit = SheetTabs->RenameEdit();
  ASSERT_TRUE(edit->isVisible());
  edit->setFocus();
  edit->setText("Pumpe");
  edit->setCursorPosition(0);
  struct Typed {
    int key;
    const char* text;
  };
  // What the X server delivers: Delete carries the text "\x7f".
  const Typed typed[] = {{Qt::Key_Up, ""},
                         {Qt::Key_Down, ""},
                         {Qt::Key_Left, ""},
                         {Qt::Key_Right, ""},
                         {Qt::Key_Delete, "\x7f"}};
  for (const Typed& t : typed) {
    QKeyEvent ev(QEvent::KeyPress, t.key, Qt::NoModifier, QString::fromLatin1(t.text));
    QApplication::sendEvent(edit, &ev);
    EXPECT_EQ(a->pos(), QPoint(10, 10)) << t.key;
    EXPECT_EQ(Selected(), (std::vector<TQXElement*>{a})) << t.key;
  }
  EXPECT_EQ(edit->text(), "Pmpe");  // the rename edit took Right and Delete
}

TEST_F(EditPanelTest, PositionRowFollowsTheArrowKeys) {
  form->show();
  auto* a = Place(10, 10);
  ClickElement(a);
  TEEListing* l = TPropertyEditor::CurrentListing();
  ASSERT_NE(l, nullptr);
  TEEEIntPaar* position = nullptr;
  for (TEEEintrag* e : l->Entries) {
    auto* p = dynamic_cast<TEEEIntPaar*>(e);
    if (p && !position) position = p;
  }
  ASSERT_NE(position, nullptr);
  CurrentSheet->setFocus();
  struct Step {
    int key;
    const char *x, *y;
  };
  const Step steps[] = {{Qt::Key_Right, "20", "10"},
                        {Qt::Key_Down, "20", "20"},
                        {Qt::Key_Left, "10", "20"},
                        {Qt::Key_Up, "10", "10"}};
  for (const Step& s : steps) {
    EXPECT_TRUE(Key(CurrentSheet, s.key));
    EXPECT_EQ(position->FirstEdit->text(), s.x) << s.key;
    EXPECT_EQ(position->SecondEdit->text(), s.y) << s.key;
  }
}

TEST_F(EditPanelTest, DeleteKeyOnlyFromTheSheetAreaAndOnlyInEditMode) {
  auto* a = Place(10, 10);
  auto* b = Place(300, 10);
  ClickElement(a);
  // A property field lies outside the run page: its Delete deletes nothing.
  auto* field = new QLineEdit(form->PanelProperties);
  field->setText("abc");
  field->setCursorPosition(0);
  Key(field, Qt::Key_Delete);
  EXPECT_EQ(field->text(), "bc");
  EXPECT_EQ(CurrentSheet->ElementList, (std::vector<TQXElement*>{a, b}));

  Key(CurrentSheet, Qt::Key_Delete);
  EXPECT_EQ(CurrentSheet->ElementList, (std::vector<TQXElement*>{b}));
  EXPECT_EQ(TEditPanel::SelectionCount(), 0);

  ClickElement(b);
  form->TabBar->SelectTab(PageIndexRun);
  Key(CurrentSheet, Qt::Key_Delete);
  emit form->ButtonDelete->clicked();
  EXPECT_EQ(CurrentSheet->ElementList, (std::vector<TQXElement*>{b}));
}

TEST_F(EditPanelTest, DeletingAParentTakesItsSubElementsOutOfEveryList) {
  auto* keep = Place(10, 10);
  auto* parent = Place(300, 10);
  auto* part = new TQXElement(parent);
  part->IsSubElement = true;
  const uint64_t parentSerial = parent->Serial();
  const uint64_t partSerial = part->Serial();
  Terminal->AddReader(7, parent);
  Terminal->AddReader(7, part);
  Terminal->AddWriter(8, part);
  Panel().UpdateFrames();
  EXPECT_EQ(part->EditComp, nullptr);  // a sub-element has no frame of its own
  EXPECT_EQ(Panel().Frames.size(), 2u);

  ClickElement(parent);
  emit form->ButtonDelete->clicked();
  EXPECT_EQ(CurrentSheet->ElementList, (std::vector<TQXElement*>{keep}));
  EXPECT_EQ(TQXElement::FindBySerial(parentSerial), nullptr);
  EXPECT_EQ(TQXElement::FindBySerial(partSerial), nullptr);
  EXPECT_TRUE(Terminal->Kanal(7).Readers.empty());
  EXPECT_TRUE(Terminal->Kanal(8).Writers.empty());
  EXPECT_EQ(Panel().Frames, (std::vector<TEditComp*>{keep->EditComp}));
  EXPECT_EQ(TEditPanel::SelectionCount(), 0);
}

TEST_F(EditPanelTest, ToFrontAndToBackKeepStackingEqualToTheListOrder) {
  auto* a = Place(10, 10);
  auto* b = Place(20, 20);
  auto* c = Place(30, 30);
  auto* part = new TQXElement(b);
  part->IsSubElement = true;
  Panel().UpdateFrames();
  auto instruments = [] {
    std::vector<TQXElement*> v;
    for (TQXElement* e : CurrentSheet->ElementList)
      if (!e->IsSubElement) v.push_back(e);
    return v;
  };
  auto frameOrder = [] {
    std::vector<TQXElement*> v;
    for (QObject* o : Panel().children())
      if (auto* f = qobject_cast<TEditComp*>(o)) v.push_back(f->Element);
    return v;
  };
  struct Step {
    TQXElement* target;
    bool toFront;
    std::vector<TQXElement*> order;
  };
  const Step steps[] = {{b, true, {a, c, b}}, {c, false, {c, a, b}}, {b, false, {b, c, a}}};
  for (const Step& s : steps) {
    Click(FrameOf(s.target), s.target->geometry().topLeft() + QPoint(2, 2), Qt::RightButton);
    ASSERT_EQ(TEditPanel::PopupElement(), s.target);
    if (s.toFront)
      RunSheet->MenuItem_ToFrontClick();
    else
      RunSheet->MenuItem_ToBackClick();
    EXPECT_EQ(instruments(), s.order);
    EXPECT_EQ(Stacking(), s.order);
    EXPECT_EQ(frameOrder(), s.order);
    EXPECT_TRUE(PanelOnTop());
  }
  // Raising an instrument (as start-up does) leaves the panel on top.
  a->raise();
  EXPECT_TRUE(PanelOnTop());
}

TEST_F(EditPanelTest, NewInstrumentsInEditModeGetAFrameAboveThem) {
  auto* a = Place(10, 10);
  EXPECT_TRUE(PanelOnTop());
  ASSERT_TRUE(ProcessUntil([a] { return a->EditComp != nullptr; }));
  EXPECT_EQ(a->EditComp->geometry(), a->geometry());
  // The frame follows the instrument's bounds.
  a->SetWidth(333);
  EXPECT_EQ(a->EditComp->geometry(), a->geometry());
}

TEST_F(EditPanelTest, RunPagePopupsCarryTheEditCommands) {
  TEditPanel::OnElementPopup = shellElementPopup;
  TEditPanel::OnEmptyPopup = shellEmptyPopup;
  auto captions = [](QMenu* menu) {
    std::vector<QString> v;
    for (QAction* a : menu->actions()) v.push_back(a->isSeparator() ? "-" : a->text());
    return v;
  };
  EXPECT_EQ(captions(RunSheet->PopupMenu1),
            (std::vector<QString>{"Nach Vorne", "Nach Hinten", "-", "Kopieren", "Einfügen", "-",
                                  "Löschen"}));
  EXPECT_EQ(captions(RunSheet->PopupMenu2), (std::vector<QString>{"Einfügen"}));

  auto* a = Place(10, 10);
  auto* b = Place(300, 10);
  Click(FrameOf(a), a->geometry().center(), Qt::RightButton);
  EXPECT_TRUE(RunSheet->PopupMenu1->isVisible());
  RunSheet->PopupMenu1->hide();
  RunSheet->PopupMenu1->actions().last()->trigger();
  EXPECT_EQ(CurrentSheet->ElementList, (std::vector<TQXElement*>{b}));

  Click(&Panel(), QPoint(600, 400), Qt::RightButton);
  EXPECT_TRUE(RunSheet->PopupMenu2->isVisible());
  RunSheet->PopupMenu2->hide();
}

}  // namespace
}  // namespace qx
