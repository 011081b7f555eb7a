#include "widgets/uPictureFile.h"

#include "foundation/uPlainFile.h"
#include "widgets/uLangStrings.h"

namespace qx {

QImage LoadPictureFile(const std::string& path, QString& problem) {
  problem.clear();
  std::string bytes;
  switch (ReadPlainFile(path, kMaxPictureFileBytes, bytes)) {
    case TPlainFileStatus::Ok:
      break;
    case TPlainFileStatus::NotRegular:
      problem = Tr("upicturefile.snotregular", "Keine gew\xC3\xB6hnliche Datei: ") +
                QString::fromStdString(path);
      return {};
    case TPlainFileStatus::TooLarge:
      problem = Tr("upicturefile.stoolarge",
                   "Datei gr\xC3\xB6\xC3\x9F"
                   "er als 64 MB: ") +
                QString::fromStdString(path);
      return {};
    default:
      return {};
  }
  QImage image;
  image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
  return image;
}

}  // namespace qx
