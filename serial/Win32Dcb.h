// The component's device control block to and from the Win32 DCB. Include
// after the other serial headers (<windows.h> defines their constants as
// macros).
#pragma once

#include "serial/SerialDevice.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tesra {

// The DCB's bit fields as one word, fBinary in bit 0 as declared.
std::uint32_t DcbFlagWord(const DCB& d);
DeviceControlBlock DeviceControlBlockOf(const DCB& d);
// Writes every member the component keeps; the rest of `d` stays.
void PutDeviceControlBlock(DCB& d, const DeviceControlBlock& from);

}  // namespace tesra
