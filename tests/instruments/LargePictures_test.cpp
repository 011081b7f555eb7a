// Pictures that decode to more than the toolkit's allocation limit (a
// 48-megapixel photo): read at the size they are drawn at; one that cannot
// be read even so is named on the element or the sheet.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QTemporaryDir>
#include <string>

#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "gui_support/AppFixture.h"
#include "gui_support/PictureReaders.h"
#include "instruments/uQXBmpButton.h"
#include "instruments/uQXBmpSlider.h"
#include "instruments/uQXBmpSwitch.h"
#include "instruments/uQXPicture.h"

namespace qx {
namespace {

const QRgb kFill = qRgb(30, 120, 200);
const QString kTooLarge = QString::fromUtf8("Bild zu gro\xC3\x9F zum Lesen: ");

// 7000 x 7000 RGB: 196 MB decoded, far above the limit; mostly one colour,
// so the file stays small. Made once per test program.
const std::string& HugePng() {
  static QTemporaryDir dir;
  static const std::string path = [] {
    const QString p = dir.filePath("huge.png");
    QImage img(7000, 7000, QImage::Format_RGB32);
    img.fill(kFill);
    for (int x = 0; x < 7000; ++x) img.setPixel(x, 3500, qRgb(255, 0, 0));
    EXPECT_TRUE(QImageWriter(p, "png").write(img));
    return p.toStdString();
  }();
  return path;
}

// 16 bits a channel, 5000 x 5000: 200 MB decoded, which the toolkit decodes
// whole before it scales.
const std::string& Huge16BitPng() {
  static QTemporaryDir dir;
  static const std::string path = [] {
    const QString p = dir.filePath("huge16.png");
    QImage img(5000, 5000, QImage::Format_RGBX64);
    img.fill(kFill);
    EXPECT_TRUE(QImageWriter(p, "png").write(img));
    return p.toStdString();
  }();
  return path;
}

// The same picture broken off early: too large to decode whole, and not
// readable at a smaller size either.
const std::string& BrokenPng() {
  static QTemporaryDir dir;
  static const std::string path = [] {
    QFile in(QString::fromStdString(HugePng()));
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    const QString p = dir.filePath("broken.png");
    QFile out(p);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(bytes.size() / 16));
    return p.toStdString();
  }();
  return path;
}

class LargePictures : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form->show();  // resize events arrive at once only for shown widgets
  }
};

TEST_F(LargePictures, SheetBackgroundReadsThePictureAtItsShownSize) {
  TSheetBckgnd& bg = *CurrentSheet->Background;
  bg.SetFixedWidth(1000);
  bg.SetPicFile(HugePng());
  EXPECT_TRUE(bg.Problem.isEmpty()) << bg.Problem.toStdString();
  EXPECT_EQ(bg.Bitmap.size(), QSize(1000, 1000));
  EXPECT_LT(bg.Picture.width(), 7000);  // not decoded whole
  EXPECT_EQ(bg.Bitmap.pixel(500, 200), kFill);
  EXPECT_EQ(bg.GetShownHeight(), 1000);

  // Shown larger: read again, never scaled up from the small read.
  bg.SetFixedWidth(3000);
  EXPECT_EQ(bg.Bitmap.size(), QSize(3000, 3000));
  EXPECT_GE(bg.Picture.width(), 3000);

  bg.SetPicMode(PicOrig);
  EXPECT_EQ(bg.Bitmap.size(), QSize(7000, 7000));
  EXPECT_EQ(bg.Bitmap.pixel(10, 3500), qRgb(255, 0, 0));
  bg.SetPicFile("");
}

TEST_F(LargePictures, PictureElementReadsThePictureAtItsDrawnSize) {
  auto* p = TQXPicture::ElemCreate();
  p->SetFileName(1, HugePng());
  TPictureImage* im = p->Image(1);
  ASSERT_TRUE(im->HasPicture());
  EXPECT_TRUE(p->FileProblem().isEmpty());
  EXPECT_EQ(im->OwnSize, QSize(7000, 7000));
  EXPECT_LT(im->Picture.width(), 7000);  // not decoded whole
  EXPECT_EQ(p->size(), QSize(200, 200));  // fixed width, square picture
  EXPECT_EQ(im->DrawRect(), QRect(0, 0, 188, 188));

  p->SetWidth(812);  // the height follows: drawn at 800 x 800 now
  EXPECT_EQ(p->size(), QSize(812, 812));
  EXPECT_GE(im->Picture.width(), 800);

  p->SetViewMode(ViewOrig);
  EXPECT_EQ(p->size(), QSize(7012, 7012));
  EXPECT_EQ(im->Picture.size(), QSize(7000, 7000));
  delete p;
}

TEST_F(LargePictures, A16BitPictureIsReadAtItsDrawnSizeToo) {
  TSheetBckgnd& bg = *CurrentSheet->Background;
  bg.SetFixedWidth(1000);
  bg.SetPicFile(Huge16BitPng());
  EXPECT_TRUE(bg.Problem.isEmpty()) << bg.Problem.toStdString();
  EXPECT_EQ(bg.Bitmap.size(), QSize(1000, 1000));
  EXPECT_EQ(bg.Bitmap.pixel(500, 200), kFill);
  bg.SetPicFile("");

  auto* p = TQXPicture::ElemCreate();
  p->SetFileName(1, Huge16BitPng());
  EXPECT_TRUE(p->FileProblem().isEmpty()) << p->FileProblem().toStdString();
  TPictureImage* im = p->Image(1);
  ASSERT_TRUE(im->HasPicture());
  EXPECT_EQ(im->OwnSize, QSize(5000, 5000));
  EXPECT_LT(im->Picture.width(), 5000);
  delete p;
}

TEST_F(LargePictures, BitmapButtonReadsThePictureAtItsOwnSize) {
  auto* b = TQXBmpButton::ElemCreate();
  b->SetFileUp(HugePng());
  EXPECT_TRUE(b->FileProblem().isEmpty());
  EXPECT_EQ(b->UpImage()->Picture.size(), QSize(7000, 7000));
  EXPECT_EQ(b->UpImage()->Picture.pixel(0, 0), kFill);
  delete b;
}

TEST_F(LargePictures, APictureThatCannotBeReadEvenSoIsNamed) {
  for (const test::TFileReaderCase& c : test::PictureReaderCases()) {
    SCOPED_TRACE(c.name);
    QWidget* w = c.give(BrokenPng());
    const QString why = c.problem(w);
    EXPECT_EQ(why, kTooLarge + QString::fromStdString(BrokenPng()));
    if (w) {
      EXPECT_NE(w->findChild<QLabel*>("fileProblem"), nullptr);
    } else {
      EXPECT_TRUE(CurrentSheet->Background->Bitmap.isNull());
    }
    if (auto* p = dynamic_cast<TQXPicture*>(w)) {
      EXPECT_FALSE(p->Image(2)->HasPicture());
    }
    delete w;
  }
  // Every face of the bitmap button goes the same way.
  auto* b = TQXBmpButton::ElemCreate();
  b->SetFileDown(BrokenPng());
  EXPECT_EQ(b->FileProblem(), kTooLarge + QString::fromStdString(BrokenPng()));
  delete b;
}

}  // namespace
}  // namespace qx
