#include "widgets/uDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
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
    QString name;
    if (r.Kind == TFileDialogRequest::TKind::Save) {
      name = QFileDialog::getSaveFileName(parent, r.Title, r.Directory, r.Filter);
    } else {
      // The open dialog of the toolkit only ever returns existing files.
      name = QFileDialog::getOpenFileName(parent, r.Title, r.Directory, r.Filter);
    }
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
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

TDialogProvider& Dialogs() {
  return Installed ? *Installed : ToolkitDialogs;
}

void SetDialogProvider(TDialogProvider* provider) {
  Installed = provider;
}

}  // namespace qx
