// Start-up, page switching, connect/disconnect and the run ribbon's tests.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <clocale>

#include "channels/support/PortHarness.h"
#include "channels/uSocketIO.h"
#include "editing/uPropertyEditor.h"
#include "foundation/uNumText.h"
#include "foundation/uSettingLoader.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXNumericDisp.h"
#include "editing/uSendAnim.h"
#include "shell/uFileHandling.h"
#include "shell/uLangUpdate.h"
#include "shell/uRunSheet.h"
#include "widgets/uRibbonButton.h"

namespace qx {
namespace {

using test::AppFixture;

class MainTest : public AppFixture {};

TEST_F(MainTest, StartUpState) {
  EXPECT_EQ(form->TabBar->ItemIndex, 1);
  EXPECT_EQ(form->MenueBar->currentIndex(), 1);
  ASSERT_EQ(SheetList.size(), 1u);
  EXPECT_EQ(CurrentSheet, SheetList[0]);
  EXPECT_TRUE(FirstSheetPending);
  EXPECT_EQ(SheetTabs->GetTabCaption(0), "Blatt 1");
  EXPECT_EQ(form->StatusLabel->text(), "Getrennt");
  ASSERT_EQ(PortList->Count(), 1);
  EXPECT_EQ(PortList->At(0)->KeySet, FLSetList->Find("QXCOMPORT"));
  EXPECT_TRUE(EditMode);
  EXPECT_TRUE(SheetTabs->Editable);
  EXPECT_TRUE(form->CheckBoxCompileState->isChecked());
  for (QLabel* l :
       {form->LabelNotifySendLoss, form->LabelNotifyRecvLoss, form->LabelNotifyConnLost})
    EXPECT_FALSE(l->isEnabled());
  // The idle handler runs once, however often the loop goes idle.
  ASSERT_TRUE(ProcessUntil([] { return SecondInitDone(); }));
  TQXElement* e = TQXNumericDisp::ElemCreate();
  e->lower();
  SecondInit();  // a second call changes nothing (no re-stacking)
  ProcessFor(50);
  EXPECT_EQ(CurrentSheet->Canvas()->children().indexOf(e), 0);
}

TEST_F(MainTest, RunPageCompilesAndShowsCompileState) {
  auto* good = TQXNumericDisp::ElemCreate();
  good->SetSource("#3*2");
  auto* bad = TQXNumericDisp::ElemCreate();
  bad->SetSource("#3*");
  auto* empty = TQXNumericDisp::ElemCreate();
  form->TabBar->SelectTab(0);
  EXPECT_FALSE(EditMode);
  EXPECT_FALSE(SheetTabs->Editable);
  EXPECT_EQ(good->ShownFrameColor(), kCompiledColor);
  EXPECT_EQ(bad->ShownFrameColor(), kFailedColor);
  EXPECT_EQ(empty->ShownFrameColor(), kEmptyColor);
  form->CheckBoxCompileState->setChecked(false);
  EXPECT_EQ(good->ShownFrameColor(), good->FrameColor);
  form->CheckBoxCompileState->setChecked(true);
  form->TabBar->SelectTab(1);
  EXPECT_EQ(good->ShownFrameColor(), good->FrameColor);
}

TEST_F(MainTest, ReceiveTestFrameRule) {
  struct Case {
    const char* text;
    bool isFrame;
    const char* frame;
    bool evaluate;
  };
  const Case cases[] = {
      {"#1F10;", true, "#1F10;", true}, {"abc #2F1;", true, "#2F1;", true},
      {"/#2F1;", true, "#2F1;", false}, {"x/#2F1;#3F1;", true, "#2F1;#3F1;", false},
      {"no frame", false, "", false},
  };
  for (const Case& c : cases) {
    std::string frame;
    bool evaluate = true;
    EXPECT_EQ(ReceiveTestFrame(c.text, frame, evaluate), c.isFrame) << c.text;
    EXPECT_EQ(frame, c.frame) << c.text;
    EXPECT_EQ(evaluate, c.evaluate) << c.text;
  }
  std::string longText(300, 'a');
  longText += "#1F1;";  // beyond 255 characters: cut away
  std::string frame;
  bool evaluate = false;
  EXPECT_FALSE(ReceiveTestFrame(longText, frame, evaluate));
}

// The colour of the last animation bar on a widget.
QColor BarColor(QWidget* host) {
  const auto bars = host->findChildren<QWidget*>();
  if (bars.isEmpty()) return {};
  return bars.back()->palette().color(QPalette::Window);
}

TEST_F(MainTest, ReceiveTestShowsValuesWhileDisconnected) {
  auto* d = TQXNumericDisp::ElemCreate();
  d->SetSource("#1+1");
  form->TabBar->SelectTab(0);
  form->EditSimulateRecv->setText("#1F10;");
  form->BitBtnRecvSimuClick();
  EXPECT_EQ(d->ValueLabel()->text(), "11");  // shown at once, no run needed
  EXPECT_EQ(BarColor(form->PanelRecvSimu), QColor(0, 0x80, 0));

  form->EditSimulateRecv->setText("/#1F20;");  // silent: stored, not evaluated
  form->BitBtnRecvSimuClick();
  EXPECT_EQ(Terminal->ChannelValue(1), 20.0);
  EXPECT_EQ(d->ValueLabel()->text(), "11");
  EXPECT_EQ(BarColor(form->PanelRecvSimu), QColor(0xFF, 0, 0));

  form->EditSimulateRecv->setText("#1X1;");
  form->BitBtnRecvSimuClick();
  EXPECT_EQ(BarColor(form->PanelRecvSimu), QColor(0xFF, 0, 0));
}

TEST_F(MainTest, ConnectWithoutPortsAndSendTest) {
  PortList->FreeAll();
  form->BitBtnSendSimuClick();  // disconnected: yellow, nothing sent
  EXPECT_EQ(BarColor(form->PanelSendSimu), QColor(0xFF, 0xFF, 0));
  form->TabBar->SelectTab(0);
  form->ButtonConnectClick();
  ASSERT_TRUE(Terminal->Connected.load());
  EXPECT_EQ(form->StatusLabel->text(), "Verbunden");
  EXPECT_FALSE(form->TabBar->Tabs[1]->Enabled());
  EXPECT_TRUE(form->DisplayTimer.isActive());
  form->BitBtnSendSimuClick();  // no port takes channel 1
  EXPECT_EQ(BarColor(form->PanelSendSimu), QColor(0xFF, 0xFF, 0));
  form->ButtonDisconnectClick();
  EXPECT_FALSE(Terminal->Connected.load());
  EXPECT_EQ(form->StatusLabel->text(), "Getrennt");
  EXPECT_TRUE(form->TabBar->Tabs[1]->Enabled());
  EXPECT_FALSE(form->DisplayTimer.isActive());
}

TEST_F(MainTest, SendTestReachesLoopbackPortWhateverItsFilter) {
  TUdpSocket peer;
  std::string err;
  ASSERT_TRUE(peer.Bind("127.0.0.1", "0", err)) << err;
  TUDPPort& port = LoopbackPort(peer.LocalPort());
  port.SetFilterActive(true);  // 50..999 by default: channel 100 is inside, 1 always passes
  port.SetFilterLow(200);
  port.SetFilterHigh(300);
  form->TabBar->SelectTab(0);
  form->ButtonConnectClick();
  ASSERT_TRUE(Terminal->Connected.load()) << port.LastErrorText;
  form->EditSimulateSend->setText("#100F5;");
  form->BitBtnSendSimuClick();
  EXPECT_EQ(BarColor(form->PanelSendSimu), QColor(0, 0x80, 0));
  char buf[64];
  size_t got = 0;
  ASSERT_EQ(peer.Receive(buf, sizeof buf, got, 20000, nullptr), TIoStatus::Ok);
  EXPECT_EQ(std::string(buf, got), "#100F5;");
  form->ButtonDisconnectClick();
}

TEST_F(MainTest, FailingPortSelectsInterfacePageAndLightsConnLost) {
  // Two ports on one fixed local UDP port: the second cannot bind.
  TUdpSocket holder;
  std::string err;
  ASSERT_TRUE(holder.Bind("127.0.0.1", "0", err)) << err;
  TUDPPort& port = LoopbackPort(9);
  port.LocalPort = std::to_string(holder.LocalPort());
  form->TabBar->SelectTab(0);
  form->ButtonConnectClick();
  EXPECT_FALSE(Terminal->Connected.load());
  EXPECT_EQ(form->TabBar->ItemIndex, 4);
  EXPECT_EQ(form->MenueBar->currentIndex(), 4);
  EXPECT_TRUE(LossNotify->ConnLost.load() || form->LabelNotifyConnLost->isEnabled());
}

TEST_F(MainTest, ValueResetClearsChannelsElementsAndLabels) {
  auto* d = TQXNumericDisp::ElemCreate();
  d->SetSource("#1");
  form->TabBar->SelectTab(0);
  form->EditSimulateRecv->setText("#1F7;");
  form->BitBtnRecvSimuClick();
  ASSERT_EQ(d->ValueLabel()->text(), "7");
  LossNotify->RecvLossEvent();
  LossNotify->ShowFlags();
  ASSERT_TRUE(form->LabelNotifyRecvLoss->isEnabled());
  form->ButtonValResetClick();
  EXPECT_EQ(Terminal->ChannelValue(1), 0.0);
  EXPECT_EQ(d->ValueLabel()->text(), "0");
  EXPECT_FALSE(form->LabelNotifyRecvLoss->isEnabled());
}

TEST_F(MainTest, ClosingWhileConnectedDisconnectsAndWritesSettings) {
  const std::string file = TSettingLoad::SettingsFileName();
  ASSERT_FALSE(file.empty());
  QFile::remove(QString::fromStdString(file));
  PortList->FreeAll();
  FileHandling->MarkUnchanged();  // no question about the ports taken away
  form->TabBar->SelectTab(0);
  form->ButtonConnectClick();
  ASSERT_TRUE(Terminal->Connected.load());
  form->close();
  EXPECT_FALSE(Terminal->Connected.load());
  EXPECT_TRUE(QFile::exists(QString::fromStdString(file)));
}

TEST_F(MainTest, NumberTextsIgnoreTheLocale) {
  // QApplication took the C locale from the environment; a German one must
  // not change our conversions.
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  SetFloatSeparator('.');
  EXPECT_EQ(FloatToText(1234.5), "1234.5");
  bool ok = false;
  EXPECT_EQ(TextToFloat("2.5", ok), 2.5);
  EXPECT_TRUE(ok);
  SetFloatSeparator(',');
  EXPECT_EQ(FloatToText(0.25), "0,25");
  std::setlocale(LC_ALL, saved.c_str());
}

TEST_F(MainTest, RunPageKeysAndUpdateNesting) {
  int saves = 0;
  RunSheet->OnSave = [&saves] { ++saves; };
  form->TabBar->SelectTab(0);
  QKeyEvent ctrlS(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier);
  QCoreApplication::sendEvent(RunSheet, &ctrlS);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(form->TabBar->ItemIndex, 0);  // Ctrl+S stays on the Run page
  RunSheet->BeginUpdate();
  RunSheet->BeginUpdate();
  RunSheet->EndUpdate();
  EXPECT_FALSE(RunSheet->updatesEnabled());
  RunSheet->EndUpdate();
  EXPECT_TRUE(RunSheet->updatesEnabled());
  RunSheet->EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(RunSheet->UpdateCount(), 0);
}

// The texts of a group's controls in reading order: rows of 30 pixels, then
// left to right.
std::vector<std::string> GroupItems(QWidget* group, const QLabel* caption) {
  std::vector<std::pair<QPoint, std::string>> items;
  for (QWidget* w : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    std::string text;
    if (auto* b = qobject_cast<TRibbonButton*>(w))
      text = b->Caption().toStdString();
    else if (auto* c = qobject_cast<QCheckBox*>(w))
      text = c->text().toStdString();
    else if (auto* l = qobject_cast<QLabel*>(w); l && l != caption)
      text = l->text().toStdString();
    else
      continue;
    items.push_back({QPoint(w->x(), (w->y() + 14) / 30), text});
  }
  std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return a.first.y() != b.first.y() ? a.first.y() < b.first.y() : a.first.x() < b.first.x();
  });
  std::vector<std::string> out;
  for (const auto& i : items) out.push_back(i.second);
  return out;
}

// "Group: item, item" for every group of a ribbon page, left to right.
std::vector<std::string> RibbonGroups(QWidget* page) {
  std::vector<std::pair<int, std::string>> groups;
  for (QWidget* g : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    QLabel* caption = nullptr;
    for (QLabel* l : g->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
      if (l->y() == 70) caption = l;
    if (!caption) continue;
    std::string row = caption->text().toStdString() + ":";
    for (const std::string& item : GroupItems(g, caption)) row += " " + item + ",";
    if (row.back() == ',') row.pop_back();
    groups.push_back({g->x(), row});
  }
  std::sort(groups.begin(), groups.end());
  std::vector<std::string> out;
  for (const auto& g : groups) out.push_back(g.second);
  return out;
}

std::vector<std::string> MenuItems(const QMenu* menu) {
  std::vector<std::string> out;
  for (const QAction* a : menu->actions())
    out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  return out;
}

using Texts = std::vector<std::string>;

// Every ribbon page and every menu of the main window and the run page, in
// the order the user meets them.
TEST_F(MainTest, RibbonGroupsAndMenuEntriesInTheirOrder) {
  const struct {
    const char* name;
    QWidget* page;
    Texts groups;
  } ribbons[] = {
      {"run",
       form->PageRun,
       {"Schnittstelle: Verbinden, Trennen", "Instrumente: Werte l\xC3\xB6schen",
        "Manuelle Befehle: Eingang, >, Ausgang, >", "Anzeige: Kompilierstatus",
        "Ansicht: Vollfenster, Vollbild",
        "Meldungen: Paketverlust (Senden), Paketverlust (Empfang), Verbindungsabbruch"}},
      {"edit",
       form->PageEdit,
       {"Bearbeiten: Entfernen",
        "Instrumente Hinzuf\xC3\xBCgen: Analog/Digital, Diagramme, Textinstrumente, "
        "Schaltinstrumente, Optisch/Akustisch, Erweiterte Instr., Bitmap-Instr.",
        "Hilfsmittel: Kanalliste, Hintergrund"}},
      {"console",
       form->PageConsole,
       {"Aktion: Konsole aktiv, Anzeige L\xC3\xB6schen", "Schnittstelle: Verbinden, Trennen",
        "Optionen: Schriftart, ..., Dateiaufzeichnung, ...", "Hilfe: Hilfe"}},
      {"terminal",
       form->PageTerm,
       {"Aktion: Terminal aktiv, Anzeige L\xC3\xB6schen", "Schnittstelle: Verbinden, Trennen",
        "Auswahl: Terminalschnittstelle:", "Hilfe: Hilfe"}},
      {"interface",
       form->PageInterface,
       {"Bearbeiten: Entfernen",
        "Schnittstelle Hinzuf\xC3\xBCgen: Serielle, UDP-Verbindung, Server, Client, URL-Anfrage",
        "Hilfsmittel: Verbindungstest", "Hilfe: Hilfe"}},
  };
  for (const auto& r : ribbons) EXPECT_EQ(RibbonGroups(r.page), r.groups) << r.name;

  QMenu* language = nullptr;
  for (QAction* a : form->Popup_Extras->actions())
    if (a->menu()) language = a->menu();
  ASSERT_NE(language, nullptr);
  ASSERT_EQ(form->InstrumentMenus.size(), 7u);
  const struct {
    const char* name;
    const QMenu* menu;
    Texts items;
  } menus[] = {
      {"extras", form->Popup_Extras, {"Sprache", "Einstellungen", "\xC3\x9C" "ber Quillex"}},
      {"language", language, {"Deutsch", "English", "\xE4\xB8\xAD\xE6\x96\x87"}},
      {"analog/digital",
       form->InstrumentMenus[0],
       {"Numerische Anzeige", "Numerische Ausgabe", "Analoganzeige/-schieber", "Balkenanzeige"}},
      {"charts", form->InstrumentMenus[1], {"Zeitdiagramm", "XY-Diagramm"}},
      {"text", form->InstrumentMenus[2], {"Fernanzeige", "Zeichenausgabe", "Konsole"}},
      {"switching", form->InstrumentMenus[3], {"Taster", "Schaltleiste"}},
      {"optical",
       form->InstrumentMenus[4],
       {"LED-Anzeige", "Blink-LED", "LED-Leiste", "Bildanzeige", "Tongeber"}},
      {"extended",
       form->InstrumentMenus[5],
       {"E/A-Kanal", "Dateirekorder", "Getaktete Ausgabe", "Lookup-Tabelle", "Taskleistensymbol"}},
      {"bitmap", form->InstrumentMenus[6], {"Taster", "Schalter", "Schieberegler"}},
      {"element",
       RunSheet->PopupMenu1,
       {"Nach Vorne", "Nach Hinten", "-", "Kopieren", "Einf\xC3\xBCgen", "-", "L\xC3\xB6schen"}},
      {"sheet", RunSheet->PopupMenu2, {"Einf\xC3\xBCgen"}},
      {"sheet tab",
       SheetTabs->PopupMenu(),
       {"Neues Blatt", "Blatt L\xC3\xB6schen", "-", "Nach Links", "Nach Rechts", "-",
        "Umbenennen"}},
  };
  for (const auto& m : menus) EXPECT_EQ(MenuItems(m.menu), m.items) << m.name;
}

// Whether w shows whole: inside each of its parents up to the window.
bool ShownWhole(const QWidget* w) {
  QRect r = w->rect();
  for (const QWidget* c = w; !c->isWindow(); c = c->parentWidget()) {
    r.translate(c->pos());
    if (!c->parentWidget()->rect().contains(r)) return false;
  }
  return true;
}

// At its smallest the window still shows every page tab and every ribbon
// button whole, in every language.
TEST_F(MainTest, SmallestWindowShowsEveryTabAndRibbonButton) {
  form->show();
  for (const char* lang : {"de", "en", "zh"}) {
    TLanguage::SetLanguage(lang);
    form->resize(form->minimumSize());
    QCoreApplication::processEvents();
    ASSERT_EQ(form->size(), form->minimumSize()) << lang;
    for (TTabElement* tab : form->TabBar->Tabs)
      EXPECT_TRUE(ShownWhole(tab)) << lang << " tab " << tab->Caption.toStdString();
    for (int page = 0; page < form->MenueBar->count(); ++page) {
      form->MenueBar->setCurrentIndex(page);
      QCoreApplication::processEvents();
      for (const TRibbonButton* b : form->MenueBar->widget(page)->findChildren<TRibbonButton*>())
        EXPECT_TRUE(ShownWhole(b)) << lang << " page " << page << " " << b->Caption().toStdString();
    }
  }
  TLanguage::SetLanguage("de");
}

}  // namespace
// The page fills the window again once the property panel closes, also
// when the window grew while the panel was open.
TEST_F(MainTest, PageFillsTheWindowAfterThePanelCloses) {
  form->show();
  form->TabBar->SelectTab(1);
  auto* e = TQXNumericDisp::ElemCreate();
  TPropertyEditor::ShowElement(*e);
  ASSERT_TRUE(form->PanelProperties->isVisible());
  form->resize(1400, 900);
  TPropertyEditor::HideListing();
  EXPECT_EQ(form->Panel1->width(), form->width());
  EXPECT_EQ(RunSheet->width(), form->width());
}

}  // namespace qx
