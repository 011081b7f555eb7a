// Texts shown to the user. Every text is looked up by its key; the German
// text given with it is the built-in default. A loaded catalogue (gettext
// PO text, the key as msgctxt) replaces the texts it holds.
#pragma once

#include <QByteArray>
#include <QObject>
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
// Qt's own texts (standard buttons, the file, colour and font dialogs) in
// the language of code, from the system's Qt catalogue; "en" is Qt's own
// English. False when no catalogue was found: Qt then speaks English. The
// default locale follows the language too.
bool LoadQtTranslation(const std::string& code);
// The core's texts (channels, foundation) come from this catalogue too.
void InstallCoreTextLookup();
// Every key looked up so far, with its German text.
const std::map<std::string, std::string>& SeenTexts();

// A control showing a catalogue text keeps its key, so a language switch
// shows the text of that key again. The shown text cannot lead back to the
// key: in one language several keys may share a text ("串口").
void KeepTextKey(QObject* control, const char* key);
// The key kept with the control; empty when none.
QByteArray TextKey(const QObject* control);
// Every control at or below root that keeps a key (labels, buttons, group
// boxes, ribbon and icon buttons, menus and their actions) shows that key's
// text in the language in force.
void RetranslateKeyed(QObject* root);
// A new control of type W on parent showing the text of key, key kept.
template <class W>
W* NewKeyed(QWidget* parent, const char* key, const char* german) {
  auto* w = new W(Tr(key, german), parent);
  KeepTextKey(w, key);
  return w;
}

}  // namespace qx
