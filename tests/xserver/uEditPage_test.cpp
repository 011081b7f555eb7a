// The Edit page through real input: the sheet background set in its listing
// and copy and paste between sheets.
#include <X11/keysym.h>

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>

#include "editing/uEEChoices.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "editing/uQXControls.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "editing/uSheetTabs.h"
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

}  // namespace
}  // namespace qx::test
