// The operating system's last-error code of the calling thread, where a
// failed device call leaves its reason and which the port's open and error
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

inline void SetLastOsError(int code) {
#ifdef _WIN32
  ::SetLastError(static_cast<unsigned long>(code));
#else
  errno = code;
#endif
}

inline void ClearLastOsError() { SetLastOsError(0); }

}  // namespace tesra
