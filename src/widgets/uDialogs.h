// Dialogs behind one provider (module uDialogs): message boxes, colour, font
// and file pickers. The program uses the toolkit's dialogs; tests install an
// answerer so that nothing blocks.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/uFileLoadSet.h"
#include "foundation/uGraphicsUtil.h"

namespace qx {

// What a file dialog is asked for.
struct TFileDialogRequest {
  enum class TKind { Save, Open };
  TKind Kind = TKind::Open;
  QString Title;
  QString Filter;     // toolkit form, e.g. "Bildformate (*.png *.bmp)"; empty: none
  QString Directory;  // initial directory
  bool MustExist = false;
};

// The answers to "save the changes?".
enum class TSaveChoice { Save, Discard, Cancel };

class TDialogProvider {
 public:
  virtual ~TDialogProvider() = default;
  virtual void Message(QWidget* parent, const QString& text) = 0;
  // True for "yes".
  virtual bool Question(QWidget* parent, const QString& text) = 0;
  // Save, discard or cancel. A provider that does not ask discards, as the
  // program did before it asked.
  virtual TSaveChoice SaveQuestion(QWidget* /*parent*/, const QString& /*text*/) {
    return TSaveChoice::Discard;
  }
  // The chosen colour, or none when cancelled.
  virtual std::optional<TColor> ChooseColor(QWidget* parent, TColor initial) = 0;
  virtual std::optional<TFontDesc> ChooseFont(QWidget* parent, const TFontDesc& initial) = 0;
  // The chosen file name ("/" separators), or none when cancelled.
  virtual std::optional<std::string> ChooseFile(QWidget* parent,
                                                const TFileDialogRequest& request) = 0;
};

// The toolkit's font dialog, started on the face, style and size font is
// drawn in (DrawnFace). Confirmed without a change, the answer is font
// itself: a face the machine lacks stays as it was. None when cancelled.
std::optional<QFont> AskToolkitFont(QWidget* parent, const QFont& font);
// The toolkit's file dialog, its sizes and dates in the language's locale;
// directory may name a file to select. "" when cancelled.
QString AskToolkitFileName(QWidget* parent, const QString& title, const QString& directory,
                           const QString& filter, bool save);

// The provider in use: the toolkit's dialogs unless one was installed.
TDialogProvider& Dialogs();
// Installs a provider (not owned); nullptr restores the toolkit's dialogs.
void SetDialogProvider(TDialogProvider* provider);

}  // namespace qx
