// Checks that walk every widget the main window can show (pages, ribbon,
// property listings, modal pages, menus) in every language, so that a new
// control that is cut, misplaced, blank or left untranslated fails without a
// test of its own.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <map>
#include <set>

#include "editing/uEEFields.h"
#include "gui_support/AppFixture.h"
#include "gui_support/UiWalk.h"
#include "widgets/IconButton.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"

namespace qx {
namespace {

using walk::Describe;

class WalkerTest : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form->show();
    walk::Settle(50);
  }
  void TearDown() override {
    walk::SetLanguage("de");
    AppFixture::TearDown();
  }

  // visit(scope, root) for every place a user can see: each page (and the
  // channel list), each listing on the property panel, each modal page.
  static void ForEachScope(const std::function<void(const QString&, QWidget*)>& visit) {
    walk::ForEachPage([&](const QString& page) { visit("page " + page, MainForm); });
    walk::ForEachListing([&](const QString& name, QWidget* box) {
      visit("listing " + name, MainForm->PanelProperties);
      (void)box;
    });
    walk::ForEachModalPage(
        [&](const QString& name, QWidget* manager) { visit("modal " + name, manager); });
  }

  static std::vector<QWidget*> Shown(QWidget* root) {
    return walk::VisibleWidgets(root, walk::IsInstrument);
  }
};

// The scrolled content of a scroll area may be larger than its viewport.
bool IsScrolledContent(const QWidget* w) {
  const QWidget* viewport = w->parentWidget();
  auto* area =
      viewport ? qobject_cast<const QAbstractScrollArea*>(viewport->parentWidget()) : nullptr;
  return area && area->viewport() == viewport;
}

TEST_F(WalkerTest, EveryShownWidgetHasASizeAndLiesInsideItsParent) {
  int checked = 0;
  ForEachScope([&](const QString& scope, QWidget* root) {
    for (QWidget* w : Shown(root)) {
      ++checked;
      EXPECT_FALSE(w->width() <= 0 || w->height() <= 0)
          << scope.toStdString() << ": " << Describe(w).toStdString() << " is " << w->width() << "x"
          << w->height();
      if (w == root || !w->parentWidget() || IsScrolledContent(w)) continue;
      const QRect inside = w->parentWidget()->rect();
      EXPECT_TRUE(inside.contains(w->geometry()))
          << scope.toStdString() << ": " << Describe(w).toStdString() << " at (" << w->x() << ","
          << w->y() << " " << w->width() << "x" << w->height() << ") leaves its parent of "
          << inside.width() << "x" << inside.height();
    }
  });
  const QRect screen = QGuiApplication::primaryScreen()->geometry().united(form->frameGeometry());
  walk::ForEachMenu([&](const QString& name, QMenu* menu) {
    ++checked;
    EXPECT_TRUE(menu->isVisible()) << name.toStdString();
    EXPECT_FALSE(menu->width() <= 0 || menu->height() <= 0) << name.toStdString();
    EXPECT_TRUE(screen.contains(menu->geometry())) << name.toStdString();
  });
  EXPECT_GT(checked, 1000);  // the walk reached the listings and pages
}

// The window at its test size (1200 x 800) has room for every page: no
// scroll area on it needs to scroll sideways (a page's content that is not
// sized to its page does).
TEST_F(WalkerTest, NoScrollAreaScrollsSidewaysInAWindowWithRoom) {
  int checked = 0;
  ForEachScope([&](const QString& scope, QWidget* root) {
    for (QWidget* w : Shown(root)) {
      auto* area = qobject_cast<QAbstractScrollArea*>(w);
      if (!area) continue;
      ++checked;
      EXPECT_FALSE(area->horizontalScrollBar()->isVisible())
          << scope.toStdString() << ": " << Describe(w).toStdString() << " of " << w->width() << "x"
          << w->height() << " scrolls sideways";
    }
  });
  EXPECT_GT(checked, 10);
}

// ---- texts that do not fit ----

struct TCut {
  QString Text;
  int Need;
  int Have;
};

QString Plain(QString text) {
  return text.remove('&');
}

// Width a text takes in the widget's font against the width the widget
// gives it, as each kind paints; nothing when it has no text of its own.
std::vector<TCut> CutTexts(QWidget* w) {
  std::vector<TCut> cuts;
  const QFontMetrics fm = w->fontMetrics();
  auto fit = [&](const QString& text, int have, int extra = 0) {
    for (const QString& line : text.split('\n')) {
      const int need = fm.horizontalAdvance(line) + extra;
      if (!line.isEmpty() && need > have) cuts.push_back({line, need, have});
    }
  };
  if (auto* l = qobject_cast<QLabel*>(w)) {
    if (l->wordWrap() || l->text().isEmpty() || Qt::mightBeRichText(l->text())) return cuts;
    const int indent = l->indent() > 0 ? l->indent() : 0;
    fit(l->text(), l->contentsRect().width() - 2 * l->margin() - indent);
  } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
    auto* b = static_cast<QAbstractButton*>(w);
    if (b->text().isEmpty()) return cuts;
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const auto element =
        qobject_cast<QCheckBox*>(w) ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents;
    fit(Plain(b->text()), b->style()->subElementRect(element, &opt, b).width());
  } else if (auto* b = qobject_cast<QPushButton*>(w)) {
    if (b->text().isEmpty()) return cuts;
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
    fit(Plain(b->text()),
        b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width(), icon);
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    if (!g->title().isEmpty()) fit(Plain(g->title()), g->width() - 16);
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    if (c->currentText().isEmpty()) return cuts;
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    opt.editable = c->isEditable();
    const QRect field =
        c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
    fit(c->currentText(), field.width());
  } else if (auto* r = qobject_cast<TRibbonButton*>(w)) {
    // As the button paints its caption (frame one pixel on each side).
    const QString text = r->Caption();
    if (text.isEmpty()) return cuts;
    const int tw = fm.horizontalAdvance(text);
    const int pic = r->Picture().isNull() ? 0 : r->PicLeft() + r->Picture().width();
    int left;
    if (!r->AlignHorz())
      left = (r->width() - tw) / 2;
    else if (r->TextCentreAligned())
      left = (r->width() - tw) / 2;
    else
      left = r->TextLeft();
    const int minLeft = r->AlignHorz() && pic > 0 ? pic : 2;
    if (left < minLeft || left + tw > r->width() - 2)
      cuts.push_back({text, tw + minLeft + 2, r->width()});
  } else if (auto* t = dynamic_cast<TTabElement*>(w)) {
    fit(t->Caption, t->width() - 4);
  } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
    // Column captions: as wide as their section, less the header's margins.
    const QHeaderView* header = table->horizontalHeader();
    if (header->isHidden()) return cuts;
    const QFontMetrics hfm = header->fontMetrics();
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int i = 0; i < table->columnCount(); ++i) {
      const QTableWidgetItem* item = table->horizontalHeaderItem(i);
      if (!item || item->text().isEmpty()) continue;
      const int need = hfm.horizontalAdvance(item->text()) + margin;
      if (need > header->sectionSize(i))
        cuts.push_back({item->text(), need, header->sectionSize(i)});
    }
  }
  return cuts;
}

// Every text of the language's catalogue.
std::set<QString> CatalogueTexts(const std::string& code) {
  std::set<QString> out;
  QFile f(QString(":/lang/quillex.%1.po").arg(code.c_str()));
  if (!f.open(QIODevice::ReadOnly)) return out;
  for (const auto& [key, text] : ParsePoCatalogue(f.readAll())) out.insert(text);
  return out;
}

// A listing's title shows its caption whole: a title text that is only the
// start of a catalogue text was cut short before it reached the label,
// whatever room the label has. Index titles add a number of their own.
std::vector<TCut> CutTitle(QWidget* w, const std::set<QString>& catalogue) {
  auto* label = qobject_cast<QLabel*>(w);
  QWidget* row = w->parentWidget();
  const bool title = (dynamic_cast<TEEETitel*>(row) && !dynamic_cast<TEEEIndexTitel*>(row)) ||
                     dynamic_cast<TEEETitelActive*>(row);
  if (!label || !title || label->text().isEmpty() || catalogue.count(label->text())) return {};
  const QFontMetrics fm = label->fontMetrics();
  for (const QString& whole : catalogue)
    if (whole.startsWith(label->text()))
      return {{whole, fm.horizontalAdvance(whole), fm.horizontalAdvance(label->text())}};
  return {};
}

TEST_F(WalkerTest, NoTextIsCutInAnyLanguage) {
  for (const std::string& code : walk::Languages()) {
    walk::SetLanguage(code);
    const std::set<QString> catalogue = CatalogueTexts(code);
    ASSERT_GT(catalogue.size(), 300u) << code;
    std::set<QString> reported;  // one line per control kind and text
    ForEachScope([&](const QString& scope, QWidget* root) {
      for (QWidget* w : Shown(root)) {
        std::vector<TCut> cuts = CutTexts(w);
        for (const TCut& c : CutTitle(w, catalogue)) cuts.push_back(c);
        for (const TCut& c : cuts) {
          const QString key = Describe(w) + c.Text;
          if (!reported.insert(key).second) continue;
          ADD_FAILURE() << code << ", " << scope.toStdString() << ": \"" << c.Text.toStdString()
                        << "\" needs " << c.Need << " px, " << Describe(w).toStdString()
                        << " gives " << c.Have;
        }
      }
    });
  }
}

// ---- pictures ----

// Blank: null, or one colour all over.
bool Blank(const QImage& image) {
  if (image.isNull()) return true;
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != first) return false;
  return true;
}

TEST_F(WalkerTest, EveryPictureButtonHasAPicture) {
  for (TIconButton* b : {form->IconButtonNeu, form->IconButtonOeffnen, form->IconButtonSaveAs,
                         form->IconButtonSave, form->IconButtonExtras})
    EXPECT_FALSE(Blank(b->Picture())) << b->Caption().toStdString();
  // Every icon button, and every ribbon button without caption, anywhere in
  // the window or the property panel (shown or not).
  int checked = 0;
  for (TIconButton* b : form->findChildren<TIconButton*>()) {
    ++checked;
    EXPECT_FALSE(Blank(b->Picture()))
        << Describe(b).toStdString() << " '" << b->Caption().toStdString() << "'";
  }
  walk::ForEachListing([&](const QString& name, QWidget* box) {
    for (TRibbonButton* b : box->findChildren<TRibbonButton*>()) {
      ++checked;
      if (b->Caption().isEmpty()) {
        EXPECT_FALSE(Blank(b->Picture()))
            << name.toStdString() << ": " << Describe(b).toStdString();
      }
    }
  });
  for (TRibbonButton* b : form->findChildren<TRibbonButton*>()) {
    ++checked;
    if (b->Caption().isEmpty()) {
      EXPECT_FALSE(Blank(b->Picture())) << Describe(b).toStdString();
    }
  }
  EXPECT_GT(checked, 50);
}

// ---- languages ----

// Every text a user can read in the widget (user data left out: edits).
QStringList TextsOf(QWidget* w) {
  QStringList out;
  if (auto* l = qobject_cast<QLabel*>(w)) out << l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) out << b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) out << g->title();
  if (auto* c = qobject_cast<QComboBox*>(w); c && !c->isEditable())
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
  if (auto* r = qobject_cast<TRibbonButton*>(w)) out << r->Caption();
  if (auto* i = qobject_cast<TIconButton*>(w)) out << i->Caption();
  if (auto* t = dynamic_cast<TTabElement*>(w)) out << t->Caption;
  if (auto* t = qobject_cast<QTableWidget*>(w); t && !t->horizontalHeader()->isHidden()) {
    for (int i = 0; i < t->columnCount(); ++i)
      if (const QTableWidgetItem* item = t->horizontalHeaderItem(i)) out << item->text();
  }
  if (auto* e = qobject_cast<QPlainTextEdit*>(w); e && e->isReadOnly()) out << e->toPlainText();
  if (auto* e = qobject_cast<QTextEdit*>(w); e && e->isReadOnly()) out << e->toPlainText();
  out.removeAll(QString());
  return out;
}

// scope + widget path -> text, for every text on the screen (menus too).
std::multimap<QString, QString> ScreenTexts(
    const std::function<void(const std::function<void(const QString&, QWidget*)>&)>& scopes) {
  std::multimap<QString, QString> out;
  scopes([&](const QString& scope, QWidget* root) {
    for (QWidget* w : walk::VisibleWidgets(root, walk::IsInstrument))
      for (const QString& t : TextsOf(w)) out.emplace(scope + " " + Describe(w), t);
  });
  walk::ForEachMenu([&](const QString& name, QMenu* menu) {
    for (QAction* a : menu->actions())
      if (!a->isSeparator()) out.emplace("menu " + name, a->text());
  });
  if (MainForm->Popup_Extras) out.emplace("menu extras", MainForm->Popup_Extras->title());
  return out;
}

TEST_F(WalkerTest, NoGermanCatalogueTextStaysAfterALanguageSwitch) {
  for (const std::string code : {"en", "zh"}) {
    walk::SetLanguage(code);
    std::map<QString, QString> german = walk::GermanTextsTranslated(code);
    ASSERT_GT(german.size(), 300u) << code;
    // A German text that is also some entry's translation may be right.
    for (const auto& [key, text] : [&] {
           QFile f(QString(":/lang/quillex.%1.po").arg(code.c_str()));
           (void)f.open(QIODevice::ReadOnly);
           return ParsePoCatalogue(f.readAll());
         }())
      german.erase(text);
    const auto texts = ScreenTexts(ForEachScope);
    EXPECT_GT(texts.size(), 500u);
    std::set<QString> reported;
    for (const auto& [where, text] : texts) {
      const auto it = german.find(text.trimmed());
      if (it == german.end() || !reported.insert(where + text).second) continue;
      ADD_FAILURE() << code << ": \"" << text.toStdString() << "\" (" << it->second.toStdString()
                    << ") still German at " << where.toStdString();
    }
  }
}

// The texts on the screen depend on the language only, not on the languages
// chosen before it.
TEST_F(WalkerTest, TheLanguageShownDoesNotDependOnTheOneBefore) {
  walk::SetLanguage("en");
  const auto direct = ScreenTexts(ForEachScope);
  walk::SetLanguage("zh");
  walk::SetLanguage("en");
  const auto viaChinese = ScreenTexts(ForEachScope);
  ASSERT_EQ(direct.size(), viaChinese.size());
  for (auto a = direct.begin(), b = viaChinese.begin(); a != direct.end(); ++a, ++b) {
    EXPECT_EQ(a->first.toStdString(), b->first.toStdString());
    EXPECT_EQ(a->second.toStdString(), b->second.toStdString()) << a->first.toStdString();
  }
}

// ---- focus of the modal pages ----

// Tab and Shift+Tab, pressed many times on whatever has the focus, never
// leave the modal page that is up.
void ExpectTabStaysIn(const QString& page) {
  walk::Settle();
  const int stops = static_cast<int>(ModalManager->findChildren<QWidget*>().size()) + 4;
  for (const auto key : {Qt::Key_Tab, Qt::Key_Backtab}) {
    for (int i = 0; i < stops; ++i) {
      QWidget* f = QApplication::focusWidget();
      const bool inside = f && ModalManager->isAncestorOf(f);
      EXPECT_TRUE(inside) << page.toStdString() << ": focus on "
                          << (f ? Describe(f).toStdString() : std::string("nothing"));
      if (!inside) return;
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(f, &press);
      QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
      QApplication::sendEvent(f, &release);
    }
  }
}

TEST_F(WalkerTest, TabNeverLeavesAModalPage) {
  form->activateWindow();
  walk::Settle(50);
  // The settings and about pages as the "Extras" menu opens them (waiting
  // for the answer), the progress page as a load shows it.
  const std::vector<std::pair<QString, std::function<void()>>> waited = {
      {"settings", [] { (void)TFormGlobalSettings::ShowPage(); }},
      {"about", [] { TFormAbout::ShowPage(); }}};
  for (const auto& [name, show] : waited) {
    bool checked = false;
    QTimer::singleShot(0, form.get(), [&, n = name] {
      ExpectTabStaysIn(n);
      checked = true;
      ModalManager->Answer(false);
    });
    show();
    walk::Settle(10);
    EXPECT_TRUE(checked) << name.toStdString();
  }
  ASSERT_NE(FormLoadSave, nullptr);
  FormLoadSave->Show("x.qxproj");
  ExpectTabStaysIn("loadsave");
  FormLoadSave->Close();
}

}  // namespace
}  // namespace qx
