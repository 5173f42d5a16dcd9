#include "cli/SectionWords.h"

#include <vector>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "package/PackageWriter.h"

namespace vantor::cli {
namespace {

struct Pair {
  std::string text;
  std::string key;
  std::string value;
  bool keyed = false;
};

std::vector<Pair> PairsOf(const std::string& description) {
  std::vector<Pair> pairs;
  std::size_t start = 0;
  while (start <= description.size()) {
    std::size_t end = description.find(',', start);
    if (end == std::string::npos) end = description.size();
    Pair pair;
    pair.text = description.substr(start, end - start);
    start = end + 1;
    if (pair.text.empty()) continue;
    const std::size_t equals = pair.text.find('=');
    pair.keyed = equals != std::string::npos;
    if (pair.keyed) {
      pair.key = pair.text.substr(0, equals);
      pair.value = pair.text.substr(equals + 1);
    }
    pairs.push_back(pair);
  }
  return pairs;
}

bool IsImageKey(const std::string& key) { return key == "file" || key == "image"; }

// Whether the library takes this one pair's value: it is parsed in a description that
// is complete but for it.
bool ValueAccepted(const Pair& pair) {
  std::string description;
  if (pair.key == "version") {
    description = pair.text + ",size=1";
  } else if (IsImageKey(pair.key) || pair.key == "size") {
    description = "version=1," + pair.text;
  } else {
    description = "version=1,size=1," + pair.text;
  }
  package::SectionPlan plan;
  std::string ignored;
  return package::ParseSectionDescription(description, &plan, &ignored);
}

}  // namespace

std::optional<std::string> SectionProblemText(const std::string& description) {
  static const std::vector<std::string> kKeys = {"version", "beta", "address", "type",
                                                 "variant", "file", "image",   "size"};
  bool version = false;
  bool address = false;
  bool file = false;
  bool size = false;
  for (const Pair& pair : PairsOf(description)) {
    if (!pair.keyed) return Format(LocalizedText(text::kSectionNotKeyValue).c_str(), pair.text.c_str());
    bool known = false;
    for (const std::string& key : kKeys) known = known || key == pair.key;
    if (!known) return Format(LocalizedText(text::kSectionUnknownKey).c_str(), pair.key.c_str());
    if (!ValueAccepted(pair)) {
      return Format(LocalizedText(text::kSectionBadValue).c_str(), pair.key.c_str(), pair.value.c_str());
    }
    version = version || pair.key == "version";
    address = address || pair.key == "address";
    file = file || IsImageKey(pair.key);
    size = size || pair.key == "size";
  }
  if (!version) return LocalizedText(text::kSectionNeedsVersion);
  if (file == size) return LocalizedText(text::kSectionNeedsOneImage);
  if (!address) return LocalizedText(text::kSectionNeedsAddress);
  // What the library refuses beyond these, in its own words.
  package::SectionPlan plan;
  std::string error;
  if (!package::ParseSectionDescription(description, &plan, &error)) return error;
  return std::nullopt;
}

std::string WriteFailureText(const package::WriteFailure& failure) {
  using package::WriteProblem;
  const std::string because =
      failure.reason.empty() ? "" : Format(LocalizedText(text::kPackReason).c_str(), failure.reason.c_str());
  const auto about = [&failure, &because](TextSlot slot) {
    return Format(LocalizedText(slot).c_str(), failure.file.c_str(), because.c_str());
  };
  switch (failure.problem) {
    case WriteProblem::kNoSections:
      return LocalizedText(text::kPackNoSections);
    case WriteProblem::kCannotCreate:
      return about(text::kPackCannotCreate);
    case WriteProblem::kCannotWrite:
      return about(text::kPackCannotWrite);
    case WriteProblem::kImageUnopenable:
      return about(text::kPackImageUnopenable);
    case WriteProblem::kImageIsFolder:
      return about(text::kPackImageIsFolder);
    case WriteProblem::kImageNotRegular:
      return about(text::kPackImageNotRegular);
    case WriteProblem::kImageUnreadable:
      return about(text::kPackImageUnreadable);
    case WriteProblem::kTooLarge:
      return LocalizedText(text::kPackTooLarge);
    case WriteProblem::kNone:
    case WriteProblem::kStopped:
      break;
  }
  return failure.English();
}

}  // namespace vantor::cli
