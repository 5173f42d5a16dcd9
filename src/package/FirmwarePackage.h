#pragma once
// Walking a firmware package's sections: the search the updater makes for a
// controller's image and for the Bluetooth LE image, and an inspector that lists
// everything (used by the command line and the tests).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/PackageFile.h"
#include "package/SectionHeader.h"

namespace vantor::package {

// A section found by a walk: its header and the file offset of its first image byte.
struct FoundSection {
  SectionHeader header;
  std::uint64_t dataOffset = 0;  // 64-bit: a package may be longer than the format can use
};

enum class WalkResult { kFound, kNotFound, kReadError };

// Both searches walk the sections of `file` (of `fileLength` bytes) from offset 0 and
// take the first match. A walk ends at or beyond the end of the file, or at a header
// cut short by it; a huge `length` never wraps to an earlier offset.

// The main section for a controller of `type` and `variant` (type compared first);
// `index`, when given, is set to its place among the file's sections.
WalkResult FindMainSection(PackageFile& file, std::uint64_t fileLength, std::uint16_t type, std::uint8_t variant,
                           FoundSection* found, std::size_t* index = nullptr);
// The Bluetooth LE section: the first of type 0, whatever its variant.
WalkResult FindBleSection(PackageFile& file, std::uint64_t fileLength, FoundSection* found);
// The section at offset 0 (kNotFound: the file is shorter than one header).
WalkResult FindFirstSection(PackageFile& file, std::uint64_t fileLength, FoundSection* found);

// True when `section`'s image bytes all lie inside a file of `fileLength` bytes.
bool SectionFitsFile(const FoundSection& section, std::uint64_t fileLength);

// The format has no magic number; what every firmware package has is a first section
// that lies whole in the file. A file shorter than one header, or whose first 28 bytes
// claim more image bytes than follow them (a text, a picture, a few stray bytes), is no
// package. `first`: the section at offset 0, none when the file is shorter than a header.
bool IsFirmwarePackage(const std::optional<FoundSection>& first, std::uint64_t fileLength);

// Why a package would be refused before anything is sent to the controller.
enum class PackageProblem {
  kNone,
  kMainSectionTruncated,  // the matched section runs past the end of the file
  kBleSectionTruncated,   // the Bluetooth LE section runs past the end of the file
  kNothingToWrite,        // the matched section is empty and no Bluetooth LE image follows
  kBeyondFormatLimit,     // a section's bytes lie past 4 GiB, where offsets no longer fit 32 bits
  kMainOutsideFlash,      // the main image does not lie in the controller's main flash
  kRadioOutsideFlash,     // addressed: the radio image does not fit the radio's address range
  kRadioImageEmpty,       // the Bluetooth LE section is no longer than its own 28-byte header
  kNotAPackage,           // the file is no firmware package at all (IsFirmwarePackage)
};

// A Bluetooth LE section begins with a header of the radio's own, which the radio is
// not given: its image is what follows.
inline constexpr std::uint32_t kBleInnerHeaderSize = 28;

// The refusal rule, shared by the update and the inspector. `ble` is the Bluetooth LE
// section that would be written (none when the package is small or has no type-0 section).
// `addressed`: the images go to an addressed controller, which writes them where their
// headers say: the main image must lie in main flash (0x08000000 up to, not including,
// the radio's addresses with bit 31 set), the radio image within the radio's 31 bits.
// A framed controller is sent the main image's address and refuses one outside its
// flash, whose start it alone knows: only address 0 (a section packed without one) is
// refused here, before the user is asked and the header sent.
// A Bluetooth LE section of 1..28 bytes is refused: its region would be erased and its
// version stamped with no image written (a length of 0 means no radio image at all).
PackageProblem CheckSelection(const FoundSection& main, const std::optional<FoundSection>& ble,
                              std::uint64_t fileLength, bool addressed);

// Everything the inspector tells about a package.
struct PackageReport {
  std::uint64_t fileLength = 0;
  std::vector<FoundSection> sections;     // every header the walk meets, in file order
  bool walkCutShort = false;              // a header was cut by the end of the file
  bool carriesBleImage = false;           // the file is 0x10000 bytes or longer
  std::optional<std::size_t> bleSection;  // index into sections
  // The listing stopped after kMaxInspectedSections: a file of millions of empty
  // sections (a sparse file of zeros) would otherwise fill memory with their headers.
  // Only the listing: what a controller gets is judged on the file (PackageRule.h).
  bool sectionsCapped = false;
};

inline constexpr std::size_t kMaxInspectedSections = 4096;

// Reads the section list (at most kMaxInspectedSections headers, one at a time; the
// file is never held in memory). Returns false (with `error` set) when the file cannot
// be opened or read.
bool InspectPackage(const std::string& path, PackageReport* report, std::string* error);

const char* ProblemDescription(PackageProblem problem);
// A stable name for scripts: "main-section-truncated", "main-outside-flash", ...
const char* ProblemName(PackageProblem problem);

}  // namespace vantor::package
