// Languages: the catalogues, the PO reader, and a switch that rebuilds every
// listing and the texts of the main window, the tab strips and the elements.
#include "shell/uLangUpdate.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <set>

#include "channels/uComPort.h"
#include "channels/uSocketIO.h"
#include "channels/uTCPConnectionPort.h"
#include "channels/uTCPServerPort.h"
#include "channels/uURLPort.h"
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
  auto* tray = TQXTrayIcon::ElemCreate();
  EXPECT_EQ(tray->Denom, "Tray icon");
  // A listing first shown after the switch is built in the new language.
  ASSERT_TRUE(TQXTrayIcon::Listing.isNull());
  TPropertyEditor::ShowElement(*tray);
  ASSERT_FALSE(TQXTrayIcon::Listing.isNull());
  auto* trayTitle = dynamic_cast<TEEETitelActive*>(TQXTrayIcon::Listing->Entries.front());
  ASSERT_NE(trayTitle, nullptr);
  EXPECT_EQ(trayTitle->Label->text(), "Tray icon");
  TPropertyEditor::HideListing();
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

// The program's own reasons why a port did not open are catalogue texts;
// the system's reason after them stays as the system gives it.
TEST_F(LanguageTest, PortFailureTextsFollowTheLanguage) {
  std::string err;
  TTcpListener tcpTaken;
  ASSERT_TRUE(tcpTaken.Listen("127.0.0.1", "0", err)) << err;
  TUdpSocket udpTaken;
  ASSERT_TRUE(udpTaken.Bind("127.0.0.1", "0", err)) << err;
  uint16_t closed = 0;  // a port nobody listens on any more
  {
    TTcpListener gone;
    ASSERT_TRUE(gone.Listen("127.0.0.1", "0", err)) << err;
    closed = gone.LocalPort();
  }
  const std::string tcpAt = "127.0.0.1:" + std::to_string(tcpTaken.LocalPort());
  const std::string udpAt = "127.0.0.1:" + std::to_string(udpTaken.LocalPort());
  const std::string closedAt = "127.0.0.1:" + std::to_string(closed);

  PortList->FreeAll();
  TTCPServer& server = TTCPServer::CreateInstance(*PortList);
  server.ListenIp = "127.0.0.1";
  server.ListenPort = std::to_string(tcpTaken.LocalPort());
  TUDPPort& udp = TUDPPort::CreateInstance(*PortList);
  udp.LocalIp = "127.0.0.1";
  udp.LocalPort = std::to_string(udpTaken.LocalPort());
  TTCPConnection& client = TTCPConnection::CreateInstance(*PortList);
  client.LocalIp = "";
  client.LocalPort = "0";
  client.ClientIp = "127.0.0.1";
  client.ClientPort = std::to_string(closed);
  TURLPort& url = TURLPort::CreateInstance(*PortList);
  url.Url = "";

  struct Case {
    const char* code;
    std::string server, udp, client, url;  // each text's start
  };
  const Case cases[] = {
      {"de", "Kann auf " + tcpAt + " keine Verbindungen annehmen: ",
       "UDP kann nicht an " + udpAt + " gebunden werden: ",
       "Keine Verbindung zu " + closedAt + ": ", "Keine URL angegeben"},
      {"en", "Cannot listen on " + tcpAt + ": ", "Cannot bind UDP to " + udpAt + ": ",
       "Cannot connect to " + closedAt + ": ", "No URL given"},
      {"zh", "无法在 " + tcpAt + " 上监听: ", "无法将 UDP 绑定到 " + udpAt + ": ",
       "无法连接到 " + closedAt + ": ", "未指定 URL"},
  };
  const auto box = [](const TQXPort& p) {
    for (TPortBox* b : TPortBox::PortBoxList)
      if (b->Port == &p) return b->ErrorLabel->text().toStdString();
    return std::string("(no box)");
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    TLanguage::SetLanguage(c.code);
    PortList->TestConnection();
    EXPECT_EQ(server.LastErrorText.rfind(c.server, 0), 0u) << server.LastErrorText;
    EXPECT_EQ(box(server), server.LastErrorText);
    EXPECT_EQ(udp.LastErrorText.rfind(c.udp, 0), 0u) << udp.LastErrorText;
    EXPECT_EQ(box(udp), udp.LastErrorText);
    EXPECT_EQ(client.LastErrorText.rfind(c.client, 0), 0u) << client.LastErrorText;
    EXPECT_EQ(box(client), client.LastErrorText);
    EXPECT_EQ(url.LastErrorText, c.url);
  }
}

// Qt's own texts (standard buttons, its file, colour and font dialogs) come
// from Qt's catalogue of the language, also in controls already shown.
TEST_F(LanguageTest, QtOwnTextsFollowTheLanguage) {
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  const auto cancel = [&] {
    return buttons.button(QDialogButtonBox::Cancel)->text().toStdString();
  };
  const auto fileDialogTitle = [] {
    return QCoreApplication::translate("QFileDialog", "Find Directory").toStdString();
  };
  const auto switchTo = [](const char* code) {
    TLanguage::SetLanguage(code);
    QCoreApplication::processEvents();  // the controls' language change events
  };
  switchTo("de");
  EXPECT_EQ(cancel(), "Abbrechen");
  EXPECT_EQ(fileDialogTitle(), "Verzeichnis suchen");
  switchTo("zh");
  EXPECT_EQ(cancel(), "取消");
  switchTo("en");
  EXPECT_EQ(cancel(), "Cancel");
  EXPECT_EQ(fileDialogTitle(), "Find Directory");
  switchTo("de");
  EXPECT_EQ(cancel(), "Abbrechen");
}

}  // namespace
}  // namespace qx
