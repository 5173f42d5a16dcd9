#include "framed/LastSystemError.h"

// The one place in the framed procedures that asks the operating system something:
// the code of a write that the backend has just refused.
#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace vantor::framed {

int LastSystemError() {
#ifdef _WIN32
  return static_cast<int>(GetLastError());
#else
  return errno;
#endif
}

}  // namespace vantor::framed
