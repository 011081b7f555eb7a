// A FIFO named as a picture or record file: every element that reads or
// writes such a file refuses it at once (a blocking open would freeze the
// window for good), says why on the element, and goes on.
#include <gtest/gtest.h>

#include <QLabel>
#include <string>
#include <vector>

#include "foundation/support/Fifo.h"
#include "gui_support/AppFixture.h"
#include "gui_support/PictureReaders.h"
#include "instruments/uQXFileRec.h"
#include "instruments/uQXPicture.h"
#include "instruments/uQXTrayIcon.h"

namespace qx {
namespace {

using test::ElementProblem;
using test::PictureReaderCases;
using test::ReturnsPromptly;
using test::TFifo;
using test::TFileReaderCase;

const QString kNotRegular = "Keine gew\xC3\xB6hnliche Datei: ";

class FilesThatBlock : public test::AppFixture {};

TEST_F(FilesThatBlock, EachReaderAndWriterRefusesAFifoAtOnceAndSaysWhy) {
  std::vector<TFileReaderCase> cases = PictureReaderCases();
  cases.insert(cases.end(), {
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
  });
  for (const TFileReaderCase& c : cases) {
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
