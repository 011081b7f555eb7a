// The text sender: frames through a real hub and a loopback UDP port, the
// Enter key, the caption line, the layout and the arrow glyph.
#include "instruments/uQXStringSend.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

#include "editing/uSendAnim.h"
#include "editing/uSheet.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "gui_support/ElementPortFixture.h"

namespace qx {
namespace {

class StringSendTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    form->show();
  }
  // Colour of the newest send animation on the element.
  static QColor LastAnim(QWidget* e) {
    const auto anims = e->findChildren<TAnim*>();
    return anims.isEmpty() ? QColor() : anims.back()->Bar()->palette().color(QPalette::Window);
  }
  static QColor AnimOf(int32_t kind) { return ColorToQColor(static_cast<TColor>(AnimColor(kind))); }
  static void PressKey(QWidget* w, int key, const QString& text) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &up);
  }
};

TEST_F(StringSendTest, SendsTheTextExactlyAsTyped) {
  auto* s = TQXStringSend::ElemCreate();
  s->SetSource("#5");
  ConnectLoopback();
  s->SendButton()->click();  // an empty field sends an empty text
  EXPECT_EQ(NextSent(), "#5S;");

  int returns = 0;
  QObject::connect(s->Edit(), &QLineEdit::returnPressed, [&returns] { ++returns; });
  s->Edit()->setFocus();
  for (const QString& c : {QString(" "), QString("a"), QString(";"), QString("#"), QString(" ")})
    PressKey(s->Edit(), 0, c);
  PressKey(s->Edit(), Qt::Key_Return, "\r");
  EXPECT_EQ(NextSent(), "#5S a;# ;");  // not trimmed, not escaped
  EXPECT_TRUE(NothingSent());          // once
  EXPECT_EQ(returns, 0);               // the field never saw the Enter
  EXPECT_EQ(s->Edit()->text(), " a;# ");
  PressKey(s->Edit(), Qt::Key_Enter, "\r");  // the keypad's Enter too
  EXPECT_EQ(NextSent(), "#5S a;# ;");

  const std::string longText(2000, 'x');  // no length limit
  s->SetEditText(longText);
  s->Send();
  char buf[4096];
  size_t got = 0;
  ASSERT_EQ(peer.Receive(buf, sizeof buf, got, 20000, nullptr), TIoStatus::Ok);
  EXPECT_EQ(std::string(buf, got), "#5S" + longText + ";");
  Disconnect();
}

TEST_F(StringSendTest, NothingQueuedWithoutConnectionOrValidOutput) {
  auto* s = TQXStringSend::ElemCreate();
  s->SetEditText("abc");
  s->Send();  // not connected
  EXPECT_EQ(LastAnim(s), AnimOf(AnimNotSent));

  s->SetSource("#5+1");  // not a lone channel: no valid output
  ConnectLoopback();
  s->Send();
  EXPECT_EQ(LastAnim(s), AnimOf(AnimInvalid));
  EXPECT_TRUE(NothingSent());
  Disconnect();

  form->TabBar->SelectTab(1);
  s->SetSource("#5");
  s->SetShowAnim(false);
  ConnectLoopback();
  const auto before = s->findChildren<TAnim*>().size();
  s->Send();
  EXPECT_EQ(NextSent(), "#5Sabc;");
  EXPECT_EQ(s->findChildren<TAnim*>().size(), before);
  Disconnect();
}

TEST_F(StringSendTest, LayoutWithAndWithoutCaptionLine) {
  auto* s = TQXStringSend::ElemCreate();
  EXPECT_EQ(s->size(), QSize(200, 40));
  EXPECT_FALSE(s->CaptionLabel()->isVisible());
  EXPECT_EQ(s->FieldShape()->geometry(), QRect(6, 6, 188, 28));
  EXPECT_EQ(s->Edit()->geometry(), QRect(7, 7, 159, 26));
  EXPECT_EQ(s->SendButton()->geometry(), QRect(165, 5, 30, 30));
  EXPECT_EQ(s->Glyph().size(), QSize(26, 26));

  // A shown name reserves the line even when the name is empty; the
  // element grows by the line, so the field keeps its height.
  s->SetDenom("");
  s->SetShowName(true);
  const int c = TextHeightOf(s->CaptionLabel()->font());
  EXPECT_TRUE(s->CaptionLabel()->isVisible());
  EXPECT_EQ(s->CaptionHeight, c);
  EXPECT_EQ(s->CaptionLabel()->text(), "");
  EXPECT_EQ(s->CaptionLabel()->geometry(), QRect(12, 9, 182, c));
  const int top = 6 + c + 5;
  EXPECT_EQ(s->size(), QSize(200, 40 + c + 5));
  EXPECT_EQ(s->FieldShape()->geometry(), QRect(6, top, 188, 28));
  EXPECT_EQ(s->Edit()->height(), 26);

  // The line is shown already: the source joins it, nothing grows.
  s->SetSource("#5");
  s->SetShowSource(true);
  EXPECT_EQ(s->CaptionLabel()->text(), "=> #5");
  EXPECT_EQ(s->height(), 40 + c + 5);
  s->SetDenom("Soll");
  EXPECT_EQ(s->CaptionLabel()->text(), "Soll => #5");
  s->SetShowName(false);
  EXPECT_EQ(s->height(), 40 + c + 5);
  s->SetShowSource(false);
  EXPECT_EQ(s->CaptionHeight, 0);
  EXPECT_FALSE(s->CaptionLabel()->isVisible());
  EXPECT_EQ(s->size(), QSize(200, 40));
  EXPECT_EQ(s->FieldShape()->geometry(), QRect(6, 6, 188, 28));

  s->SetWidth(300);
  s->SetHeight(60);  // the glyph follows the button
  EXPECT_EQ(s->SendButton()->geometry(), QRect(245, 5, 50, 50));
  EXPECT_EQ(s->Glyph().size(), QSize(46, 46));
}

TEST_F(StringSendTest, GlyphIsTheGreyArrowOnAClearGround) {
  auto* s = TQXStringSend::ElemCreate();
  const QImage& g = s->Glyph();
  ASSERT_FALSE(g.isNull());
  EXPECT_EQ(qAlpha(g.pixel(0, 0)), 0);  // the $DDDDDD ground is see-through
  EXPECT_EQ(qAlpha(g.pixel(25, 25)), 0);
  EXPECT_EQ(QRgbToColor(g.pixel(8, 13)), 0x707070u);  // the shaft
  EXPECT_EQ(qAlpha(g.pixel(8, 13)), 255);
}

TEST_F(StringSendTest, KeySetRoundTripAndClone) {
  auto* s = TQXStringSend::ElemCreate();
  s->SetSource("#4");
  s->SetDenom("Befehl");
  s->SetShowName(true);
  s->SetEditText("go;now");
  s->SetEditBackColor(0x00FFFF);
  s->SetLeft(30);
  s->SetShowAnim(false);
  auto* c = dynamic_cast<TQXStringSend*>(s->Clone());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->pos(), QPoint(0, 0));
  EXPECT_EQ(c->GetEditText(), "go;now");
  EXPECT_EQ(c->GetEditBackColor(), 0x00FFFFu);
  EXPECT_EQ(c->CaptionLabel()->text(), "Befehl ");
  EXPECT_FALSE(c->ShowAnim);
  EXPECT_EQ(c->size(), s->size());  // grown once, by the original

  std::vector<std::string> keys;
  for (const auto& e : TQXStringSend::ClassSet->Entries) keys.push_back(e->Key);
  EXPECT_EQ(keys,
            (std::vector<std::string>{"disabled", "denom", "source", "showName", "showSource",
                                      "position", "size", "font", "bckGndColor", "editBackColor",
                                      "frameColor", "framewidth", "edittext", "showAnim"}));
}

// A stored text sender loads to the size it was saved with, whether it was
// saved before the caption line grew the element or after.
TEST_F(StringSendTest, StoredSizeWinsOverTheCaptionLine) {
  for (const int height : {40, 57, 80}) {
    SCOPED_TRACE(height);
    TSheet::ResetAll();
    FileLoad->LoadProjectText(
        "QXSTRINGSEND\r\nshowName true\r\nshowSource true\r\n"
        "position x=10 y=20\r\nsize x=220 y=" +
        std::to_string(height) + "\r\n");
    ASSERT_EQ(CurrentSheet->ElementList.size(), 1u);
    auto* s = dynamic_cast<TQXStringSend*>(CurrentSheet->ElementList.front());
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->CaptionLabel()->isVisible());
    EXPECT_EQ(s->size(), QSize(220, height));
    // Switched off and on again it comes back to the same size.
    s->SetShowName(false);
    s->SetShowSource(false);
    s->SetShowName(true);
    EXPECT_EQ(s->size(), QSize(220, height));
  }
}

}  // namespace
}  // namespace qx
