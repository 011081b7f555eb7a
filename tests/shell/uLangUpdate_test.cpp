// Languages: the catalogues, the PO reader, and a switch that rebuilds every
// listing and the texts of the main window, the tab strips and the elements.
#include "shell/uLangUpdate.h"

#include <QFile>
#include <QMenu>
#include <set>

#include "channels/uComPort.h"
#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheetTabs.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXButton.h"
#include "instruments/uQXTrayIcon.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uPortBox.h"
#include "shell/uRunSheet.h"
#include "widgets/uLangStrings.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"

namespace qx {
namespace {

using test::AppFixture;

TCatalogue Catalogue(const std::string& code) {
  (void)LoadTranslation(code);  // registers the resources
  QFile f(QString(":/lang/quillex.%1.po").arg(QString::fromStdString(code)));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << code;
  return ParsePoCatalogue(f.readAll());
}

TEST(LangCatalogues, EveryGermanKeyIsInEnglishAndChinese) {
  const TCatalogue de = Catalogue("de");
  ASSERT_GT(de.size(), 400u);
  for (const char* code : {"en", "zh"}) {
    const TCatalogue other = Catalogue(code);
    for (const auto& [key, text] : de) EXPECT_TRUE(other.count(key)) << code << " " << key;
  }
  ClearTranslation();
  EXPECT_EQ(de.at("ulangstrings.stabrun"), QString::fromUtf8("Ausf\xC3\xBChren"));
  EXPECT_EQ(Catalogue("en").at("ulangstrings.stabrun"), "Run");
  EXPECT_EQ(Catalogue("zh").at("umain.buttonconnect"), QString::fromUtf8("连接"));
  ClearTranslation();
  EXPECT_FALSE(LoadTranslation("xx"));
}

TEST(LangCatalogues, PoReader) {
  const TCatalogue c = ParsePoCatalogue(
      "# comment\nmsgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
      "#: a.b\nmsgctxt \"a.b\"\nmsgid \"Eins\"\nmsgstr \"One\"\n\n"
      "msgctxt \"a.c\"\nmsgid \"Zwei \\\"x\\\"\\n\"\nmsgstr \"\"\n\n"
      "msgid \"Drei\"\nmsgstr \"Three \"\n\"continued\"\n");
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c.at("a.b"), "One");
  EXPECT_EQ(c.at("a.c"), "Zwei \"x\"\n");  // untranslated: the German text
  EXPECT_EQ(c.at("Drei"), "Three continued");
}

class LanguageTest : public AppFixture {
 protected:
  void TearDown() override {
    TLanguage::SetLanguage("de");
    ClearTranslation();
    AppFixture::TearDown();
  }
  // Every Tr key met so far must be in the German catalogue.
  static void ExpectSeenKeysCatalogued() {
    const TCatalogue de = Catalogue("de");
    for (const auto& [key, german] : SeenTexts()) EXPECT_TRUE(de.count(key)) << key;
  }
};

TEST_F(LanguageTest, SwitchRebuildsListingsAndRetranslates) {
  auto* button = TQXButton::ElemCreate();
  TPropertyEditor::ShowElement(*button);
  const QPointer<TEEListing> listing = TQXButton::Listing;
  TLanguage::SetLanguage("en");
  EXPECT_EQ(GlobalSettings->LanguageCode, "en");
  // The same listing, relabelled; the open one was closed first.
  EXPECT_EQ(TQXButton::Listing, listing);
  EXPECT_TRUE(form->PanelProperties->isHidden());
  ASSERT_FALSE(listing->Entries.empty());
  auto* title = dynamic_cast<TEEETitelActive*>(listing->Entries.front());
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->Label->text(), "Push button");
  EXPECT_EQ(form->TabBar->Captions[0], "Run");
  EXPECT_EQ(form->ButtonConnect->Caption(), "Connect");
  EXPECT_EQ(form->ButtonFullScreen->Caption(), "Full screen");
  EXPECT_EQ(form->StatusLabel->text(), "Disconnected");
  EXPECT_EQ(form->MenuItem_Settings->text(), "Settings");
  // New elements take the new language's name.
  EXPECT_EQ(TQXTrayIcon::ElemCreate()->Denom, "Tray icon");
  EXPECT_EQ(button->Denom, "Taster");  // the user's data stays
  TLanguage::SetLanguage("zh");
  EXPECT_EQ(form->ButtonConnect->Caption(), QString::fromUtf8("连接"));
  TLanguage::SetLanguage("de");
  EXPECT_EQ(form->TabBar->Captions[0], QString::fromUtf8("Ausf\xC3\xBChren"));
  EXPECT_EQ(form->ButtonConnect->Caption(), "Verbinden");
  EXPECT_EQ(title->Label->text(), "Taster");
  ExpectSeenKeysCatalogued();
}

// Counts its retranslations.
class TCountingElement : public TQXElement {
 public:
  using TQXElement::TQXElement;
  void Retranslate() override { ++Count; }
  int Count = 0;
};

TEST_F(LanguageTest, EveryElementOfEverySheetRetranslates) {
  auto* first = new TCountingElement(CurrentCanvas());
  SheetTabs->NewTab();
  auto* second = new TCountingElement(CurrentCanvas());
  TLanguage::SetLanguage("en");
  EXPECT_EQ(first->Count, 1);
  EXPECT_EQ(second->Count, 1);
}

TEST_F(LanguageTest, MenuChoiceIsWrittenToTheSettings) {
  TMainForm::MenuItemLanguageClick("en");
  GlobalSettings->LanguageCode = "nn";
  TSettingLoad::LoadSettings();
  EXPECT_EQ(GlobalSettings->LanguageCode, "en");
  EXPECT_EQ(form->TabBar->Captions[1], "Edit");
  TMainForm::MenuItemLanguageClick("de");
}

// The way the settings file and "-lang=" choose a language: the Interface
// page and the edit popups follow it, and the parity list keeps the port's
// parity, so the next edit writes it back unchanged.
TEST_F(LanguageTest, SettingsChoiceReachesInterfacePageAndPopups) {
  PortList->FreeAll();
  TComPort& port = TComPort::CreateInstance(*PortList);
  port.Parity = 'E';
  TPortBox::Select(TPortBox::PortBoxList.back());
  TInterfaceSheet& page = *InterfaceSheet;
  ASSERT_EQ(page.ComboBoxParity->currentIndex(), 1);
  GlobalSettings->SetLangUserChoice("en");
  EXPECT_EQ(page.ComboBoxParity->currentText(), "Even");
  page.ComboBoxPortEditingDone();
  EXPECT_EQ(port.Parity, 'E');
  const auto labels = page.PanelCOM->findChildren<QLabel*>();
  const auto has = [&](const QString& text) {
    return std::any_of(labels.begin(), labels.end(),
                       [&](const QLabel* l) { return l->text() == text; });
  };
  EXPECT_TRUE(has("Baud rate"));
  EXPECT_FALSE(has("Baudrate"));
  EXPECT_EQ(RunSheet->PopupMenu1->actions().front()->text(), "To front");
  // Through Chinese back to English: each control's own key, not the key of
  // a text that looks the same in Chinese.
  GlobalSettings->SetLangUserChoice("zh");
  GlobalSettings->SetLangUserChoice("en");
  EXPECT_EQ(form->BitBtnCom->Caption(), "Serial");
  EXPECT_EQ(page.ComboBoxParity->currentIndex(), 1);
}

}  // namespace
}  // namespace qx
