#include "package/FirmwarePackage.h"

namespace vantor::package {
namespace {

enum class HeaderRead { kRead, kCutShort, kError };

HeaderRead ReadHeaderAt(PackageFile& file, std::uint64_t offset, SectionHeader* header) {
  if (!file.Seek(offset)) return HeaderRead::kError;
  const long got = file.Read(header->bytes.data(), kSectionHeaderSize);
  if (got < 0) return HeaderRead::kError;
  return got == static_cast<long>(kSectionHeaderSize) ? HeaderRead::kRead : HeaderRead::kCutShort;
}

// Visits each section header in file order until `visit` returns true.
template <typename Visitor>
WalkResult Walk(PackageFile& file, std::uint64_t fileLength, Visitor visit, bool* cutShort = nullptr) {
  std::uint64_t start = 0;
  while (start < fileLength) {
    FoundSection section;
    switch (ReadHeaderAt(file, start, &section.header)) {
      case HeaderRead::kError:
        return WalkResult::kReadError;
      case HeaderRead::kCutShort:
        if (cutShort != nullptr) *cutShort = true;
        return WalkResult::kNotFound;  // as if the end of the file had been reached
      case HeaderRead::kRead:
        break;
    }
    section.dataOffset = start + kSectionHeaderSize;
    if (visit(section)) return WalkResult::kFound;
    // 64-bit arithmetic: a length near 2^32 lands beyond the end instead of wrapping.
    start += kSectionHeaderSize + static_cast<std::uint64_t>(section.header.length());
  }
  return WalkResult::kNotFound;
}

template <typename Predicate>
WalkResult FindSection(PackageFile& file, std::uint64_t fileLength, Predicate matches, FoundSection* found) {
  return Walk(file, fileLength, [&](const FoundSection& section) {
    if (!matches(section.header)) return false;
    *found = section;
    return true;
  });
}

// Where an addressed controller's images may go: main flash starts here; addresses with
// bit 31 set are the radio's.
constexpr std::uint64_t kMainFlashStart = 0x08000000;
constexpr std::uint64_t kRadioAddressBit = 0x80000000;
constexpr std::uint64_t kFormatLimit = 0x100000000;  // offsets are kept in 32 bits

bool WithinFormat(const FoundSection& section) { return section.dataOffset + section.header.length() <= kFormatLimit; }

// The section's image lies in [start, end).
bool Within(const SectionHeader& header, std::uint64_t start, std::uint64_t end) {
  const std::uint64_t address = header.address();
  return address >= start && address + header.length() <= end;
}

}  // namespace

WalkResult FindMainSection(PackageFile& file, std::uint64_t fileLength, std::uint16_t type, std::uint8_t variant,
                           FoundSection* found, std::size_t* index) {
  std::size_t visited = 0;
  const WalkResult result = FindSection(
      file, fileLength,
      [&](const SectionHeader& header) {
        if (header.type() == type && header.variant() == variant) return true;
        ++visited;
        return false;
      },
      found);
  if (index != nullptr) *index = visited;
  return result;
}

WalkResult FindBleSection(PackageFile& file, std::uint64_t fileLength, FoundSection* found) {
  return FindSection(
      file, fileLength, [](const SectionHeader& header) { return header.type() == kBleSectionType; }, found);
}

WalkResult FindFirstSection(PackageFile& file, std::uint64_t fileLength, FoundSection* found) {
  return FindSection(file, fileLength, [](const SectionHeader&) { return true; }, found);
}

bool SectionFitsFile(const FoundSection& section, std::uint64_t fileLength) {
  return section.dataOffset <= fileLength && section.header.length() <= fileLength - section.dataOffset;
}

bool IsFirmwarePackage(const std::optional<FoundSection>& first, std::uint64_t fileLength) {
  return first && SectionFitsFile(*first, fileLength);
}

PackageProblem CheckSelection(const FoundSection& main, const std::optional<FoundSection>& ble,
                              std::uint64_t fileLength, bool addressed) {
  if (!SectionFitsFile(main, fileLength)) return PackageProblem::kMainSectionTruncated;
  if (ble && !SectionFitsFile(*ble, fileLength)) return PackageProblem::kBleSectionTruncated;
  if (!WithinFormat(main) || (ble && !WithinFormat(*ble))) return PackageProblem::kBeyondFormatLimit;
  const bool bleWritten = ble && ble->header.length() > 0;
  if (main.header.length() == 0 && !bleWritten) return PackageProblem::kNothingToWrite;
  if (bleWritten && ble->header.length() <= kBleInnerHeaderSize) return PackageProblem::kRadioImageEmpty;
  if (addressed && main.header.length() > 0 && !Within(main.header, kMainFlashStart, kRadioAddressBit)) {
    return PackageProblem::kMainOutsideFlash;
  }
  if (!addressed && main.header.length() > 0 && main.header.address() == 0) return PackageProblem::kMainOutsideFlash;
  if (addressed && bleWritten && !Within(ble->header, 0, kRadioAddressBit)) return PackageProblem::kRadioOutsideFlash;
  return PackageProblem::kNone;
}

bool InspectPackage(const std::string& path, PackageReport* report, std::string* error) {
  PackageFile file;
  if (!file.Open(path)) {
    *error = "cannot open " + path;
    return false;
  }
  const std::int64_t length = file.Length();
  if (length < 0) {
    *error = "cannot tell the length of " + path;
    return false;
  }
  *report = PackageReport{};
  report->fileLength = static_cast<std::uint64_t>(length);
  report->carriesBleImage = report->fileLength >= kBleImageMinimumFileSize;
  const WalkResult result = Walk(
      file, report->fileLength,
      [&](const FoundSection& section) {
        if (report->sections.size() == kMaxInspectedSections) {
          report->sectionsCapped = true;
          return true;  // ends the walk
        }
        report->sections.push_back(section);
        return false;
      },
      &report->walkCutShort);
  if (result == WalkResult::kReadError) {
    *error = "cannot read " + path;
    return false;
  }
  if (report->carriesBleImage) {
    for (std::size_t i = 0; i < report->sections.size(); ++i) {
      if (report->sections[i].header.type() == kBleSectionType) {
        report->bleSection = i;
        break;
      }
    }
  }
  return true;
}

const char* ProblemDescription(PackageProblem problem) {
  switch (problem) {
    case PackageProblem::kNone:
      return "none";
    case PackageProblem::kMainSectionTruncated:
      return "the controller's section runs past the end of the file";
    case PackageProblem::kBleSectionTruncated:
      return "the Bluetooth LE section runs past the end of the file";
    case PackageProblem::kNothingToWrite:
      return "the controller's section is empty and no Bluetooth LE image follows";
    case PackageProblem::kBeyondFormatLimit:
      return "a section's data lies past 4 GiB, beyond what the package format can address";
    case PackageProblem::kMainOutsideFlash:
      return "the controller's image does not lie in its main flash (0x08000000 to 0x7fffffff)";
    case PackageProblem::kRadioOutsideFlash:
      return "the Bluetooth LE image does not fit the radio's address range (below 0x80000000)";
    case PackageProblem::kRadioImageEmpty:
      return "the Bluetooth LE section holds no image after its 28-byte header";
    case PackageProblem::kNotAPackage:
      return "the file is not a firmware package: its first section does not lie whole in it";
  }
  return "unknown";
}

const char* ProblemName(PackageProblem problem) {
  switch (problem) {
    case PackageProblem::kNone:
      return "none";
    case PackageProblem::kMainSectionTruncated:
      return "main-section-truncated";
    case PackageProblem::kBleSectionTruncated:
      return "radio-section-truncated";
    case PackageProblem::kNothingToWrite:
      return "nothing-to-write";
    case PackageProblem::kBeyondFormatLimit:
      return "beyond-format-limit";
    case PackageProblem::kMainOutsideFlash:
      return "main-outside-flash";
    case PackageProblem::kRadioOutsideFlash:
      return "radio-outside-flash";
    case PackageProblem::kRadioImageEmpty:
      return "radio-image-empty";
    case PackageProblem::kNotAPackage:
      return "not-a-package";
  }
  return "unknown";
}

}  // namespace vantor::package
