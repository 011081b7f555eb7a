// Every element that shows a caption ("name=", "formula=") in front of a
// value: the value starts after the caption, never under it, and a value that
// does not fit is cut visibly at its end; it never loses its sign or leading
// digits silently, and never vanishes.
#include <QLineEdit>
#include <QStyle>
#include <functional>
#include <string>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "gui_support/AppFixture.h"
#include "instruments/uElementLabels.h"
#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXClock.h"
#include "instruments/uQXMultiLED.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXNumericOut.h"
#include "shell/uSheetSelect.h"

namespace qx {
namespace {

using test::AppFixture;

const QString kEllipsis = QStringLiteral("\u2026");

TEST(CaptionLine, CaptionGivesWayBeforeTheValue) {
  const TCaptionLine line{10, 4, 110, 2};  // 98 px for caption, gap and value
  struct Case {
    const char* what;
    int caption, value, minCaption;
    TCaptionSpans expected;
  };
  const Case cases[] = {
      {"both fit", 40, 30, 8, {40, 52, 58}},
      {"no caption", 0, 30, 8, {0, 4, 106}},
      {"caption cut to what the value leaves", 90, 50, 8, {48, 60, 50}},
      {"caption left with less than the ellipsis", 90, 92, 8, {0, 4, 106}},
      {"value wider than the line", 20, 200, 8, {0, 4, 106}},
  };
  for (const Case& c : cases) {
    const TCaptionSpans s = LayOutCaptionLine(line, c.caption, c.value, c.minCaption);
    EXPECT_EQ(s.CaptionWidth, c.expected.CaptionWidth) << c.what;
    EXPECT_EQ(s.ValueLeft, c.expected.ValueLeft) << c.what;
    EXPECT_EQ(s.ValueWidth, c.expected.ValueWidth) << c.what;
  }
}

// One caption line as an element shows it.
struct TLine {
  QRect Caption;
  QString CaptionText, CaptionShown;
  QRect Value;
  QString ValueText, ValueShown;
  QFont CaptionFont, ValueFont;
};

TLine FromLabels(const QLabel* caption, const QLabel* value) {
  return {caption->geometry(), caption->text(),       ShownLabelText(caption), value->geometry(),
          value->text(),       ShownLabelText(value), caption->font(),         value->font()};
}

// What one case puts on the line.
struct TCase {
  const char* what;
  std::string name;
  double value;
  std::string unit;
  int width;
  // Whole: fits beside a caption cut short; Cut: wider than the element;
  // Either: depends on the element's font and room.
  enum { Whole, Cut, Either } fit;
};

struct TElementKind {
  const char* what;
  std::function<TLine(const TCase&)> make;
};

class CaptionsBesideValuesTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form->show();
    form->TabBar->SelectTab(PageIndexRun);
  }

  static void ExpectReadable(const TLine& l, const TCase& c, const char* kind) {
    SCOPED_TRACE(std::string(kind) + ", " + c.what + ": caption \"" + l.CaptionShown.toStdString() +
                 "\", value \"" + l.ValueShown.toStdString() + "\"");
    ASSERT_FALSE(l.ValueText.isEmpty());
    // The value is there, after the caption.
    EXPECT_GT(l.Value.width(), 0);
    EXPECT_FALSE(l.ValueShown.isEmpty());
    if (l.Caption.width() > 0) {
      EXPECT_LE(l.Caption.x() + l.Caption.width(), l.Value.x());
    }
    // Whole and within its room, or visibly cut at its end with its start kept.
    EXPECT_LE(TextWidthOf(l.ValueShown, l.ValueFont), l.Value.width());
    if (c.fit == TCase::Whole) {
      EXPECT_EQ(l.ValueShown, l.ValueText);
    } else if (c.fit == TCase::Cut) {
      EXPECT_NE(l.ValueShown, l.ValueText);
    }
    if (l.ValueShown != l.ValueText) {
      EXPECT_TRUE(l.ValueShown.endsWith(kEllipsis));
      EXPECT_GT(l.ValueShown.size(), 2);
      EXPECT_TRUE(l.ValueText.startsWith(l.ValueShown.chopped(1)));
      // The caption gave way first.
      EXPECT_EQ(l.Caption.width(), 0);
    }
    // The caption likewise: whole, cut with an ellipsis, or gone.
    if (l.Caption.width() > 0 && l.CaptionShown != l.CaptionText) {
      EXPECT_TRUE(l.CaptionShown.endsWith(kEllipsis));
      EXPECT_TRUE(l.CaptionText.startsWith(l.CaptionShown.chopped(1)));
    }
    if (l.Caption.width() > 0) {
      EXPECT_LE(TextWidthOf(l.CaptionShown, l.CaptionFont), l.Caption.width());
    }
  }
};

TEST_F(CaptionsBesideValuesTest, ValuesReadWholeOrVisiblyCut) {
  const TCase cases[] = {
      {"negative number after name and formula", "U", -423.58, "", 200, TCase::Whole},
      {"many digits and a unit", "Druck", -12345.678, " bar", 200, TCase::Whole},
      {"millivolts in a narrow display", "Spannung", -12345678.9, "mV", 140, TCase::Either},
      {"caption wider than the element", "Kesseldruck im Vorlauf der zweiten Heizung", 23.5, "",
       200, TCase::Whole},
      {"value wider than the element", "P", -123456789012.25, "", 70, TCase::Cut},
  };
  const TElementKind kinds[] = {
      {"numeric display",
       [](const TCase& c) {
         auto* d = TQXNumericDisp::ElemCreate();
         d->resize(c.width, 40);
         d->SetDenom(c.name);
         d->SetShowName(true);
         d->SetSource("#1");
         d->SetShowSource(true);
         d->SetUnit(c.unit);
         d->SetShowUnit(!c.unit.empty());
         d->SetValue(c.value);
         d->UpdateDisplay();
         const TElementText *cap = d->CaptionLabel(), *val = d->ValueLabel();
         return TLine{cap->geometry(), cap->text(),      cap->ShownText(), val->geometry(),
                      val->text(),     val->ShownText(), cap->font(),      val->font()};
       }},
      {"analog display",
       [](const TCase& c) {
         auto* a = TQXAnalogDisp::ElemCreate();
         a->resize(c.width, 80);
         a->SetDenom(c.name);
         a->SetShowName(true);
         a->SetUnit(c.unit);
         a->SetShowUnit(!c.unit.empty());
         a->SetShowNumeric(true);
         a->SetValue(c.value);
         a->UpdateDisplay();
         return FromLabels(a->NameLabelIn, a->NumLabelIn);
       }},
      {"analog display, slider line",
       [](const TCase& c) {
         auto* a = TQXAnalogDisp::ElemCreate();
         a->resize(c.width, 80);
         a->SetMode(1);
         a->OutElement->SetDenom(c.name);
         a->SetShowOutName(true);
         a->SetShowNumeric(true);
         a->ShowSliderValue(c.value);
         return FromLabels(a->NameLabelOut, a->NumLabelOut);
       }},
      {"LED row",
       [](const TCase& c) {
         auto* m = TQXMultiLED::ElemCreate();
         m->resize(c.width, 40);
         m->SetDenom(c.name);
         m->SetShowDenom(true);
         m->SetShowValue(true);
         m->SetValue(c.value);
         m->UpdateCaption();
         return FromLabels(m->NameLabel(), m->ValueLabel());
       }},
      {"clock",
       [](const TCase& c) {
         auto* k = TQXClock::ElemCreate();
         k->resize(c.width, k->height());
         k->SetInSource(c.name);
         k->FormulaElement->StoreValue(c.value);
         k->SetShowValue(true);
         k->SetDecimals(2);
         return FromLabels(k->InputLabel(), k->ValueLabel());
       }},
      {"numeric sender",
       [](const TCase& c) {
         auto* n = TQXNumericOut::ElemCreate();
         n->resize(c.width, 40);
         n->SetDenom(c.name);
         n->SetShowName(true);
         n->SetUnit(c.unit);
         n->SetShowUnit(!c.unit.empty());
         n->SetEditText(FloatToText(c.value));
         // The field shows its number whole when its text room holds it.
         const QLineEdit* e = n->Edit();
         const int frame = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e);
         const bool whole = TextWidthOf(e->text(), e->font()) <= e->width() - 2 * frame - 4;
         TLine l = FromLabels(n->NameLabel(), n->UnitLabel());
         l.Value = e->geometry();
         l.ValueText = e->text();
         l.ValueShown = whole ? e->text() : QString();
         l.ValueFont = e->font();
         return l;
       }},
  };
  for (const TElementKind& k : kinds) {
    for (const TCase& c : cases) {
      // A number field too narrow scrolls rather than cuts: there the case
      // is only whether its caption leaves it room.
      if (std::string(k.what) == "numeric sender" && c.fit != TCase::Whole) continue;
      ExpectReadable(k.make(c), c, k.what);
    }
  }
}

// A caption that gave way to a wide value takes its room back when the value
// narrows again, and gives it up again for the next wide one.
TEST_F(CaptionsBesideValuesTest, CaptionComesBackAfterAWideValue) {
  struct Kind {
    const char* what;
    std::function<std::function<TLine(double)>()> make;
  };
  const Kind kinds[] = {
      {"numeric display",
       [] {
         auto* d = TQXNumericDisp::ElemCreate();
         d->SetDenom("Kesseldruck");
         d->SetShowName(true);
         d->SetUnit(" bar");
         d->SetShowUnit(true);
         return [d](double v) {
           d->SetValue(v);
           d->UpdateDisplay();
           const TElementText *cap = d->CaptionLabel(), *val = d->ValueLabel();
           return TLine{cap->geometry(), cap->text(),      cap->ShownText(), val->geometry(),
                        val->text(),     val->ShownText(), cap->font(),      val->font()};
         };
       }},
      {"analog display",
       [] {
         auto* a = TQXAnalogDisp::ElemCreate();
         a->resize(150, 80);  // its smaller font
         a->SetDenom("Kesseldruck");
         a->SetShowName(true);
         a->SetShowNumeric(true);
         return [a](double v) {
           a->SetValue(v);
           a->UpdateDisplay();
           return FromLabels(a->NameLabelIn, a->NumLabelIn);
         };
       }},
  };
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.what);
    const auto show = k.make();
    for (int round = 0; round < 2; ++round) {
      const TLine wide = show(-123456789.25);
      EXPECT_EQ(wide.ValueShown, wide.ValueText);
      EXPECT_NE(wide.CaptionShown, wide.CaptionText);
      EXPECT_LE(wide.Caption.x() + wide.Caption.width(), wide.Value.x());
      const TLine narrow = show(1);
      EXPECT_EQ(narrow.CaptionShown, narrow.CaptionText);
      EXPECT_EQ(narrow.Caption.width(), TextWidthOf(narrow.CaptionText, narrow.CaptionFont));
      EXPECT_EQ(narrow.Value.x(), narrow.Caption.x() + narrow.Caption.width());
    }
  }
}

}  // namespace
}  // namespace qx
