// The toolkit's dialogs behind the provider: the font dialog starts on the
// font as it is drawn and changes nothing unless the user changes it.
#include "widgets/uDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "gui_support/FontDialogAnswer.h"
#include "widgets/uLangStrings.h"

namespace qx {
namespace {

using test::TFontDialogAnswer;

TEST(ToolkitFontDialog, StartsOnTheDrawnFontAndOkKeepsIt) {
  struct Case {
    TFontDesc font;
    const char* face;  // the face the dialog starts on
  };
  const Case cases[] = {
      {{"DejaVu Sans Mono", 11, 0x112233, false, false, false, false}, "DejaVu Sans Mono"},
      {{"DejaVu Sans Mono", 11, 0, true, false, false, false}, "DejaVu Sans Mono"},
      {{"DejaVu Sans Mono", 11, 0, false, true, false, false}, "DejaVu Sans Mono"},
      {{"DejaVu Sans Mono", 11, 0, true, true, false, true}, "DejaVu Sans Mono"},
      {{"DejaVu Sans", 9, 0, false, false, true, false}, "DejaVu Sans"},
      // Not installed: the dialog shows the face drawn in its place, and OK
      // keeps the stored name.
      {{"Lucida Console", 13, 0, false, false, false, false}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.font.Name + (c.font.Bold ? " bold" : "") + (c.font.Italic ? " italic" : ""));
    const QString face = c.face ? QString(c.face) : QFontInfo(FontDescToQFont(c.font)).family();
    ASSERT_NE(face.toStdString(), "Lucida Console");
    TFontDialogAnswer answer;
    const std::optional<TFontDesc> got = Dialogs().ChooseFont(nullptr, c.font);
    ASSERT_TRUE(answer.Seen);
    EXPECT_EQ(answer.Shown.family().toStdString(), face.toStdString());
    EXPECT_EQ(answer.Shown.pointSize(), c.font.Size);
    EXPECT_EQ(answer.Shown.bold(), c.font.Bold) << answer.Shown.styleName().toStdString();
    EXPECT_EQ(answer.Shown.italic(), c.font.Italic) << answer.Shown.styleName().toStdString();
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, c.font);
  }
}

TEST(ToolkitFontDialog, ChangesTheUserMakesAreApplied) {
  const TFontDesc regular{"DejaVu Sans Mono", 11, 0x0000FF, false, false, false, false};
  TFontDialogAnswer answer([](QFontDialog& d) {
    d.setCurrentFont(QFontDatabase::font("DejaVu Sans Mono", "Bold", 14));
  });
  const std::optional<TFontDesc> got = Dialogs().ChooseFont(nullptr, regular);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->Name, "DejaVu Sans Mono");
  EXPECT_EQ(got->Size, 14);
  EXPECT_TRUE(got->Bold);
  EXPECT_FALSE(got->Italic);
  EXPECT_EQ(got->Color, 0x0000FFu);
}

// Qt's own file dialog lists sizes and dates in the language chosen, not in
// the environment's (English under the tests).
TEST(ToolkitFileDialog, SizesAndDatesFollowTheLanguage) {
  QTemporaryDir dir;
  const QString file = dir.filePath("messung.dat");
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1500, 'x'));
  }
  const QDateTime modified = QFileInfo(file).lastModified();
  struct Case {
    const char* code;
    QLocale locale;
  };
  const Case cases[] = {{"de", QLocale(QLocale::German, QLocale::Germany)},
                        {"zh", QLocale(QLocale::Chinese, QLocale::China)},
                        {"en", QLocale(QLocale::English, QLocale::UnitedStates)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    (void)LoadQtTranslation(c.code);
    QString size, date;
    QElapsedTimer waited;
    waited.start();
    // Reads the file's row once the dialog has listed the folder, then
    // cancels (at the latest after 10 s).
    std::function<void()> poll = [&] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      QTreeView* view = d ? d->findChild<QTreeView*>() : nullptr;
      if (view && view->model()) {
        const QModelIndexList rows = view->model()->match(
            view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole, "messung.dat");
        if (!rows.isEmpty() || waited.elapsed() > 10000) {
          if (!rows.isEmpty()) {
            size = rows[0].siblingAtColumn(1).data().toString();
            date = rows[0].siblingAtColumn(3).data().toString();
          }
          d->reject();
          return;
        }
      }
      QTimer::singleShot(10, poll);
    };
    QTimer::singleShot(10, poll);
    EXPECT_EQ(AskToolkitFileName(nullptr, "x", dir.path(), QString(), false), QString());
    EXPECT_EQ(size, c.locale.formattedDataSize(1500));
    EXPECT_EQ(date, c.locale.toString(modified, QLocale::ShortFormat));
  }
}

}  // namespace
}  // namespace qx
