#pragma once
// Controls of the stand-in hidapi library the hidapi backend is tested against. The
// stand-in exports hidapi's entry points; these set what they answer.

#include <cstddef>
#include <cstdint>

extern "C" {
void fake_hidapi_reset();
void fake_hidapi_add_device(const char* path, std::uint16_t vendorId, std::uint16_t productId);
// The serial number hid_enumerate reports for the device last added.
void fake_hidapi_set_serial(const wchar_t* serial);
// hid_open_path fails with this errno (0: opens succeed for listed paths).
void fake_hidapi_fail_open(int errorNumber);
// The next hid_read_timeout returns these bytes (as hidapi hands them over: without a
// report id for a device without numbered reports).
void fake_hidapi_queue_input(const std::uint8_t* data, std::size_t n);
// hid_read_timeout fails (-1) from now on, as for a vanished device.
void fake_hidapi_fail_reads();
// The bytes of the last hid_write; returns their count.
std::size_t fake_hidapi_last_write(std::uint8_t* out, std::size_t capacity);
// The time-out the last hid_read_timeout was given.
int fake_hidapi_last_read_timeout();
int fake_hidapi_open_devices();
}
