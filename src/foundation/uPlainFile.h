// Files named by the user for pictures, tables and records: only regular
// files are opened, and never with a call that could wait. A FIFO or a
// device named as such a file would otherwise block the GUI thread in
// open() or read() for good, or never end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace qx {

enum class TPlainFileStatus {
  Ok,
  OpenError,   // missing, a folder, no rights
  NotRegular,  // a FIFO, a device, a socket
  TooLarge,    // above the caller's limit
  ReadError,
};

// Reads the whole file when it is a regular file of at most maxBytes (a
// limit is always given: a read without one could fill the memory). The
// name is looked at before the open (a FIFO would block it), opened without
// waiting and looked at again, and the read stops one byte past the limit,
// so a file swapped or grown meanwhile cannot block or fill the memory
// either. On failure text is empty.
[[nodiscard]] TPlainFileStatus ReadPlainFile(const std::string& path, uint32_t maxBytes,
                                             std::string& text);

// Opens a regular file for writing, created when missing; emptied unless
// append. Anything else is refused without waiting for a reader. On failure
// file is null.
[[nodiscard]] TPlainFileStatus OpenPlainFileForWrite(const std::string& path, bool append,
                                                     std::FILE*& file);

}  // namespace qx
