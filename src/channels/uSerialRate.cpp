#include "channels/uSerialRate.h"

#include <asm/termbits.h>
#include <errno.h>
#include <sys/ioctl.h>

namespace qx {

int SetLineRate(int fd, uint32_t baud) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = baud;
  t.c_ospeed = baud;
  return ioctl(fd, TCSETS2, &t) == 0 ? 0 : errno;
}

int GetLineRate(int fd, uint32_t& in, uint32_t& out) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  in = t.c_ispeed;
  out = t.c_ospeed;
  return 0;
}

}  // namespace qx
