// Embedded modal pages: answers, layout, text pages, and the settings and
// about pages of the application.
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <functional>

#include "widgets/uDialogs.h"
#include "foundation/uFileLoader.h"
#include "foundation/uSettingLoader.h"
#include "gui_support/AppFixture.h"
#include "shell/EmbeddedModalForm.h"
#include "shell/uAbout.h"
#include "shell/uGlobalSettingsForm.h"

namespace qx {
namespace {

using test::AppFixture;

void PressEscape(QWidget* w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b");
  QCoreApplication::sendEvent(w, &press);
}

void ClickAt(QWidget* w, QPoint at) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), w->mapToGlobal(QPointF(at)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), w->mapToGlobal(QPointF(at)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
}

// The ways a shown page can be answered.
enum class TAnswer { OK, Close, Escape, Background, WindowClosed };

void Answer(TEmbeddedModalFormManager& m, TAnswer how) {
  switch (how) {
    case TAnswer::OK:
      ClickAt(m.OKButton, QPoint(50, 16));
      break;
    case TAnswer::Close:
      ClickAt(m.CloseButton, QPoint(50, 16));
      break;
    case TAnswer::Escape:
      PressEscape(m.OKButton);
      break;
    case TAnswer::Background:
      ClickAt(m.Snapshot, QPoint(5, 5));
      break;
    case TAnswer::WindowClosed:
      m.parentWidget()->close();
      break;
  }
}

// A window of its own with a manager and one form page on it.
struct TOwnerPage {
  explicit TOwnerPage(QSize window, QSize formSize = QSize(300, 200)) {
    owner.resize(window);
    manager = new TEmbeddedModalFormManager(&owner);
    auto* form = new QWidget;
    form->resize(formSize);
    form->setWindowTitle("Formular");
    item = manager->AddItem(form);
    item->ShowClose = true;
  }
  QWidget owner;
  TEmbeddedModalFormManager* manager;
  TEmbeddedModalFormItem* item;
};

// Runs check while the page waits (the loop keeps running), then answers.
bool ShowAndAnswer(TEmbeddedModalFormItem& item, TAnswer how,
                   const std::function<void()>& check = {}) {
  QTimer::singleShot(0, [&item, how, check] {
    if (check) check();
    Answer(*item.Manager, how);
  });
  return item.ShowModal();
}

TEST(ModalPageTest, OnlyTheFirstButtonConfirms) {
  const struct {
    TAnswer how;
    bool confirmed;
  } cases[] = {{TAnswer::OK, true},
               {TAnswer::Close, false},
               {TAnswer::Escape, false},
               {TAnswer::Background, false},
               {TAnswer::WindowClosed, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.how));
    TOwnerPage page(QSize(900, 700));
    TEmbeddedModalFormManager& m = *page.manager;
    bool waited = false;
    QSize lockedMin, lockedMax;
    const bool result = ShowAndAnswer(*page.item, c.how, [&] {
      waited = m.Waiting() && !m.Done;
      lockedMin = page.owner.minimumSize();
      lockedMax = page.owner.maximumSize();
    });
    EXPECT_TRUE(waited);
    EXPECT_EQ(result, c.confirmed);
    // The window kept its size during the wait and may be resized again.
    EXPECT_EQ(lockedMin, QSize(900, 700));
    EXPECT_EQ(lockedMax, QSize(900, 700));
    EXPECT_EQ(page.owner.minimumSize(), QSize(0, 0));
    EXPECT_EQ(page.owner.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    EXPECT_TRUE(m.isHidden());
    EXPECT_TRUE(page.item->Form->isHidden());
    EXPECT_FALSE(m.Waiting());
  }
}

TEST(ModalPageTest, BoxLayout) {
  TOwnerPage page(QSize(900, 700));
  TEmbeddedModalFormManager& m = *page.manager;
  QRect host, bar, title, frame;
  QPoint ok, close;
  QString titleText;
  bool titleShown = true;
  page.item->Title = "";
  (void)ShowAndAnswer(*page.item, TAnswer::OK, [&] {
    host = m.Host->geometry();
    bar = m.ButtonPanel->geometry();
    frame = m.FrameShape->geometry();
    ok = m.OKButton->pos();
    close = m.CloseButton->pos();
    titleText = m.TitleLabel->text();
    titleShown = !m.TitlePanel->isHidden();
  });
  EXPECT_EQ(host, QRect(300, 250, 300, 200));
  EXPECT_EQ(bar, QRect(300, 450, 300, 50));
  EXPECT_EQ(ok, QPoint(80, 9));
  EXPECT_EQ(close, QPoint(190, 9));
  EXPECT_EQ(frame, QRect(299, 249, 302, 252));
  EXPECT_EQ(titleText, "Formular");  // no title: the form's caption
  EXPECT_FALSE(titleShown);

  // One button and a title bar; a form taller than the window allows scrolls.
  page.item->ShowClose = false;
  page.item->ShowTitle = true;
  page.item->Title = "Titel";
  page.item->FormSize = QSize(300, 650);
  (void)ShowAndAnswer(*page.item, TAnswer::OK, [&] {
    host = m.Host->geometry();
    title = m.TitlePanel->geometry();
    frame = m.FrameShape->geometry();
    ok = m.OKButton->pos();
    titleText = m.TitleLabel->text();
  });
  const int scroll = m.Host->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  EXPECT_EQ(host, QRect((900 - 300 - scroll) / 2, 80, 300 + scroll, 540));
  EXPECT_EQ(title, QRect(host.left(), 45, host.width(), 35));
  EXPECT_EQ(frame, QRect(host.left() - 1, 44, host.width() + 2, 540 + 52 + 35));
  EXPECT_EQ(ok, QPoint(host.width() - 110, 9));
  EXPECT_EQ(titleText, "Titel");
}

TEST(ModalPageTest, NonModalPageClosesWithoutAnswer) {
  TOwnerPage page(QSize(800, 600));
  page.item->ShowOK = page.item->ShowClose = false;
  page.item->Show();
  EXPECT_FALSE(page.manager->isHidden());
  EXPECT_TRUE(page.manager->ButtonPanel->isHidden());
  EXPECT_TRUE(page.manager->Done);
  page.item->Close();
  EXPECT_TRUE(page.manager->isHidden());
}

TEST(ModalPageTest, SnapshotFadesTowardsWhite) {
  QImage img(3, 1, QImage::Format_RGB32);
  img.setPixel(0, 0, qRgb(0, 0, 0));
  img.setPixel(1, 0, qRgb(255, 255, 255));
  img.setPixel(2, 0, qRgb(255, 0, 0));
  const QImage faded = FadeToWhite(img);
  EXPECT_EQ(faded.pixel(0, 0), qRgb(127, 127, 127));
  EXPECT_EQ(faded.pixel(1, 0), qRgb(255, 255, 255));
  // Red: (6 * 65535) / 16 + 32767 and 65535 / 16 + 32767, high bytes.
  EXPECT_EQ(faded.pixel(2, 0), qRgb(223, 143, 143));

  // Every red and green against the 16-bit formula, with blue at its ends
  // and in between.
  for (int b : {0, 1, 128, 254, 255}) {
    QImage all(256, 256, QImage::Format_RGB32);
    for (int r = 0; r < 256; ++r)
      for (int g = 0; g < 256; ++g) all.setPixel(r, g, qRgb(r, g, b));
    const QImage out = FadeToWhite(all);
    const auto want = [](int c, int d, int e) {
      return ((6 * c * 257 + d * 257 + e * 257) / 16 + 32767) >> 8;
    };
    int wrong = 0;
    for (int r = 0; r < 256; ++r)
      for (int g = 0; g < 256; ++g)
        wrong += out.pixel(r, g) != qRgb(want(r, g, b), want(g, r, b), want(b, r, g));
    EXPECT_EQ(wrong, 0) << "blue " << b;
  }
}

TEST(ModalPageTest, MissingFormIsReported) {
  struct TRecorder final : TDialogProvider {
    std::vector<QString> Messages;
    void Message(QWidget*, const QString& text) override { Messages.push_back(text); }
    bool Question(QWidget*, const QString&) override { return false; }
    std::optional<TColor> ChooseColor(QWidget*, TColor) override { return std::nullopt; }
    std::optional<TFontDesc> ChooseFont(QWidget*, const TFontDesc&) override {
      return std::nullopt;
    }
    std::optional<std::string> ChooseFile(QWidget*, const TFileDialogRequest&) override {
      return std::nullopt;
    }
  } recorder;
  SetDialogProvider(&recorder);
  QWidget owner;
  auto* manager = new TEmbeddedModalFormManager(&owner);
  TEmbeddedModalFormItem noForm(manager, nullptr);
  TEmbeddedModalFormItem noManager(nullptr, new QWidget(&owner));
  SetDialogProvider(nullptr);
  ASSERT_EQ(recorder.Messages.size(), 2u);
  EXPECT_EQ(recorder.Messages[0], semfMissingForm);
  EXPECT_EQ(recorder.Messages[1], semfMissingManager);
  EXPECT_FALSE(noForm.ShowModal());
}

// Text pages: 160 narrower than a window below 661, else 500; at least 100.
// A text too tall for the window scrolls in a box 160 lower than the window.
TEST(ModalPageTest, TextPageWidthAndHeight) {
  QString tall;
  for (int i = 0; i < 200; ++i) tall += QString("Zeile %1\n").arg(i);
  const struct {
    int windowWidth;
    int windowHeight;
    QString text;
    int width;
    bool scrolls;
  } cases[] = {
      {600, 500, "Kurz.", 440, false}, {660, 500, "Kurz.", 500, false},
      {661, 500, "Kurz.", 500, false}, {1200, 800, "Kurz.", 500, false},
      {250, 500, "Kurz.", 100, false}, {800, 400, tall, 500, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.windowWidth << "x" << c.windowHeight);
    TOwnerPage page(QSize(c.windowWidth, c.windowHeight));
    TEmbeddedModalFormManager& m = *page.manager;
    QRect box;
    Qt::ScrollBarPolicy policy = Qt::ScrollBarAsNeeded;
    QString shownText, title;
    bool titleShown = false, okOnly = false;
    QTimer::singleShot(0, [&] {
      box = m.TextPanel->geometry();
      policy = m.TextMemo->verticalScrollBarPolicy();
      shownText = m.TextMemo->toPlainText();
      title = m.TitleLabel->text();
      titleShown = !m.TitlePanel->isHidden();
      okOnly = !m.OKButton->isHidden() && m.CloseButton->isHidden();
      Answer(m, TAnswer::OK);
    });
    m.ShowText("Hilfe", c.text);
    EXPECT_EQ(box.width(), c.width);
    EXPECT_EQ(box.left(), (c.windowWidth - c.width) / 2);
    EXPECT_EQ(policy, c.scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    if (c.scrolls)
      EXPECT_EQ(box.height(), c.windowHeight - 160);
    else
      EXPECT_LT(box.height(), c.windowHeight - 160);
    EXPECT_EQ(shownText, c.text);
    EXPECT_EQ(title, "Hilfe");
    EXPECT_TRUE(titleShown);
    EXPECT_TRUE(okOnly);
    EXPECT_TRUE(m.isHidden());
    EXPECT_TRUE(m.TextMemo->toPlainText().isEmpty());
  }
}

TEST(AboutPageTest, AnimationCyclesAndStops) {
  QWidget parent;
  TRunningCheetah cheetah(&parent);
  EXPECT_EQ(cheetah.size(), QSize(144, 118));
  EXPECT_EQ(cheetah.Frame(), 1);
  const QImage first = cheetah.Composed();
  std::vector<int> seen;
  for (int i = 0; i < 9; ++i) {
    cheetah.NextFrame();
    seen.push_back(cheetah.Frame());
  }
  EXPECT_EQ(seen, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 1, 2}));
  EXPECT_NE(cheetah.Composed(), first);  // the frames differ
  cheetah.SetActive(true);
  EXPECT_TRUE(cheetah.Active());
  cheetah.SetActive(false);
  EXPECT_FALSE(cheetah.Active());
  EXPECT_EQ(cheetah.Frame(), 1);
  EXPECT_EQ(cheetah.Composed(), first);
}

class AppPagesTest : public AppFixture {
 protected:
  static std::string SettingsText() {
    std::string text;
    return ReadTextFile(TSettingLoad::SettingsFileName(), text) ? text : std::string();
  }
  // The page's controls changed as a user would.
  static void ChangeEverything() {
    FormGlobalSettings->ComboBoxDecSep->setCurrentIndex(1);
    FormGlobalSettings->CheckBoxLoadLastProject->setChecked(true);
    FormGlobalSettings->ComboBoxModeOnStart->setCurrentIndex(1);
  }
};

TEST_F(AppPagesTest, SettingsPageStoresAndWritesOnlyWhenConfirmed) {
  for (TAnswer how : {TAnswer::Close, TAnswer::Escape, TAnswer::Background}) {
    SCOPED_TRACE(static_cast<int>(how));
    const std::string before = SettingsText();
    QTimer::singleShot(0, [how] {
      ChangeEverything();
      Answer(*ModalManager, how);
    });
    EXPECT_FALSE(TFormGlobalSettings::ShowPage());
    EXPECT_EQ(GlobalSettings->SepChoice, 2);
    EXPECT_FALSE(GlobalSettings->AutoLoadProject);
    EXPECT_FALSE(GlobalSettings->StartInRunMode);
    EXPECT_EQ(SettingsText(), before);
  }

  bool loaded = false;
  QTimer::singleShot(0, [&] {
    // The page opens with the present settings.
    loaded = FormGlobalSettings->ComboBoxDecSep->currentIndex() == 2 &&
             !FormGlobalSettings->CheckBoxLoadLastProject->isChecked() &&
             FormGlobalSettings->ComboBoxModeOnStart->currentIndex() == 0;
    ChangeEverything();
    Answer(*ModalManager, TAnswer::OK);
  });
  EXPECT_TRUE(TFormGlobalSettings::ShowPage());
  EXPECT_TRUE(loaded);
  EXPECT_EQ(GlobalSettings->SepChoice, 1);
  EXPECT_EQ(GlobalSettings->SepChar, '.');
  EXPECT_TRUE(GlobalSettings->AutoLoadProject);
  EXPECT_TRUE(GlobalSettings->StartInRunMode);
  const std::string text = SettingsText();
  EXPECT_NE(text.find("decimalSeparator point"), std::string::npos) << text;
  EXPECT_NE(text.find("autoLoadProject true"), std::string::npos) << text;
  EXPECT_NE(text.find("startInRunMode true"), std::string::npos) << text;
  GlobalSettings->AutoLoadProject = GlobalSettings->StartInRunMode = false;
  (void)TSettingLoad::SaveSettings();  // later tests start as usual
}

TEST_F(AppPagesTest, SettingsPageLabels) {
  EXPECT_EQ(SettingsItem->Title, "Globale Einstellungen");
  EXPECT_EQ(SettingsItem->OKCaption, "OK");
  EXPECT_EQ(SettingsItem->CloseCaption, "Abbrechen");
  EXPECT_TRUE(SettingsItem->ShowClose);
  QStringList sep, mode;
  for (int i = 0; i < 3; ++i) sep << FormGlobalSettings->ComboBoxDecSep->itemText(i);
  for (int i = 0; i < 2; ++i) mode << FormGlobalSettings->ComboBoxModeOnStart->itemText(i);
  EXPECT_EQ(sep, QStringList({"System", "Punkt", "Komma"}));
  EXPECT_EQ(mode, QStringList({"Bearbeiten", QString::fromUtf8("Ausf\xC3\xBChren")}));
}

TEST_F(AppPagesTest, ClosingTheWindowDuringAPageEndsThePageThenTheProgram) {
  form->show();
  GlobalSettings->StartInRunMode = true;  // only the close query writes this
  QTimer::singleShot(0, [] { Answer(*ModalManager, TAnswer::WindowClosed); });
  EXPECT_FALSE(TFormGlobalSettings::ShowPage());
  EXPECT_TRUE(ModalManager->isHidden());
  EXPECT_FALSE(form->isVisible());
  EXPECT_NE(SettingsText().find("startInRunMode true"), std::string::npos);
  GlobalSettings->StartInRunMode = false;
  (void)TSettingLoad::SaveSettings();
}

TEST_F(AppPagesTest, PagesNeedTheRunToBeStopped) {
  LoopbackPort(15209);
  Terminal->Connect();
  ASSERT_TRUE(ProcessUntil([] { return Terminal->Connected.load(); }));
  // No page opens; should one open, the timer ends it and tells.
  int opened = 0;
  auto guard = [&opened] {
    if (ModalManager->isHidden()) return;
    ++opened;
    Answer(*ModalManager, TAnswer::Close);
  };
  QTimer::singleShot(0, ModalManager, guard);
  EXPECT_FALSE(TFormGlobalSettings::ShowPage());
  QTimer::singleShot(0, ModalManager, guard);
  TFormAbout::ShowPage();
  EXPECT_EQ(opened, 0);
  EXPECT_TRUE(ModalManager->isHidden());
  Terminal->Disconnect();
}

TEST_F(AppPagesTest, ExtrasMenuOpensThePages) {
  const QString settings = "Einstellungen", about = QString::fromUtf8(
                                                "\xC3\x9C"
                                                "ber Quillex");
  for (const auto& [text, item] :
       {std::pair{settings, SettingsItem}, std::pair{about, AboutItem}}) {
    QAction* action = nullptr;
    for (QAction* a : form->Popup_Extras->actions())
      if (a->text() == text) action = a;
    ASSERT_NE(action, nullptr) << text.toStdString();
    const TEmbeddedModalFormItem* shown = nullptr;
    QTimer::singleShot(0, [&shown] {
      shown = ModalManager->Current;
      Answer(*ModalManager, TAnswer::Close);
    });
    action->trigger();
    EXPECT_EQ(shown, item);
  }
}

TEST_F(AppPagesTest, AboutPage) {
  EXPECT_EQ(AboutItem->Title, QString::fromUtf8("\xC3\x9C"
                                                "ber Quillex"));
  EXPECT_FALSE(AboutItem->ShowClose);
  EXPECT_EQ(FormAbout->size(), QSize(720, 592));
  const QString version = FormAbout->MemoVersion->toPlainText();
  EXPECT_TRUE(version.startsWith("Version: V1.6")) << version.toStdString();
  EXPECT_TRUE(version.contains("Datum: 12.02.2020")) << version.toStdString();
  EXPECT_TRUE(FormAbout->MemoLibs->toPlainText().contains("Qt 6"));
  form->show();
  bool running = false;
  QTimer::singleShot(0, [&running] {
    running = FormAbout->Cheetah->Active();
    Answer(*ModalManager, TAnswer::OK);
  });
  TFormAbout::ShowPage();
  EXPECT_TRUE(running);  // the animation runs while the page is shown
  EXPECT_TRUE(ModalManager->isHidden());
  EXPECT_FALSE(FormAbout->Cheetah->Active());
}

}  // namespace
}  // namespace qx
