// The property listings of the time chart and the XY chart in the whole
// application: built and refreshed in place with their sub-listings, rows
// that follow the curve and axis counts, indexed sub-listings that edit the
// curve or axis they were opened for, and edits that reach the chart.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <functional>
#include <map>
#include <typeindex>

#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEESubRows.h"
#include "editing/uPropertyEditor.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXTimeChart.h"
#include "instruments/uQXXYChart.h"
#include "widgets/uRibbonButton.h"

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

// One letter per row kind, so a listing reads as a short word.
QString KindsOf(const TEEListing* l) {
  static const std::map<std::type_index, QChar> kCodes = {
      {typeid(TEEETitelActive), 'T'},     {typeid(TEEETitel), 'X'},
      {typeid(TEEEIndexTitel), 'N'},      {typeid(TEEELinie), 'L'},
      {typeid(TEEEZeichenUAuswahl), 'Z'}, {typeid(TEEEIntFeld), 'I'},
      {typeid(TEEERealFeld), 'R'},        {typeid(TEEEIntPaar), 'P'},
      {typeid(TEEERealPaar), 'Q'},        {typeid(TEEEEingColSub), 'C'},
      {typeid(TEEEEingang), 'E'},         {typeid(TEEEAuswahlFeld), 'A'},
      {typeid(TEEESubLister), 'S'},       {typeid(TEEEFont), 'F'},
      {typeid(TEEEFarbe), 'K'},           {typeid(TEEEBeschreibung), 'B'},
  };
  QString s;
  for (TEEEintrag* e : l->Entries) {
    const auto it = kCodes.find(typeid(*e));
    s += it == kCodes.end() ? QChar('?') : it->second;
  }
  return s;
}

class ChartListingTest : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form->show();
  }
  template <class C>
  static C* Show() {
    C* c = C::ElemCreate();
    TPropertyEditor::ShowElement(*c);
    return c;
  }
  // The first row of the listing with a label of this caption.
  static TEEEintrag* Row(const TEEListing* l, const QString& caption) {
    if (!l) return nullptr;
    for (TEEEintrag* e : l->Entries)
      for (const QLabel* label : e->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->text() == caption) return e;
    return nullptr;
  }
  static TEEEintrag* Row(const QString& caption) {
    return Row(TPropertyEditor::CurrentListing(), caption);
  }
  static QList<QLineEdit*> Edits(TEEEintrag* row) {
    return row->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
  }
  static void TypeInto(const TEEListing* l, const QString& caption, int edit, const QString& text) {
    TEEEintrag* row = Row(l, caption);
    ASSERT_NE(row, nullptr) << caption.toStdString();
    ASSERT_GT(Edits(row).size(), edit) << caption.toStdString();
    Type(Edits(row)[edit], text);
  }
  // Clicks the arrow of a curve row or a sub-listing opener.
  static void Open(const TEEListing* l, const QString& caption) {
    TEEEintrag* row = Row(l, caption);
    ASSERT_NE(row, nullptr) << caption.toStdString();
    if (auto* s = dynamic_cast<TEEESubLister*>(row))
      emit s->Button->clicked();
    else
      emit dynamic_cast<TEEEEingColSub*>(row)->Button->clicked();
  }
  static void ExpectStacked(const TEEListing* l) {
    int y = 0;
    for (TEEEintrag* e : l->Entries) {
      if (e->isHidden()) continue;
      EXPECT_EQ(e->y(), y);
      y += e->height();
    }
  }
  static QString Title(const TEEListing* l) {
    return dynamic_cast<TEEETitel*>(l->Entries.at(0))->Label->text();
  }
};

TEST_F(ChartListingTest, BothListingsBuildAndRefreshInPlace) {
  struct Case {
    std::function<TQXChartBase*()> show;
    const TChartListingRows* rows;
    QString title, main, curve, xAxisTitle;
  };
  const Case cases[] = {
      {[] { return Show<TQXTimeChart>(); }, &TQXTimeChart::ListingRowSet, "Zeitdiagramm",
       "TLZLI" + QString(10, 'C') + "LZLPPLRLQQLPLALSLSLFKKKILBL", "NLEKILIL",
       "Einstellungen Zeitachse"},
      {[] { return Show<TQXXYChart>(); }, &TQXXYChart::ListingRowSet, "XY-Diagramm",
       "TLZLELI" + QString(10, 'C') + "LZLPPLQQLPLALSLSLFKKKILBL", "NLEKILILB",
       "Einstellungen X-Achse"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title.toStdString());
    TQXChartBase* chart = c.show();
    TEEListing* l = TPropertyEditor::ListingOf(*chart);
    ASSERT_NE(l, nullptr);
    ASSERT_EQ(l, c.rows->Main.data());
    EXPECT_EQ(dynamic_cast<TEEETitelActive*>(l->Entries.at(0))->Label->text(), c.title);
    const std::vector<const TEEListing*> listings = {
        l, c.rows->Curve, c.rows->Axes, c.rows->XAxis, c.rows->YAxis, c.rows->Control};
    const QString kinds[] = {c.main,           c.curve,           "XLSLI" + QString(6, 'S') + "L",
                             "XLZLQILIALKFFL", "NLZLAQILIALKFFL", "XLELB"};
    std::vector<std::vector<TEEEintrag*>> before;
    for (size_t i = 0; i < listings.size(); ++i) {
      ASSERT_NE(listings[i], nullptr) << i;
      EXPECT_EQ(KindsOf(listings[i]), kinds[i]) << i;
      before.push_back(listings[i]->Entries);
    }
    EXPECT_EQ(Title(c.rows->Axes), "Achseneinstellungen");
    EXPECT_EQ(Title(c.rows->XAxis), c.xAxisTitle);
    EXPECT_EQ(Title(c.rows->Control), "Steuerkanal");
    // A language switch runs the builders again over the same rows.
    EXPECT_NO_THROW(TQXElement::InitListings());
    for (size_t i = 0; i < listings.size(); ++i) EXPECT_EQ(listings[i]->Entries, before[i]) << i;
    TPropertyEditor::ShowElement(*chart);
    EXPECT_TRUE(TPropertyEditor::PanelVisible());
    ExpectStacked(l);
  }
}

TEST_F(ChartListingTest, CurveAndAxisRowsFollowTheCountsOfTheShownChart) {
  struct Case {
    std::function<TQXChartBase*()> make;
    QString curve;  // caption of curve row n is curve + n
  };
  const Case cases[] = {
      {[] { return TQXTimeChart::ElemCreate(); }, "Eingang Kurve "},
      {[] { return TQXXYChart::ElemCreate(); }, "Eingang Y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.curve.toStdString());
    TQXChartBase* few = c.make();
    TQXChartBase* many = c.make();
    TPropertyEditor::ShowElement(*many);
    const TChartListingRows& rows = many->ListingRows();
    const auto expectCurves = [&](int shown) {
      for (int n = 1; n <= kChartCurves; ++n) {
        TEEEintrag* r = Row(rows.Main, c.curve + QString::number(n));
        ASSERT_NE(r, nullptr) << n;
        EXPECT_EQ(!r->isHidden(), n <= shown) << n;
      }
      ExpectStacked(rows.Main);
    };
    const auto expectAxes = [&](int shown) {
      for (int n = 1; n <= kChartAxes; ++n) {
        TEEEintrag* r = Row(rows.Axes, "Einstellungen Y-Achse " + QString::number(n));
        ASSERT_NE(r, nullptr) << n;
        EXPECT_EQ(!r->isHidden(), n <= shown) << n;
      }
      ExpectStacked(rows.Axes);
    };
    expectCurves(1);
    TypeInto(rows.Main, "Anzahl Kurven", 0, "4");
    EXPECT_EQ(many->CurveQty, 4);
    expectCurves(4);
    TypeInto(rows.Main, "Anzahl Kurven", 0, "11");  // limited to 10
    expectCurves(10);
    Open(rows.Main, "Achseneinstellungen");
    EXPECT_EQ(TPropertyEditor::CurrentSubListing(), rows.Axes.data());
    expectAxes(1);
    TypeInto(rows.Axes, "Anzahl Y-Achsen", 0, "3");
    EXPECT_EQ(many->AxisQty, 3);
    expectAxes(3);
    // Another chart shown: its own counts, and back again.
    TPropertyEditor::ShowElement(*few);
    expectCurves(1);
    Open(rows.Main, "Achseneinstellungen");
    expectAxes(1);
    TPropertyEditor::ShowElement(*many);
    expectCurves(10);
    Open(rows.Main, "Achseneinstellungen");
    expectAxes(3);
  }
}

TEST_F(ChartListingTest, IndexedSubListingsEditTheCurveOrAxisTheyWereOpenedFor) {
  for (const bool xy : {false, true}) {
    SCOPED_TRACE(xy ? "xy" : "time");
    TQXChartBase* chart = xy ? static_cast<TQXChartBase*>(Show<TQXXYChart>())
                             : static_cast<TQXChartBase*>(Show<TQXTimeChart>());
    const TChartListingRows& rows = chart->ListingRows();
    const QString curve = xy ? "Eingang Y" : "Eingang Kurve ";
    const QString bounds = xy ? "Y-Achse" : "Werteskala Y";
    TypeInto(rows.Main, "Anzahl Kurven", 0, "5");
    chart->SetAxisQty(3);
    chart->SetCurveStrength(4, 9);

    // Curve 4: the sub-listing shows and edits curve 4 only.
    Open(rows.Main, curve + "4");
    EXPECT_EQ(TPropertyEditor::CurrentSubListing(), rows.Curve.data());
    EXPECT_EQ(Title(rows.Curve), "Einstellungen Kurve 4");
    EXPECT_EQ(Edits(Row(rows.Curve, "Linienstärke"))[0]->text(), "9");
    TypeInto(rows.Curve, "Linienstärke", 0, "7");
    TypeInto(rows.Curve, "Y-Achse", 0, "3");
    TypeInto(rows.Curve, "Eingang", 0, "#4");
    EXPECT_EQ(chart->GetCurveStrength(4), 7);
    EXPECT_EQ(chart->GetCurveAxis(4), 3);
    EXPECT_EQ(chart->CurveInput(4)->Source, "#4");
    EXPECT_EQ(chart->Series(4)->valueAxis(), chart->ValueAxis(3));
    for (const int other : {1, 3, 5}) {
      EXPECT_EQ(chart->GetCurveStrength(other), 1) << other;
      EXPECT_EQ(chart->GetCurveAxis(other), 1) << other;
    }
    emit TPropertyEditor::BackButton()->clicked();

    // The curve row in the main listing edits its own curve as well.
    Type(Edits(Row(rows.Main, curve + "2"))[0], "#2");
    EXPECT_EQ(chart->CurveInput(2)->Source, "#2");
    EXPECT_EQ(chart->CurveInput(4)->Source, "#4");

    // Value axis 2 through the axis settings; back leads to them.
    Open(rows.Main, "Achseneinstellungen");
    Open(rows.Axes, "Einstellungen Y-Achse 2");
    EXPECT_EQ(TPropertyEditor::CurrentSubListing(), rows.YAxis.data());
    EXPECT_EQ(Title(rows.YAxis), "Einstellungen Y-Achse 2");
    TypeInto(rows.YAxis, bounds, 1, "50");
    TypeInto(rows.YAxis, bounds, 0, "-50");
    TypeInto(rows.YAxis, "Nachkommastellen", 0, "3");
    TypeInto(rows.YAxis, "Achsentitel", 0, "Druck");
    EXPECT_DOUBLE_EQ(chart->GetYMin(2), -50);
    EXPECT_DOUBLE_EQ(chart->GetYMax(2), 50);
    EXPECT_EQ(chart->GetDecimals(2), 3);
    EXPECT_EQ(chart->GetAxisTitle(2), "Druck");
    EXPECT_DOUBLE_EQ(chart->GetYMax(1), 10);
    EXPECT_EQ(chart->GetDecimals(1), 20);
    EXPECT_EQ(chart->GetDecimals(0), 20);
    emit TPropertyEditor::BackButton()->clicked();
    EXPECT_EQ(TPropertyEditor::CurrentSubListing(), rows.Axes.data());

    // The horizontal axis is index 0.
    Open(rows.Axes, xy ? "Einstellungen X-Achse" : "Einstellungen Zeitachse");
    EXPECT_EQ(TPropertyEditor::CurrentSubListing(), rows.XAxis.data());
    TypeInto(rows.XAxis, "Nachkommastellen", 0, "1");
    TypeInto(rows.XAxis, "Skalenteilung", 0, "0");  // below 1 taken as 1
    EXPECT_EQ(chart->GetDecimals(0), 1);
    EXPECT_EQ(chart->GetSpacingX(), 1);
    EXPECT_EQ(chart->GetDecimals(2), 3);
  }
}

TEST_F(ChartListingTest, EditsThroughThePanelReachTheChart) {
  struct Case {
    bool xy;
    QString caption;
    int edit;
    QString text;
    std::function<void(TQXChartBase&)> check;
  };
  const Case cases[] = {
      {false, "Abtastperiode/Sek", 0, "0,001",
       [](TQXChartBase& c) {
         EXPECT_DOUBLE_EQ(dynamic_cast<TQXTimeChart&>(c).SamplePeriod, 0.01);
       }},
      {false, "Zeitskala X", 0, "30",
       [](TQXChartBase& c) {
         auto& t = dynamic_cast<TQXTimeChart&>(c);
         EXPECT_DOUBLE_EQ(t.T.Min, 30);
         EXPECT_DOUBLE_EQ(t.T.Max, 50);  // dragged along by the range
         EXPECT_DOUBLE_EQ(c.Chart->xAxis->range().upper, 50);
       }},
      {false, "Werteskala Y", 1, "-5",
       [](TQXChartBase& c) {
         EXPECT_DOUBLE_EQ(c.GetYMin(1), -15);
         EXPECT_DOUBLE_EQ(c.GetYMax(1), -5);
       }},
      {false, "Skalenteilung", 1, "4", [](TQXChartBase& c) { EXPECT_EQ(c.GetYSpacing(1), 4); }},
      {true, "Eingang X", 0, "#1", [](TQXChartBase& c) { EXPECT_EQ(c.Source, "#1"); }},
      {true, "X-Achse", 1, "200",
       [](TQXChartBase& c) {
         EXPECT_DOUBLE_EQ(dynamic_cast<TQXXYChart&>(c).X.Max, 200);
         EXPECT_DOUBLE_EQ(c.Chart->xAxis->range().upper, 200);
       }},
      {true, "Skalenteilung", 0, "8", [](TQXChartBase& c) { EXPECT_EQ(c.GetSpacingX(), 8); }},
      {true, "Einheit", 0, "bar", [](TQXChartBase& c) { EXPECT_EQ(c.UnitText, "bar"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption.toStdString());
    TQXChartBase* chart = c.xy ? static_cast<TQXChartBase*>(Show<TQXXYChart>())
                               : static_cast<TQXChartBase*>(Show<TQXTimeChart>());
    TypeInto(TPropertyEditor::CurrentListing(), c.caption, c.edit, c.text);
    c.check(*chart);
  }

  // Check boxes: the time base and the curve lines.
  auto* time = Show<TQXTimeChart>();
  dynamic_cast<TEEEAuswahlFeld*>(Row("Uhrzeit und Datum"))->Check->setChecked(true);
  EXPECT_TRUE(time->GetUseTimeDate());
  auto* xy = Show<TQXXYChart>();
  dynamic_cast<TEEEAuswahlFeld*>(Row("Kurvenlinie"))->Check->setChecked(false);
  EXPECT_FALSE(xy->GetLineVisible());
  EXPECT_EQ(xy->Curve(1)->lineStyle(), QCPCurve::lsNone);

  // The control channel's formula.
  Open(TPropertyEditor::CurrentListing(), "Steuerkanal");
  TypeInto(xy->ListingRows().Control, "Eingang", 0, "#7");
  EXPECT_EQ(xy->ControlElement->Source, "#7");
}

}  // namespace
}  // namespace qx
