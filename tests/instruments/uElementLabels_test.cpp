// The numeric and the text display paint their texts themselves: pixel for
// pixel as labels placed on them by the layout rules would show them.
#include "instruments/uElementLabels.h"

#include <QImage>
#include <functional>
#include <set>
#include <type_traits>
#include <vector>

#include "gui_support/AppFixture.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXRemoteLabel.h"
#include "shell/uSheetSelect.h"

namespace qx {
namespace {

using test::AppFixture;

// The display with its background and frame only, and real labels where the
// display says its texts stand: the look the displays had with child labels.
template <class Display>
class TLabelled : public Display {
 public:
  TLabelled() : Display(CurrentCanvas()) {}
  // Labels as the display's texts stand now; font set only when given.
  void PlaceLabels(const TFontDesc* font) {
    if constexpr (std::is_same_v<Display, TQXNumericDisp>) {
      Add(this->ValueLabel(), Qt::AlignRight | Qt::AlignVCenter, font, false);
      Add(this->CaptionLabel(), Qt::AlignLeft | Qt::AlignVCenter, font, false);
    } else {
      Add(this->Label(), Qt::AlignCenter, font, true);
    }
  }

 protected:
  void paintEvent(QPaintEvent* event) override { TQXElement::paintEvent(event); }

 private:
  void Add(const TElementText* t, Qt::Alignment align, const TFontDesc* font, bool wrap) {
    QLabel* l = MakeElementLabel(this, align);
    if (wrap) {
      l->setWordWrap(true);
      l->setTextFormat(Qt::PlainText);
    }
    if (font) SetLabelFont(l, *font);
    l->setText(t->ShownText());
    l->setGeometry(t->geometry());
  }
};

class ElementTextTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form->show();
    form->TabBar->SelectTab(PageIndexRun);
  }
  // The display drawn twice (the second time from what the first kept),
  // after `change` twice more, beside labels placed for the final state.
  template <class Display>
  static void ExpectSameLook(const std::function<void(Display&)>& setup, const TFontDesc* font,
                             const char* what,
                             const std::function<void(Display&)>& change = nullptr,
                             const TFontDesc* finalFont = nullptr) {
    auto* drawn = new Display(CurrentCanvas());
    auto* labelled = new TLabelled<Display>();
    for (Display* d : {drawn, static_cast<Display*>(labelled)}) {
      if (font) d->SetFont(*font);
      setup(*d);
      d->UpdateDisplay();
    }
    std::vector<QImage> shots;
    const auto shoot = [&] {
      shots.push_back(drawn->grab().toImage().convertToFormat(QImage::Format_ARGB32));
    };
    shoot();
    shoot();
    if (change) {
      change(*drawn);
      change(*labelled);
      drawn->UpdateDisplay();
      labelled->UpdateDisplay();
      shots.clear();
      shoot();
      shoot();
    }
    labelled->PlaceLabels(change ? finalFont : font);
    QCoreApplication::processEvents();
    const QImage b = labelled->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    for (size_t i = 0; i < shots.size(); ++i) EXPECT_EQ(shots[i], b) << what << ", paint " << i;
    // Text was drawn: more than the background and the frame colour.
    const QImage& a = shots.back();
    std::set<QRgb> colours;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) colours.insert(a.pixel(x, y));
    EXPECT_GT(colours.size(), 3u) << what;
    delete drawn;
    delete labelled;
  }
};

TFontDesc BigRedBold() {
  TFontDesc f;
  f.Name = "DejaVu Serif";
  f.Size = 16;
  f.Color = 0x0000FF;
  f.Bold = true;
  return f;
}

TFontDesc SmallGreenItalic() {
  TFontDesc f;
  f.Name = "DejaVu Sans";
  f.Size = 9;
  f.Color = 0x00AA00;
  f.Italic = true;
  f.Underline = true;
  return f;
}

TEST_F(ElementTextTest, NumericDisplayLooksAsWithLabels) {
  const TFontDesc big = BigRedBold(), small = SmallGreenItalic();
  struct Case {
    const char* what;
    const TFontDesc* font;
    std::function<void(TQXNumericDisp&)> setup;
  };
  const Case cases[] = {
      {"default", nullptr, [](TQXNumericDisp& d) { d.SetValue(3.14159); }},
      {"name, formula and unit", nullptr,
       [](TQXNumericDisp& d) {
         d.SetDenom("U");
         d.SetShowName(true);
         d.SetSource("#3");
         d.SetShowSource(true);
         d.SetUnit(" V");
         d.SetShowUnit(true);
         d.SetValue(12);
       }},
      {"font and colours", &big,
       [](TQXNumericDisp& d) {
         d.SetBckGndColor(0x202020);
         d.SetFrameColor(0x00FFFF);
         d.SetFrameWidth(2);
         d.SetDenom("Temp");
         d.SetShowName(true);
         d.SetValue(-21.5);
       }},
      {"small, cut off", nullptr,
       [](TQXNumericDisp& d) {
         d.resize(60, 20);
         d.SetDenom("Druck");
         d.SetShowName(true);
         d.SetValue(123456.789);
       }},
      {"italic, fixed decimals, no frame", &small,
       [](TQXNumericDisp& d) {
         d.SetDecimals(4);
         d.SetFixedDecimal(true);
         d.SetValue(7);
         d.SetFrameWidth(0);
         d.resize(150, 30);
       }},
      {"right-to-left name and a tab", nullptr,
       [](TQXNumericDisp& d) {
         d.SetDenom("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D\ta");
         d.SetShowName(true);
         d.SetValue(1);
       }},
      {"right-to-left name ending in a blank", nullptr,
       [](TQXNumericDisp& d) {
         d.SetDenom("a \xD7\xA9\xD7\x9C ");
         d.SetShowName(true);
         d.SetValue(2);
       }},
      {"name with a line break", nullptr,
       [](TQXNumericDisp& d) {
         d.resize(200, 60);
         d.SetDenom("Druck\nKessel");
         d.SetShowName(true);
         d.SetValue(3);
       }},
      {"blanks and a tab in the caption", nullptr,
       [](TQXNumericDisp& d) {
         d.resize(260, 40);
         d.SetDenom("  P\tx y");
         d.SetShowName(true);
         d.SetSource("#2*3");
         d.SetShowSource(true);
         d.SetValue(0.5);
       }},
      {"underlined caption", &small,
       [](TQXNumericDisp& d) {
         d.SetDenom("Fluss");
         d.SetShowName(true);
         d.SetValue(8);
       }},
      {"disabled, name cut off", &big,
       [](TQXNumericDisp& d) {
         d.resize(70, 24);
         d.SetDenom("Temperatur");
         d.SetShowName(true);
         d.SetValue(99);
         d.setEnabled(false);
       }},
  };
  for (const Case& c : cases) ExpectSameLook<TQXNumericDisp>(c.setup, c.font, c.what);
}

// A caption drawn from its kept layout shows each change as a new label
// would: text, font, colour, size, frame and state.
TEST_F(ElementTextTest, NumericCaptionFollowsChanges) {
  const TFontDesc big = BigRedBold(), small = SmallGreenItalic();
  TFontDesc blue;
  blue.Name = "DejaVu Sans";
  blue.Size = 12;
  blue.Color = 0xFF0000;
  TFontDesc green = blue;
  green.Color = 0x00AA00;
  const auto setup = [](TQXNumericDisp& d) {
    d.SetDenom("U");
    d.SetShowName(true);
    d.SetValue(12);
  };
  // The caption is drawn from its kept layout, the value the plain way.
  {
    TQXNumericDisp d(CurrentCanvas());
    setup(d);
    d.grab();
    d.grab();
    EXPECT_TRUE(d.CaptionLabel()->PaintedFromLayout());
    EXPECT_FALSE(d.ValueLabel()->PaintedFromLayout());
  }
  struct Case {
    const char* what;
    const TFontDesc* before;
    const TFontDesc* after;
    std::function<void(TQXNumericDisp&)> change;
  };
  const Case cases[] = {
      {"other name", nullptr, nullptr, [](TQXNumericDisp& d) { d.SetDenom("Druck"); }},
      {"right-to-left name", nullptr, nullptr,
       [](TQXNumericDisp& d) { d.SetDenom("\xD7\xA9\xD7\x9C"); }},
      {"other font", nullptr, &big, [&](TQXNumericDisp& d) { d.SetFont(big); }},
      {"underlined font", &blue, &small, [&](TQXNumericDisp& d) { d.SetFont(small); }},
      {"other colour", &blue, &green, [&](TQXNumericDisp& d) { d.SetFont(green); }},
      {"other height", nullptr, nullptr, [](TQXNumericDisp& d) { d.resize(200, 70); }},
      {"other frame", nullptr, nullptr, [](TQXNumericDisp& d) { d.SetFrameWidth(5); }},
      {"disabled", nullptr, nullptr, [](TQXNumericDisp& d) { d.setEnabled(false); }},
  };
  for (const Case& c : cases)
    ExpectSameLook<TQXNumericDisp>(setup, c.before, c.what, c.change, c.after);
}

TEST_F(ElementTextTest, TextDisplayLooksAsWithALabel) {
  const TFontDesc big = BigRedBold(), small = SmallGreenItalic();
  struct Case {
    const char* what;
    const TFontDesc* font;
    std::function<void(TQXRemoteLabel&)> setup;
  };
  const Case cases[] = {
      {"initial text", nullptr, [](TQXRemoteLabel&) {}},
      {"wrapped", nullptr,
       [](TQXRemoteLabel& d) {
         d.resize(120, 80);
         d.SetStrValue("Pumpe l\xC3\xA4uft seit langer Zeit ohne Pause");
       }},
      {"font and colours", &big,
       [](TQXRemoteLabel& d) {
         d.SetBckGndColor(0x303000);
         d.SetFrameWidth(1);
         d.resize(220, 50);
         d.SetStrValue("Alarm");
       }},
      {"small, cut off", &small,
       [](TQXRemoteLabel& d) {
         d.resize(50, 20);
         d.SetStrValue("abcdefghijklmnop");
       }},
      {"right to left", nullptr,
       [](TQXRemoteLabel& d) { d.SetStrValue("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D world"); }},
      {"tab and line break", nullptr,
       [](TQXRemoteLabel& d) {
         d.resize(200, 70);
         d.SetStrValue("a\tb\nzweite Zeile");
       }},
      {"markup stays text", nullptr, [](TQXRemoteLabel& d) { d.SetStrValue("<b>fett</b>"); }},
  };
  for (const Case& c : cases) ExpectSameLook<TQXRemoteLabel>(c.setup, c.font, c.what);
}

}  // namespace
}  // namespace qx
