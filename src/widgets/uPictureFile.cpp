#include "widgets/uPictureFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <cmath>

#include "foundation/uPlainFile.h"
#include "widgets/uLangStrings.h"

namespace qx {

namespace {

constexpr int64_t kMegabyte = 1024 * 1024;

int BitsPerPixel(QImage::Format format) {
  return format == QImage::Format_Invalid
             ? 32
             : std::max<int>(QImage::toPixelFormat(format).bitsPerPixel(), 1);
}

int64_t DecodedBytes(QSize size, QImage::Format format) {
  return (static_cast<int64_t>(size.width()) * BitsPerPixel(format) + 7) / 8 * size.height();
}

// The toolkit refuses to decode more than its allocation limit; a picture
// read at the size it is drawn at may need more for the length of one read.
class TAllocationLimit {
 public:
  explicit TAllocationLimit(int64_t bytes) : saved_(QImageReader::allocationLimit()) {
    const int64_t mb = (bytes + kMegabyte - 1) / kMegabyte + 1;
    if (saved_ > 0 && mb > saved_)
      QImageReader::setAllocationLimit(static_cast<int>(std::min<int64_t>(mb, INT32_MAX)));
  }
  ~TAllocationLimit() { QImageReader::setAllocationLimit(saved_); }
  TAllocationLimit(const TAllocationLimit&) = delete;
  TAllocationLimit& operator=(const TAllocationLimit&) = delete;

 private:
  int saved_;
};

bool FitsAllocationLimit(int64_t bytes) {
  const int64_t limit = QImageReader::allocationLimit();
  return limit <= 0 || bytes <= limit * kMegabyte;
}

// own scaled, aspect kept, to cover drawn (never above own), at most
// kMaxPictureSide a side. The scale goes up in halves (1/8, 1/4, 1/2): an
// element dragged larger reads its picture again only a few times.
QSize ReadSize(QSize own, QSize drawn) {
  const double cover = std::max(std::max(drawn.width(), 0) / double(own.width()),
                                std::max(drawn.height(), 0) / double(own.height()));
  double s = 1.0;
  while (s / 2 >= cover && s > 1e-6) s /= 2;
  s = std::min({s, kMaxPictureSide / double(own.width()), kMaxPictureSide / double(own.height())});
  return {std::clamp(static_cast<int>(std::ceil(own.width() * s - 1e-9)), 1, kMaxPictureSide),
          std::clamp(static_cast<int>(std::ceil(own.height() * s - 1e-9)), 1, kMaxPictureSide)};
}

}  // namespace

QImage LoadPictureFile(const std::string& path, QString& problem, const TDrawnSize& drawnAt,
                       QSize* ownSize) {
  problem.clear();
  if (ownSize) *ownSize = QSize();
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
  QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QSize own = reader.size();
  if (!own.isValid() || own.isEmpty() ||
      FitsAllocationLimit(DecodedBytes(own, reader.imageFormat()))) {
    QImage image = reader.read();
    if (ownSize && !image.isNull()) *ownSize = image.size();
    return image;
  }
  // Too large to decode whole: read at the size it is drawn at.
  if (ownSize) *ownSize = own;
  const QSize size = ReadSize(own, drawnAt ? drawnAt(own) : own);
  reader.setScaledSize(size);
  QImage image;
  {
    // Formats that cannot decode scaled (BMP) decode whole first; that is
    // allowed up to the largest size drawn. So do pictures of more than 8
    // bits a channel (a 16-bit PNG): the toolkit scales them only after.
    const bool scales = reader.supportsOption(QImageIOHandler::ScaledSize) &&
                        BitsPerPixel(reader.imageFormat()) <= 32;
    if (scales || (own.width() <= kMaxPictureSide && own.height() <= kMaxPictureSide)) {
      const TAllocationLimit limit(DecodedBytes(scales ? size : own, reader.imageFormat()));
      image = reader.read();
    }
  }
  if (image.isNull())
    problem = Tr("upicturefile.stoolargetoread",
                 "Bild zu gro\xC3\x9F"
                 " zum Lesen: ") +
              QString::fromStdString(path);
  return image;
}

bool NeedsLargerRead(QSize read, QSize own, QSize drawn) {
  if (read.isEmpty() || read == own) return false;
  const QSize want = ReadSize(own, drawn);
  return want.width() > read.width() || want.height() > read.height();
}

}  // namespace qx
