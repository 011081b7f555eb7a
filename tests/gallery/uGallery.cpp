// Picture gallery: starts the main window as the program does, opens the
// example project and writes PNG screenshots of every page, of one
// instrument of every class with its property listing (and each sub-listing)
// open, of every modal page and menu, in German, English and Chinese.
//   qx_gallery <output folder> [example project]
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <optional>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "gui_support/UiWalk.h"
#include "shell/uFileHandling.h"
#include "shell/uInit.h"
#include "widgets/uDialogs.h"

namespace qx {
namespace {

// Opens the one project, answers everything else with "no" or cancel.
class TGalleryDialogs final : public TDialogProvider {
 public:
  std::string Project;
  void Message(QWidget*, const QString& text) override {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
  }
  bool Question(QWidget*, const QString&) override { return false; }
  std::optional<TColor> ChooseColor(QWidget*, TColor) override { return std::nullopt; }
  std::optional<TFontDesc> ChooseFont(QWidget*, const TFontDesc&) override { return std::nullopt; }
  std::optional<std::string> ChooseFile(QWidget*, const TFileDialogRequest& r) override {
    if (r.Kind == TFileDialogRequest::TKind::Open && !Project.empty()) return Project;
    return std::nullopt;
  }
};

int shots = 0;

void Shoot(QWidget* w, const QString& file) {
  walk::Settle(60);
  if (!w->grab().save(file)) {
    std::fprintf(stderr, "cannot write %s\n", file.toUtf8().constData());
    return;
  }
  ++shots;
}

void ShootPages(const QString& dir) {
  QDir().mkpath(dir);
  walk::ForEachPage([&](const QString& page) { Shoot(MainForm, dir + "/page-" + page + ".png"); });
  walk::ForEachModalPage(
      [&](const QString& name, QWidget*) { Shoot(MainForm, dir + "/modal-" + name + ".png"); });
  walk::ForEachMenu(
      [&](const QString& name, QMenu* menu) { Shoot(menu, dir + "/menu-" + name + ".png"); });
}

// Instruments on an empty sheet of their own (the last one), each with its
// listing open.
void ShootInstruments(const QString& dir) {
  walk::SelectPage(1);
  SheetTabs->SelectTab(static_cast<int>(SheetTabs->Tabs.size()) - 1);
  walk::Settle();
  for (const TElementClass& cls : TQXElement::Classes()) {
    TQXElement* e = walk::ShowInstrument(cls);
    if (!e) continue;
    const QString name = dir + "/instrument-" + QString::fromStdString(cls.SetName);
    Shoot(MainForm, name + ".png");
    if (TEEListing* l = TPropertyEditor::CurrentListing()) {
      const std::vector<TEESubListing*> subs = l->SubListings;
      for (size_t i = 0; i < subs.size(); ++i) {
        TPropertyEditor::PropIndex() = 0;
        TEESubListing::ShowSubListing(subs[i]);
        Shoot(MainForm, name + QString("-sub%1.png").arg(i + 1));
        TEESubListing::HideAll();
      }
    }
    TPropertyEditor::HideListing();
    walk::DeleteInstrument(e);
  }
  if (CurrentSheet && CurrentSheet->Background) {
    TPropertyEditor::ShowBackground(*CurrentSheet->Background);
    Shoot(MainForm, dir + "/listing-background.png");
    TPropertyEditor::HideListing();
  }
  SheetTabs->SelectTab(0);
  walk::SelectPage(0);
}

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
  using namespace qx;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output folder> [project]\n", argv[0]);
    return 2;
  }
  QApplication::setApplicationName("Quillex");
  QApplication app(argc, argv);
  InstallQtSystemColors();
  InstallDefaultFont();
  const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  TGalleryDialogs dialogs;
  if (argc > 2)
    dialogs.Project = QDir(QString::fromLocal8Bit(argv[2])).absolutePath().toStdString();
  SetDialogProvider(&dialogs);
  {
    TMainForm form;
    GlobalInit(form);
    form.resize(1280, 800);
    form.show();
    SecondInit();
    walk::Settle(200);
    if (!dialogs.Project.empty() && FileHandling) {
      FileHandling->Open();
      walk::Settle(500);
    }
    for (const std::string& code : walk::Languages()) {
      walk::SetLanguage(code);
      ShootPages(out + "/" + QString::fromStdString(code));
    }
    walk::SetLanguage("de");
    SheetTabs->NewTab();
    for (const std::string& code : walk::Languages()) {
      walk::SetLanguage(code);
      ShootInstruments(out + "/" + QString::fromStdString(code));
    }
    walk::SetLanguage("de");
    GlobalFree();
  }
  SetDialogProvider(nullptr);
  std::printf("%d pictures in %s\n", shots, out.toUtf8().constData());
  return shots > 0 ? 0 : 1;
}
