// The operating system's last-error code, which the port's open and error
// events report: GetLastError on Windows, errno elsewhere.
#pragma once

#ifdef _WIN32
#include <errhandlingapi.h>
#else
#include <cerrno>
#endif

namespace tesra {

inline int LastOsError() {
#ifdef _WIN32
  return static_cast<int>(::GetLastError());
#else
  return errno;
#endif
}

inline void ClearLastOsError() {
#ifdef _WIN32
  ::SetLastError(0);
#else
  errno = 0;
#endif
}

}  // namespace tesra
