#pragma once
// The user-visible texts in Chinese (PRC) and English, chosen by the user's UI language.

#include <cstdint>
#include <optional>
#include <string>

namespace vantor {

// Index of a user-visible text. Slots 0 to 94 are string ids 129 + k in Chinese and
// 238 + k in English; later slots are 1000 + k and 2000 + k. A Windows string table
// stores ids in blocks of sixteen, each block in one language, so Chinese ids stop
// before the block that holds the first English one (224 to 239).
using TextSlot = int;

namespace text {
inline constexpr TextSlot kSearch = 0;
inline constexpr TextSlot kUpdate = 1;
inline constexpr TextSlot kStopWhileUpdating = 2;  // asked before closing mid-update
inline constexpr TextSlot kFileType = 3;           // label of the package filter
inline constexpr TextSlot kSuccess = 4;            // "Firmware upgraded!"
inline constexpr TextSlot kNewFirmware = 5;        // start of the confirmation question
inline constexpr TextSlot kProductTitle = 6;       // "Vantor Update v2.00"
inline constexpr TextSlot kFailure = 7;            // "Firmware update failure"
inline constexpr TextSlot kSearchingBluetooth = 8;
inline constexpr TextSlot kWarning = 9;
inline constexpr TextSlot kOpenBluetoothError = 10;
inline constexpr TextSlot kNotInBootMode = 11;
inline constexpr TextSlot kUsbUpdate = 12;  // the update button
inline constexpr TextSlot kUpdateToLatest = 13;
inline constexpr TextSlot kInstructions = 14;  // boot-mode instructions
inline constexpr TextSlot kCurrentIs = 15;
inline constexpr TextSlot kResetHint = 16;
inline constexpr TextSlot kPackageDamaged = 17;  // package refused: truncated or corrupt
inline constexpr TextSlot kPackageEmpty = 18;    // package refused: nothing to write
// Shown by both front ends (the command line's list names them too).
inline constexpr TextSlot kNoMatchingFirmware = 22;  // no section for this controller
inline constexpr TextSlot kDeviceBusy = 25;          // another program holds the controller
// The dialog, after the user chose to stop a running update: boot mode remains.
inline constexpr TextSlot kStoppedKeepsBootMode = 26;
}  // namespace text

inline constexpr unsigned kChineseFirstId = 129;
inline constexpr unsigned kEnglishFirstId = 238;
inline constexpr TextSlot kFirstRangeSlots = static_cast<TextSlot>(kEnglishFirstId / 16 * 16 - kChineseFirstId);
inline constexpr unsigned kChineseLaterBase = 1000;
inline constexpr unsigned kEnglishLaterBase = 2000;
inline constexpr std::uint16_t kLanguageChinesePrc = 2052;  // 0x0804
inline constexpr std::uint16_t kLanguageEnglishUs = 1033;   // 0x0409

// The text of `slot` in the user's UI language (read at every call), or "" when the
// table has no such entry. Thread-safe.
std::string LocalizedText(TextSlot slot);

// The string id that `slot` has in `language`'s table.
unsigned TextIdFor(TextSlot slot, std::uint16_t language);

// The entry with string id `id` in the program's tables, or "" when there is none.
std::string TextById(unsigned id);

// The user's UI language as a Windows language identifier: GetUserDefaultUILanguage
// on Windows; from LC_ALL / LC_MESSAGES / LANG elsewhere (zh_CN is 2052, zh_TW 1028).
// An override, when set, wins (the command line's --lang).
std::uint16_t UserUiLanguage();
void SetUiLanguageOverride(std::optional<std::uint16_t> language);

// Language identifier for a POSIX locale name such as "zh_CN.UTF-8".
std::uint16_t LanguageFromLocaleName(const std::string& locale);

}  // namespace vantor
