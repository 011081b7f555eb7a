// The property panel and its rows on a panel of their own (a plain probe
// object behind the accessors), and the listings of the classes in the whole
// application.
#include "editing/uPropertyEditor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <deque>
#include <stdexcept>

#include "widgets/uDialogs.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEESubRows.h"
#include "editing/uSheetBckgnd.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXButton.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXRemoteLabel.h"
#include "widgets/uRibbonButton.h"

namespace qx {
namespace {

void Key(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

// Types the text over the edit's content without finishing.
void TypeOnly(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  Key(edit, Qt::Key_Delete);
  for (const QChar c : text) {
    const int key = c.isLetterOrNumber() ? int(c.toUpper().unicode()) : int(Qt::Key_unknown);
    Key(edit, key, QString(c));
  }
}

// Types and confirms with Enter (editing done).
void Type(QLineEdit* edit, const QString& text) {
  TypeOnly(edit, text);
  Key(edit, Qt::Key_Return);
}

// Answers the dialogs from queues; an empty queue cancels.
class TFakeDialogs final : public TDialogProvider {
 public:
  std::vector<QString> Messages;
  std::deque<std::optional<TColor>> Colors;
  std::deque<std::optional<TFontDesc>> Fonts;
  std::deque<std::optional<std::string>> Files;
  std::vector<TColor> ColorStarts;
  std::vector<TFileDialogRequest> FileRequests;

  void Message(QWidget*, const QString& text) override { Messages.push_back(text); }
  bool Question(QWidget*, const QString&) override { return false; }
  std::optional<TColor> ChooseColor(QWidget*, TColor initial) override {
    ColorStarts.push_back(initial);
    return Pop(Colors);
  }
  std::optional<TFontDesc> ChooseFont(QWidget*, const TFontDesc&) override { return Pop(Fonts); }
  std::optional<std::string> ChooseFile(QWidget*, const TFileDialogRequest& r) override {
    FileRequests.push_back(r);
    return Pop(Files);
  }

 private:
  template <class T>
  static std::optional<T> Pop(std::deque<std::optional<T>>& q) {
    if (q.empty()) return std::nullopt;
    std::optional<T> v = q.front();
    q.pop_front();
    return v;
  }
};

// What the rows edit; every setter records its calls.
struct TProbe : TFLObject {
  int32_t Num = 5;
  int32_t Num2 = 6;
  double Real = 1.5;
  double Real2 = 2.5;
  std::string Text = "abc";
  bool Flag = false;
  bool Disabled = false;
  TColor Color = 0x123456;
  TFontDesc Font;
  std::string File;
  int32_t Choice = 1;
  std::vector<std::string> Calls;
  std::vector<double> Xs, Ys;
  int32_t CaptionCalls = 0;
};

using A = TEEAccessors<TProbe>;

template <class V, V TProbe::*M>
TEEAcc<V> Recorded(const char* name) {
  return A::Of<V>([](TProbe& p) { return p.*M; },
                  [name](TProbe& p, const V& v) {
                    p.*M = v;
                    p.Calls.push_back(name);
                  });
}

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFloatSeparator(',');
    window = std::make_unique<QWidget>();
    window->resize(1200, 800);
    panel = new QWidget(window.get());
    panel->setGeometry(800, 0, 400, 800);
    panel->hide();
    TPropertyEditor::EEInit(panel);
    SetDialogProvider(&dialogs);
    window->show();
  }
  void TearDown() override {
    TPropertyEditor::EEFree();
    SetDialogProvider(nullptr);
    window.reset();
  }
  void Show() { TPropertyEditor::ShowListing(listing, &probe); }

  std::unique_ptr<QWidget> window;
  QWidget* panel = nullptr;
  QPointer<TEEListing> listing;
  TFakeDialogs dialogs;
  TProbe probe;
};

// ---- build and refresh --------------------------------------------------------

TEST_F(PanelTest, RefreshRunRelabelsTheSameRowsAndKeepsAccessorsAndChoice) {
  auto build = [&](const QString& suffix) {
    TEEListing::Begin(listing);
    TEEETitelActive::Add("Titel" + suffix, Recorded<bool, &TProbe::Disabled>("disabled"));
    TEEELinie::Add();
    auto* f = TEEEIntFeld::Add("Zahl" + suffix, Recorded<int32_t, &TProbe::Num>("num"));
    auto* b = TEEEAuswahlbox::Add("Wahl" + suffix, {"a" + suffix, "b" + suffix, "c" + suffix},
                                  Recorded<int32_t, &TProbe::Choice>("choice"));
    TEEListing::End(listing);
    return std::pair{f, b};
  };
  const auto [f1, b1] = build("");
  EXPECT_EQ(TPropertyEditor::ListingMode(), TListingMode::Build);
  Show();
  EXPECT_EQ(b1->Combo->currentIndex(), 1);

  const auto [f2, b2] = build(" en");
  EXPECT_EQ(TPropertyEditor::ListingMode(), TListingMode::Refresh);
  EXPECT_EQ(f2, f1);
  EXPECT_EQ(b2, b1);
  ASSERT_EQ(listing->Entries.size(), 4u);
  EXPECT_EQ(f1->Label->text(), "Zahl en");
  EXPECT_EQ(b1->Combo->itemText(1), "b en");
  EXPECT_EQ(b1->Combo->currentIndex(), 1);  // texts changed, the choice stayed
  Type(f1->Edit, "42");
  EXPECT_EQ(probe.Num, 42);  // the accessors of the build run still apply
  EXPECT_EQ(TPropertyEditor::ListingRegistry().size(), 1u);
}

TEST_F(PanelTest, RefreshRunOfAnotherShapeRaises) {
  TEEListing::Begin(listing);
  TEEETitel::Add("T");
  TEEEIntFeld::Add("Zahl", Recorded<int32_t, &TProbe::Num>("num"));
  TEEListing::End(listing);

  TEEListing::Begin(listing);
  TEEETitel::Add("T");
  EXPECT_THROW(TEEERealFeld::Add("Zahl", {}), std::logic_error);  // another kind

  TEEListing::Begin(listing);
  EXPECT_THROW(TEEESubTitel::Add("T"), std::logic_error);  // a derived kind is another kind
  TEEListing::Begin(listing);
  TEEETitel::Add("T");
  TEEEIntFeld::Add("Zahl", {});
  EXPECT_THROW(TEEELinie::Add(), std::logic_error);  // beyond the end
}

TEST_F(PanelTest, RowsStackByTheirHeightsAndArrangeClosesGaps) {
  TEEListing::Begin(listing);
  auto* a = TEEETitel::Add("A");
  auto* l1 = TEEELinie::Add();
  TEEELinie::Add();
  TEEELinie::Add();
  auto* d = TEEEBeschreibung::Add(200, "Text");
  auto* b = TEEEZeichenfeld::Add("B", Recorded<std::string, &TProbe::Text>("text"));
  TEEListing::End(listing);
  EXPECT_EQ(a->geometry(), QRect(0, 0, 380, 40));
  EXPECT_EQ(l1->geometry(), QRect(0, 40, 380, 1));
  EXPECT_EQ(d->geometry(), QRect(0, 43, 380, 200));
  EXPECT_EQ(b->y(), 243);
  EXPECT_FALSE(d->isEnabled());  // the description takes no focus

  d->hide();
  TEEListing::End(listing);
  EXPECT_EQ(b->y(), 43);
  EXPECT_EQ(listing->Entries[4], d);  // keeps its place in the list
  d->show();
  listing->Arrange();
  EXPECT_EQ(b->y(), 243);
}

TEST_F(PanelTest, ActiveTitleSwitchesTheElementAndTheRowsFromTheThird) {
  TEEListing::Begin(listing);
  auto* t = TEEETitelActive::Add("Titel", Recorded<bool, &TProbe::Disabled>("disabled"));
  auto* line = TEEELinie::Add();
  auto* f = TEEEIntFeld::Add("Zahl", Recorded<int32_t, &TProbe::Num>("num"));
  auto* d = TEEEBeschreibung::Add(100, "Text");
  TEEListing::End(listing);
  Show();
  ASSERT_TRUE(t->Check->isChecked());
  EXPECT_TRUE(f->isEnabled());

  t->Check->click();
  EXPECT_TRUE(probe.Disabled);
  EXPECT_FALSE(f->isEnabled());
  EXPECT_FALSE(d->isEnabled());
  EXPECT_TRUE(t->isEnabled());
  EXPECT_TRUE(line->isEnabled());
  EXPECT_EQ(QColorToColor(t->Label->palette().color(QPalette::WindowText)), 0x808080u);

  t->Check->click();
  EXPECT_FALSE(probe.Disabled);
  EXPECT_TRUE(f->isEnabled());
  EXPECT_EQ(QColorToColor(t->Label->palette().color(QPalette::WindowText)), 0x000000u);

  // A disabled object shown later: its rows greyed out by the refresh alone.
  probe.Disabled = true;
  probe.Calls.clear();
  Show();
  EXPECT_FALSE(t->Check->isChecked());
  EXPECT_FALSE(f->isEnabled());
  EXPECT_TRUE(probe.Calls.empty());  // showing applies nothing
}

TEST_F(PanelTest, IndexTitleShowsItsCutCaptionFollowedByPropIndex) {
  TEEListing::Begin(listing);
  auto* t = TEEEIndexTitel::Add("Einstellungen Y-Achse ");
  auto* longT = TEEEIndexTitel::Add(QString(40, 'x'));
  TEEListing::End(listing);
  TPropertyEditor::PropIndex() = 3;
  Show();
  EXPECT_EQ(t->Label->text(), "Einstellungen Y-Achse 3");
  EXPECT_EQ(longT->Label->text(), QString(32, 'x') + "3");
}

// ---- number rows --------------------------------------------------------------

TEST_F(PanelTest, IntegerFieldAcceptsOnlyStrictDecimals) {
  TEEListing::Begin(listing);
  // The setter clamps, as element setters do.
  auto* f = TEEEIntFeld::Add("Zahl", A::Int([](TProbe& p) { return p.Num; },
                                            [](TProbe& p, int32_t v) {
                                              p.Num = std::min(v, 20);
                                              p.Calls.push_back("num");
                                            }));
  TEEListing::End(listing);
  Show();
  EXPECT_EQ(f->Edit->text(), "5");
  struct Case {
    const char* text;
    bool accepted;
    int32_t value;
    const char* shown;
  };
  const Case cases[] = {
      {"-3", true, -3, "-3"}, {"12", true, 12, "12"},   {"25", true, 20, "20"},
      {"+7", false, 0, "+7"}, {" 7", false, 0, " 7"},   {"1.0", false, 0, "1.0"},
      {"", false, 0, ""},     {"12a", false, 0, "12a"}, {"2147483648", false, 0, "2147483648"},
  };
  for (const Case& c : cases) {
    probe.Num = 5;
    probe.Calls.clear();
    Show();
    Type(f->Edit, c.text);
    EXPECT_EQ(probe.Calls.size(), c.accepted ? 1u : 0u) << c.text;
    if (c.accepted) {
      EXPECT_EQ(probe.Num, c.value) << c.text;
    }
    EXPECT_EQ(f->Edit->text(), c.shown) << c.text;  // accepted: the element's value
  }
}

TEST_F(PanelTest, RealFieldAcceptsBothSeparatorsAndShowsTheProcessOne) {
  TEEListing::Begin(listing);
  auto* f = TEEERealFeld::Add("Wert", Recorded<double, &TProbe::Real>("real"));
  TEEListing::End(listing);
  Show();
  EXPECT_EQ(f->Edit->text(), "1,5");
  struct Case {
    const char* text;
    bool accepted;
    double value;
    const char* shown;
  };
  const Case cases[] = {{"2,5", true, 2.5, "2,5"},      {"2.5", true, 2.5, "2,5"},
                        {"-1e3", true, -1000, "-1000"}, {"abc", false, 0, "abc"},
                        {"1.2,3", false, 0, "1.2,3"},   {"", false, 0, ""}};
  for (const Case& c : cases) {
    probe.Real = 1.5;
    probe.Calls.clear();
    Show();
    Type(f->Edit, c.text);
    EXPECT_EQ(probe.Calls.size(), c.accepted ? 1u : 0u) << c.text;
    if (c.accepted) {
      EXPECT_DOUBLE_EQ(probe.Real, c.value) << c.text;
    }
    EXPECT_EQ(f->Edit->text(), c.shown) << c.text;
  }
}

TEST_F(PanelTest, PairsApplyTheFinishedFieldAndDoublesApplyBoth) {
  TEEListing::Begin(listing);
  auto* ip = TEEEIntPaar::Add("Position", "X =", "Y =", Recorded<int32_t, &TProbe::Num>("n1"),
                              Recorded<int32_t, &TProbe::Num2>("n2"));
  auto* rp = TEEERealPaar::Add("Bereich", "Min", "Max", Recorded<double, &TProbe::Real>("r1"),
                               Recorded<double, &TProbe::Real2>("r2"));
  auto* id = TEEEIntDoppel::Add("Eins", "Zwei", Recorded<int32_t, &TProbe::Num>("n1"),
                                Recorded<int32_t, &TProbe::Num2>("n2"));
  TEEListing::End(listing);
  Show();
  EXPECT_EQ(ip->FirstEdit->text(), "5");
  EXPECT_EQ(ip->SecondEdit->text(), "6");

  // Int pair: a refused text calls nothing and stays.
  Type(ip->FirstEdit, "abc");
  EXPECT_TRUE(probe.Calls.empty());
  EXPECT_EQ(ip->FirstEdit->text(), "abc");
  Type(ip->SecondEdit, "-9");
  EXPECT_EQ(probe.Calls, std::vector<std::string>{"n2"});
  EXPECT_EQ(probe.Num2, -9);

  // Real pair: refused, nothing applied, the element's values come back.
  probe.Calls.clear();
  Type(rp->SecondEdit, "abc");
  EXPECT_TRUE(probe.Calls.empty());
  EXPECT_EQ(rp->FirstEdit->text(), "1,5");
  EXPECT_EQ(rp->SecondEdit->text(), "2,5");
  Type(rp->FirstEdit, "0.25");
  EXPECT_EQ(probe.Calls, std::vector<std::string>{"r1"});
  EXPECT_EQ(rp->FirstEdit->text(), "0,25");

  // Int double: whichever edit finishes, each accepted field applies.
  for (QLineEdit* finished : {id->FirstEdit, id->SecondEdit}) {
    probe.Calls.clear();
    TypeOnly(id->FirstEdit, "7");
    TypeOnly(id->SecondEdit, "x");
    Key(finished, Qt::Key_Return);
    EXPECT_EQ(probe.Calls, std::vector<std::string>{"n1"});
    EXPECT_EQ(probe.Num, 7);
    EXPECT_EQ(id->SecondEdit->text(), "x");
  }
}

// ---- text, choices, colours, fonts, files ---------------------------------------

TEST_F(PanelTest, TextWithOptionAppliesTextAndFlagEachThroughItsOwnSetter) {
  TEEListing::Begin(listing);
  auto* r = TEEEZeichenUAuswahl::Add("Name", "zeigen", Recorded<std::string, &TProbe::Text>("text"),
                                     Recorded<bool, &TProbe::Flag>("flag"));
  auto* in = TEEEEingangUAuswahl::Add(Recorded<std::string, &TProbe::Text>("source"),
                                      Recorded<bool, &TProbe::Flag>("show"));
  auto* out = TEEEAusgang::Add(Recorded<std::string, &TProbe::Text>("out"));
  TEEListing::End(listing);
  Show();
  EXPECT_EQ(r->Edit->text(), "abc");
  EXPECT_TRUE(probe.Calls.empty());
  Type(r->Edit, " x y ");
  EXPECT_EQ(probe.Text, " x y ");  // as typed
  r->Check->click();
  EXPECT_EQ(probe.Calls, (std::vector<std::string>{"text", "flag"}));
  EXPECT_TRUE(probe.Flag);

  EXPECT_EQ(in->Label->text(), "Eingang");
  EXPECT_EQ(in->Check->text(), "Zeigen");
  EXPECT_EQ(QColorToColor(in->palette().color(QPalette::Window)), kInputRowColor);
  EXPECT_EQ(typeid(*out), typeid(TEEEEingang));
  EXPECT_EQ(out->Label->text(), "Ausgang");
  EXPECT_EQ(out->Marker->text(), "=>");
  EXPECT_EQ(out->Marker->x(), 118);
  EXPECT_EQ(QColorToColor(out->palette().color(QPalette::Window)), kOutputRowColor);
}

TEST_F(PanelTest, DropDownAppliesThePickedIndex) {
  TEEListing::Begin(listing);
  auto* b =
      TEEEAuswahlbox::Add("Modus", {"a", "b", "c"}, Recorded<int32_t, &TProbe::Choice>("choice"));
  auto* check = TEEEAuswahlFeld::Add("Fest", "", Recorded<bool, &TProbe::Flag>("flag"));
  TEEListing::End(listing);
  Show();
  EXPECT_TRUE(probe.Calls.empty());
  emit b->Combo->activated(2);
  EXPECT_EQ(probe.Choice, 2);
  check->Check->click();
  EXPECT_TRUE(probe.Flag);
  EXPECT_EQ(probe.Calls, (std::vector<std::string>{"choice", "flag"}));
}

TEST_F(PanelTest, ColourRowReadsDecimalOrHexAndTheDialog) {
  TEEListing::Begin(listing);
  auto* c = TEEEFarbe::Add("Farbe", Recorded<TColor, &TProbe::Color>("color"));
  TEEListing::End(listing);
  Show();
  EXPECT_EQ(c->Edit->text(), "$00123456");
  EXPECT_EQ(c->Swatch->Fill(), 0x123456u);
  for (const char* text : {"$FF", "255"}) {
    probe.Color = 0;
    Type(c->Edit, text);
    EXPECT_EQ(probe.Color, 255u) << text;
    EXPECT_EQ(c->Swatch->Fill(), 255u) << text;
  }
  probe.Calls.clear();
  Type(c->Edit, "red");
  EXPECT_TRUE(probe.Calls.empty());
  EXPECT_EQ(c->Edit->text(), "red");

  dialogs.Colors = {0x00FF00, std::nullopt};
  c->Button->clicked();
  EXPECT_EQ(dialogs.ColorStarts.back(), 255u);  // the colour of the last apply
  EXPECT_EQ(c->Edit->text(), "$0000FF00");
  EXPECT_EQ(probe.Color, 0x00FF00u);
  probe.Calls.clear();
  c->Swatch->clicked();  // cancelled
  EXPECT_TRUE(probe.Calls.empty());
  EXPECT_EQ(c->Swatch->Fill(), 0x00FF00u);
}

TEST_F(PanelTest, FontRowSizesNamesAndColours) {
  probe.Font = TFontDesc{"Serif", 11, kDefaultFontColor};
  TEEListing::Begin(listing);
  auto* f = TEEEFont::Add("Schriftart", Recorded<TFontDesc, &TProbe::Font>("font"));
  TEEListing::End(listing);
  Show();
  EXPECT_EQ(f->NameEdit->text(), "Serif");
  EXPECT_EQ(f->SizeEdit->text(), "11");
  EXPECT_EQ(f->Swatch->Fill(), 0x000000u);  // the default colour shows black

  struct Case {
    const char* size;
    int32_t applied;
  };
  for (const Case& c : {Case{"0", 9}, Case{"-4", 9}, Case{"14", 14}}) {
    Type(f->SizeEdit, c.size);
    EXPECT_EQ(probe.Font.Size, c.applied) << c.size;
  }
  TypeOnly(f->NameEdit, "Mono");
  Type(f->SizeEdit, "12pt");
  EXPECT_EQ(probe.Font.Name, "Mono");  // the name applies in any case
  EXPECT_EQ(probe.Font.Size, 14);
  EXPECT_EQ(f->SizeEdit->text(), "14");

  probe.Calls.clear();
  f->Swatch->clicked();  // colour dialog cancelled
  EXPECT_TRUE(probe.Calls.empty());
  EXPECT_EQ(probe.Font.Color, kDefaultFontColor);

  dialogs.Fonts = {TFontDesc{"", 20, 0x0000FF}};
  f->Button->clicked();
  EXPECT_EQ(probe.Font.Name, "default");
  EXPECT_EQ(f->NameEdit->text(), "default");
  EXPECT_EQ(f->SizeEdit->text(), "20");
  EXPECT_EQ(f->Swatch->Fill(), 0x0000FFu);
}

TEST_F(PanelTest, FileRowsStoreNamesRelativeToTheProject) {
  if (!FileLoad) InitFileLoader();
  TEEListing::Begin(listing);
  auto* pic = TEEEBildDatei::Add("Bild", Recorded<std::string, &TProbe::File>("file"));
  auto* save = TEEEDateiauswahl::Add("Datei", Recorded<std::string, &TProbe::File>("file"));
  TEEListing::End(listing);
  Show();

  FileLoad->ProjectPath = "";
  dialogs.Files = {std::nullopt};
  pic->Button->clicked();
  ASSERT_EQ(dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(dialogs.FileRequests[0].Directory, pic->StartDirectory);
  EXPECT_TRUE(dialogs.FileRequests[0].MustExist);
  EXPECT_EQ(dialogs.FileRequests[0].Title, "Bilddatei ausw\u00e4hlen");
  EXPECT_TRUE(dialogs.FileRequests[0].Filter.startsWith("Bildformate"));
  EXPECT_TRUE(probe.Calls.empty());

  FileLoad->ProjectPath = "/tmp/proj";
  dialogs.Files = {"/tmp/proj/a.png", "/elsewhere/b.png"};
  pic->Button->clicked();
  EXPECT_EQ(dialogs.FileRequests.back().Directory, "/tmp/proj");
  EXPECT_EQ(probe.File, "a.png");
  EXPECT_EQ(pic->Edit->text(), "a.png");
  save->Button->clicked();
  EXPECT_EQ(dialogs.FileRequests.back().Kind, TFileDialogRequest::TKind::Save);
  EXPECT_EQ(probe.File, "/elsewhere/b.png");
  Type(save->Edit, "sub/typed.txt");
  EXPECT_EQ(probe.File, "sub/typed.txt");  // typed names stay as typed
  FileLoad->ProjectPath.clear();
}

// ---- panel protocol -------------------------------------------------------------

TEST_F(PanelTest, HidingAppliesWhatWasTypedAndRefreshWhileHiddenDoesNothing) {
  TEEListing::Begin(listing);
  auto* t = TEEEZeichenfeld::Add("Text", Recorded<std::string, &TProbe::Text>("text"));
  auto* n = TEEEIntFeld::Add("Zahl", Recorded<int32_t, &TProbe::Num>("num"));
  TEEListing::End(listing);
  Show();
  TypeOnly(t->Edit, "pending");
  TypeOnly(n->Edit, "77");
  EXPECT_TRUE(probe.Calls.empty());
  TPropertyEditor::HideListing();
  EXPECT_FALSE(TPropertyEditor::PanelVisible());
  EXPECT_EQ(probe.Text, "pending");
  EXPECT_EQ(probe.Num, 77);

  probe.Num = 1;
  TPropertyEditor::RefreshListing();
  EXPECT_EQ(n->Edit->text(), "77");
  Show();
  EXPECT_EQ(n->Edit->text(), "1");
}

TEST_F(PanelTest, ShowingAnotherObjectAppliesThePendingTextToTheFirst) {
  TEEListing::Begin(listing);
  auto* t = TEEEZeichenfeld::Add("Text", Recorded<std::string, &TProbe::Text>("text"));
  TEEListing::End(listing);
  TProbe other;
  Show();
  TypeOnly(t->Edit, "for the first");
  TPropertyEditor::ShowListing(listing, &other);
  EXPECT_EQ(probe.Text, "for the first");
  EXPECT_EQ(other.Text, "abc");
  EXPECT_EQ(t->Edit->text(), "abc");
}

TEST_F(PanelTest, MissingListingAndInheritedSubListingConstructorAreRefused) {
  TPropertyEditor::ShowListing(nullptr, &probe);
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0],
            "EEList nicht initialisiert! Fehlender Aufruf von EEInit in uInit?");
  EXPECT_FALSE(TPropertyEditor::PanelVisible());
  EXPECT_EQ(TEESubListing::Create(), nullptr);
  ASSERT_EQ(dialogs.Messages.size(), 2u);
  EXPECT_EQ(dialogs.Messages[1],
            "Internal Error: TEESubListing.Create: Inherited Constructor "
            "not suitable for SubListings");
}

// Curves of a probe chart: the accessors read PropIndex.
struct TChartProbe : TFLObject {
  std::string Source[6];
  TColor Color[6] = {};
  int32_t Width[6] = {};
  int32_t AxisMax[6] = {};
};

TEST_F(PanelTest, OpenersShareOneSubListingThroughTheirIndex) {
  using C = TEEAccessors<TChartProbe>;
  QPointer<TEESubListing> curveSub, axesSub, axisSub;
  std::vector<TEEEEingColSub*> curves;
  TEEESubLister* axesOpener = nullptr;
  TEEEIntFeld* width = nullptr;
  TEEEIntFeld* axisMax = nullptr;
  TEEESubLister* axisOpener = nullptr;
  auto build = [&] {
    TEEListing::Begin(listing);
    curves.clear();
    for (int i = 0; i < 6; ++i) {
      auto* r = TEEEEingColSub::Add(
          "Eingang Kurve" + QString::number(i),
          C::Text([](TChartProbe& p, int32_t k) { return p.Source[k]; },
                  [](TChartProbe& p, int32_t k, const std::string& v) { p.Source[k] = v; }),
          C::Color([](TChartProbe& p, int32_t k) { return p.Color[k]; },
                   [](TChartProbe& p, int32_t k, TColor v) { p.Color[k] = v; }));
      r->HasIndex = true;
      r->Index = i;
      curves.push_back(r);
    }
    axesOpener = TEEESubLister::Add("Achsen");
    TEESubListing::Begin(curveSub, listing, listing);
    for (TEEEEingColSub* r : curves) r->SubListing = curveSub;
    width = TEEEIntFeld::Add("Breite",
                             C::Int([](TChartProbe& p, int32_t k) { return p.Width[k]; },
                                    [](TChartProbe& p, int32_t k, int32_t v) { p.Width[k] = v; }));
    TEESubListing::End();
    TEESubListing::Begin(axesSub, listing, listing);
    axesOpener->SubListing = axesSub;
    axisOpener = TEEESubLister::Add("Achse 2");
    axisOpener->HasIndex = true;
    axisOpener->Index = 2;
    TEESubListing::End();
    TEESubListing::Begin(axisSub, listing, axesSub);
    axisOpener->SubListing = axisSub;
    axisMax = TEEEIntFeld::Add(
        "Max", C::Int([](TChartProbe& p, int32_t k) { return p.AxisMax[k]; },
                      [](TChartProbe& p, int32_t k, int32_t v) { p.AxisMax[k] = v; }));
    TEESubListing::End();
    TEEListing::End(listing);
  };
  build();
  build();  // a refresh run takes the same rows, also of the sub-listings
  ASSERT_EQ(curveSub->Entries.size(), 1u);
  ASSERT_EQ(listing->SubListings.size(), 3u);

  TChartProbe chart;
  chart.Width[3] = 3;
  chart.Width[5] = 5;
  chart.AxisMax[2] = 100;
  TPropertyEditor::ShowListing(listing, &chart);
  EXPECT_EQ(curves[4]->Swatch->Fill(), 0u);

  // A formula typed in the main listing applies without the sub-listing.
  Type(curves[3]->Edit, "#3");
  EXPECT_EQ(chart.Source[3], "#3");

  curves[3]->Button->clicked();
  EXPECT_EQ(TPropertyEditor::CurrentSubListing(), curveSub.data());
  EXPECT_FALSE(curveSub->Box->isHidden());
  EXPECT_FALSE(TPropertyEditor::BackBar()->isHidden());
  EXPECT_EQ(width->Edit->text(), "3");
  Type(width->Edit, "33");
  EXPECT_EQ(chart.Width[3], 33);
  TPropertyEditor::BackButton()->clicked();
  EXPECT_TRUE(curveSub->Box->isHidden());
  EXPECT_TRUE(TPropertyEditor::BackBar()->isHidden());
  EXPECT_EQ(TPropertyEditor::CurrentSubListing(), nullptr);
  curves[5]->Button->clicked();
  EXPECT_EQ(width->Edit->text(), "5");

  // Nested: back to the enclosing sub-listing, then to the main listing.
  TPropertyEditor::BackButton()->clicked();
  axesOpener->Button->clicked();
  axisOpener->Button->clicked();
  EXPECT_EQ(axisMax->Edit->text(), "100");
  chart.Source[0] = "#9";
  TPropertyEditor::BackButton()->clicked();
  EXPECT_EQ(TPropertyEditor::CurrentSubListing(), axesSub.data());
  EXPECT_FALSE(axesSub->Box->isHidden());
  EXPECT_FALSE(TPropertyEditor::BackBar()->isHidden());
  EXPECT_EQ(curves[0]->Edit->text(), "#9");  // each press refreshes the main rows
  TPropertyEditor::BackButton()->clicked();
  EXPECT_TRUE(TPropertyEditor::BackBar()->isHidden());

  // Showing another object while a sub-listing is open closes it.
  curves[1]->Button->clicked();
  TChartProbe second;
  second.Source[1] = "#77";
  TPropertyEditor::ShowListing(listing, &second);
  EXPECT_TRUE(curveSub->Box->isHidden());
  EXPECT_TRUE(TPropertyEditor::BackBar()->isHidden());
  EXPECT_EQ(curves[1]->Edit->text(), "#77");

  // The curve colour dialog starts where it was last closed.
  dialogs.Colors = {0x0000FF, std::nullopt};
  curves[2]->Swatch->clicked();
  EXPECT_EQ(second.Color[2], 0x0000FFu);
  curves[2]->Swatch->clicked();
  EXPECT_EQ(dialogs.ColorStarts.back(), 0x0000FFu);
}

TEST_F(PanelTest, ValueTableOfAnEmptyAndOfALoadedTable) {
  TEEListing::Begin(listing);
  auto* v = TEEEArrayViewer::Add<TProbe>(
      [](TProbe& p) {
        ++p.CaptionCalls;
        return std::string("Tabelle");
      },
      [](TProbe& p) {
        EXPECT_EQ(p.CaptionCalls, 1);  // the caption getter runs first
        return p.Xs;
      },
      [](TProbe& p) { return p.Ys; });
  TEEListing::End(listing);
  Show();
  EXPECT_EQ(v->Label->text(), "Tabelle");
  EXPECT_EQ(v->ColumnX, (QStringList{"X", " "}));
  EXPECT_EQ(v->ColumnY, (QStringList{"Y", "Keine Werte geladen"}));
  EXPECT_EQ(v->Grid->rowCount(), 1);
  EXPECT_EQ(v->Grid->item(0, 1)->text(), "Keine Werte geladen");

  probe.CaptionCalls = 0;
  probe.Xs = {0, 1.5, 2, 1e20};
  probe.Ys = {-1, 0.25, 4, 5};
  Show();
  EXPECT_EQ(v->Grid->rowCount(), 4);
  EXPECT_EQ(v->ColumnX, (QStringList{"X", "0", "1,5", "2", "1E20"}));
  EXPECT_EQ(v->ColumnY, (QStringList{"Y", "-1", "0,25", "4", "5"}));
  EXPECT_EQ(v->Grid->horizontalHeaderItem(0)->text(), "X");
  EXPECT_EQ(v->Grid->item(1, 1)->text(), "0,25");
  EXPECT_EQ(v->Grid->columnWidth(0), 80);
}

// ---- the listings of the application ----------------------------------------------

class ListingAppTest : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    SetDialogProvider(&dialogs);
    form->show();
  }
  void TearDown() override {
    SetDialogProvider(nullptr);
    AppFixture::TearDown();
  }
  template <class R>
  static R* Row(int index) {
    TEEListing* l = TPropertyEditor::CurrentListing();
    EXPECT_NE(l, nullptr);
    auto* r = dynamic_cast<R*>(l->Entries.at(static_cast<size_t>(index)));
    EXPECT_NE(r, nullptr) << index;
    return r;
  }
  TFakeDialogs dialogs;
};

TEST_F(ListingAppTest, PanelGoesLeftOnlyForElementsInTheRightZone) {
  ASSERT_EQ(form->width(), 1200);
  struct Case {
    int left, width;
    bool atLeft;
  };
  const Case cases[] = {{400, 600, false}, {401, 500, true}, {401, 200, false}, {700, 200, true}};
  for (const Case& c : cases) {
    TQXNumericDisp* e = TQXNumericDisp::ElemCreate();
    e->setGeometry(c.left, 10, c.width, 40);
    TPropertyEditor::ShowElement(*e);
    EXPECT_EQ(TPropertyEditor::PanelAtLeft(), c.atLeft) << c.left << "+" << c.width;
    EXPECT_EQ(form->PanelProperties->x(), c.atLeft ? 0 : 800) << c.left << "+" << c.width;
    EXPECT_EQ(form->PanelProperties->width(), 400);
  }
  form->ButtonHintergrundClick();  // the background always goes right
  EXPECT_EQ(form->PanelProperties->x(), 800);
  EXPECT_EQ(TPropertyEditor::ShownObject(), CurrentSheet->Background.get());
}

TEST_F(ListingAppTest, InputRowAppliesTheFormulaAndTheCompileShowsItsState) {
  TQXNumericDisp* e = TQXNumericDisp::ElemCreate();
  TPropertyEditor::ShowElement(*e);
  EXPECT_EQ(Row<TEEETitelActive>(0)->Label->text(), "Numerische Digitalanzeige");
  auto* input = Row<TEEEEingangUAuswahl>(3);
  ASSERT_NE(input, nullptr);
  struct Case {
    const char* formula;
    bool valid;
    TColor frame;
  };
  for (const Case& c : {Case{"#5+1", true, kCompiledColor}, Case{"#5+", false, kFailedColor}}) {
    form->TabBar->SelectTab(1);
    TPropertyEditor::ShowElement(*e);
    Type(input->Edit, c.formula);
    EXPECT_EQ(e->Source, c.formula);
    form->TabBar->SelectTab(0);  // the Run page compiles and shows the state
    EXPECT_FALSE(TPropertyEditor::PanelVisible());
    EXPECT_EQ(e->SourceValid, c.valid) << c.formula;
    EXPECT_EQ(e->ShownFrameColor(), c.frame) << c.formula;
  }
}

TEST_F(ListingAppTest, ButtonShowsTheFreeValueRowOfItsMode) {
  TQXButton* b = TQXButton::ElemCreate();
  TPropertyEditor::ShowElement(*b);
  auto* mode = Row<TEEEAuswahlbox>(8);
  auto* text = Row<TEEEZeichenfeld>(9);
  auto* number = Row<TEEERealFeld>(10);
  ASSERT_TRUE(mode && text && number);
  EXPECT_EQ(mode->Combo->count(), 4);
  EXPECT_TRUE(text->isHidden());
  EXPECT_TRUE(number->isHidden());
  const int lineY = TPropertyEditor::CurrentListing()->Entries[11]->y();
  EXPECT_EQ(lineY, mode->y() + 40);

  emit mode->Combo->activated(ModeFreeText);
  EXPECT_EQ(b->Mode, ModeFreeText);
  EXPECT_FALSE(text->isHidden());
  EXPECT_TRUE(number->isHidden());
  EXPECT_EQ(TPropertyEditor::CurrentListing()->Entries[11]->y(), lineY + 40);
  Type(text->Edit, "Hallo");
  EXPECT_EQ(b->FreeText, "Hallo");

  // Another button in mode 3 shows its own row.
  TQXButton* b2 = TQXButton::ElemCreate();
  b2->SetMode(ModeFreeNumber);
  TPropertyEditor::ShowElement(*b2);
  EXPECT_TRUE(text->isHidden());
  EXPECT_FALSE(number->isHidden());
  Type(number->Edit, "2,5");
  EXPECT_DOUBLE_EQ(b2->FreeNumber, 2.5);
}

TEST_F(ListingAppTest, EveryClassListingRefreshesInPlace) {
  // Every listing built first (each is built when first shown).
  for (const TElementClass& c : TQXElement::Classes())
    EXPECT_NE(TPropertyEditor::ListingOf(*c.ElemCreate()), nullptr) << c.SetName;
  EXPECT_NE(TPropertyEditor::ListingOf(*CurrentSheet->Background), nullptr);
  const size_t listings = TPropertyEditor::ListingRegistry().size();
  std::vector<std::vector<TEEEintrag*>> before;
  for (TEEListing* l : TPropertyEditor::ListingRegistry()) before.push_back(l->Entries);
  // The language switch runs every builder again.
  EXPECT_NO_THROW(TQXElement::InitListings());
  EXPECT_NO_THROW(TSheetBckgnd::InitListing());
  ASSERT_EQ(TPropertyEditor::ListingRegistry().size(), listings);
  for (size_t i = 0; i < listings; ++i)
    EXPECT_EQ(TPropertyEditor::ListingRegistry()[i]->Entries, before[i]);
  for (const char* cls : {"QXNUMERICDISP", "QXREMOTELABEL", "QXBUTTON"}) {
    TQXElement* e = TQXElement::FindClass(cls)->ElemCreate();
    TPropertyEditor::ShowElement(*e);
    EXPECT_TRUE(TPropertyEditor::PanelVisible()) << cls;
    EXPECT_TRUE(dialogs.Messages.empty()) << cls;
  }
}

TEST_F(ListingAppTest, BackgroundSizeRowFollowsThePictureMode) {
  form->ButtonHintergrundClick();
  auto* modeRow = Row<TEEEAuswahlbox>(4);
  auto* size = Row<TEEEIntPaar>(5);
  ASSERT_TRUE(modeRow && size);
  TSheetBckgnd& bg = *CurrentSheet->Background;
  EXPECT_EQ(modeRow->Combo->currentIndex(), PicFixWidth);
  EXPECT_TRUE(size->FirstEdit->isEnabled());
  EXPECT_FALSE(size->SecondEdit->isEnabled());
  struct Case {
    int32_t mode;
    bool first, second;
  };
  for (const Case& c : {Case{PicStretch, true, true}, Case{PicFixHeight, false, true},
                        Case{PicOrig, false, false}, Case{PicFixWidth, true, false}}) {
    emit modeRow->Combo->activated(c.mode);
    EXPECT_EQ(bg.PicMode, c.mode);
    EXPECT_EQ(size->FirstEdit->isEnabled(), c.first) << c.mode;
    EXPECT_EQ(size->SecondEdit->isEnabled(), c.second) << c.mode;
  }
  Type(size->FirstEdit, "9001");
  EXPECT_NE(bg.FixedWidth, 9001);
  Type(size->FirstEdit, "9000");
  EXPECT_EQ(bg.FixedWidth, 9000);
  auto* colour = Row<TEEEFarbe>(2);
  Type(colour->Edit, "$00FF00");
  EXPECT_EQ(bg.RunColor, 0x00FF00u);
  EXPECT_EQ(bg.EditColor, 0x00FF00u);
}

TEST_F(ListingAppTest, AnElementThatGoesLeavesThePanel) {
  TQXRemoteLabel* e = TQXRemoteLabel::ElemCreate();
  TPropertyEditor::ShowElement(*e);
  auto* name = Row<TEEEZeichenfeld>(2);
  TypeOnly(name->Edit, "typed");
  delete e;
  EXPECT_EQ(TPropertyEditor::ShownObject(), nullptr);
  EXPECT_FALSE(TPropertyEditor::PanelVisible());
  QCoreApplication::processEvents();  // a late editing-done reaches nothing
}

}  // namespace
}  // namespace qx
