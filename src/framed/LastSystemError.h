#pragma once

namespace vantor::framed {

// The calling thread's last operating-system error code (GetLastError on Windows,
// errno elsewhere), for the debugger line of a start message that was not written.
int LastSystemError();

}  // namespace vantor::framed
