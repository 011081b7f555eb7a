// Answers the toolkit's font dialog the next time it opens: notes the font
// it starts on, optionally changes it as a user would, and presses OK.
#pragma once

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <ostream>

#include "foundation/uFileLoadSet.h"

namespace qx {

// Readable failures.
inline void PrintTo(const TFontDesc& f, std::ostream* os) {
  *os << '"' << f.Name << "\" " << f.Size << " $" << std::hex << f.Color << std::dec
      << (f.Bold ? " bold" : "") << (f.Italic ? " italic" : "") << (f.StrikeOut ? " strikeout" : "")
      << (f.Underline ? " underline" : "");
}

}  // namespace qx

namespace qx::test {

class TFontDialogAnswer {
 public:
  // change: what the user picks in the open dialog; none: OK at once.
  explicit TFontDialogAnswer(std::function<void(QFontDialog&)> change = {})
      : change_(std::move(change)) {
    Poll();
  }
  bool Seen = false;
  QFont Shown;  // the dialog's font when it opened

 private:
  void Poll() {
    QTimer::singleShot(10, [this] {
      auto* d = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
      if (!d) return Poll();
      Seen = true;
      Shown = d->currentFont();
      if (change_) change_(*d);
      d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
  }
  std::function<void(QFontDialog&)> change_;
};

}  // namespace qx::test
