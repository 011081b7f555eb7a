// Tray icon element: the icon picked by the value, online and offline
// pictures, clicks, the single holder of tray mode, its rows, and working on
// where the desktop has no notification area (offscreen has none).
#include "instruments/uQXTrayIcon.h"

#include <QSystemTrayIcon>
#include <cmath>

#include "editing/uPropertyEditor.h"
#include "gui_support/ElementPortFixture.h"
#include "shell/uWindowMode.h"

namespace qx {
namespace {

TEST(TrayIconRule, IndexFromValue) {
  struct Row {
    double value;
    int32_t qty, index;
  };
  const std::vector<Row> rows = {
      {0, 3, 0},  {0.4, 3, 1}, {1, 3, 1}, {2, 3, 2},    {7, 3, 2},
      {-5, 3, 0}, {1.2, 3, 2}, {5, 1, 0}, {9.5, 10, 9}, {std::nan(""), 4, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    EXPECT_EQ(TrayIconIndex(r.value, r.qty), r.index);
  }
}

TEST(TrayIconRule, FrameColour) {
  // disabled, in valid, in empty, out valid, out empty.
  EXPECT_EQ(TrayFrameColor(true, true, false, true, false), kEmptyColor);
  EXPECT_EQ(TrayFrameColor(false, false, true, false, true), kEmptyColor);
  EXPECT_EQ(TrayFrameColor(false, true, false, false, true), kCompiledColor);
  EXPECT_EQ(TrayFrameColor(false, false, true, true, false), kCompiledColor);
  EXPECT_EQ(TrayFrameColor(false, true, false, true, false), kCompiledColor);
  EXPECT_EQ(TrayFrameColor(false, false, false, true, false), kFailedColor);
  EXPECT_EQ(TrayFrameColor(false, true, false, false, false), kFailedColor);
}

class TrayIconTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    form->show();
  }
  void TearDown() override {
    if (WindowMode) WindowMode->TrayModeOff();
    TQXTrayIcon::TrayAvailable = nullptr;
    ElementPortFixture::TearDown();
  }
  // Tray mode needs an icon; offscreen there is no notification area.
  static void WithNotificationArea() {
    TQXTrayIcon::TrayAvailable = [] { return true; };
  }
  static bool Same(const QPixmap& a, const QPixmap& b) { return a.toImage() == b.toImage(); }
};

TEST_F(TrayIconTest, WorksWithoutNotificationArea) {
  auto* t = TQXTrayIcon::ElemCreate();
  EXPECT_EQ(t->ClassId, 22);
  EXPECT_EQ(t->Denom, "Taskleistensymbol");
  EXPECT_EQ(t->OutputElement->TypeName, "QXTrayIconLineOut");
  EXPECT_EQ(t->size(), QSize(160, 40));
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    EXPECT_EQ(t->Tray(), nullptr);
  }
  EXPECT_TRUE(Same(t->ShownIcon(), TQXTrayIcon::OfflineDefault()));
  t->SetSource("#5");
  t->SetIconFile(1, "/nonexistent/icon.png");  // missing on disk: the default
  t->SetPicQty(3);
  ConnectLoopback();
  EXPECT_TRUE(Same(t->ShownIcon(), TQXTrayIcon::OnlineDefault()));
  Feed("#5F1;");
  ASSERT_TRUE(ProcessUntil([t] { return t->CurrentIndex == 1; }));
  EXPECT_TRUE(Same(t->ShownIcon(), TQXTrayIcon::OnlineDefault()));
  Disconnect();
  EXPECT_TRUE(Same(t->ShownIcon(), TQXTrayIcon::OfflineDefault()));
}

// Without a notification area there is no icon to come back through: tray
// mode must not turn the window into a hidden tool window.
TEST_F(TrayIconTest, NoTrayModeWithoutAnIcon) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "a notification area exists";
  auto* t = TQXTrayIcon::ElemCreate();
  ASSERT_EQ(t->Tray(), nullptr);
  t->SetTrayMode(true);
  EXPECT_FALSE(WindowMode->InTray);
  EXPECT_FALSE(form->windowFlags().testFlag(Qt::Tool));
  EXPECT_TRUE(form->isVisible());
  // The setting itself is kept for a desktop that has a notification area.
  EXPECT_TRUE(t->GetTrayMode());
}

TEST_F(TrayIconTest, OwnIconsFollowTheValue) {
  const std::string dir = std::getenv("QX_TEST_TMP") ? std::getenv("QX_TEST_TMP") : "/tmp";
  QPixmap red(16, 16), blue(16, 16);
  red.fill(Qt::red);
  blue.fill(Qt::blue);
  ASSERT_TRUE(red.save(QString::fromStdString(dir + "/tray-red.png")));
  ASSERT_TRUE(blue.save(QString::fromStdString(dir + "/tray-blue.png")));
  auto* t = TQXTrayIcon::ElemCreate();
  t->SetSource("#5");
  t->SetPicQty(2);
  t->SetIconFile(0, dir + "/tray-red.png");
  t->SetIconFile(1, dir + "/tray-blue.png");
  t->SetOfflineFile(dir + "/tray-blue.png");
  EXPECT_TRUE(Same(t->ShownIcon(), t->Icons[1]));  // offline picture
  ConnectLoopback();
  EXPECT_TRUE(Same(t->ShownIcon(), t->Icons[0]));
  Feed("#5F3;");
  ASSERT_TRUE(ProcessUntil([t] { return t->CurrentIndex == 1; }));
  EXPECT_TRUE(Same(t->ShownIcon(), t->Icons[1]));
  // A lower count changes nothing until the next value.
  t->SetPicQty(1);
  EXPECT_EQ(t->CurrentIndex, 1);
  Feed("#5F3;");
  ASSERT_TRUE(ProcessUntil([t] { return t->CurrentIndex == 0; }));
}

TEST_F(TrayIconTest, ClickSendsOrRestoresInTrayMode) {
  WithNotificationArea();
  auto* t = TQXTrayIcon::ElemCreate();
  t->SetOutSource("#9");
  ConnectLoopback();
  t->TrayIconClick();
  EXPECT_EQ(NextSent(), "#9F1;");
  t->SetTrayMode(true);
  EXPECT_TRUE(WindowMode->InTray);
  form->hide();
  t->TrayIconClick();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(NothingSent());
}

TEST_F(TrayIconTest, OneHolderOfTrayModeAndItsRows) {
  WithNotificationArea();
  auto* first = TQXTrayIcon::ElemCreate();
  auto* second = TQXTrayIcon::ElemCreate();
  first->SetTrayMode(true);
  second->SetTrayMode(true);
  EXPECT_TRUE(first->TrayMode);
  EXPECT_FALSE(second->TrayMode);
  TPropertyEditor::ShowElement(*first);
  EXPECT_TRUE(TQXTrayIcon::OutRow->isHidden());
  first->SetPicQty(3);
  EXPECT_FALSE(TQXTrayIcon::IconRows[2]->isHidden());
  EXPECT_TRUE(TQXTrayIcon::IconRows[3]->isHidden());
  first->SetPicQty(0);
  EXPECT_EQ(first->PicQty, 1);
  TPropertyEditor::HideListing();
  delete first;  // the holder goes: tray mode ends
  EXPECT_FALSE(WindowMode->InTray);
  second->SetTrayMode(true);
  EXPECT_TRUE(second->TrayMode);
}

TEST_F(TrayIconTest, SavesOnlyTheIconFilesInUse) {
  auto* t = TQXTrayIcon::ElemCreate();
  t->SetPicQty(2);
  t->SetIconFile(0, "a.png");
  t->SetIconFile(1, "b.png");
  t->SetIconFile(2, "c.png");
  TTextWriter w;
  FLSetList->Find("QXTrayIcon")->SaveSet(w, *t);
  const std::string& text = w.Text();
  EXPECT_NE(text.find("iconQty 2"), std::string::npos) << text;
  EXPECT_NE(text.find("iconFile1 \"b.png\""), std::string::npos) << text;
  EXPECT_EQ(text.find("iconFile2"), std::string::npos) << text;
  EXPECT_LT(text.find("iconQty"), text.find("iconFile0"));
}

}  // namespace
}  // namespace qx
