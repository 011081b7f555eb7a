// Texts the core makes for the user, such as the reason a port did not
// open. Like the GUI's texts each has a key and its German built-in text;
// the shell installs the catalogue look-up at start-up, so a text comes out
// in the language in force when it is made. Without a look-up (core tests,
// tools) the German text holds.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace qx {

// Key and German text to the text of the language in force. Any thread.
using TTextLookup = std::string (*)(const char* key, const char* german);

// Installed once at start-up (nullptr: the German texts).
void SetTextLookup(TTextLookup lookup);

// The text of key in the language in force.
[[nodiscard]] std::string LangText(const char* key, const char* german);
// The same with "%1" to "%9" replaced by args (in one pass, so an argument
// holding "%2" stays as it is).
[[nodiscard]] std::string LangText(const char* key, const char* german,
                                   std::initializer_list<std::string_view> args);

}  // namespace qx
