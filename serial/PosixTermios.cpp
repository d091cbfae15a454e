#include "serial/PosixTermios.h"

#include <unistd.h>

namespace tesra {

speed_t PosixSpeed(std::uint32_t rate) {
  switch (rate) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return 0;
  }
}

std::uint32_t RateOfSpeed(speed_t s) {
  switch (s) {
    case B110: return 110;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 9600;
  }
}

termios TerminalSettingsOf(const termios& current, const DeviceControlBlock& dcb) {
  termios t = current;
  // Input and output flags and the local modes are all the component's:
  // nothing an earlier program left (parity checks, case or line-end
  // mapping, echo) may change or drop a byte.
  t.c_iflag = 0;
  if (dcb.Flags & dcb::fOutX) t.c_iflag |= IXON;
  if (dcb.Flags & dcb::fInX) t.c_iflag |= IXOFF;
  t.c_oflag = 0;
  t.c_lflag = 0;

  // Of the control modes only the hang-up on close stays as the system has it.
  t.c_cflag &= HUPCL;
  t.c_cflag |= CLOCAL | CREAD;
  switch (dcb.ByteSize) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
  }
  switch (dcb.Parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  // Linux has no 1.5 stop bits; two is the nearest.
  if (dcb.StopBits != 0) t.c_cflag |= CSTOPB;
  const bool rtsHandshake = (dcb.Flags & dcb::fRtsControlMask) == dcb::fRtsControlHandshake;
  if ((dcb.Flags & dcb::fOutxCtsFlow) || rtsHandshake) t.c_cflag |= CRTSCTS;

  for (cc_t& c : t.c_cc) c = _POSIX_VDISABLE;
  t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;

  const speed_t speed = PosixSpeed(dcb.BaudRate);
  cfsetispeed(&t, speed ? speed : B38400);
  cfsetospeed(&t, speed ? speed : B38400);
  return t;
}

}  // namespace tesra
