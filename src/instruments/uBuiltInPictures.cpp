#include "instruments/uBuiltInPictures.h"

#include <QString>

// The resources live in a static library: registering them here also makes
// the linker keep them. Registering again is harmless.
static void InitPictureResources() {
  Q_INIT_RESOURCE(pictures);
}

namespace qx {

QImage BuiltInPicture(std::string_view name) {
  InitPictureResources();
  const QString path = QStringLiteral(":/pictures/") +
                       QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
                       QStringLiteral(".png");
  return QImage(path);
}

}  // namespace qx
