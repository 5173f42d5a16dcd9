// The Windows report channel over a message-mode pipe: the same overlapped calls a
// HID handle gets, with a peer the test controls.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>

#include "hid/win32/Win32HidChannel.h"

namespace vantor::hid::win32 {
namespace {

// The server end reads what the client end writes: a channel that writes through the
// client and reads from the server hears its own reports.
struct PipePair {
  PipePair() {
    static std::atomic<int> counter{0};
    const std::wstring name = L"\\\\.\\pipe\\vantor-channel-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++);
    server = UniqueHandle(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096, 4096, 0,
                                           nullptr));
    client = UniqueHandle(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OVERLAPPED, nullptr));
  }
  UniqueHandle server;
  UniqueHandle client;
};

Report Numbered(std::uint8_t first) {
  Report report{};
  for (std::size_t i = 1; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(first + i);
  return report;
}

TEST(Win32Channel, CarriesReportsAndLeavesNothingPendingAfterATimeout) {
  PipePair pipe;
  ASSERT_TRUE(pipe.server.valid());
  ASSERT_TRUE(pipe.client.valid());
  Win32HidChannel channel(std::move(pipe.client), std::move(pipe.server));

  ASSERT_TRUE(channel.Write(Numbered(1)));
  Report received{};
  EXPECT_EQ(channel.Read(received, 200), kReadOk);
  EXPECT_EQ(received, Numbered(1));

  Report untouched;
  untouched.fill(0xEE);
  received = untouched;
  EXPECT_EQ(channel.Read(received, 10), kReadTimeout);
  EXPECT_EQ(received, untouched) << "a timed-out read hands nothing over";

  // Had the timed-out request survived its cancellation it would swallow this report.
  ASSERT_TRUE(channel.Write(Numbered(7)));
  EXPECT_EQ(channel.Read(received, 200), kReadOk);
  EXPECT_EQ(received, Numbered(7));
}

// The client end of the pipe in the test below, for its cancel function.
HANDLE lateReportPeer = nullptr;

// The device's report arrives after the read's wait gave up and completes the request
// before the cancellation reaches it.
BOOL WINAPI DeliverThenCancel(HANDLE handle, LPOVERLAPPED overlapped) {
  const Report late = Numbered(40);
  OVERLAPPED write{};
  UniqueHandle written(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  write.hEvent = written.get();
  DWORD n = 0;
  if (WriteFile(lateReportPeer, late.data(), static_cast<DWORD>(late.size()), nullptr, &write) ||
      GetLastError() == ERROR_IO_PENDING) {
    GetOverlappedResult(lateReportPeer, &write, &n, TRUE);
  }
  WaitForSingleObject(overlapped->hEvent, 5000);
  return CancelIoEx(handle, overlapped);
}

TEST(Win32Channel, AReportThatCompletesATimedOutReadIsKept) {
  PipePair pipe;
  ASSERT_TRUE(pipe.server.valid());
  ASSERT_TRUE(pipe.client.valid());
  lateReportPeer = pipe.client.get();
  Report received{};
  EXPECT_EQ(OverlappedRead(pipe.server.get(), received, 10, DeliverThenCancel), kReadOk);
  EXPECT_EQ(received, Numbered(40));
}

TEST(Win32Channel, ARefusedOrFailedRequestIsNoReport) {
  PipePair pipe;
  ASSERT_TRUE(pipe.server.valid());
  ASSERT_TRUE(pipe.client.valid());
  UniqueHandle server = std::move(pipe.server);
  pipe.client.Reset();  // the peer is gone: the system refuses every request

  Report received;
  received.fill(0xEE);
  const Report untouched = received;
  EXPECT_EQ(OverlappedRead(server.get(), received, 200), kReadFailed);
  EXPECT_EQ(received, untouched);
  EXPECT_EQ(OverlappedRead(INVALID_HANDLE_VALUE, received, 200), kReadAbandoned) << "a read handle never opened";
  EXPECT_EQ(received, untouched);

  Win32HidChannel broken(std::move(server), UniqueHandle());
  EXPECT_FALSE(broken.Write(Numbered(1)));
  EXPECT_EQ(broken.Read(received, 10), kReadAbandoned);
}

}  // namespace
}  // namespace vantor::hid::win32
