#include "editing/uLangStrings.h"

namespace qx {

QString Tr(const char* /*key*/, const char* german) {
  return QString::fromUtf8(german);
}

}  // namespace qx
