// The picture-built button and switch: faces, sizes from pictures, picture
// files, and the frames of every mode through a real hub and a loopback
// UDP port.
#include "instruments/uQXBmpButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>

#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "gui_support/ElementPortFixture.h"
#include "instruments/uQXBmpSwitch.h"
#include "instruments/uQXButton.h"
#include "editing/uSendAnim.h"

namespace qx {
namespace {

class BmpTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    form->show();
    ASSERT_TRUE(dir.isValid());
    FileLoad->ProjectPath = dir.path().toStdString() + "/";
  }
  // A one-colour picture in the project directory.
  std::string Picture(const char* name, QSize size, QColor c) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(c);
    EXPECT_TRUE(img.save(dir.filePath(name)));
    return name;
  }
  static void Mouse(QWidget* w, QEvent::Type type, Qt::MouseButton b) {
    const QPointF c = QRectF(w->rect()).center();
    QMouseEvent e(type, c, w->mapToGlobal(c), b,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : b, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
  }
  static void Enter(QWidget* w) {
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(w, &e);
  }
  static void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
  }
  static void Click(QWidget* w) {
    Mouse(w, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, Qt::LeftButton);
  }
  QTemporaryDir dir;
};

// Which of the button's faces shows: "up", "down" or "over".
std::string Face(const TQXBmpButton* b) {
  std::string f;
  if (b->UpImage()->isVisible()) f += "up";
  if (b->DownImage()->isVisible()) f += "down";
  if (b->OverImage()->isVisible()) f += "over";
  return f;
}

TEST_F(BmpTest, ButtonBuiltInFaces) {
  auto* b = TQXBmpButton::ElemCreate();
  EXPECT_EQ(b->size(), QSize(98, 40));
  EXPECT_EQ(b->UpImage()->Picture.size(), QSize(86, 28));
  EXPECT_EQ(b->UpImage()->geometry(), QRect(6, 6, 86, 28));
  EXPECT_EQ(b->CaptionLabel()->geometry(), QRect(6, 6, 86, 28));
  EXPECT_EQ(b->CaptionLabel()->text(), "Taster");
  EXPECT_TRUE(b->CaptionLabel()->isVisible());  // it takes the mouse
  EXPECT_NE(b->UpImage()->Picture, b->DownImage()->Picture);
  EXPECT_EQ(Face(b), "up");
  QWidget* l = b->CaptionLabel();
  Enter(l);
  EXPECT_EQ(Face(b), "over");
  Mouse(l, QEvent::MouseButtonPress, Qt::RightButton);  // any button holds it down
  EXPECT_EQ(Face(b), "down");
  Mouse(l, QEvent::MouseButtonRelease, Qt::RightButton);
  EXPECT_EQ(Face(b), "over");
  Leave(l);
  EXPECT_EQ(Face(b), "up");

  b->SetFrameWidth(2);
  EXPECT_EQ(b->size(), QSize(90, 32));
  b->SetShowSource(true);
  b->SetSource("#5");
  EXPECT_EQ(b->CaptionLabel()->text(), "Taster =>#5");
}

TEST_F(BmpTest, ButtonOwnPicturesSetTheSizeAndTheFaces) {
  auto* b = TQXBmpButton::ElemCreate();
  b->SetFileUp(Picture("up.png", QSize(120, 50), Qt::red));  // relative to the project
  EXPECT_EQ(b->size(), QSize(132, 62));
  EXPECT_EQ(b->CaptionLabel()->geometry(), QRect(6, 6, 120, 50));
  // No own down or over picture: the up face stays.
  QWidget* l = b->CaptionLabel();
  Enter(l);
  Mouse(l, QEvent::MouseButtonPress, Qt::LeftButton);
  EXPECT_EQ(Face(b), "up");
  Mouse(l, QEvent::MouseButtonRelease, Qt::LeftButton);
  EXPECT_EQ(Face(b), "up");
  b->SetFileDown(Picture("down.png", QSize(120, 50), Qt::blue));
  Mouse(l, QEvent::MouseButtonPress, Qt::LeftButton);
  EXPECT_EQ(Face(b), "down");
  EXPECT_EQ(b->DownImage()->Picture.pixel(3, 3), QColor(Qt::blue).rgb());
  Mouse(l, QEvent::MouseButtonRelease, Qt::LeftButton);

  // A missing file leaves the picture, silently.
  const QImage before = b->UpImage()->Picture;
  b->SetFileUp("missing.png");
  EXPECT_EQ(b->UpImage()->Picture, before);
  EXPECT_EQ(b->size(), QSize(132, 62));
  // Back to no file: the built-in picture and its size.
  b->SetFileUp("");
  EXPECT_EQ(b->size(), QSize(98, 40));

  // The size follows the picture after loading, whatever was stored.
  b->SetFileUp("up.png");
  TTextWriter w;
  TQXBmpButton::ClassSet->SaveSet(w, *b);
  EXPECT_EQ(w.Text().find("\nsize "), std::string::npos);
  TTextLines lines(w.Text());
  std::string_view first;
  ASSERT_TRUE(lines.ReadLine(first));
  auto* back = dynamic_cast<TQXBmpButton*>(TQXBmpButton::ClassSet->LoadSet(lines));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->size(), QSize(132, 62));
  EXPECT_EQ(back->FileDown, "down.png");
}

TEST_F(BmpTest, ButtonModesSendThroughThePort) {
  auto* b = TQXBmpButton::ElemCreate();
  b->SetSource("#5");
  ConnectLoopback();
  QWidget* l = b->CaptionLabel();
  Click(l);
  EXPECT_EQ(NextSent(), "#5F1;");

  b->SetMode(ModeDoubleNotify);
  Mouse(l, QEvent::MouseButtonPress, Qt::LeftButton);
  EXPECT_EQ(NextSent(), "#5F1;");
  Mouse(l, QEvent::MouseButtonRelease, Qt::LeftButton);  // and the click sends nothing
  EXPECT_EQ(NextSent(), "#5F0;");
  EXPECT_TRUE(NothingSent());

  b->SetMode(ModeFreeText);
  Click(l);
  EXPECT_EQ(NextSent(), "#5S;");
  b->SetFreeText("Start;");
  Click(l);
  EXPECT_EQ(NextSent(), "#5SStart;;");
  b->SetMode(ModeFreeNumber);
  b->SetFreeNumber(2.5);
  Click(l);
  EXPECT_EQ(NextSent(), "#5F2,5;");
  Disconnect();

  // Only the mode's free value is written.
  TTextWriter w;
  TQXBmpButton::ClassSet->SaveSet(w, *b);
  EXPECT_NE(w.Text().find("freeNumber 2,5\r\n"), std::string::npos);
  EXPECT_EQ(w.Text().find("freeText"), std::string::npos);
}

// ---- bitmap switch ------------------------------------------------------------------

std::string Face(const TQXBmpSwitch* s) {
  std::string f;
  for (int32_t i = 1; i <= 4; ++i) f += s->Image(i)->isVisible() ? '1' : '0';
  return f;  // position 0, position 1, marked 0, marked 1
}

// Captions lie centred over the picture's inner area in the toolkit's
// default font, as the font key's default says.
TEST_F(BmpTest, CaptionsTakeTheToolkitFontCentredOverTheInnerArea) {
  struct Case {
    const char* what;
    QWidget* element;
    QLabel* label;
  };
  auto* b = TQXBmpButton::ElemCreate();
  auto* s = TQXBmpSwitch::ElemCreate();
  const Case cases[] = {{"button", b, qobject_cast<QLabel*>(b->CaptionLabel())},
                        {"switch", s, qobject_cast<QLabel*>(s->CaptionLabel())}};
  const QFont toolkit = QApplication::font();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(c.label, nullptr);
    EXPECT_EQ(c.label->font().pointSize(), toolkit.pointSize());
    EXPECT_EQ(c.label->font().family(), toolkit.family());
    EXPECT_EQ(c.label->alignment(), Qt::AlignCenter);
    EXPECT_EQ(c.label->geometry(), c.element->rect().adjusted(6, 6, -6, -6));
  }
  EXPECT_EQ(b->GetFont().Size, toolkit.pointSize());
  EXPECT_EQ(s->GetFont().Size, toolkit.pointSize());
}

TEST(BmpCaption, TooWideACaptionIsCutAtItsEnd) {
  const Qt::Alignment centre = Qt::AlignCenter;
  const Qt::Alignment leftTop = Qt::AlignLeft | Qt::AlignTop;
  struct Case {
    Qt::Alignment wanted;
    int text, label;
    Qt::Alignment shown;
  };
  const Case cases[] = {
      {centre, 40, 43, centre},
      {centre, 43, 43, centre},
      {centre, 49, 43, Qt::AlignLeft | Qt::AlignVCenter},  // "Schalter" on the switch
      {leftTop, 90, 60, leftTop},                          // the slider's caption
  };
  for (const Case& c : cases)
    EXPECT_EQ(CaptionAlignment(c.wanted, c.text, c.label), c.shown) << c.text << " in " << c.label;
}

TEST_F(BmpTest, SwitchPayloadsEndInThePositionDigit) {
  auto* s = TQXBmpSwitch::ElemCreate();
  EXPECT_EQ(s->size(), QSize(55, 88));
  EXPECT_EQ(s->CaptionLabel()->text(), "Schalter");
  s->SetSource("#5");
  ConnectLoopback();
  const struct {
    int32_t mode;
    const char* text;
    double number;
    const char* on;
    const char* off;
  } cases[] = {{TQXBmpSwitch::ModeStandard, "", 0, "#5F1;", "#5F0;"},
               {TQXBmpSwitch::ModeFreeText, "LED", 0, "#5SLED1;", "#5SLED0;"},
               {TQXBmpSwitch::ModeFreeText, "", 0, "#5S1;", "#5S0;"},
               {TQXBmpSwitch::ModeFreeNumber, "", 3, "#5F31;", "#5F30;"},
               {TQXBmpSwitch::ModeFreeNumber, "", 2.5, "#5F2,51;", "#5F2,50;"}};
  for (const auto& c : cases) {
    s->SetMode(c.mode);
    s->SetFreeText(c.text);
    s->SetFreeNumber(c.number);
    Click(s->CaptionLabel());
    EXPECT_EQ(NextSent(), c.on);
    Click(s->CaptionLabel());
    EXPECT_EQ(NextSent(), c.off);
  }
  Disconnect();
}

TEST_F(BmpTest, SwitchFacesAndOverlays) {
  auto* s = TQXBmpSwitch::ElemCreate();
  QWidget* l = s->CaptionLabel();
  EXPECT_TRUE(l->isVisible());
  EXPECT_EQ(Face(s), "1000");
  Enter(l);
  EXPECT_EQ(Face(s), "1010");
  Click(l);  // not connected: the position changes all the same
  EXPECT_EQ(Face(s), "0101");
  EXPECT_FALSE(s->SwitchIsOff);
  const auto anims = s->findChildren<TAnim*>();
  ASSERT_EQ(anims.size(), 1);
  EXPECT_EQ(anims.back()->Bar()->palette().color(QPalette::Window),
            ColorToQColor(static_cast<TColor>(AnimColor(AnimNotSent))));
  Leave(l);
  EXPECT_EQ(Face(s), "0100");

  // An own position-0 picture without own overlays: no overlay anywhere,
  // and position 1 keeps the built-in picture.
  const QImage builtIn1 = s->Image(2)->Picture;
  s->SetFile(1, Picture("off.png", QSize(40, 60), Qt::green));
  EXPECT_EQ(s->size(), QSize(52, 72));
  Enter(l);
  EXPECT_EQ(Face(s), "0100");
  Click(l);
  EXPECT_EQ(Face(s), "1000");
  EXPECT_EQ(s->Image(2)->Picture, builtIn1);
  s->SetFile(3, Picture("mark.png", QSize(40, 60), Qt::yellow));
  EXPECT_EQ(Face(s), "1010");
  Click(l);
  EXPECT_EQ(Face(s), "0100");  // position 1 still has no own overlay
}

TEST_F(BmpTest, ListingsShowTheFreeValueRowOfTheMode) {
  auto* b = TQXBmpButton::ElemCreate();
  TPropertyEditor::ShowElement(*b);
  TEEListing* l = TPropertyEditor::CurrentListing();
  auto* size = dynamic_cast<TEEEIntPaar*>(l->Entries[6]);
  ASSERT_NE(size, nullptr);
  EXPECT_FALSE(size->FirstEdit->isEnabled());  // the size follows the picture
  EXPECT_EQ(size->FirstEdit->text(), "98");
  auto* mode = dynamic_cast<TEEEAuswahlbox*>(l->Entries[8]);
  ASSERT_NE(mode, nullptr);
  EXPECT_TRUE(l->Entries[9]->isHidden());
  EXPECT_TRUE(l->Entries[10]->isHidden());
  emit mode->Combo->activated(ModeFreeNumber);
  EXPECT_EQ(b->Mode, ModeFreeNumber);
  EXPECT_TRUE(l->Entries[9]->isHidden());
  EXPECT_FALSE(l->Entries[10]->isHidden());

  auto* s = TQXBmpSwitch::ElemCreate();
  TPropertyEditor::ShowElement(*s);
  l = TPropertyEditor::CurrentListing();
  mode = dynamic_cast<TEEEAuswahlbox*>(l->Entries[8]);
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->Combo->count(), 3);
  emit mode->Combo->activated(TQXBmpSwitch::ModeFreeText);
  EXPECT_FALSE(l->Entries[9]->isHidden());
  EXPECT_TRUE(l->Entries[10]->isHidden());
}

}  // namespace
}  // namespace qx
