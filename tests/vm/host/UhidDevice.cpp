#include "UhidDevice.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantor::vmtest {
namespace {

// Usage page 0xFF00, one application collection with a 64-byte input and a 64-byte
// output report, no report ids: what the supported controllers' bootloaders declare.
constexpr std::uint8_t kReportDescriptor[] = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0,
};
constexpr std::uint16_t kBusUsb = 3;

void CopyString(std::uint8_t* to, std::size_t capacity, const std::string& from) {
  std::strncpy(reinterpret_cast<char*>(to), from.c_str(), capacity - 1);
}

}  // namespace

UhidDevice::~UhidDevice() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  Destroy();
  if (fd_ >= 0) ::close(fd_);
}

bool UhidDevice::Create(const Identity& identity, OutputHandler handler, std::string* error) {
  handler_ = std::move(handler);
  fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
  if (fd_ < 0) {
    *error = std::string("cannot open /dev/uhid: ") + std::strerror(errno);
    return false;
  }
  uhid_event event{};
  event.type = UHID_CREATE2;
  uhid_create2_req& create = event.u.create2;
  CopyString(create.name, sizeof create.name, identity.name);
  CopyString(create.phys, sizeof create.phys, "vantor-vm-host/" + identity.serial);
  CopyString(create.uniq, sizeof create.uniq, identity.serial);
  create.rd_size = sizeof kReportDescriptor;
  std::memcpy(create.rd_data, kReportDescriptor, sizeof kReportDescriptor);
  create.bus = kBusUsb;
  create.vendor = identity.vendorId;
  create.product = identity.productId;
  create.version = 0x0100;
  if (!WriteEvent(&event, sizeof event)) {
    *error = std::string("UHID_CREATE2 refused: ") + std::strerror(errno);
    return false;
  }
  alive_ = true;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void UhidDevice::SendInput(const hid::Report& report) {
  if (!alive_) return;
  uhid_event event{};
  event.type = UHID_INPUT2;
  event.u.input2.size = hid::kReportDataSize;
  std::memcpy(event.u.input2.data, report.data() + 1, hid::kReportDataSize);
  WriteEvent(&event, sizeof event);
}

void UhidDevice::Destroy() {
  if (!alive_.exchange(false)) return;
  uhid_event event{};
  event.type = UHID_DESTROY;
  WriteEvent(&event, sizeof event);
}

bool UhidDevice::WriteEvent(const void* event, std::size_t size) {
  std::lock_guard<std::mutex> lock(writeMutex_);
  return ::write(fd_, event, size) == static_cast<ssize_t>(size);
}

void UhidDevice::Serve() {
  // Polls with a short time-out so that the destructor's stop request is seen.
  while (!stopping_) {
    pollfd ready{fd_, POLLIN, 0};
    const int n = ::poll(&ready, 1, 100);
    if (n < 0 && errno != EINTR) return;
    if (n <= 0) continue;
    uhid_event event{};
    const ssize_t got = ::read(fd_, &event, sizeof event);
    if (got <= 0) {
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      return;
    }
    HandleEvent(&event);
  }
}

void UhidDevice::HandleEvent(const void* raw) {
  const auto& event = *static_cast<const uhid_event*>(raw);
  switch (event.type) {
    case UHID_OUTPUT: {
      if (!alive_) return;
      // hidraw passes the report id byte through; a 64-byte write arrives without it.
      hid::Report report{};
      const std::size_t size = event.u.output.size;
      if (size == hid::kReportSize) {
        std::memcpy(report.data(), event.u.output.data, hid::kReportSize);
      } else {
        std::memcpy(report.data() + 1, event.u.output.data, std::min<std::size_t>(size, hid::kReportDataSize));
      }
      handler_(report);
      return;
    }
    case UHID_GET_REPORT: {
      // Left unanswered, the host's feature-report call would block for seconds.
      uhid_event reply{};
      reply.type = UHID_GET_REPORT_REPLY;
      reply.u.get_report_reply.id = event.u.get_report.id;
      reply.u.get_report_reply.err = EIO;
      WriteEvent(&reply, sizeof reply);
      return;
    }
    case UHID_SET_REPORT: {
      uhid_event reply{};
      reply.type = UHID_SET_REPORT_REPLY;
      reply.u.set_report_reply.id = event.u.set_report.id;
      reply.u.set_report_reply.err = EIO;
      WriteEvent(&reply, sizeof reply);
      return;
    }
    default:
      return;  // start, stop, open, close: nothing to do
  }
}

}  // namespace vantor::vmtest
