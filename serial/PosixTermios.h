// The component's device control block to and from a tty's terminal
// settings: a pure mapping, so that every flag a device may carry over from
// an earlier program is decided here and nowhere else.
#pragma once

#include <termios.h>

#include <cstdint>

#include "serial/SerialDevice.h"

namespace tesra {

// The POSIX speed constant of a rate, 0 for a rate outside that set (set
// afterwards through SetCustomBaudRate).
speed_t PosixSpeed(std::uint32_t rate);
// The rate a tty runs at, 9600 when its speed is not one of the component's.
std::uint32_t RateOfSpeed(speed_t speed);

// `current` with every flag the component owns set from `dcb`: raw 8-bit
// transfer both ways; parity generated as `dcb` says and never checked on
// receive (no INPCK: a byte arrives as received); XON/XOFF both ways for
// fOutX/fInX; RTS/CTS for fOutxCtsFlow or RTS handshake; reads never wait.
// The modem lines are no part of it: DTR and RTS follow SetDTR and SetRTS.
// A rate outside the POSIX set leaves 38400 here.
termios TerminalSettingsOf(const termios& current, const DeviceControlBlock& dcb);

}  // namespace tesra
