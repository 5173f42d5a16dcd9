#pragma once
// The report channel on Linux and macOS, over the system's hidapi shared library.
// The library is loaded when the backend is made, not linked, so the program (and its
// simulated mode) runs on a machine without it and says what to install when it is
// missing.

#include <memory>
#include <string>

#include "hid/HidBackend.h"

namespace vantor::hid {

// The library's file name on this platform ("libhidapi-hidraw.so.0", "libhidapi.dylib").
const char* HidapiLibraryName();

// Loads hidapi and initialises it. Null when the library cannot be loaded or started;
// `error` then says why, in a sentence for the user.
std::unique_ptr<HidBackend> CreateHidapiBackend(std::string* error);
// The same from a library at `path` (the tests load a stand-in with hidapi's interface).
std::unique_ptr<HidBackend> CreateHidapiBackend(const char* path, std::string* error);

}  // namespace vantor::hid
