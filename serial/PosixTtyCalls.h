// The calls the Linux device makes on its tty to set it up and to move its
// modem lines, behind one seam: a test puts a device in between that records
// them or refuses a setting, as some drivers do without saying so.
#pragma once

#include <termios.h>

#include <cstdint>

namespace tesra {

class PosixTtyCalls {
 public:
  virtual ~PosixTtyCalls() = default;
  virtual bool GetAttr(int fd, termios& t);
  virtual bool SetAttr(int fd, const termios& t);
  // A line rate outside the POSIX set (termios2).
  virtual bool SetRate(int fd, std::uint32_t rate);
  // The output rate the tty runs at, whatever way it was set.
  virtual bool GetRate(int fd, std::uint32_t& rate);
  // TIOCMBIS or TIOCMBIC with TIOCM_DTR or TIOCM_RTS.
  virtual bool ModemLines(int fd, unsigned long request, int lines);
};

// The real calls.
PosixTtyCalls& SystemTtyCalls();

}  // namespace tesra
