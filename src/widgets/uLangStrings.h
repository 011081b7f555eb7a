// Texts shown to the user. Every text is looked up by its key; the German
// text given with it is the built-in default. A loaded catalogue (gettext
// PO text, the key as msgctxt) replaces the texts it holds.
#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <string>
#include <unordered_map>

namespace qx {

QString Tr(const char* key, const char* german);

using TCatalogue = std::unordered_map<std::string, QString>;

// Key (msgctxt, else msgid) to translation (msgstr, else msgid) of a PO text;
// the header entry (empty msgid) is left out.
TCatalogue ParsePoCatalogue(const QByteArray& text);
// The built-in catalogue of a language code ("de", "en", "zh"); false when
// there is none, and the texts in force stay.
bool LoadTranslation(const std::string& code);
// Back to the built-in German texts.
void ClearTranslation();
// Every key looked up so far, with its German text.
const std::map<std::string, std::string>& SeenTexts();

}  // namespace qx
