#include <windows.h>
#include <io.h>

#include "base/Platform.h"
#include "base/win32/Utf16.h"

namespace vantor::platform {

void DebugLine(const std::string& line) { OutputDebugStringW(win32::ToUtf16(line).c_str()); }

std::FILE* OpenForReading(const std::string& utf8Path) { return _wfopen(win32::ToUtf16(utf8Path).c_str(), L"rb"); }

std::FILE* OpenForAppending(const std::string& utf8Path) { return _wfopen(win32::ToUtf16(utf8Path).c_str(), L"ab"); }

std::FILE* OpenRegularFileForReading(const std::string& utf8Path) {
  std::FILE* file = OpenForReading(utf8Path);
  if (file == nullptr) return nullptr;
  // A pipe or a device opened by name: not a file that can be measured and read again.
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

bool Seek(std::FILE* file, std::uint64_t offset) {
  return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
}

std::int64_t Length(std::FILE* file) {
  const long long here = _ftelli64(file);
  if (here < 0 || _fseeki64(file, 0, SEEK_END) != 0) return -1;
  const long long end = _ftelli64(file);
  _fseeki64(file, here, SEEK_SET);
  return end;
}

bool IdentityOf(std::FILE* file, FileIdentity* identity) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  BY_HANDLE_FILE_INFORMATION information{};
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &information)) return false;
  const auto wide = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
  identity->volume = information.dwVolumeSerialNumber;
  identity->number = wide(information.nFileIndexHigh, information.nFileIndexLow);
  identity->length = wide(information.nFileSizeHigh, information.nFileSizeLow);
  identity->writeTime = wide(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime);
  return true;
}

int LastSystemError() { return static_cast<int>(GetLastError()); }

}  // namespace vantor::platform
