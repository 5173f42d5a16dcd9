#include "package/PackageWriter.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/LittleEndian.h"
#include "package/SectionHeader.h"

namespace vantor::package {
namespace {

bool ParseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t* value) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
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

bool ReadImage(const SectionPlan& plan, std::size_t index, std::vector<std::uint8_t>* image, std::string* error) {
  if (plan.size) {
    *image = GeneratedImage(*plan.size, static_cast<std::uint8_t>(index + 1));
    return true;
  }
  std::ifstream in(std::filesystem::u8path(plan.file), std::ios::binary);
  if (!in) {
    *error = "cannot open image file " + plan.file;
    return false;
  }
  image->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = "cannot read image file " + plan.file;
    return false;
  }
  if (image->size() > 0xFFFFFFFFull) {
    *error = "image file " + plan.file + " is larger than a section can hold";
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

std::vector<std::uint8_t> GeneratedImage(std::uint32_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> image(size);
  std::uint32_t state = 0x9E3779B9u * (seed + 1u);
  for (std::uint8_t& byte : image) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return image;
}

bool WritePackage(const std::string& path, const std::vector<SectionPlan>& sections, std::string* error) {
  if (sections.empty()) {
    *error = "a package needs at least one --section";
    return false;
  }
  const std::filesystem::path target = std::filesystem::u8path(path);
  std::filesystem::path temporary = target;
  temporary += ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      *error = "cannot create " + path;
      return false;
    }
    for (std::size_t i = 0; i < sections.size(); ++i) {
      std::vector<std::uint8_t> image;
      if (!ReadImage(sections[i], i, &image, error)) {
        out.close();
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
      }
      const std::vector<std::uint8_t> header = HeaderBytes(sections[i], static_cast<std::uint32_t>(image.size()));
      out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
      out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    out.flush();
    if (!out) {
      *error = "cannot write " + path;
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code renameError;
  std::filesystem::rename(temporary, target, renameError);
  if (renameError) {
    *error = "cannot write " + path + ": " + renameError.message();
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace vantor::package
