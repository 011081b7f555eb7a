// A widget with many children shown, or given its updates back, in one
// piece: every child in sight is painted once, whole, and nothing that
// holds its updates on its own is painted.
#include "widgets/uWholeRepaint.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <memory>
#include <vector>

namespace qx {
namespace {

class TCell : public QWidget {
 public:
  using QWidget::QWidget;
  int Paints = 0;
  QRegion Painted;

 protected:
  void paintEvent(QPaintEvent* event) override {
    ++Paints;
    Painted += event->region();
    QPainter(this).fillRect(rect(), Qt::darkGreen);
  }
};

void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

// A window 400 x 300 whose host holds 20 x 30 cells of 20 x 10 in sight and
// as many again to the right of it, out of sight.
struct WholeRepaintTest : ::testing::Test {
  QWidget window;
  QWidget* host = new QWidget(&window);
  std::vector<TCell*> inSight, outOfSight;

  void SetUp() override {
    window.resize(400, 300);
    host->setGeometry(0, 0, 400, 300);
    for (int i = 0; i < 1200; ++i) {
      auto* c = new TCell(host);
      c->setGeometry((i % 40) * 20, (i / 40) * 10, 20, 10);
      (c->x() < 400 ? inSight : outOfSight).push_back(c);
    }
    window.show();
    Settle();
  }
  void Reset() {
    for (TCell* c : inSight) c->Paints = 0, c->Painted = QRegion();
    for (TCell* c : outOfSight) c->Paints = 0;
  }
  void ExpectEachInSightPaintedOnceWhole() {
    for (TCell* c : inSight) {
      ASSERT_EQ(c->Paints, 1) << c->x() << "," << c->y();
      ASSERT_EQ(c->Painted, QRegion(c->rect())) << c->x() << "," << c->y();
    }
    for (TCell* c : outOfSight) ASSERT_EQ(c->Paints, 0) << c->x() << "," << c->y();
  }
};

TEST_F(WholeRepaintTest, ShowWholePaintsEveryCellInSightOnce) {
  host->hide();
  Settle();
  Reset();
  ShowWhole(host);
  EXPECT_TRUE(host->isVisible());
  EXPECT_TRUE(host->updatesEnabled());
  Settle();
  ExpectEachInSightPaintedOnceWhole();
}

TEST_F(WholeRepaintTest, ChangeWholePaintsWhatTheChangeMarksOnceInOnePiece) {
  TCell* shown = inSight[3];
  shown->hide();
  Settle();
  Reset();
  ChangeWhole(host, [&] {
    for (TCell* c : inSight) c->update();
    shown->show();  // asks to be painted later
  });
  EXPECT_TRUE(host->updatesEnabled());
  Settle();
  ExpectEachInSightPaintedOnceWhole();
}

TEST_F(WholeRepaintTest, EnableUpdatesWholeRepaintsAllButWhatHoldsItsOwn) {
  TCell* own = inSight[7];
  own->setUpdatesEnabled(false);  // holds its updates of its own
  host->setUpdatesEnabled(false);
  Settle();
  Reset();
  for (TCell* c : inSight) c->update();
  Settle();
  for (TCell* c : inSight) ASSERT_EQ(c->Paints, 0);

  EnableUpdatesWhole(host);
  EXPECT_TRUE(host->updatesEnabled());
  EXPECT_FALSE(own->updatesEnabled());
  Settle();
  inSight.erase(inSight.begin() + 7);
  ExpectEachInSightPaintedOnceWhole();
  EXPECT_EQ(own->Paints, 0);
  // It takes its updates back as it would anyway.
  own->setUpdatesEnabled(true);
  Settle();
  EXPECT_EQ(own->Paints, 1);
}

TEST_F(WholeRepaintTest, RepaintWholeRepaintsWhatShowsThere) {
  Reset();
  RepaintWhole(host);
  Settle();
  ExpectEachInSightPaintedOnceWhole();
  // A hidden widget or one without updates: nothing.
  host->setUpdatesEnabled(false);
  Settle();
  Reset();
  RepaintWhole(host);
  Settle();
  for (TCell* c : inSight) ASSERT_EQ(c->Paints, 0);
}

}  // namespace
}  // namespace qx
