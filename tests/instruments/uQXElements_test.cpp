// The element base, the send animation and the first three instruments,
// driven through a real hub and a loopback UDP port.
#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <limits>

#include "channels/uSocketIO.h"
#include "editing/uSendAnim.h"
#include "editing/uSheetBckgnd.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "gui_support/ElementPortFixture.h"
#include "instruments/uQXButton.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXRemoteLabel.h"

namespace qx {
namespace {

using test::ElementPortFixture;

class ElementTest : public ElementPortFixture {
 protected:
  // Waits for the display tick to show the text.
  template <class Label>
  static bool Shows(const Label* l, const QString& text) {
    return ProcessUntil([&] { return l->text() == text; });
  }
};

TEST_F(ElementTest, NewElementDefaultsAndCommonSetters) {
  auto* e = TQXNumericDisp::ElemCreate();
  EXPECT_EQ(e->GetValue(), 0.0);
  EXPECT_FALSE(e->Changed.load());
  EXPECT_FALSE(e->SourceValid);
  EXPECT_EQ(e->FrameWidth, 6);
  EXPECT_EQ(e->FrameColor, 0xC0C0C0u);
  EXPECT_EQ(e->size(), QSize(200, 40));
  EXPECT_EQ(CurrentSheet->ElementList.back(), e);

  e->SetWidth(-5);
  EXPECT_EQ(e->width(), 0);
  e->SetLeft(30);
  e->SetLeft(9001);
  EXPECT_EQ(e->x(), 30);
  e->SetLeft(-20);
  EXPECT_EQ(e->x(), -20);
  e->SetDenom(std::string(38, 'n') + "\xC3\xA4\xC3\xA4");  // 40 characters, 42 bytes
  EXPECT_EQ(e->Denom, std::string(32, 'n'));
  e->SetDenom(std::string(31, 'n') + "\xC3\xA4\xC3\xA4");
  EXPECT_EQ(e->Denom, std::string(31, 'n') + "\xC3\xA4");  // never half a character
  e->SetSource(std::string(300, '1'));
  EXPECT_EQ(e->Source.size(), 255u);
}

TEST_F(ElementTest, NumericDisplayTexts) {
  struct Case {
    double value;
    int decimals;
    bool fixed;
    bool showUnit;
    const char* unit;
    const char* text;
  };
  const Case cases[] = {
      {3.14159, 2, false, false, "", "3,14"}, {3.14159, 0, false, false, "", "3"},
      {2.999, 2, false, false, "", "2,99"},   {7, 2, true, false, "", "7,00"},
      {7, 2, false, false, "", "7"},          {12, 2, false, true, " V", "12 V"},
      {12, 2, false, true, "Volt", "12Volt"}, {12, 2, false, false, "Volt", "12"},
      {-0.5, 3, true, false, "", "-0,500"},   {1e20, 2, false, false, "", "1E20"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NumericDisplayText(c.value, c.decimals, c.fixed, c.showUnit, c.unit), c.text)
        << c.value;
  EXPECT_EQ(NumericDisplayText(std::nan(""), 2, true, false, ""), FloatToText(std::nan("")));

  auto* d = TQXNumericDisp::ElemCreate();
  d->SetDecimals(25);
  EXPECT_EQ(d->Decimals, 20);
  d->SetDecimals(-1);
  EXPECT_EQ(d->Decimals, 0);
  d->SetUnit("abcdefghijklmn");
  EXPECT_EQ(d->Unit, "abcdefghij");
  d->SetDenom("U");
  d->SetSource("#3");
  d->SetShowName(true);
  d->SetShowSource(true);
  EXPECT_EQ(d->CaptionLabel()->text(), "U=#3=");
  // The value starts right after the caption.
  EXPECT_EQ(d->ValueLabel()->x(), d->CaptionLabel()->x() + d->CaptionLabel()->width());
}

// Background and frame as the background filled first and the four frame
// bands over it, for any size and frame width.
TEST_F(ElementTest, FrameLooksAsBandsOverTheBackground) {
  struct Case {
    int w, h, frame;
  };
  const Case cases[] = {{80, 40, 6}, {80, 40, 0}, {80, 40, 1}, {10, 40, 6},
                        {12, 40, 6}, {7, 5, 3},   {1, 1, 2},   {30, 3, 30}};
  for (const Case& c : cases) {
    auto* d = new TQXRemoteLabel(CurrentCanvas());
    d->SetStrValue("");
    d->SetBckGndColor(0x3366CC);
    d->SetFrameColor(0x00FF80);
    d->SetFrameWidth(c.frame);
    d->resize(c.w, c.h);
    d->UpdateDisplay();
    const QImage shown = d->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage want(c.w, c.h, QImage::Format_RGB32);
    {
      QPainter p(&want);
      p.fillRect(0, 0, c.w, c.h, QColor(0xCC, 0x66, 0x33));
      const int f = std::min({c.frame, c.w / 2 + 1, c.h / 2 + 1});
      const QColor pen(0x80, 0xFF, 0x00);
      if (f > 0) {
        p.fillRect(0, 0, c.w, f, pen);
        p.fillRect(0, c.h - f, c.w, f, pen);
        p.fillRect(0, 0, f, c.h, pen);
        p.fillRect(c.w - f, 0, f, c.h, pen);
      }
    }
    EXPECT_EQ(shown, want) << c.w << "x" << c.h << " frame " << c.frame;
    delete d;
  }
}

TEST_F(ElementTest, FramesFromAPortReachTheDisplaysOnTheTick) {
  auto* num = TQXNumericDisp::ElemCreate();
  num->SetSource("#5+1");
  auto* text = TQXRemoteLabel::ElemCreate();
  text->SetSource("#6");
  EXPECT_EQ(text->Label()->text(), "leer");
  ConnectLoopback();

  Feed("#5F12,3;#6SHallo Welt;");
  EXPECT_TRUE(Shows(num->ValueLabel(), "13,3"));
  EXPECT_TRUE(Shows(text->Label(), "Hallo Welt"));
  Feed("#5F1.25;");  // either separator arrives
  EXPECT_TRUE(Shows(num->ValueLabel(), "2,25"));
  Feed("#6F5;#5SNaN;");  // wrong kinds change nothing
  ProcessFor(900);
  EXPECT_EQ(text->Label()->text(), "Hallo Welt");
  EXPECT_EQ(num->ValueLabel()->text(), "2,25");
  Feed("#6S;");
  EXPECT_TRUE(Shows(text->Label(), ""));

  SetFloatSeparator('.');  // the settings' point
  Feed("#5F2;");
  EXPECT_TRUE(Shows(num->ValueLabel(), "3"));
  Feed("#5F0,5;");
  EXPECT_TRUE(Shows(num->ValueLabel(), "1.5"));
  SetFloatSeparator(',');
  form->ButtonDisconnectClick();

  text->SetInitText("Warten");
  EXPECT_EQ(text->Label()->text(), "Warten");
  text->ResetValue();
  EXPECT_EQ(text->Label()->text(), "Warten");
  num->SetInitValue(3);
  num->ResetValue();  // the numeric display resets to 0 whatever its initial value
  EXPECT_EQ(num->ValueLabel()->text(), "0");
}

TEST_F(ElementTest, PushButtonModesSendThroughThePort) {
  auto* b = TQXButton::ElemCreate();
  b->SetSource("#7");
  ConnectLoopback();
  QPushButton* pb = b->Button();
  const QPoint c = pb->rect().center();
  auto press = [&](Qt::MouseButton btn) {
    QMouseEvent down(QEvent::MouseButtonPress, c, pb->mapToGlobal(c), btn, btn, Qt::NoModifier);
    QCoreApplication::sendEvent(pb, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, c, pb->mapToGlobal(c), btn, Qt::NoButton,
                   Qt::NoModifier);
    QCoreApplication::sendEvent(pb, &up);
  };

  press(Qt::LeftButton);  // standard: a click sends 1
  EXPECT_EQ(NextSent(), "#7F1;");
  press(Qt::RightButton);  // no click from the right button
  EXPECT_TRUE(NothingSent());

  b->SetMode(ModeDoubleNotify);
  for (Qt::MouseButton btn : {Qt::LeftButton, Qt::RightButton}) {
    press(btn);
    EXPECT_EQ(NextSent(), "#7F1;");
    EXPECT_EQ(NextSent(), "#7F0;");
  }
  // A double-click as the X server delivers it: press, release, double-click,
  // release. The second press sends 1 as the first did.
  const QEvent::Type dbl[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
  for (QEvent::Type type : dbl) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent ev(type, c, pb->mapToGlobal(c), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(pb, &ev);
  }
  for (const char* frame : {"#7F1;", "#7F0;", "#7F1;", "#7F0;"}) EXPECT_EQ(NextSent(), frame);
  EXPECT_TRUE(NothingSent());
  pb->setFocus();
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QCoreApplication::sendEvent(pb, &space);
  QKeyEvent spaceUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
  QCoreApplication::sendEvent(pb, &spaceUp);
  EXPECT_TRUE(NothingSent());

  b->SetMode(ModeFreeText);
  b->SetFreeText("");
  b->ButtonClick();
  EXPECT_EQ(NextSent(), "#7S;");
  b->SetFreeText("Los");
  b->ButtonClick();
  EXPECT_EQ(NextSent(), "#7SLos;");
  b->SetMode(ModeFreeNumber);
  b->SetFreeNumber(2.5);
  b->ButtonClick();
  EXPECT_EQ(NextSent(), "#7F2,5;");
  form->ButtonDisconnectClick();
}

TEST_F(ElementTest, SendAnimationColoursAndLifetime) {
  auto barColor = [](QWidget* e) {
    QWidget* bar = nullptr;
    for (QObject* o : e->children())
      if (auto* anim = qobject_cast<TAnim*>(o)) bar = anim->Bar();
    return bar ? bar->palette().color(QPalette::Window) : QColor();
  };
  auto* b = TQXButton::ElemCreate();
  b->ButtonClick();  // disconnected
  EXPECT_EQ(barColor(b), QColor(0xFF, 0xFF, 0));

  b->SetSource("#7+1");  // not an output
  ConnectLoopback();
  b->ButtonClick();
  EXPECT_EQ(barColor(b), QColor(0xFF, 0, 0));
  form->ButtonDisconnectClick();
  form->TabBar->SelectTab(1);
  b->SetSource("#7");
  ConnectLoopback();
  b->ButtonClick();
  EXPECT_EQ(barColor(b), QColor(0, 0x80, 0));
  EXPECT_EQ(NextSent(), "#7F1;");

  // The bar starts 80 pixels left of the right edge, moves 13 a tick, and
  // is gone after six ticks.
  auto* anim = TAnim::Create(b, 100, 6, AnimSent);
  QPointer<QWidget> bar = anim->Bar();
  EXPECT_EQ(bar->geometry(), QRect(20, 0, 40, 6));
  EXPECT_TRUE(ProcessUntil([&] { return bar.isNull(); }));

  b->SetShowAnim(false);
  b->ButtonClick();
  EXPECT_EQ(NextSent(), "#7F1;");
  EXPECT_FALSE(barColor(b).isValid());
  b->SetShowAnim(true);

  // An element deleted mid-animation takes its animations along.
  b->ButtonClick();
  QPointer<TAnim> running = b->findChild<TAnim*>();
  ASSERT_FALSE(running.isNull());
  form->ButtonDisconnectClick();
  delete b;
  EXPECT_TRUE(running.isNull());
  ProcessFor(200);
}

TEST_F(ElementTest, PostedMessagesFindOnlyLivingElementsOnTheShownSheet) {
  auto* b = TQXButton::ElemCreate();
  TAnim::PostAnim(*b, AnimSent);
  ASSERT_TRUE(ProcessUntil([&] { return b->findChild<TAnim*>() != nullptr; }));

  auto* gone = TQXButton::ElemCreate();
  TAnim::PostAnim(*gone, AnimSent);
  delete gone;  // the message arrives for nobody
  ProcessFor(50);

  SheetTabs->NewTab();
  auto* other = TQXButton::ElemCreate();  // on sheet 1, which stays hidden
  TSheet* first = CurrentSheet;
  SheetTabs->SelectTab(1);
  auto* hidden = TQXButton::ElemCreate();
  SheetTabs->SelectTab(0);
  ASSERT_EQ(CurrentSheet, first);
  TAnim::PostAnim(*hidden, AnimSent);
  ProcessFor(50);
  EXPECT_EQ(hidden->findChild<TAnim*>(), nullptr);
  (void)other;
}

TEST_F(ElementTest, DeletedElementLeavesTheHubLists) {
  auto* d = TQXNumericDisp::ElemCreate();
  d->SetSource("#4");
  auto* b = TQXButton::ElemCreate();
  b->SetSource("#9");
  form->TabBar->SelectTab(0);  // compiles: reader of 4, writer of 9
  ASSERT_EQ(Terminal->Kanal(4).Readers.size(), 1u);
  ASSERT_EQ(Terminal->Kanal(9).Writers.size(), 1u);
  delete d;
  delete b;
  EXPECT_TRUE(Terminal->Kanal(4).Readers.empty());
  EXPECT_TRUE(Terminal->Kanal(9).Writers.empty());
  EXPECT_TRUE(TQXElement::DisplayUpdateList().empty());
  form->EditSimulateRecv->setText("#4F1;");
  form->BitBtnRecvSimuClick();  // dispatches and ticks: must not reach d
}

TEST_F(ElementTest, KeySetsRoundTripThroughTheProjectFile) {
  PortList->FreeAll();
  SheetTabs->SetTabCaption(0, "Haupt");
  CurrentSheet->Background->SetColor(0x123456);
  auto* d = TQXNumericDisp::ElemCreate();
  d->SetSource("#1*2");
  d->SetDenom("Temp \"innen\"");
  d->SetUnit(
      " \xC2\xB0"
      "C");
  d->SetShowUnit(true);
  d->SetDecimals(3);
  d->SetFixedDecimal(true);
  d->SetLeft(10);
  d->SetTop(-20);
  d->SetBckGndColor(0x00FF00);
  TFontDesc f = d->GetFont();
  f.Bold = true;
  f.Color = 0x0000FF;
  d->SetFont(f);
  const std::string unit = d->Unit;  // d goes with the project
  auto* t = TQXRemoteLabel::ElemCreate();
  t->SetInitText("Warten");
  t->SetFrameWidth(3);
  auto* b = TQXButton::ElemCreate();
  b->SetMode(ModeFreeNumber);
  b->SetFreeNumber(-1.5);
  b->SetFreeText("unused");
  b->SetShowAnim(false);
  SheetTabs->NewTab();
  SheetTabs->SelectTab(1);
  TQXButton::ElemCreate()->SetSource("#3");

  const std::string text = FileLoad->ProjectText();
  EXPECT_NE(text.find("QXBUTTON\r\n"), std::string::npos);
  EXPECT_NE(text.find("freeNumber -1,5\r\n"), std::string::npos);
  EXPECT_EQ(text.find("freeText"), std::string::npos);  // only the mode's free value
  NewProject();
  ASSERT_EQ(SheetList.size(), 1u);
  EXPECT_TRUE(CurrentSheet->ElementList.empty());
  FileLoad->LoadProjectText(text);
  ASSERT_EQ(SheetList.size(), 2u);
  EXPECT_EQ(CurrentSheet, SheetList[1]);  // the last sheet read is current
  EXPECT_EQ(SheetTabs->GetTabCaption(0), "Haupt");
  EXPECT_EQ(SheetList[0]->Background->RunColor, 0x123456u);
  ASSERT_EQ(SheetList[0]->ElementList.size(), 3u);
  ASSERT_EQ(SheetList[1]->ElementList.size(), 1u);
  auto* d2 = dynamic_cast<TQXNumericDisp*>(SheetList[0]->ElementList[0]);
  ASSERT_NE(d2, nullptr);
  EXPECT_EQ(d2->Denom, "Temp \"innen\"");
  EXPECT_EQ(d2->Unit, unit);
  EXPECT_EQ(d2->pos(), QPoint(10, -20));
  EXPECT_EQ(d2->GetFont(), f);
  EXPECT_EQ(d2->GetBckGndColor(), 0x00FF00u);
  EXPECT_EQ(FileLoad->ProjectText(), text);  // saved again exactly as read

  // A clone lands at 0, 0 of the current sheet with the same keys.
  SheetTabs->SelectTab(0);
  d2->SetLeft(50);
  TQXElement* copy = d2->Clone();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Sheet, SheetList[0]);
  EXPECT_EQ(copy->pos(), QPoint(0, 0));
  auto* dc = dynamic_cast<TQXNumericDisp*>(copy);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->Decimals, 3);
  EXPECT_EQ(dc->Source, "#1*2");
  EXPECT_EQ(dc->GetFont(), f);
}

}  // namespace
}  // namespace qx
