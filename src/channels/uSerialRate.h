// Serial line rates outside the termios table, through Linux's termios2 with
// BOTHER. A module of its own: <asm/termbits.h> clashes with <termios.h>.
#pragma once

#include <cstdint>

namespace qx {

// Sets both directions of the open line fd to baud bits per second. Answers
// 0 or the errno of the refusal.
int SetLineRate(int fd, uint32_t baud);

// The rates the line runs at now, as the driver reports them (for any rate,
// from the table or not). Answers 0 or the errno.
int GetLineRate(int fd, uint32_t& in, uint32_t& out);

}  // namespace qx
