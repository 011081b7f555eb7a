// The Edit page through real input: the sheet background set in its listing,
// copy and paste between sheets, the keys a selection takes, and rows of a
// listing that change what the Edit page shows.
#include <X11/keysym.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "editing/uQXControls.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "editing/uSheetTabs.h"
#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXPicture.h"
#include "shell/uRunSheet.h"
#include "widgets/IconButton.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"
#include "xserver/XFixture.h"

namespace qx::test {
namespace {

class EditPage : public XAppFixture {
 protected:
  void OpenProject(const std::string& path) {
    dialogs.Files.push_back(path);
    Click(form->IconButtonOeffnen);
    ASSERT_TRUE(dialogs.Files.empty()) << "the file dialog was not asked";
    ASSERT_TRUE(dialogs.Messages.empty()) << dialogs.Messages.front().toStdString();
  }
  // The shown listing's row of this kind with this caption.
  template <class R>
  static R* Row(const QString& caption) {
    TEEListing* l = TPropertyEditor::CurrentListing();
    if (!l) return nullptr;
    for (TEEEintrag* e : l->Entries) {
      auto* r = dynamic_cast<R*>(e);
      if (r && r->Label->text() == caption) return r;
    }
    return nullptr;
  }
  // Types over the edit's text and confirms with Return.
  void TypeInto(QLineEdit* edit, const std::string& text) {
    Click(edit);
    Key(XK_a, ModCtrl);
    Type(text);
    Key(XK_Return);
  }
  // What the screen shows at a point of the current sheet.
  static QColor SheetPixel(QPoint at) { return OnScreen(CurrentSheet).pixelColor(at); }
  // A one-colour picture file in the test's directory.
  std::string PictureFile(const std::string& name, QColor colour) {
    const std::string path =
        QFileInfo(QString::fromStdString(TempFile(name, ""))).absoluteFilePath().toStdString();
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return path;
  }
};

// Typed into the background listing, a colour or a picture shows on the
// sheet at once, with the listing still open, where the listing does not
// cover it.
TEST_F(EditPage, BackgroundTypedIntoTheListingShowsAtOnce) {
  const std::string dir =
      QFileInfo(QString::fromStdString(TempFile("x", ""))).absolutePath().toStdString();
  const std::string picture = dir + "/green.png";
  QImage green(40, 30, QImage::Format_RGB32);
  green.fill(QColor(0, 200, 0));
  ASSERT_TRUE(green.save(QString::fromStdString(picture)));
  struct Case {
    const char* name;
    bool file;  // the picture row, else the colour row
    std::string text;
    QColor shown;
  };
  const Case cases[] = {
      {"colour", false, "$0000FF", QColor(255, 0, 0)},
      {"picture", true, picture, QColor(0, 200, 0)},
  };
  Click(form->TabBar->Tabs[1]);
  ASSERT_TRUE(EditMode);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Click(form->ButtonHintergrund);
    ASSERT_TRUE(TPropertyEditor::PanelVisible());
    // Between the grid lines, left of the panel.
    const QPoint at(10, 10);
    ASSERT_FALSE(TPropertyEditor::Panel()->geometry().contains(
        form->mapFromGlobal(CurrentSheet->mapToGlobal(at))));
    const QColor before = SheetPixel(at);
    ASSERT_NE(before.name(), c.shown.name());
    if (c.file) {
      auto* row = Row<TEEEBildDatei>("Bilddatei");
      ASSERT_TRUE(row);
      TypeInto(row->Edit, c.text);
    } else {
      auto* row = Row<TEEEFarbe>("Farbe");
      ASSERT_TRUE(row);
      TypeInto(row->Edit, c.text);
    }
    ProcessFor(50);
    EXPECT_TRUE(TPropertyEditor::PanelVisible());
    EXPECT_EQ(SheetPixel(at).name(), c.shown.name());
    Shot(std::string("edit-background-") + c.name);
  }
}

// Ctrl+V right after a click on another sheet's tab pastes onto that sheet,
// on its first visit too.
TEST_F(EditPage, CtrlVRightAfterAClickOnAnotherSheetsTabPastesThere) {
  OpenProject(ExampleCopy("0", "0"));
  ASSERT_EQ(SheetList.size(), 2u);
  Click(form->TabBar->Tabs[1]);
  Click(SheetTabs->Tabs.at(0));
  TQXElement* e = CurrentSheet->ElementList.at(0);
  Click(e);
  ASSERT_EQ(TEditPanel::SelectionCount(), 1);
  Key(XK_c, ModCtrl);
  TSheet* second = SheetList[1];
  const size_t before = second->ElementList.size();
  Click(SheetTabs->Tabs.at(1));
  ASSERT_EQ(CurrentSheet, second);
  Key(XK_v, ModCtrl);
  EXPECT_EQ(second->ElementList.size(), before + 1);
  QWidget* focus = QApplication::focusWidget();
  EXPECT_EQ(focus, second) << (focus ? focus->metaObject()->className() : "no focus");
}

// With an instrument selected, the sheet area's keys stay with edit mode:
// Ctrl+S saves nothing and Ctrl+O opens nothing, while the arrows still
// move it and the listing's fields still take what is typed into them.
// Without a selection both shortcuts work.
TEST_F(EditPage, ASelectionTakesTheFileShortcutsOfTheSheetArea) {
  OpenProject(ExampleCopy("0", "0"));
  // Counted instead of run: a real save or open drops its key's release.
  int saves = 0, opens = 0;
  RunSheet->OnSave = [&saves] { ++saves; };
  RunSheet->OnOpen = [&opens] { ++opens; };
  Click(form->TabBar->Tabs[1]);
  TQXElement* e = CurrentSheet->ElementList.at(0);
  ASSERT_EQ(e->pos(), QPoint(30, 30));
  Click(e);
  ASSERT_EQ(TEditPanel::SelectionCount(), 1);
  Key(XK_s, ModCtrl);
  Key(XK_o, ModCtrl);
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(opens, 0);
  Key(XK_Right);
  EXPECT_EQ(e->pos(), QPoint(40, 30));

  auto* name = Row<TEEEZeichenUAuswahl>("Name");
  ASSERT_TRUE(name);
  Click(name->Edit);
  Key(XK_End);
  Type("xy");
  Key(XK_Left);
  Key(XK_Delete);
  EXPECT_EQ(name->Edit->text(), "Druckx");
  EXPECT_EQ(e->pos(), QPoint(40, 30));
  EXPECT_EQ(CurrentSheet->ElementList.at(0), e);

  // The empty sheet, left of the listing: the selection goes.
  Click(CurrentSheet, QPoint(10, 400));
  ASSERT_EQ(TEditPanel::SelectionCount(), 0);
  Key(XK_s, ModCtrl);
  Key(XK_o, ModCtrl);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(opens, 1);
}

// A row of the listing shows its effect on the Edit page at once: the size
// row follows a show option that makes the analog display taller, and a
// picture's initial value shows its picture in the element's frame.
TEST_F(EditPage, ListingRowsShowTheirEffectAtOnce) {
  const std::string red = PictureFile("red.png", QColor(255, 0, 0));
  const std::string blue = PictureFile("blue.png", QColor(0, 0, 255));
  OpenProject(TempFile("rows.qxproj",
                       "QXSHEET\r\nname \"A\"\r\n"
                       "QXANALOGDISP\r\nposition x=20 y=20\r\nsize x=200 y=40\r\n"
                       "QXPICTURE\r\nposition x=20 y=100\r\nsize x=100 y=80\r\n"
                       "viewMode stretch\r\npicQty 2\r\npicFile1 \"" +
                           red + "\"\r\npicFile2 \"" + blue + "\"\r\n"));
  Click(form->TabBar->Tabs[1]);
  auto* analog = dynamic_cast<TQXAnalogDisp*>(CurrentSheet->ElementList.at(0));
  ASSERT_TRUE(analog);
  Click(analog);
  auto* numeric = Row<TEEEAuswahlFeld>("Numerischen Wert");
  auto* size = Row<TEEEIntPaar>(cap::Size());
  ASSERT_TRUE(numeric && size);
  ASSERT_EQ(size->SecondEdit->text(), "40");
  Click(numeric->Check);
  ASSERT_TRUE(analog->ShowNumeric);
  ASSERT_GT(analog->height(), 40);
  EXPECT_EQ(size->SecondEdit->text(), QString::number(analog->height()));
  Shot("edit-analog-numeric");

  TQXElement* picture = CurrentSheet->ElementList.back();
  ASSERT_TRUE(dynamic_cast<TQXPicture*>(picture));
  const QPoint middle = picture->geometry().center();
  ASSERT_EQ(SheetPixel(middle).name(), QColor(255, 0, 0).name());
  Click(picture);
  auto* init = Row<TEEERealFeld>("Anfangswert");
  ASSERT_TRUE(init);
  TypeInto(init->Edit, "2");
  ProcessFor(50);
  EXPECT_EQ(SheetPixel(middle).name(), QColor(0, 0, 255).name());
  Shot("edit-picture-init");
}

}  // namespace
}  // namespace qx::test
