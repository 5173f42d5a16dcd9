#pragma once
// UTF-8 (the core's strings) <-> UTF-16 (the Windows API's) at the platform edge.
#include <string>

namespace vantor::win32 {

std::wstring ToUtf16(const std::string& utf8);
std::string ToUtf8(const std::wstring& utf16);

}  // namespace vantor::win32
