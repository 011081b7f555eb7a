// The Run page shown again from another page, and relabelled by a language
// switch: every instrument in sight is painted once, in one repaint of the
// page, none out of sight (each marked on its own, thousands cost time with
// the square of their count).
#include "shell/uSheetSelect.h"

#include <QPaintEvent>
#include <functional>
#include <map>
#include <vector>

#include "gui_support/AppFixture.h"
#include "instruments/uQXNumericDisp.h"
#include "shell/uLangUpdate.h"
#include "widgets/uLangStrings.h"
#include "widgets/uTabBar.h"

namespace qx {
namespace {

using test::AppFixture;

// Paint events per widget.
struct TPaints : QObject {
  std::map<QObject*, int> N;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++N[o];
    return false;
  }
};

class RunPageRepaintTest : public AppFixture {
 protected:
  void TearDown() override {
    TLanguage::SetLanguage("de");
    ClearTranslation();
    AppFixture::TearDown();
  }
};

TEST_F(RunPageRepaintTest, EveryInstrumentInSightIsPaintedOnce) {
  struct Case {
    const char* name;
    int32_t before;  // the page shown first
    std::function<void(TMainForm&)> change;
  };
  const Case cases[] = {
      {"Terminal -> Run", PageIndexTerminal,
       [](TMainForm& f) { f.TabBar->SelectTab(PageIndexRun); }},
      {"Console -> Run", PageIndexConsole, [](TMainForm& f) { f.TabBar->SelectTab(PageIndexRun); }},
      {"language switch on the Run page", PageIndexRun,
       [](TMainForm&) { TMainForm::MenuItemLanguageClick("en"); }},
  };
  // 8 columns of 30 displays: the lower rows lie out of sight.
  std::vector<TQXNumericDisp*> displays;
  for (int i = 0; i < 240; ++i) {
    auto* d = TQXNumericDisp::ElemCreate();
    d->setGeometry((i % 8) * 140, (i / 8) * 32, 140, 32);
    displays.push_back(d);
  }
  form->show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->TabBar->SelectTab(c.before);
    ProcessFor(100);
    TPaints paints;
    for (TQXNumericDisp* d : displays) d->installEventFilter(&paints);
    c.change(*form);
    ProcessFor(100);
    for (TQXNumericDisp* d : displays) d->removeEventFilter(&paints);
    int inSight = 0;
    for (TQXNumericDisp* d : displays) {
      const bool seen = !d->visibleRegion().isEmpty();
      inSight += seen;
      ASSERT_EQ(paints.N[d], seen ? 1 : 0) << d->x() << "," << d->y();
    }
    EXPECT_GT(inSight, 100);
    EXPECT_LT(inSight, 240);
  }
  EXPECT_EQ(form->TabBar->Captions[0], "Run");
}

}  // namespace
}  // namespace qx
