// The property listings of the analog display, bar graph, LED, blink LED,
// LED row, picture and beeper in the whole application: built and refreshed
// in place, rows that follow a mode or a count, and edits that reach the
// element.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "foundation/uFileLoader.h"
#include "foundation/uGraphicsUtil.h"
#include "foundation/uNumText.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXBargraph.h"
#include "instruments/uQXBeep.h"
#include "instruments/uQXBlinkLED.h"
#include "instruments/uQXMultiLED.h"
#include "instruments/uQXPicture.h"
#include "instruments/uQXled.h"
#include "shell/uInit.h"
#include "widgets/uDialogs.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"

namespace qx {
namespace {

void Key(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

// Types over the edit's content and confirms with Enter (editing done).
void Type(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  Key(edit, Qt::Key_Delete);
  for (const QChar c : text) {
    const int key = c.isLetterOrNumber() ? int(c.toUpper().unicode()) : int(Qt::Key_unknown);
    Key(edit, key, QString(c));
  }
  Key(edit, Qt::Key_Return);
}

// Answers colour and file dialogs from queues; an empty queue cancels.
class TFakeDialogs final : public TDialogProvider {
 public:
  std::vector<QString> Messages;
  std::deque<TColor> Colors;
  std::deque<std::string> Files;

  void Message(QWidget*, const QString& text) override { Messages.push_back(text); }
  bool Question(QWidget*, const QString&) override { return false; }
  std::optional<TColor> ChooseColor(QWidget*, TColor) override {
    if (Colors.empty()) return std::nullopt;
    const TColor c = Colors.front();
    Colors.pop_front();
    return c;
  }
  std::optional<TFontDesc> ChooseFont(QWidget*, const TFontDesc&) override { return std::nullopt; }
  std::optional<std::string> ChooseFile(QWidget*, const TFileDialogRequest&) override {
    if (Files.empty()) return std::nullopt;
    const std::string f = Files.front();
    Files.pop_front();
    return f;
  }
};

class InstrumentListingTest : public test::AppFixture {
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
  // A new element of the class, shown by the panel.
  static TQXElement* Show(const char* setName) {
    TQXElement* e = TQXElement::FindClass(setName)->ElemCreate();
    TPropertyEditor::ShowElement(*e);
    return e;
  }
  // The first row of the shown listing with a label of this caption.
  static TEEEintrag* Row(const QString& caption) {
    TEEListing* l = TPropertyEditor::CurrentListing();
    if (!l) return nullptr;
    for (TEEEintrag* e : l->Entries)
      for (const QLabel* label : e->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->text() == caption) return e;
    return nullptr;
  }
  // The row's edits in the order the row made them.
  static QList<QLineEdit*> Edits(TEEEintrag* row) {
    return row->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
  }
  // The visible rows stand one below the other from the top.
  static void ExpectStacked() {
    int y = 0;
    for (TEEEintrag* e : TPropertyEditor::CurrentListing()->Entries) {
      if (e->isHidden()) continue;
      EXPECT_EQ(e->y(), y);
      y += e->height();
    }
  }
  TFakeDialogs dialogs;
};

TEST_F(InstrumentListingTest, EveryListingBuildsAndRefreshesInPlace) {
  struct Case {
    const char* cls;
    QString title;
    size_t rows;
  };
  const Case cases[] = {
      {"QXANALOGDISP", "Analoganzeige/-schieber", 36},
      {"QXBarGraph", "Balkenanzeige", 34},
      {"QXLED", "LED-Anzeige", 26},
      {"QXBLINKLED", "Blink-LED", 18},
      {"QXMultiLED", "LED-Leiste", 20},
      {"QXPICTURE", "Bildanzeige", 29},
      {"QXBEEP", "Signalton", 17},
  };
  for (const Case& c : cases) {
    TQXElement* e = Show(c.cls);
    TEEListing* l = TPropertyEditor::ListingOf(*e);
    ASSERT_NE(l, nullptr) << c.cls;
    EXPECT_EQ(TPropertyEditor::CurrentListing(), l) << c.cls;
    const std::vector<TEEEintrag*> before = l->Entries;
    EXPECT_EQ(before.size(), c.rows) << c.cls;
    auto* title = dynamic_cast<TEEETitelActive*>(before.at(0));
    ASSERT_NE(title, nullptr) << c.cls;
    EXPECT_EQ(title->Label->text(), c.title);
    // The language switch runs every builder again over the same rows.
    EXPECT_NO_THROW(TQXElement::InitListings()) << c.cls;
    EXPECT_EQ(l->Entries, before) << c.cls;
    TPropertyEditor::ShowElement(*e);
    EXPECT_TRUE(TPropertyEditor::PanelVisible()) << c.cls;
    ExpectStacked();
  }
  EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(InstrumentListingTest, ModeAndCountRowsShowAndHide) {
  struct RowState {
    QString caption;
    bool shown;
    bool editable = true;  // every edit of the row enabled
  };
  struct Case {
    const char* cls;
    QString control;  // mode box or count field set through the panel; none: as created
    int value;
    std::vector<RowState> rows;
  };
  const Case cases[] = {
      {"QXANALOGDISP",
       "Modus",
       1,
       {{"Name", false},
        {"Eingang", false},
        {"Name Ausgang", true},
        {"Ausgang", true},
        {"Schritte Schieber", true}}},
      {"QXANALOGDISP",
       "Modus",
       2,
       {{"Name", true},
        {"Eingang", true},
        {"Name Ausgang", true},
        {"Ausgang", true},
        {"Schritte Schieber", true}}},
      {"QXANALOGDISP",
       "",
       0,
       {{"Name", true},
        {"Eingang", true},
        {"Name Ausgang", false},
        {"Ausgang", false},
        {"Schritte Schieber", true, false}}},
      {"QXBarGraph", "Modus", 0, {{"Name", true}, {"Eingang", true}, {"Ausgang", false}}},
      {"QXBarGraph", "Modus", 1, {{"Name", true}, {"Eingang", false}, {"Ausgang", true}}},
      {"QXBarGraph", "", 0, {{"Eingang", true}, {"Ausgang", true}}},
      {"QXLED",
       "Anzahl Farben",
       3,
       {{"LeuchtFarbe (=1)", true}, {"LeuchtFarbe (=3)", true}, {"LeuchtFarbe (=4)", false}}},
      {"QXLED", "Anzahl Farben", 10, {{"LeuchtFarbe (=10)", true}}},
      {"QXLED",
       "",
       0,
       {{"Nachtfarbe (=0)", true}, {"LeuchtFarbe (=1)", true}, {"LeuchtFarbe (=2)", false}}},
      {"QXPICTURE",
       "Anzahl Bilder",
       2,
       {{"Bilddatei (=1)", true}, {"Bilddatei (=2)", true}, {"Bilddatei (=3)", false}}},
      {"QXPICTURE", "Anzahl Bilder", 10, {{"Bilddatei (=10)", true}}},
      {"QXPICTURE", "", 0, {{"Bilddatei (=1)", true}, {"Bilddatei (=2)", false}}},
      {"QXBEEP", "Modus", 1, {{"Signaldauer (Sek)", true}}},
      {"QXBEEP", "Modus", 2, {{"Signaldauer (Sek)", true}}},
      {"QXBEEP", "", 0, {{"Signaldauer (Sek)", true, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cls) + " " + c.control.toStdString() + " " +
                 std::to_string(c.value));
    Show(c.cls);
    if (!c.control.isEmpty()) {
      TEEEintrag* control = Row(c.control);
      ASSERT_NE(control, nullptr);
      if (auto* box = dynamic_cast<TEEEAuswahlbox*>(control))
        emit box->Combo->activated(c.value);
      else
        Type(dynamic_cast<TEEEIntFeld*>(control)->Edit, QString::number(c.value));
    }
    for (const RowState& r : c.rows) {
      TEEEintrag* row = Row(r.caption);
      ASSERT_NE(row, nullptr) << r.caption.toStdString();
      EXPECT_EQ(!row->isHidden(), r.shown) << r.caption.toStdString();
      bool editable = true;
      for (const QLineEdit* edit : Edits(row)) editable = editable && edit->isEnabled();
      EXPECT_EQ(editable, r.editable) << r.caption.toStdString();
    }
    ExpectStacked();
  }
}

TEST_F(InstrumentListingTest, OnlyTheColoursAndFilesOfShownRowsAreSaved) {
  PortList->FreeAll();
  Show("QXLED");
  Type(dynamic_cast<TEEEIntFeld*>(Row("Anzahl Farben"))->Edit, "2");
  Show("QXPICTURE");
  Type(dynamic_cast<TEEEIntFeld*>(Row("Anzahl Bilder"))->Edit, "3");
  const std::string text = FileLoad->ProjectText();
  EXPECT_NE(text.find("ledColor2"), std::string::npos);
  EXPECT_EQ(text.find("ledColor3"), std::string::npos);
  EXPECT_NE(text.find("picFile3"), std::string::npos);
  EXPECT_EQ(text.find("picFile4"), std::string::npos);
}

TEST_F(InstrumentListingTest, EditsThroughThePanelReachTheElement) {
  // A colour comes from the dialog when pick is set, otherwise text is
  // typed into the row's edit number `edit`.
  struct Case {
    const char* cls;
    QString caption;
    int edit;
    QString text;
    std::optional<TColor> pick;
    std::function<void(TQXElement&)> check;
  };
  const Case cases[] = {
      {"QXANALOGDISP",
       "Nachkommastellen",
       0,
       "5",
       {},
       [](TQXElement& e) { EXPECT_EQ(dynamic_cast<TQXAnalogDisp&>(e).Decimal, 5); }},
      {"QXANALOGDISP",
       "Skalenbereich",
       1,
       "250",
       {},
       [](TQXElement& e) { EXPECT_DOUBLE_EQ(dynamic_cast<TQXAnalogDisp&>(e).MaxScale, 250); }},
      {"QXANALOGDISP",
       "Name Ausgang",
       0,
       "Pumpe",
       {},
       [](TQXElement& e) {
         EXPECT_EQ(dynamic_cast<TQXAnalogDisp&>(e).OutElement->Denom, "Pumpe");
       }},
      {"QXANALOGDISP",
       "Zeigerfarbe",
       0,
       {},
       0x00FF00,
       [](TQXElement& e) {
         EXPECT_EQ(dynamic_cast<TQXAnalogDisp&>(e).GetNeedleColor(), 0x00FF00u);
       }},
      {"QXBarGraph",
       "Anzahl Stufen",
       0,
       "12",
       {},
       [](TQXElement& e) { EXPECT_EQ(dynamic_cast<TQXBargraph&>(e).GetStepQty(), 12); }},
      {"QXBarGraph",
       "Randabstand",
       1,
       "7",
       {},
       [](TQXElement& e) { EXPECT_EQ(dynamic_cast<TQXBargraph&>(e).GetClearanceY(), 7); }},
      {"QXBarGraph",
       "Ausgang",
       0,
       "#3",
       {},
       [](TQXElement& e) { EXPECT_EQ(dynamic_cast<TQXBargraph&>(e).OutElement->Source, "#3"); }},
      {"QXBarGraph",
       "Leuchtfarbe",
       0,
       {},
       0x123456,
       [](TQXElement& e) { EXPECT_EQ(dynamic_cast<TQXBargraph&>(e).GetLightColor(), 0x123456u); }},
      {"QXLED",
       "LeuchtFarbe (=1)",
       0,
       {},
       0x0000FF,
       [](TQXElement& e) { EXPECT_EQ(dynamic_cast<TQXled&>(e).Colors[1], 0x0000FFu); }},
      {"QXLED",
       "Nachtfarbe (=0)",
       0,
       "$00FF00",
       {},
       [](TQXElement& e) {
         auto& led = dynamic_cast<TQXled&>(e);
         EXPECT_EQ(led.Colors[0], 0x00FF00u);
         EXPECT_EQ(led.Colors[1], 0x07F113u);  // the other indices are untouched
       }},
      {"QXBLINKLED",
       "Einschaltdauer/Sek.",
       0,
       "2,5",
       {},
       [](TQXElement& e) { EXPECT_DOUBLE_EQ(dynamic_cast<TQXBlinkLED&>(e).OnTime, 2.5); }},
      {"QXMultiLED",
       "Bitbreite",
       0,
       "12",
       {},
       [](TQXElement& e) { EXPECT_EQ(dynamic_cast<TQXMultiLED&>(e).GetBits(), 12); }},
      {"QXMultiLED",
       "Nachtfarbe",
       0,
       {},
       0x010101,
       [](TQXElement& e) { EXPECT_EQ(dynamic_cast<TQXMultiLED&>(e).GetLedOffColor(), 0x010101u); }},
      {"QXPICTURE",
       "Anfangswert",
       0,
       "2",
       {},
       [](TQXElement& e) { EXPECT_DOUBLE_EQ(e.GetInitValue(), 2); }},
      {"QXBEEP",
       "Tonfrequenz (Hz)",
       0,
       "1000",
       {},
       [](TQXElement& e) { EXPECT_EQ(dynamic_cast<TQXBeep&>(e).Frequency, 1000); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cls) + " " + c.caption.toStdString());
    TQXElement* e = Show(c.cls);
    TEEEintrag* row = Row(c.caption);
    ASSERT_NE(row, nullptr);
    if (c.pick) {
      dialogs.Colors.push_back(*c.pick);
      auto* colour = dynamic_cast<TEEEFarbe*>(row);
      ASSERT_NE(colour, nullptr);
      emit colour->Swatch->clicked();
    } else {
      ASSERT_GT(Edits(row).size(), c.edit);
      Type(Edits(row)[c.edit], c.text);
    }
    c.check(*e);
  }
}

TEST_F(InstrumentListingTest, LightColourRowsDeriveTheNightColourShownBelow) {
  struct Case {
    const char* cls;
    QString light, night;
    double dim;
  };
  const Case cases[] = {{"QXBLINKLED", "LeuchtFarbe (=1)", "Nachtfarbe  (=0)", 0.1},
                        {"QXMultiLED", "Leuchtfarbe", "Nachtfarbe", 0.4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cls);
    Show(c.cls);
    auto* light = dynamic_cast<TEEEFarbe*>(Row(c.light));
    auto* night = dynamic_cast<TEEEFarbe*>(Row(c.night));
    ASSERT_TRUE(light && night);
    dialogs.Colors.push_back(0x0000FF);
    emit light->Swatch->clicked();
    const TColor dimmed = DimColor(0x0000FF, c.dim);
    EXPECT_EQ(night->Edit->text(), QString::fromStdString(ColorToText(dimmed)));
    EXPECT_EQ(night->Swatch->Fill(), dimmed);
  }
  // The blink LED's key keeps only the light colour: a night colour set
  // afterwards survives saving and loading.
  PortList->FreeAll();
  NewProject();
  Show("QXBLINKLED");
  dialogs.Colors = {0x00AAFF, 0x123456};
  emit dynamic_cast<TEEEFarbe*>(Row("LeuchtFarbe (=1)"))->Swatch->clicked();
  emit dynamic_cast<TEEEFarbe*>(Row("Nachtfarbe  (=0)"))->Swatch->clicked();
  const std::string text = FileLoad->ProjectText();
  NewProject();
  FileLoad->LoadProjectText(text);
  ASSERT_EQ(CurrentSheet->ElementList.size(), 1u);
  auto* back = dynamic_cast<TQXBlinkLED*>(CurrentSheet->ElementList[0]);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->LedColor, 0x00AAFFu);
  EXPECT_EQ(back->LedOffColor, 0x123456u);
}

TEST_F(InstrumentListingTest, PictureSizeFieldsFollowTheViewModeAndFilesGoToTheirIndex) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString wide = dir.filePath("wide.png");
  QImage img(400, 100, QImage::Format_RGB32);
  img.fill(Qt::red);
  ASSERT_TRUE(img.save(wide));

  auto* pic = dynamic_cast<TQXPicture*>(Show("QXPICTURE"));
  ASSERT_NE(pic, nullptr);
  ASSERT_EQ(pic->width(), 200);
  auto* mode = dynamic_cast<TEEEAuswahlbox*>(Row("Bildmodus"));
  auto* size =
      dynamic_cast<TEEEIntPaar*>(Row("Abma\xC3\x9F"
                                     "e"));
  ASSERT_TRUE(mode && size);
  dialogs.Files = {wide.toStdString()};
  emit dynamic_cast<TEEEBildDatei*>(Row("Bilddatei (=1)"))->Button->clicked();
  // Fixed width: the height follows the picture and is shown, not edited.
  EXPECT_EQ(pic->height(), 59);
  EXPECT_EQ(size->SecondEdit->text(), "59");
  struct Case {
    int32_t mode;
    bool width, height;
  };
  for (const Case& c :
       {Case{ViewFit, true, true}, Case{ViewStretch, true, true}, Case{ViewFixHeight, false, true},
        Case{ViewOrig, false, false}, Case{ViewFixWidth, true, false}}) {
    emit mode->Combo->activated(c.mode);
    EXPECT_EQ(pic->ViewMode, c.mode);
    EXPECT_EQ(size->FirstEdit->isEnabled(), c.width) << c.mode;
    EXPECT_EQ(size->SecondEdit->isEnabled(), c.height) << c.mode;
    if (c.mode == ViewOrig) {
      EXPECT_EQ(size->FirstEdit->text(), "412");
    }
  }
  // The second file row sets the second picture only.
  Type(dynamic_cast<TEEEIntFeld*>(Row("Anzahl Bilder"))->Edit, "2");
  dialogs.Files = {wide.toStdString()};
  emit dynamic_cast<TEEEBildDatei*>(Row("Bilddatei (=2)"))->Button->clicked();
  EXPECT_FALSE(pic->FileNames[1].empty());
  EXPECT_TRUE(pic->Image(2)->HasPicture());
  EXPECT_EQ(pic->FileNames[0], pic->FileNames[1]);
}

TEST_F(InstrumentListingTest, BeeperLengthIsEditedOutsideContinuousAndNameShowsTheHeight) {
  auto* beep = dynamic_cast<TQXBeep*>(Show("QXBEEP"));
  ASSERT_NE(beep, nullptr);
  auto* name = dynamic_cast<TEEEZeichenUAuswahl*>(Row("Name"));
  auto* size =
      dynamic_cast<TEEEIntPaar*>(Row("Abma\xC3\x9F"
                                     "e"));
  ASSERT_TRUE(name && size);
  EXPECT_EQ(size->SecondEdit->text(), "40");
  name->Check->setChecked(false);
  EXPECT_FALSE(beep->ShowDenom);
  EXPECT_EQ(beep->height(), 20);
  EXPECT_EQ(size->SecondEdit->text(), "20");

  auto* length = dynamic_cast<TEEERealFeld*>(Row("Signaldauer (Sek)"));
  ASSERT_NE(length, nullptr);
  Type(length->Edit, "2");  // continuous: the field takes no input
  EXPECT_DOUBLE_EQ(beep->OnTime, 0.5);
  emit dynamic_cast<TEEEAuswahlbox*>(Row("Modus"))->Combo->activated(BeepImpuls);
  Type(length->Edit, "0,05");
  EXPECT_DOUBLE_EQ(beep->OnTime, 0.1);
}

// A listing edit that grows or shrinks the element: its selection ring, its
// edit frame and the size row follow at once, without selecting it again.
TEST_F(InstrumentListingTest, SizeChangedInTheListingMovesTheRingAndTheSizeRow) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString picture = dir.filePath("face.png");
  QImage img(120, 50, QImage::Format_RGB32);
  img.fill(Qt::blue);
  ASSERT_TRUE(img.save(picture));
  struct Case {
    const char* cls;
    QString caption;  // a row with a check box (ticked, then cleared) or a picture file
  };
  const Case cases[] = {
      {"QXBarGraph", "Skalenbeschriftung"},
      {"QXBarGraph", "Name"},
      {"QXSTRINGSEND", "Name"},
      {"QXBMPBUTTON",
       "Taster ungedr\xC3\xBC"
       "ckt"},
      {"QXBmpSwitch", "Schaltstellung 0"},
      {"QXBmpSlider", "Hintergrund"},
  };
  form->TabBar->SelectTab(1);
  ASSERT_TRUE(EditMode);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cls) + " " + c.caption.toStdString());
    TQXElement* e = TQXElement::FindClass(c.cls)->ElemCreate();
    e->move(40, 40);
    TEditPanel::SelectElements({e});
    ASSERT_EQ(TEditPanel::SelectionCount(), 1);
    TPropertyEditor::ShowElement(*e);
    TEEEintrag* row = Row(c.caption);
    ASSERT_NE(row, nullptr);
    auto* size =
        dynamic_cast<TEEEIntPaar*>(Row("Abma\xC3\x9F"
                                       "e"));
    ASSERT_NE(size, nullptr);
    auto* check = row->findChild<QCheckBox*>();
    auto* file = dynamic_cast<TEEEDateiFeld*>(row);
    ASSERT_TRUE(check || file);
    for (const bool on : {true, false}) {
      SCOPED_TRACE(on ? "on" : "off");
      const QSize before = e->size();
      if (file)
        Type(file->Edit, on ? picture : QString());
      else
        check->setChecked(on);
      EXPECT_NE(e->size(), before);
      EXPECT_EQ(e->EditComp->geometry(), e->geometry());
      EXPECT_EQ(TEditPanel::SelectionMark(0)->geometry(), MarkRect(e->geometry()));
      EXPECT_EQ(size->FirstEdit->text().toStdString(), std::to_string(e->width()));
      EXPECT_EQ(size->SecondEdit->text().toStdString(), std::to_string(e->height()));
    }
  }
}

}  // namespace
}  // namespace qx
