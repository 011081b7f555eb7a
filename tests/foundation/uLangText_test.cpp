// The core's texts: German without a look-up, the look-up's text with one,
// and the arguments put in place.
#include "foundation/uLangText.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

std::string English(const char* key, const char*) {
  return std::string(key) == "m.two" ? "%2 before %1, %3 stays" : "?";
}

TEST(LangText, GermanUntilALookUpIsInstalled) {
  SetTextLookup(nullptr);
  EXPECT_EQ(LangText("m.one", "Eins"), "Eins");
  EXPECT_EQ(LangText("m.two", "%1 vor %2", {"a", "b"}), "a vor b");
  SetTextLookup(&English);
  // An argument holding a placeholder is not filled in again.
  EXPECT_EQ(LangText("m.two", "%1 vor %2", {"%2", "b"}), "b before %2, %3 stays");
  SetTextLookup(nullptr);
}

}  // namespace
}  // namespace qx
