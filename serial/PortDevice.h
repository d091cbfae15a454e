// How a port number names a device on this platform, the availability test
// of a port, and the device calls the port component uses by default.
#pragma once

#include <memory>
#include <string>

#include "serial/SerialDevice.h"

namespace tesra {

// Windows: "\\.\COMn" for every n, the form that also reaches ports above 9.
// Linux: $TESRACONFIG_COM_DIR/COMn when that variable is set, otherwise
// COM1..32 = /dev/ttyS0..31, COM33..64 = /dev/ttyUSB0..31,
// COM65..96 = /dev/ttyACM0..31. Empty when n names no device.
std::string DevicePathForPort(int n);
// Whether port n's device can be opened for writing right now; the handle is
// closed again at once.
bool PortDeviceExists(int n);
// The device calls of this platform, closed.
std::unique_ptr<SerialDevice> CreatePlatformSerialDevice();

}  // namespace tesra
