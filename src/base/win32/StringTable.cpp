// The Windows lookup of the texts: the program's own string-table resources, walked
// block by block, and the user's UI language from the system.
#include <windows.h>

#include "base/LocalizedText.h"
#include "base/win32/Utf16.h"

namespace vantor {

std::string TextById(unsigned id) {
  HMODULE module = GetModuleHandleW(nullptr);
  // String tables are stored in blocks of sixteen; block n / 16 + 1 holds id n.
  HRSRC block = FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), MAKEINTRESOURCEW(6) /* RT_STRING */);
  if (block == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, block);
  const DWORD size = SizeofResource(module, block);
  const auto* position = static_cast<const WCHAR*>(LockResource(loaded));
  if (position == nullptr) return {};
  const WCHAR* const end = position + size / sizeof(WCHAR);
  // Each entry is a length prefix and that many characters, no terminator.
  for (unsigned entry = 0; entry < id % 16; ++entry) {
    if (position >= end) return {};
    position += 1 + *position;
  }
  if (position >= end || *position == 0) return {};
  const std::size_t length = *position;
  if (position + 1 + length > end) return {};
  return win32::ToUtf8(std::wstring(position + 1, length));
}

std::uint16_t PlatformUiLanguage() { return GetUserDefaultUILanguage(); }

}  // namespace vantor
