// Texts shown to the user. Every text is looked up by its key; the German
// text given with it is the built-in default.
#pragma once

#include <QString>

namespace qx {

QString Tr(const char* key, const char* german);

}  // namespace qx
