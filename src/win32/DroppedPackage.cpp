#include "win32/DroppedPackage.h"

#include <vector>

namespace vantor::win32 {
namespace {

bool IsPackageName(const std::wstring& path) {
  constexpr wchar_t kExtension[] = L".dat";
  constexpr std::size_t kLength = 4;
  if (path.size() <= kLength) return false;
  return CompareStringOrdinal(path.c_str() + path.size() - kLength, static_cast<int>(kLength), kExtension,
                              static_cast<int>(kLength), TRUE) == CSTR_EQUAL;
}

}  // namespace

unsigned DroppedCount(HDROP drop) { return DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); }

std::optional<std::wstring> DroppedPackage(HDROP drop) {
  const unsigned count = DroppedCount(drop);
  for (unsigned i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::vector<wchar_t> name(length + 1, L'\0');
    if (DragQueryFileW(drop, i, name.data(), length + 1) != length) continue;
    std::wstring path(name.data(), length);
    if (IsPackageName(path)) return path;
  }
  return std::nullopt;
}

}  // namespace vantor::win32
