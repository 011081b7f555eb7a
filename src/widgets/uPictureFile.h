// Pictures named by the user (PNG, JPEG, BMP): read as plain files without
// waiting (a FIFO or a device never blocks the GUI thread) and decoded from
// memory by the toolkit.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <string>

namespace qx {

// Larger picture files are refused (a screen-filling photo is far below).
inline constexpr uint32_t kMaxPictureFileBytes = 64 * 1024 * 1024;

// The picture of the file, or a null image. problem tells why a file was
// refused (not a regular file, too large), for the element to show; it
// stays empty for a missing or undecodable file, which is left silent.
QImage LoadPictureFile(const std::string& path, QString& problem);

}  // namespace qx
