// termios2 lives here alone: <asm/termbits.h> clashes with <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cstdint>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace tesra {

bool SetCustomBaudRate(int fd, std::uint32_t rate) {
  struct termios2 t;
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  return ioctl(fd, TCSETS2, &t) == 0;
}

bool GetLineRate(int fd, std::uint32_t& rate) {
  struct termios2 t;
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  rate = t.c_ospeed;
  return true;
}

}  // namespace tesra
