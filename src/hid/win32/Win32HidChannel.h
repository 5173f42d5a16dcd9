#pragma once
// The Windows report channel: a synchronous handle for output reports and an
// overlapped one for input reports, opened on the same device interface.
//
// Threads. Write and Read may run at the same time on two threads (they use different
// handles); each is used by one thread at a time. The handles close with the channel,
// which its owner destroys only once no read or write is using it.
#include <windows.h>

#include <cstdint>

#include "hid/HidBackend.h"
#include "hid/win32/Win32Handles.h"

namespace vantor::hid::win32 {

// How long a cancelled read may take to really finish. HID requests finish at once
// after CancelIo; a driver that does not is cut loose (see OverlappedRead).
constexpr DWORD kCancelCompletionMs = 2000;

// How a request that timed out is cancelled (CancelIoEx's signature). The tests put a
// report in the moment between the time-out and the cancellation through it.
using CancelFunction = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);

// Reads one report of up to kReportSize bytes from an overlapped handle, waiting at
// most `timeoutMs`. Returns a ReadResult. `report` is written only for kReadOk (bytes
// that the device did not send are zero). A request the system refuses, or one that
// completes with an error, is kReadFailed. A timed-out request is cancelled, and this
// returns only once the cancelled request has finished, so the system never writes
// into memory that is gone; when a report completed it before the cancellation took
// effect, that report is returned (kReadOk).
std::uint32_t OverlappedRead(HANDLE handle, Report& report, std::uint32_t timeoutMs,
                             CancelFunction cancel = CancelIoEx);

class Win32HidChannel final : public HidChannel {
 public:
  Win32HidChannel(UniqueHandle write, UniqueHandle read);

  bool Write(const Report& report) override;
  std::uint32_t Read(Report& report, std::uint32_t timeoutMs) override;

 private:
  UniqueHandle m_hWrite;
  UniqueHandle m_hRead;
};

}  // namespace vantor::hid::win32
