#include "hid/win32/Win32HidChannel.h"

#include <memory>

namespace vantor::hid::win32 {
namespace {

// A write has no time-out of its own in the procedures; this bound only keeps a device
// that stopped taking reports from holding the worker forever.
constexpr DWORD kWriteTimeoutMs = 5000;

// Everything the system may still write to while a request is in flight. It lives on
// the heap so that a request whose cancellation never finishes can be abandoned to the
// system instead of being freed under it.
struct Request {
  OVERLAPPED overlapped{};
  UniqueHandle event;
  Report buffer{};
};

// Cancels the request and waits (bounded) until the system has let go of it. Returns
// the bytes it completed with: 0 when the cancellation stopped it, more when it had
// finished just before. When the system does not let go in time the request is
// deliberately leaked: a few hundred bytes are cheaper than memory written after it
// was freed.
DWORD CancelAndSettle(HANDLE handle, std::unique_ptr<Request>& request, CancelFunction cancel) {
  cancel(handle, &request->overlapped);
  if (WaitForSingleObject(request->event.get(), kCancelCompletionMs) == WAIT_OBJECT_0) {
    DWORD transferred = 0;
    return GetOverlappedResult(handle, &request->overlapped, &transferred, TRUE) ? transferred : 0;
  }
  static_cast<void>(request.release());
  return 0;
}

std::unique_ptr<Request> NewRequest() {
  auto request = std::make_unique<Request>();
  // Not signalled until the request completes: a request that never started can then
  // not look like one that finished.
  request->event = UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!request->event.valid()) return nullptr;
  request->overlapped.hEvent = request->event.get();
  return request;
}

}  // namespace

std::uint32_t OverlappedRead(HANDLE handle, Report& report, std::uint32_t timeoutMs, CancelFunction cancel) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return kReadAbandoned;
  std::unique_ptr<Request> request = NewRequest();
  if (!request) return kReadFailed;
  if (!ReadFile(handle, request->buffer.data(), static_cast<DWORD>(kReportSize), nullptr, &request->overlapped) &&
      GetLastError() != ERROR_IO_PENDING) {
    // Refused at once (device gone, handle broken): nothing can have been received.
    return kReadFailed;
  }
  const DWORD waited = WaitForSingleObject(request->event.get(), timeoutMs);
  if (waited == WAIT_OBJECT_0) {
    DWORD received = 0;
    // A request can complete with an error (the device was unplugged mid-read); its
    // buffer then holds nothing that came from the device.
    if (!GetOverlappedResult(handle, &request->overlapped, &received, FALSE) || received == 0) return kReadFailed;
    report = request->buffer;
    return kReadOk;
  }
  // Time-out, abandoned or failed wait: the request may still be in flight. A report
  // that completed it after the wait gave up but before the cancellation is the
  // device's next report, and no later read would see it: dropped, it is lost for
  // good (a framed bootloader whose data request is lost never asks again).
  if (CancelAndSettle(handle, request, cancel) > 0) {
    report = request->buffer;
    return kReadOk;
  }
  return waited;
}

Win32HidChannel::Win32HidChannel(UniqueHandle write, UniqueHandle read)
    : m_hWrite(std::move(write)), m_hRead(std::move(read)) {}

bool Win32HidChannel::Write(const Report& report) {
  if (!m_hWrite.valid()) return false;
  std::unique_ptr<Request> request = NewRequest();
  if (!request) return false;
  request->buffer = report;
  if (!WriteFile(m_hWrite.get(), request->buffer.data(), static_cast<DWORD>(kReportSize), nullptr,
                 &request->overlapped) &&
      GetLastError() != ERROR_IO_PENDING) {
    return false;
  }
  if (WaitForSingleObject(request->event.get(), kWriteTimeoutMs) != WAIT_OBJECT_0) {
    CancelAndSettle(m_hWrite.get(), request, CancelIoEx);
    return false;
  }
  DWORD written = 0;
  return GetOverlappedResult(m_hWrite.get(), &request->overlapped, &written, FALSE) != FALSE;
}

std::uint32_t Win32HidChannel::Read(Report& report, std::uint32_t timeoutMs) {
  return OverlappedRead(m_hRead.get(), report, timeoutMs);
}

}  // namespace vantor::hid::win32
