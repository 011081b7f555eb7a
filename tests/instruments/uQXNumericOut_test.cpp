// The numeric sender: typing filter, layout, key set, and frames sent
// through a real hub and a loopback UDP port.
#include "instruments/uQXNumericOut.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uSettingLoader.h"
#include "gui_support/ElementPortFixture.h"
#include "editing/uSendAnim.h"

namespace qx {
namespace {

// One key pressed and released on the widget, as the keyboard sends it.
void Key(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

// Types the characters one key each.
void Keys(QWidget* w, const QString& text) {
  for (const QChar c : text) {
    int key = c.toUpper().unicode();  // letters, digits, blank and signs share Latin-1 codes
    if (c == u'\r') key = Qt::Key_Return;
    Key(w, key, QString(c));
  }
}

TEST(NumericOutKeys, FilterFollowsThePart) {
  struct Case {
    int key;
    const char* text;
    TNumericKey plain, intOnly;
  };
  const auto P = TNumericKey::Pass, S = TNumericKey::Swallow, Send = TNumericKey::Send;
  const Case cases[] = {
      {Qt::Key_0, "0", P, P},
      {Qt::Key_5, "5", P, P},
      {Qt::Key_9, "9", P, P},
      {Qt::Key_Minus, "-", P, P},
      {Qt::Key_Backspace, "\b", P, P},
      {Qt::Key_Comma, ",", P, S},
      {Qt::Key_Period, ".", P, S},
      {Qt::Key_E, "e", P, S},
      {Qt::Key_E, "E", P, S},
      {Qt::Key_A, "a", S, S},
      {Qt::Key_Plus, "+", S, S},
      {Qt::Key_Space, " ", S, S},
      {Qt::Key_X, "x", S, S},
      {Qt::Key_Dead_Circumflex, "\xC3\xA4", S, S},
      {Qt::Key_Return, "\r", Send, Send},
      {Qt::Key_Enter, "\r", Send, Send},
      // No character typed: cursor keys and Delete are no typing.
      {Qt::Key_Left, "", P, P},
      {Qt::Key_Delete, "", P, P},
      // Editing keys pass whatever text they carry: the X server gives
      // Delete the text "\x7f".
      {Qt::Key_Delete, "\x7f", P, P},
      {Qt::Key_Backspace, "\x7f", P, P},
      {Qt::Key_Home, "\x01", P, P},
      {Qt::Key_Tab, "\t", P, P},
  };
  for (const auto& c : cases) {
    const QString text = QString::fromUtf8(c.text);
    EXPECT_EQ(NumericOutKey(c.key, text, Qt::NoModifier, false), c.plain) << c.text;
    EXPECT_EQ(NumericOutKey(c.key, text, Qt::NoModifier, true), c.intOnly) << c.text;
  }
  // Shortcuts are no typing either.
  EXPECT_EQ(NumericOutKey(Qt::Key_V, "v", Qt::ControlModifier, true), TNumericKey::Pass);
  EXPECT_EQ(NumericOutKey(Qt::Key_Return, "\r", Qt::ControlModifier, true), TNumericKey::Send);
}

class NumericOutTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    form->show();
  }
  // Colour of the newest running send animation, or an invalid colour.
  static QColor BarColor(QWidget* e) {
    QWidget* bar = nullptr;
    for (QObject* o : e->children())
      if (auto* anim = qobject_cast<TAnim*>(o)) bar = anim->Bar();
    return bar ? bar->palette().color(QPalette::Window) : QColor();
  }
  static void ClearAnims(QWidget* e) {
    for (TAnim* anim : e->findChildren<TAnim*>(Qt::FindDirectChildrenOnly)) {
      delete anim->Bar();
      delete anim;
    }
  }
  // A sender on #5 (or the given formula) with that text, compiled and
  // connected.
  TQXNumericOut* Connected(const std::string& text, const std::string& source = "#5") {
    auto* n = TQXNumericOut::ElemCreate();
    n->SetSource(source);
    n->SetEditText(text);
    ConnectLoopback();
    return n;
  }
  static void Enter(TQXNumericOut* n) { Key(n->Edit(), Qt::Key_Return, "\r"); }
};

const QColor kGreen(0, 0x80, 0), kYellow(0xFF, 0xFF, 0), kRed(0xFF, 0, 0);

TEST_F(NumericOutTest, NewElementDefaultsAndLayout) {
  auto* n = TQXNumericOut::ElemCreate();
  EXPECT_EQ(n->ClassId, 14);
  EXPECT_EQ(n->TypeName, "QXNumericOut");
  EXPECT_EQ(n->ChannelRole, RoleOutput);
  EXPECT_EQ(n->size(), QSize(200, 40));
  EXPECT_EQ(n->GetBckGndColor(), 0xF0F0F0u);
  EXPECT_EQ(n->FrameWidth, 6);
  EXPECT_EQ(n->GetValue(), 0.0);
  EXPECT_TRUE(n->ValueIsNumber.load());
  EXPECT_FALSE(n->InUpdateList);
  EXPECT_FALSE(n->IsStreamElement);
  EXPECT_TRUE(n->ShowAnim);
  EXPECT_EQ(n->Edit()->text(), "0");
  EXPECT_EQ(n->Edit()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(n->Edit()->font().pointSize(), 9);
  EXPECT_EQ(n->GetFont().Size, 9);
  // 200 x 40, frame 6: a 28 x 28 button at 166, 6; the field fills the rest.
  EXPECT_EQ(n->Button()->geometry(), QRect(166, 6, 28, 28));
  EXPECT_EQ(n->Edit()->geometry(), QRect(6, 6, 160, 28));
  EXPECT_EQ(n->Button()->iconSize(), QSize(24, 24));
  EXPECT_FALSE(n->Button()->icon().isNull());
  EXPECT_EQ(n->UnitWidth, 0);

  // The unit stands left of the button; the field ends 5 pixels before it.
  n->SetUnit("V");
  n->SetShowUnit(true);
  const int uw = TextWidthOf(QString("V"), n->UnitLabel()->font());
  EXPECT_GT(uw, 0);
  EXPECT_EQ(n->UnitWidth, uw);
  EXPECT_EQ(n->UnitLabel()->text(), "V");
  EXPECT_EQ(n->UnitLabel()->geometry(), QRect(200 - 6 - 3 - uw - 28, 9, uw, 25));
  EXPECT_EQ(n->Edit()->x(), 6);
  EXPECT_EQ(n->Edit()->width(), n->UnitLabel()->x() - 6 - 5);
  EXPECT_EQ(n->Edit()->width(), 160 - uw - 8);

  // The caption moves the field right of it.
  n->SetDenom("Soll");
  n->SetShowName(true);
  n->SetShowSource(true);
  EXPECT_EQ(n->NameLabel()->text(), "Soll=");  // no formula yet
  n->SetSource("#5");
  EXPECT_EQ(n->NameLabel()->text(), "Soll=#5=");
  const int nw = TextWidthOf(n->NameLabel()->text(), n->NameLabel()->font());
  EXPECT_EQ(n->NameLabel()->geometry(), QRect(9, 9, nw, 25));
  EXPECT_EQ(n->Edit()->x(), 9 + nw + 5);
  EXPECT_EQ(n->Edit()->width(), n->UnitLabel()->x() - n->Edit()->x() - 5);

  // Too narrow: no negative field.
  n->SetWidth(40);
  EXPECT_EQ(n->Edit()->width(), 0);
  n->SetShowUnit(false);
  EXPECT_EQ(n->UnitWidth, 0);
  EXPECT_TRUE(n->UnitLabel()->text().isEmpty());

  // A taller element: a bigger button and glyph.
  n->SetWidth(200);
  n->SetHeight(60);
  EXPECT_EQ(n->Button()->geometry(), QRect(200 - 6 - 48, 6, 48, 48));
  EXPECT_EQ(n->Button()->iconSize(), QSize(44, 44));

  n->SetUnit("12345678901234");
  EXPECT_EQ(n->Unit, "1234567890");
}

TEST_F(NumericOutTest, TypingPassesOnlyNumberCharacters) {
  auto* n = TQXNumericOut::ElemCreate();
  QLineEdit* e = n->Edit();
  e->setFocus();
  e->clear();
  Keys(e, "-12,3a b+x.5e7E");
  EXPECT_EQ(e->text(), "-12,3.5e7E");
  Key(e, Qt::Key_Backspace, "\b");
  EXPECT_EQ(e->text(), "-12,3.5e7");

  n->SetIntOnly(true);
  e->clear();
  Keys(e, "-1,5e2.0E");
  EXPECT_EQ(e->text(), "-1520");
  Key(e, Qt::Key_Backspace, "\b");
  EXPECT_EQ(e->text(), "-152");
  // Cursor keys still move: typing goes where the cursor is.
  Key(e, Qt::Key_Home);
  Key(e, Qt::Key_Delete);
  EXPECT_EQ(e->text(), "152");
  // Delete as the X server delivers it, with the text "\x7f".
  Key(e, Qt::Key_Delete, "\x7f");
  EXPECT_EQ(e->text(), "52");
}

TEST_F(NumericOutTest, EnterSendsTheTypedTextOnce) {
  auto* n = Connected("12,3");
  ASSERT_TRUE(n->SourceValid);
  EXPECT_EQ(n->OutChannel, 5);
  Enter(n);
  EXPECT_EQ(NextSent(), "#5F12,3;");
  EXPECT_TRUE(NothingSent());
  EXPECT_EQ(BarColor(n), kGreen);
  EXPECT_EQ(n->Edit()->text(), "12,3");  // Enter is swallowed, the text stays

  // As typed, with the first separator made the display separator.
  struct Case {
    const char* text;
    const char* frame;
  };
  for (const Case& c : {Case{"1e3", "#5F1e3;"}, Case{"007", "#5F007;"}, Case{"-0.25", "#5F-0,25;"},
                        Case{"2E-3", "#5F2E-3;"}}) {
    n->SetEditText(c.text);
    Enter(n);
    EXPECT_EQ(NextSent(), c.frame) << c.text;
  }
  // The button sends the same.
  n->SetEditText("4");
  n->Button()->click();
  EXPECT_EQ(NextSent(), "#5F4;");
  EXPECT_TRUE(NothingSent());
  Disconnect();
}

TEST_F(NumericOutTest, PointChosenInTheSettingsSendsAPoint) {
  GlobalSettings->SetDecimalSeparator(1);
  auto* n = Connected("12,3");
  Enter(n);
  EXPECT_EQ(NextSent(), "#5F12.3;");
  n->SetEditText("0.5");
  Enter(n);
  EXPECT_EQ(NextSent(), "#5F0.5;");
  Disconnect();
}

TEST_F(NumericOutTest, PastedTextIsRefusedWithTheRedAnimation) {
  auto* n = Connected("1");
  QLineEdit* e = n->Edit();
  e->selectAll();
  QApplication::clipboard()->setText("abc");
  e->paste();
  if (e->text() != "abc") e->insert("abc");  // a platform without a clipboard
  ASSERT_EQ(e->text(), "abc");               // pasting is not filtered
  Enter(n);
  EXPECT_EQ(BarColor(n), kRed);
  EXPECT_TRUE(NothingSent());

  for (const char* bad : {"", "1,2,3", "1.2.3", "--1", "1e", "e5", "1 2"}) {
    ClearAnims(n);
    n->SetEditText(bad);
    EXPECT_EQ(n->Send(), AnimInvalid) << bad;
    EXPECT_EQ(BarColor(n), kRed) << bad;
  }
  EXPECT_TRUE(NothingSent());
  Disconnect();
}

TEST_F(NumericOutTest, DisconnectedOrInvalidOutputSendsNothing) {
  auto* n = TQXNumericOut::ElemCreate();
  n->SetSource("#5");
  n->SetEditText("3");
  Enter(n);  // never connected
  EXPECT_EQ(BarColor(n), kYellow);

  n->SetSource("#5+1");  // no output formula
  ConnectLoopback();
  EXPECT_TRUE(NothingSent());  // nothing was queued while disconnected
  ClearAnims(n);
  Enter(n);
  EXPECT_EQ(BarColor(n), kRed);
  EXPECT_TRUE(NothingSent());

  // Without the animation nothing shows, and still nothing goes out.
  n->SetShowAnim(false);
  ClearAnims(n);
  EXPECT_EQ(n->Send(), AnimInvalid);
  EXPECT_FALSE(BarColor(n).isValid());
  Disconnect();
  n->SetShowAnim(true);
  ClearAnims(n);
  EXPECT_EQ(n->Send(), AnimNotSent);
  EXPECT_EQ(BarColor(n), kYellow);
}

TEST_F(NumericOutTest, KeySetRoundTripsTheTypedText) {
  PortList->FreeAll();
  auto* n = TQXNumericOut::ElemCreate();
  n->SetSource("#12");
  n->SetDenom("Sollwert");
  n->SetUnit("bar");
  n->SetShowUnit(true);
  n->SetShowName(true);
  n->SetIntOnly(true);
  n->SetEditText("42");
  n->SetShowAnim(false);
  n->SetLeft(30);
  n->SetTop(50);
  n->SetFrameWidth(3);
  const std::string text = FileLoad->ProjectText();
  const std::vector<std::string> keys = {"disabled",   "denom",      "source",   "unit",
                                         "position",   "size",       "showName", "showSource",
                                         "showUnit",   "intOnly",    "font",     "bckGndColor",
                                         "frameColor", "framewidth", "edittext", "showAnim"};
  size_t at = text.find("QXNUMERICOUT\r\n");
  ASSERT_NE(at, std::string::npos);
  for (const std::string& k : keys) {
    const size_t next = text.find("\n" + k + " ", at);
    ASSERT_NE(next, std::string::npos) << k;
    at = next;  // in order
  }
  EXPECT_NE(text.find("edittext \"42\"\r\n"), std::string::npos);
  NewProject();
  FileLoad->LoadProjectText(text);
  ASSERT_EQ(CurrentSheet->ElementList.size(), 1u);
  auto* m = dynamic_cast<TQXNumericOut*>(CurrentSheet->ElementList[0]);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Edit()->text(), "42");
  EXPECT_TRUE(m->IntOnly);
  EXPECT_FALSE(m->ShowAnim);
  EXPECT_EQ(m->Unit, "bar");
  EXPECT_EQ(m->NameLabel()->text(), "Sollwert=");
  EXPECT_EQ(m->pos(), QPoint(30, 50));
  EXPECT_EQ(m->Button()->geometry(), QRect(200 - 3 - 34, 3, 34, 34));
  EXPECT_EQ(FileLoad->ProjectText(), text);

  // A copy takes every key.
  TQXElement* copy = m->Clone();
  auto* c = dynamic_cast<TQXNumericOut*>(copy);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Edit()->text(), "42");
  EXPECT_EQ(c->Source, "#12");
  EXPECT_EQ(c->pos(), QPoint(0, 0));
}

TEST_F(NumericOutTest, ListingEditsTheElement) {
  auto* n = TQXNumericOut::ElemCreate();
  TPropertyEditor::ShowElement(*n);
  TEEListing* l = TPropertyEditor::CurrentListing();
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(l->Entries.size(), 19u);
  auto* title = dynamic_cast<TEEETitelActive*>(l->Entries[0]);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->Label->text(), "Numerische Ausgabe");
  auto* desc = dynamic_cast<TEEEBeschreibung*>(l->Entries[17]);
  ASSERT_NE(desc, nullptr);
  EXPECT_EQ(desc->height(), 100);
}

TEST_F(NumericOutTest, ResetKeepsZeroAndTheText) {
  auto* n = TQXNumericOut::ElemCreate();
  n->SetEditText("7");
  n->ResetValue();
  EXPECT_EQ(n->GetValue(), 0.0);
  EXPECT_EQ(n->Edit()->text(), "7");
}

}  // namespace
}  // namespace qx
