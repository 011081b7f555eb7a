// The places that read a picture file, each with where it says why the file
// could not be read: the file-problem tables of the instrument tests run a
// bad file through every one of them.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "instruments/uQXBmpButton.h"
#include "instruments/uQXBmpSlider.h"
#include "instruments/uQXBmpSwitch.h"
#include "instruments/uQXPicture.h"

namespace qx::test {

// Which reader, how it is given the file (the element made, or nullptr for
// the sheet), where it says why.
struct TFileReaderCase {
  const char* name;
  std::function<QWidget*(const std::string&)> give;
  std::function<QString(QWidget*)> problem;
};

inline QString ElementProblem(QWidget* w) { return static_cast<TQXElement*>(w)->FileProblem(); }

inline std::vector<TFileReaderCase> PictureReaderCases() {
  return {
      {"sheet background",
       [](const std::string& f) {
         CurrentSheet->Background->SetPicFile(f);
         return nullptr;
       },
       [](QWidget*) { return CurrentSheet->Background->Problem; }},
      {"picture",
       [](const std::string& f) {
         auto* p = TQXPicture::ElemCreate();
         p->SetPicQty(2);
         p->SetFileName(2, f);
         return p;
       },
       ElementProblem},
      {"bitmap button",
       [](const std::string& f) {
         auto* b = TQXBmpButton::ElemCreate();
         b->SetFileUp(f);
         return b;
       },
       ElementProblem},
      {"bitmap switch",
       [](const std::string& f) {
         auto* s = TQXBmpSwitch::ElemCreate();
         s->SetFile(1, f);
         return s;
       },
       ElementProblem},
      {"bitmap slider",
       [](const std::string& f) {
         auto* s = TQXBmpSlider::ElemCreate();
         s->SetFile(2, f);
         return s;
       },
       ElementProblem},
  };
}

}  // namespace qx::test
