#include "package/PackageWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "base/LittleEndian.h"
#include "base/Platform.h"
#include "base/Format.h"
#include "package/SectionHeader.h"

namespace vantor::package {
namespace {

// Decimal, or hexadecimal after "0x". strtoull's base 0 would read "010" as octal 8,
// which nobody writing a version or an address means.
bool ParseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t* value) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (digits.empty() || digits.find_first_not_of(allowed) != std::string::npos) return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long parsed = std::strtoull(digits.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || end == nullptr || *end != '\0' || parsed > max) return false;
  *value = parsed;
  return true;
}

// "1.50" -> 150; at most two decimals, as the version is stored times 100.
bool ParseVersion(const std::string& text, std::uint16_t* version) {
  const std::size_t dot = text.find('.');
  std::uint64_t whole = 0;
  std::uint64_t hundredths = 0;
  const std::string wholeText = text.substr(0, dot);
  if (wholeText.find_first_not_of("0123456789") != std::string::npos || !ParseUnsigned(wholeText, 655, &whole)) {
    return false;
  }
  if (dot != std::string::npos) {
    std::string fraction = text.substr(dot + 1);
    if (fraction.empty() || fraction.size() > 2 || fraction.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    if (fraction.size() == 1) fraction += '0';
    hundredths = static_cast<std::uint64_t>(std::stoul(fraction));
  }
  const std::uint64_t value = whole * 100 + hundredths;
  if (value > 0xFFFF) return false;
  *version = static_cast<std::uint16_t>(value);
  return true;
}

constexpr std::size_t kPieceSize = 64 * 1024;

// Why an image file cannot be used (kNone when it is a regular file). Anything else (a
// directory, a FIFO, a device such as /dev/zero) would block, fail late or never end.
WriteFailure ImageFileProblem(const std::string& file) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(std::filesystem::u8path(file), error);
  if (error) return {WriteProblem::kImageUnopenable, file, error.message()};
  if (std::filesystem::is_directory(status)) return {WriteProblem::kImageIsFolder, file, ""};
  if (!std::filesystem::is_regular_file(status)) return {WriteProblem::kImageNotRegular, file, ""};
  return {};
}

// A folder of a unique name beside `target`, for the temporary file. Making a folder
// is exclusive on every system (an existing file, folder or link of that name makes it
// fail, and nothing is followed), so the file inside it is certainly the program's own.
bool CreatePrivateFolder(const std::filesystem::path& target, std::filesystem::path* created) {
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = target;
    candidate += Format(".%08x.part", static_cast<unsigned>(entropy()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      *created = candidate;
      return true;
    }
    if (error && error != std::errc::file_exists) return false;
  }
  return false;
}

bool WriteBytes(std::ofstream& out, const std::uint8_t* bytes, std::size_t count) {
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(count));
  return static_cast<bool>(out);
}

// Streams one section (header, then image) at `offset`, the header's length patched in
// once the image has been counted. False with `failure` set.
bool WriteSection(std::ofstream& out, std::uint64_t* offset, const SectionPlan& plan, std::size_t index,
                  const std::function<bool()>& stopRequested, WriteFailure* failure) {
  std::FILE* image = nullptr;
  if (!plan.size) {
    *failure = ImageFileProblem(plan.file);
    if (failure->problem != WriteProblem::kNone) return false;
    image = platform::OpenForReading(plan.file);
    if (image == nullptr) {
      *failure = {WriteProblem::kImageUnopenable, plan.file, std::strerror(errno)};
      return false;
    }
  }
  struct Closer {
    std::FILE* file;
    ~Closer() {
      if (file != nullptr) std::fclose(file);
    }
  } closer{image};

  const std::uint64_t headerAt = *offset;
  if (!WriteBytes(out, HeaderBytes(plan, 0).data(), kSectionHeaderSize)) {
    *failure = {WriteProblem::kCannotWrite, "", ""};
    return false;
  }
  std::uint64_t length = 0;
  PatternGenerator generator(static_cast<std::uint8_t>(index + 1));
  std::vector<std::uint8_t> piece(kPieceSize);
  for (;;) {
    if (stopRequested && stopRequested()) {
      *failure = {WriteProblem::kStopped, "", ""};
      return false;
    }
    std::size_t got = 0;
    if (plan.size) {
      got = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceSize, *plan.size - length));
      generator.Fill(piece.data(), got);
    } else {
      got = std::fread(piece.data(), 1, piece.size(), image);
      if (got == 0 && std::ferror(image)) {
        *failure = {WriteProblem::kImageUnreadable, plan.file, ""};
        return false;
      }
    }
    if (got == 0) break;
    length += got;
    if (headerAt + kSectionHeaderSize + length > kMaxPackageLength) {
      *failure = {WriteProblem::kTooLarge, "", ""};
      return false;
    }
    if (!WriteBytes(out, piece.data(), got)) {
      *failure = {WriteProblem::kCannotWrite, "", ""};
      return false;
    }
  }
  *offset = headerAt + kSectionHeaderSize + length;
  const std::vector<std::uint8_t> header = HeaderBytes(plan, static_cast<std::uint32_t>(length));
  out.seekp(static_cast<std::streamoff>(headerAt));
  if (!out || !WriteBytes(out, header.data(), header.size()) || !out.seekp(static_cast<std::streamoff>(*offset))) {
    *failure = {WriteProblem::kCannotWrite, "", ""};
    return false;
  }
  return true;
}

}  // namespace

bool ParseSectionDescription(const std::string& description, SectionPlan* plan, std::string* error) {
  *plan = SectionPlan{};
  bool haveVersion = false;
  std::size_t start = 0;
  while (start <= description.size()) {
    std::size_t end = description.find(',', start);
    if (end == std::string::npos) end = description.size();
    const std::string pair = description.substr(start, end - start);
    start = end + 1;
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    if (equals == std::string::npos) {
      *error = "\"" + pair + "\" is not key=value";
      return false;
    }
    const std::string key = pair.substr(0, equals);
    const std::string value = pair.substr(equals + 1);
    std::uint64_t number = 0;
    bool ok = true;
    if (key == "version") {
      ok = ParseVersion(value, &plan->version);
      haveVersion = ok;
    } else if (key == "beta") {
      ok = ParseUnsigned(value, 0xFFFF, &number);
      plan->beta = static_cast<std::uint16_t>(number);
    } else if (key == "address") {
      ok = ParseUnsigned(value, 0xFFFFFFFF, &number);
      plan->address = static_cast<std::uint32_t>(number);
    } else if (key == "type") {
      ok = ParseUnsigned(value, 0xFFFF, &number);
      plan->type = static_cast<std::uint16_t>(number);
    } else if (key == "variant") {
      ok = ParseUnsigned(value, 0xFF, &number);
      plan->variant = static_cast<std::uint8_t>(number);
    } else if (key == "file" || key == "image") {
      plan->file = value;
      ok = !value.empty();
    } else if (key == "size") {
      ok = ParseUnsigned(value, 0xFFFFFFFF, &number);
      plan->size = static_cast<std::uint32_t>(number);
    } else {
      *error = "unknown key \"" + key + "\" (known: version, beta, address, type, variant, file, size)";
      return false;
    }
    if (!ok) {
      *error = "bad value for " + key + ": \"" + value + "\"";
      return false;
    }
  }
  if (!haveVersion) {
    *error = "a section needs version= (for example version=1.50)";
    return false;
  }
  if (plan->file.empty() == !plan->size.has_value()) {
    *error = "a section needs exactly one of file= and size=";
    return false;
  }
  return true;
}

std::vector<std::uint8_t> HeaderBytes(const SectionPlan& plan, std::uint32_t length) {
  std::vector<std::uint8_t> header(package::kSectionHeaderSize, 0);
  Store16(&header[0], plan.version);
  Store16(&header[2], plan.beta);
  Store32(&header[4], plan.address);
  Store32(&header[8], length);
  Store16(&header[12], plan.type);
  header[14] = plan.variant;
  return header;
}

void PatternGenerator::Fill(std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    state_ = state_ * 1664525u + 1013904223u;
    bytes[i] = static_cast<std::uint8_t>(state_ >> 24);
  }
}

std::vector<std::uint8_t> GeneratedImage(std::uint32_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> image(size);
  PatternGenerator(seed).Fill(image.data(), image.size());
  return image;
}

std::string WriteFailure::English() const {
  const std::string because = reason.empty() ? "" : ": " + reason;
  switch (problem) {
    case WriteProblem::kNone:
      return "";
    case WriteProblem::kNoSections:
      return "a package needs at least one --section";
    case WriteProblem::kCannotCreate:
      return "cannot create a file beside " + file + because;
    case WriteProblem::kCannotWrite:
      return "cannot write " + file + because;
    case WriteProblem::kImageUnopenable:
      return "cannot open image file " + file + because;
    case WriteProblem::kImageIsFolder:
      return "image file " + file + " is a directory";
    case WriteProblem::kImageNotRegular:
      return "image file " + file + " is not a regular file";
    case WriteProblem::kImageUnreadable:
      return "cannot read image file " + file;
    case WriteProblem::kTooLarge:
      return "the package would pass 4 GiB, more than the format can address";
    case WriteProblem::kStopped:
      return "stopped";
  }
  return "";
}

bool WritePackage(const std::string& path, const std::vector<SectionPlan>& sections, WriteFailure* failure,
                  const std::function<bool()>& stopRequested) {
  *failure = {};
  if (sections.empty()) {
    *failure = {WriteProblem::kNoSections, "", ""};
    return false;
  }
  const std::filesystem::path target = std::filesystem::u8path(path);
  std::filesystem::path folder;
  if (!CreatePrivateFolder(target, &folder)) {
    *failure = {WriteProblem::kCannotCreate, path, ""};
    return false;
  }
  const std::filesystem::path temporary = folder / "package";
  // Only the folder made above, and what is in it, is ever removed.
  const auto discard = [&] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    // A write that failed inside a section is the package's own.
    if (failure->problem == WriteProblem::kCannotWrite && failure->file.empty()) failure->file = path;
    return false;
  };
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      *failure = {WriteProblem::kCannotCreate, path, ""};
      return discard();
    }
    std::uint64_t offset = 0;
    for (std::size_t i = 0; i < sections.size(); ++i) {
      if (!WriteSection(out, &offset, sections[i], i, stopRequested, failure)) {
        out.close();
        return discard();
      }
    }
    out.flush();
    if (!out) {
      *failure = {WriteProblem::kCannotWrite, path, ""};
      out.close();
      return discard();
    }
  }
  std::error_code renameError;
  std::filesystem::rename(temporary, target, renameError);
  if (renameError) {
    *failure = {WriteProblem::kCannotWrite, path, renameError.message()};
    return discard();
  }
  std::error_code ignored;
  std::filesystem::remove(folder, ignored);
  return true;
}

}  // namespace vantor::package
