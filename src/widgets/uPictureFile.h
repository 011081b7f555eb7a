// Pictures named by the user (PNG, JPEG, BMP): read as plain files without
// waiting (a FIFO or a device never blocks the GUI thread) and decoded from
// memory by the toolkit.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

namespace qx {

// Larger picture files are refused (a screen-filling photo is far below).
inline constexpr uint32_t kMaxPictureFileBytes = 64 * 1024 * 1024;
// A picture read smaller than its own size is at most this large a side.
inline constexpr int kMaxPictureSide = 16384;

// The size a picture of the given own size is drawn at.
using TDrawnSize = std::function<QSize(QSize own)>;

// The picture of the file, or a null image. problem tells why a file was
// refused (not a regular file, too large, too large to decode), for the
// element to show; it stays empty for a missing or undecodable file, which
// is left silent. A picture that would decode to more than the toolkit's
// allocation limit is read scaled down, its aspect kept, to cover the size
// drawnAt gives (none: its own size), at most kMaxPictureSide a side.
// ownSize (optional) receives the file's own picture size, also when the
// image was read smaller.
QImage LoadPictureFile(const std::string& path, QString& problem, const TDrawnSize& drawnAt = {},
                       QSize* ownSize = nullptr);

// True when the image was read smaller than its own size and the size it is
// now drawn at needs more of it.
bool NeedsLargerRead(QSize read, QSize own, QSize drawn);

}  // namespace qx
