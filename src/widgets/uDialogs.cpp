#include "widgets/uDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "widgets/uLangStrings.h"

namespace qx {

namespace {

class TToolkitDialogs final : public TDialogProvider {
 public:
  void Message(QWidget* parent, const QString& text) override {
    QMessageBox::information(parent, QString(), text);
  }
  bool Question(QWidget* parent, const QString& text) override {
    return QMessageBox::question(parent, QString(), text) == QMessageBox::Yes;
  }
  TSaveChoice SaveQuestion(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::Question, QString(), text, QMessageBox::NoButton, parent);
    QPushButton* save = box.addButton(Tr("udialogs.ssave", "Speichern"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(Tr("udialogs.sdiscard", "Verwerfen"), QMessageBox::DestructiveRole);
    box.addButton(Tr("ulangstrings.sabbrechen", "Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() == save) return TSaveChoice::Save;
    if (box.clickedButton() == discard) return TSaveChoice::Discard;
    return TSaveChoice::Cancel;  // also Escape and the window's close box
  }
  std::optional<TColor> ChooseColor(QWidget* parent, TColor initial) override {
    const QColor c = QColorDialog::getColor(ColorToQColor(initial), parent);
    if (!c.isValid()) return std::nullopt;
    return QColorToColor(c);
  }
  std::optional<TFontDesc> ChooseFont(QWidget* parent, const TFontDesc& initial) override {
    const QFont font = FontDescToQFont(initial);
    const std::optional<QFont> f = AskToolkitFont(parent, font);
    if (!f) return std::nullopt;
    if (*f == font) return initial;  // unchanged: the name as stored
    return QFontToFontDesc(*f, initial.Color);
  }
  std::optional<std::string> ChooseFile(QWidget* parent, const TFileDialogRequest& r) override {
    // The open dialog of the toolkit only ever returns existing files.
    const QString name = AskToolkitFileName(parent, r.Title, r.Directory, r.Filter,
                                            r.Kind == TFileDialogRequest::TKind::Save);
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
  }
};

// The toolkit's file list formats sizes and dates in the environment's
// locale; these follow the language chosen (the default locale).
class TLocaleFileModel final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files && role == Qt::DisplayRole && (index.column() == 1 || index.column() == 3)) {
      const QModelIndex source = mapToSource(index);
      if (index.column() == 3)
        return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
      if (!files->isDir(source)) return QLocale().formattedDataSize(files->size(source));
    }
    return QIdentityProxyModel::data(index, role);
  }
};

TToolkitDialogs ToolkitDialogs;
TDialogProvider* Installed = nullptr;

}  // namespace

std::optional<QFont> AskToolkitFont(QWidget* parent, const QFont& font) {
  const QFont start = DrawnFace(font);
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, start, parent);
  if (!ok) return std::nullopt;
  return chosen == start ? font : chosen;
}

QString AskToolkitFileName(QWidget* parent, const QString& title, const QString& directory,
                           const QString& filter, bool save) {
  QFileDialog dialog(parent, title, directory, filter);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setProxyModel(new TLocaleFileModel(&dialog));
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

TDialogProvider& Dialogs() {
  return Installed ? *Installed : ToolkitDialogs;
}

void SetDialogProvider(TDialogProvider* provider) {
  Installed = provider;
}

}  // namespace qx
