// A FIFO named as a picture or record file: every element that reads or
// writes such a file refuses it at once (a blocking open would freeze the
// window for good), says why on the element, and goes on.
#include <gtest/gtest.h>

#include <QLabel>
#include <functional>
#include <string>

#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "foundation/support/Fifo.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXBmpButton.h"
#include "instruments/uQXBmpSlider.h"
#include "instruments/uQXBmpSwitch.h"
#include "instruments/uQXFileRec.h"
#include "instruments/uQXPicture.h"
#include "instruments/uQXTrayIcon.h"

namespace qx {
namespace {

using test::ReturnsPromptly;
using test::TFifo;

const QString kNotRegular = "Keine gew\xC3\xB6hnliche Datei: ";

class FilesThatBlock : public test::AppFixture {};

// Which element, how it is given the FIFO, where it says why.
struct Case {
  const char* name;
  std::function<QWidget*(const std::string&)> give;
  std::function<QString(QWidget*)> problem;
};

QString ElementProblem(QWidget* w) {
  return static_cast<TQXElement*>(w)->FileProblem();
}

TEST_F(FilesThatBlock, EachReaderAndWriterRefusesAFifoAtOnceAndSaysWhy) {
  const Case cases[] = {
      {"picture",
       [](const std::string& f) {
         auto* p = TQXPicture::ElemCreate();
         p->SetPicQty(2);
         p->SetFileName(2, f);
         return p;
       },
       ElementProblem},
      {"bitmap button",
       [](const std::string& f) {
         auto* b = TQXBmpButton::ElemCreate();
         b->SetFileUp(f);
         return b;
       },
       ElementProblem},
      {"bitmap switch",
       [](const std::string& f) {
         auto* s = TQXBmpSwitch::ElemCreate();
         s->SetFile(1, f);
         return s;
       },
       ElementProblem},
      {"bitmap slider",
       [](const std::string& f) {
         auto* s = TQXBmpSlider::ElemCreate();
         s->SetFile(2, f);
         return s;
       },
       ElementProblem},
      {"tray icon",
       [](const std::string& f) {
         auto* t = TQXTrayIcon::ElemCreate();
         t->SetIconFile(0, f);
         return t;
       },
       ElementProblem},
      {"tray offline icon",
       [](const std::string& f) {
         auto* t = TQXTrayIcon::ElemCreate();
         t->SetOfflineFile(f);
         return t;
       },
       ElementProblem},
      {"recorder at connect",
       [](const std::string& f) {
         auto* r = TQXFileRec::ElemCreate();
         r->resize(1500, 40);  // room for the whole path
         r->PanelResize();     // hidden: no resize event
         r->SetFileName(f);
         r->StreamPrepare();
         EXPECT_FALSE(r->Recording());
         return r;
       },
       [](QWidget* w) { return static_cast<TQXFileRec*>(w)->FileLabel()->text(); }},
      {"sheet background",
       [](const std::string& f) {
         CurrentSheet->Background->SetPicFile(f);
         return nullptr;
       },
       [](QWidget*) { return CurrentSheet->Background->Problem; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFifo fifo("pipe.png");
    ASSERT_TRUE(fifo.Ok());
    QWidget* w = nullptr;
    EXPECT_TRUE(ReturnsPromptly([&] { w = c.give(fifo.Path()); }));
    const QString why = c.problem(w);
    EXPECT_TRUE(why.startsWith(kNotRegular)) << why.toStdString();
    EXPECT_TRUE(why.endsWith(QString::fromStdString(fifo.Path()))) << why.toStdString();
    delete w;
  }
}

TEST_F(FilesThatBlock, ThePictureProblemGoesWithAPictureThatLoads) {
  auto* p = TQXPicture::ElemCreate();
  {
    TFifo fifo("pipe.png");
    p->SetFileName(1, fifo.Path());
  }
  EXPECT_FALSE(p->FileProblem().isEmpty());
  EXPECT_NE(p->findChild<QLabel*>("fileProblem"), nullptr);
  p->SetFileName(1, "");
  EXPECT_TRUE(p->FileProblem().isEmpty());
  EXPECT_EQ(p->findChild<QLabel*>("fileProblem"), nullptr);
  delete p;
}

}  // namespace
}  // namespace qx
