// Language switch (module uLangUpdate): loads the chosen catalogue and
// rebuilds every text the program built in code, in a fixed order.
#pragma once

#include <string>

namespace qx {

class TLanguage {
 public:
  // "de", "en", "zh": stored as the settings' language, catalogue loaded,
  // every text rebuilt (also when the catalogue could not be loaded).
  static void SetLanguage(const std::string& code);
  static void LangUpdateAll();
  // Texts of the main window that code set.
  static void MenueLangUpdate();
};

}  // namespace qx
