#pragma once
// What a drop on the dialog (WM_DROPFILES) carries, read without releasing it: the
// caller still calls DragFinish. Any thread that may read the drop's memory.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>

namespace vantor::win32 {

// How many files were dropped.
unsigned DroppedCount(HDROP drop);
// The first dropped file whose name ends in ".dat" (in any case), or nothing.
std::optional<std::wstring> DroppedPackage(HDROP drop);

}  // namespace vantor::win32
