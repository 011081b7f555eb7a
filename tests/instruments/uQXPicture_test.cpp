// Picture element: value to picture, view modes with real PNG, JPEG and BMP
// files, names relative to the project directory, frames from a port.
#include "instruments/uQXPicture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include "editing/uEditPanel.h"
#include "foundation/uFileLoader.h"
#include "gui_support/ElementPortFixture.h"

namespace qx {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class PictureTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    ASSERT_TRUE(dir.isValid());
    form->show();  // resize events arrive at once only for shown widgets
  }
  // A picture file of one colour; the format follows the name's extension.
  std::string MakePicture(const char* name, int w, int h, QColor color) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    const QString path = dir.filePath(name);
    EXPECT_TRUE(img.save(path)) << name;
    return path.toStdString();
  }
  static void ShowValue(TQXPicture* p, double v) {
    p->SetValue(v);
    p->UpdateDisplay();
  }
  QTemporaryDir dir;
};

TEST_F(PictureTest, ValueChoosesThePictureAndZeroHidesInARun) {
  auto* p = TQXPicture::ElemCreate();
  EXPECT_EQ(p->size(), QSize(200, 200));
  EXPECT_EQ(p->GetValue(), 1.0);  // picture 1 until a value arrives
  p->SetPicQty(3);
  form->TabBar->SelectTab(0);  // Run page
  ASSERT_FALSE(EditMode);

  struct Case {
    double value;
    int32_t shown;  // 0: hidden
  };
  const Case cases[] = {{0, 0},  {0.2, 1}, {1, 1},    {1.5, 2},       {7, 3},
                        {-1, 0}, {2, 2},   {kNaN, 3}, {0.0000005, 0}, {1, 1}};
  for (const Case& c : cases) {
    ShowValue(p, c.value);
    EXPECT_EQ(!p->isHidden(), c.shown != 0) << c.value;
    EXPECT_EQ(p->HideInRun, c.shown == 0) << c.value;
    if (c.shown != 0) {
      EXPECT_EQ(p->CurrentIndex, c.shown) << c.value;
    }
  }

  form->TabBar->SelectTab(1);  // Edit page: a hiding value keeps it editable
  ASSERT_TRUE(EditMode);
  ShowValue(p, 2);
  ShowValue(p, 0);
  EXPECT_FALSE(p->isHidden());
  EXPECT_EQ(p->CurrentIndex, 1);
  p->SetPicQty(0);
  EXPECT_EQ(p->PicQty, 1);
  p->SetPicQty(12);
  EXPECT_EQ(p->PicQty, 10);
}

TEST_F(PictureTest, ViewModesSizeImageAndElement) {
  const std::string wide = MakePicture("wide.png", 400, 100, Qt::red);
  const std::string small = MakePicture("small.jpg", 64, 48, Qt::blue);
  const std::string square = MakePicture("square.bmp", 50, 50, Qt::green);
  auto* p = TQXPicture::ElemCreate();
  p->SetPicQty(3);
  p->SetFileName(1, wide);
  // fixWidth (the default): the height follows the picture.
  EXPECT_EQ(p->size(), QSize(200, 12 + 47));  // rnd(188 / 4)
  EXPECT_TRUE(p->Image(1)->HasPicture());

  p->SetViewMode(ViewFixHeight);
  p->SetHeight(112);
  EXPECT_EQ(p->size(), QSize(12 + 400, 112));

  p->SetViewMode(ViewStretch);
  p->SetWidth(200);
  p->SetHeight(200);
  EXPECT_EQ(p->size(), QSize(200, 200));
  EXPECT_EQ(p->Image(1)->size(), QSize(188, 188));
  EXPECT_EQ(p->Image(1)->DrawRect(), QRect(0, 0, 188, 188));  // fills the panel

  p->SetViewMode(ViewFit);
  EXPECT_EQ(p->size(), QSize(200, 200));            // fit keeps the element's size
  EXPECT_EQ(p->Image(1)->size(), QSize(752, 188));  // covers the panel's height
  EXPECT_EQ(FitImageSize({100, 400}, {188, 188}), QSize(188, 752));

  p->SetFileName(2, small);
  p->SetViewMode(ViewOrig);
  ShowValue(p, 2);
  EXPECT_EQ(p->size(), QSize(76, 60));
  p->SetFileName(3, square);
  p->SetViewMode(ViewFixWidth);
  ShowValue(p, 3);
  EXPECT_EQ(p->size(), QSize(76, 76));

  // The picture is drawn: the panel's middle shows the JPEG's blue.
  ShowValue(p, 2);
  p->SetViewMode(ViewStretch);
  const QImage shot = p->grab().toImage();
  const QColor mid = shot.pixelColor(shot.width() / 2, shot.height() / 2);
  EXPECT_LT(mid.red(), 40);
  EXPECT_GT(mid.blue(), 200);
}

// A resize fits every picture, not only the one shown: the next value shows
// its picture at the new size.
TEST_F(PictureTest, ResizeFitsEveryPicture) {
  const std::string wide = MakePicture("wide2.png", 400, 100, Qt::red);
  const std::string tall = MakePicture("tall2.png", 100, 400, Qt::blue);
  struct Case {
    int32_t mode;
    QSize image2;  // picture 2 in a 300 x 200 element (panel 288 x 188)
  };
  const Case cases[] = {{ViewFit, FitImageSize({100, 400}, {288, 188})},
                        {ViewStretch, QSize(288, 188)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    auto* p = TQXPicture::ElemCreate();
    p->SetPicQty(2);
    p->SetViewMode(c.mode);
    p->SetFileName(1, wide);
    p->SetFileName(2, tall);
    p->SetWidth(300);
    p->SetHeight(200);
    ASSERT_EQ(p->size(), QSize(300, 200));
    ShowValue(p, 2);
    EXPECT_EQ(p->Image(2)->size(), c.image2);
    EXPECT_EQ(p->size(), QSize(300, 200));
    delete p;
  }
}

TEST_F(PictureTest, MissingFileIsSilentAndNamesResolveAgainstTheProject) {
  auto* p = TQXPicture::ElemCreate();
  p->SetFileName(1, dir.filePath("none.png").toStdString());
  EXPECT_FALSE(p->Image(1)->HasPicture());
  EXPECT_EQ(p->size(), QSize(200, 200));  // an empty picture changes nothing

  MakePicture("pump.png", 40, 20, Qt::yellow);
  FileLoad->ProjectPath = dir.path().toStdString() + "/";
  p->SetFileName(1, "pump.png");  // chosen from the project directory
  ASSERT_TRUE(p->Image(1)->HasPicture());
  EXPECT_EQ(p->Image(1)->Picture.size(), QSize(40, 20));

  // Saved as given, found again after loading.
  PortList->FreeAll();
  const std::string text = FileLoad->ProjectText();
  EXPECT_NE(text.find("picFile1 \"pump.png\""), std::string::npos);
  EXPECT_EQ(text.find("picFile2"), std::string::npos);
  NewProject();
  FileLoad->ProjectPath = dir.path().toStdString() + "/";
  FileLoad->LoadProjectText(text);
  ASSERT_EQ(CurrentSheet->ElementList.size(), 1u);
  auto* back = dynamic_cast<TQXPicture*>(CurrentSheet->ElementList[0]);
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->Image(1)->HasPicture());
  EXPECT_EQ(back->size(), QSize(200, 12 + 94));
}

TEST_F(PictureTest, FramesFromThePortSwitchPictures) {
  auto* p = TQXPicture::ElemCreate();
  p->SetPicQty(2);
  p->SetFileName(1, MakePicture("a.png", 20, 20, Qt::red));
  p->SetFileName(2, MakePicture("b.bmp", 20, 20, Qt::blue));
  p->SetSource("#4");
  ConnectLoopback();
  Feed("#4F2;");
  EXPECT_TRUE(ProcessUntil([&] { return p->CurrentIndex == 2; }));
  EXPECT_FALSE(p->Image(2)->isHidden());
  EXPECT_TRUE(p->Image(1)->isHidden());
  Feed("#4F0;");
  EXPECT_TRUE(ProcessUntil([&] { return p->isHidden(); }));
  Feed("#4F1;");
  EXPECT_TRUE(ProcessUntil([&] { return !p->isHidden() && p->CurrentIndex == 1; }));
  Disconnect();
}

}  // namespace
}  // namespace qx
