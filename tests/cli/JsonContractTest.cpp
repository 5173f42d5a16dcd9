// Every command's JSON document against the contract of docs/json.md: required fields
// and their types, the stable enumerations, one version form.

#include <gtest/gtest.h>

#include <set>

#include <nlohmann/json.hpp>

#include "CliFixture.h"

namespace vantor::testkit {
namespace {

using JsonContract = CliFolder;
using nlohmann::json;

// A field's type: "string", "integer", "boolean", "array", "object", "version" (the one
// version form), each with "|null" when it may be null; or a nested object's schema.
bool HasType(const json& value, const std::string& type) {
  if (type == "string") return value.is_string();
  if (type == "integer") return value.is_number_integer();
  if (type == "boolean") return value.is_boolean();
  if (type == "array") return value.is_array();
  if (type == "object") return value.is_object();
  if (type == "version") {
    return value.is_object() && value.contains("version") && value["version"].is_number_integer() &&
           value.contains("beta") && value["beta"].is_number_integer() && value.contains("display") &&
           value["display"].is_string();
  }
  return false;
}

void Check(const json& document, const json& schema, const std::string& where) {
  ASSERT_TRUE(document.is_object()) << where;
  for (const auto& [field, type] : schema.items()) {
    ASSERT_TRUE(document.contains(field)) << where << field << " missing in " << document.dump();
    const json& value = document[field];
    if (type.is_object()) {
      Check(value, type, where + field + ".");
      continue;
    }
    std::string wanted = type.get<std::string>();
    const bool nullable = wanted.size() > 5 && wanted.substr(wanted.size() - 5) == "|null";
    if (nullable) wanted.resize(wanted.size() - 5);
    if (nullable && value.is_null()) continue;
    EXPECT_TRUE(HasType(value, wanted)) << where << field << " is not " << type << ": " << value.dump();
  }
}

const json kCommon = {{"schemaVersion", "integer"}, {"command", "string"}, {"exitCode", "integer"}};

json With(json schema) {
  for (const auto& [field, type] : kCommon.items()) schema[field] = type;
  return schema;
}

const json kController = {{"path", "string"},          {"vendorId", "string"},
                          {"productId", "string"},     {"protocol", "string"},
                          {"deviceType", "integer|null"}, {"deviceVariant", "integer|null"}};
const json kProbe = {{"controller", kController},   {"firmware", "version|null"},
                     {"versionWord", "string|null"}, {"noFirmware", "boolean"},
                     {"radioVersion", "integer|null"}, {"radioVersionUnreadable", "boolean"},
                     {"mode", "string|null"}};

json FlashSchema() {
  json schema = With(kProbe);
  schema["package"] = {{"path", "string"}, {"sha256", "string|null"}, {"offered", "version|null"},
                       {"writesRadio", "boolean|null"}};
  schema["outcome"] = "string";
  schema["reason"] = "string|null";
  schema["code"] = "integer|null";
  schema["stage"] = "string";
  schema["signal"] = "integer|null";
  schema["durationMs"] = "integer";
  schema["bytes"] = {{"sent", "integer"}, {"total", "integer|null"}, {"stages", "object"}};
  schema["message"] = "string";
  schema["hint"] = "string|null";
  schema["messages"] = "array";
  return schema;
}

const std::set<std::string> kOutcomes = {"succeeded",       "failed",   "not-in-boot-mode", "no-package",
                                         "nothing-matched", "declined", "package-refused",  "interrupted"};
const std::set<std::string> kReasons = {"controller-refused", "no-answer", "unplugged", "write-failed",
                                        "package-unreadable", "read-back-mismatch"};
const std::set<std::string> kErrors = {"usage",          "file-not-found",     "permission-denied",
                                       "is-a-directory", "not-a-regular-file", "cannot-read-file",
                                       "no-controller",  "no-permission",      "controller-busy",
                                       "controller-unopenable", "hid-unavailable", "bad-section",
                                       "cannot-write-package", "interrupted", "verify-unavailable"};

json Parse(const ProcessResult& result) {
  const json document = json::parse(result.out, nullptr, false);
  EXPECT_FALSE(document.is_discarded()) << result.out << result.err;
  EXPECT_EQ(document.value("schemaVersion", 0), 1);
  EXPECT_EQ(document.value("exitCode", -1), result.exitCode);
  return document;
}

TEST_F(JsonContract, EveryCommandsDocumentFollowsTheContract) {
  const std::string package = Pack("a.dat", {"version=1.50,address=0x08004000,type=8194,size=3000"});

  const json list = Parse(RunProgram({"--simulate", "addressed", "--json", "list"}));
  Check(list, With({{"controllers", "array"}}), "list.");
  Check(list["controllers"][0], {{"path", "string"}, {"vendorId", "string"}, {"productId", "string"},
                                 {"protocol", "string"}, {"mode", "string|null"}, {"firmware", "version|null"}},
        "list.controllers[0].");

  for (const char* protocol : {"framed", "addressed"}) {
    const json info = Parse(RunProgram({"--simulate", protocol, "--sim-virtual-time", "--json", "info"}));
    json schema = With(kProbe);
    schema["outcome"] = "string";
    schema["controller"]["serialNumber"] = "string|null";
    schema["controller"]["location"] = "string|null";
    Check(info, schema, "info.");
    EXPECT_TRUE(info["controller"].contains("location")) << info;
  }

  const json inspect = Parse(RunProgram({"--json", "inspect", package}));
  Check(inspect, With({{"file", "string"}, {"fileLength", "integer"}, {"sections", "array"},
                       {"sectionsCapped", "boolean"}, {"carriesBleImage", "boolean"}, {"bleSection", "integer|null"},
                       {"controllers", "array"}, {"problems", "array"}, {"acceptable", "boolean"}}),
        "inspect.");
  Check(inspect["sections"][0], {{"index", "integer"}, {"version", "version"}, {"address", "string"},
                                 {"length", "integer"}, {"type", "integer"}, {"variant", "integer"},
                                 {"dataOffset", "integer"}, {"fitsFile", "boolean"}}, "inspect.sections[0].");
  Check(inspect["controllers"][0], {{"controller", "string"}, {"section", "integer|null"}, {"problem", "string|null"}},
        "inspect.controllers[0].");

  const json pack =
      Parse(RunProgram({"--json", "pack", "-o", Path("p.dat"), "-s", "version=1.5,beta=1,address=0x10,size=4"}));
  Check(pack, With({{"output", "string"}, {"sections", "array"}}), "pack.");
  Check(pack["sections"][0], {{"version", "version"}, {"address", "string"}, {"type", "integer"},
                              {"variant", "integer"}, {"source", "string"}}, "pack.sections[0].");
  EXPECT_EQ(pack["sections"][0]["version"]["display"], "1.50 beta1");

  const std::pair<Arguments, std::string> runs[] = {
      {{"--yes"}, "succeeded"},
      {{"--yes", "--sim-fault", "unplug"}, "failed"},
      {{}, "declined"},
  };
  for (const auto& [extra, outcome] : runs) {
    Arguments arguments = extra;
    arguments.push_back("--json");
    const json flash = Parse(Flash("addressed", package, arguments));
    Check(flash, FlashSchema(), "flash.");
    EXPECT_EQ(flash["outcome"], outcome);
    EXPECT_TRUE(kOutcomes.count(flash["outcome"].get<std::string>()));
    if (!flash["reason"].is_null()) {
      EXPECT_TRUE(kReasons.count(flash["reason"].get<std::string>()));
    }
  }

  // verify: flash's document; a fresh emulated controller holds no image.
  const json verify = Parse(RunProgram({"--simulate", "addressed", "--sim-virtual-time", "--json", "verify", package}));
  Check(verify, FlashSchema(), "verify.");
  EXPECT_EQ(verify["reason"], "read-back-mismatch");
  EXPECT_EQ(verify["address"], "0x08004000");

  // A bench's units and a watch's lines are flash's documents (they had a shape of
  // their own: no schemaVersion, command or durationMs, the package as a string).
  const json all = json::parse(RunProgram({"--simulate", "addressed,addressed", "--sim-virtual-time", "--json", "--yes",
                                           "flash", "--all", package}).out, nullptr, false);
  ASSERT_TRUE(all.is_array()) << all;
  for (const json& unit : all) {
    json schema = FlashSchema();
    schema["controller"]["serialNumber"] = "string|null";
    schema["controller"]["location"] = "string|null";
    Check(unit, schema, "flash --all[].");
    EXPECT_EQ(unit["command"], "flash");
  }

  // Errors: a stable code beside the localized message.
  const ProcessResult errors[] = {
      RunProgram({"--json", "inspect", Path("absent.dat")}),
      RunProgram({"--json", "--simulate", "addressed", "--device", "elsewhere", "info"}),
      RunProgram({"--json", "pack", "-o", Path("x.dat"), "-s", "version=bad,size=1"}),
      // A mistake the parser finds wrote nothing on stdout.
      RunProgram({"--json", "flash"}),
      RunProgram({"--json", "--lang", "xx", "list"}),
      RunProgram({"--json", "--simulate", "framed", "verify", package}),
  };
  for (const ProcessResult& result : errors) {
    const json error = Parse(result);
    Check(error, With({{"error", "string"}, {"message", "string"}}), "error.");
    EXPECT_TRUE(kErrors.count(error["error"].get<std::string>())) << error.dump();
  }
}

// Issue 13, defect 10: pack --json printed nothing; flash --json had radioVersion null.
TEST_F(JsonContract, PackAnswersAndRadioVersionAgreesAcrossInfoAndFlash) {
  const ProcessResult pack = RunProgram({"--json", "pack", "-o", Path("p.dat"), "-s", "version=1.5,address=0x08004000,size=4"});
  EXPECT_FALSE(pack.out.empty());
  const std::string package = Pack("a.dat", {"version=1.50,address=0x08004000,type=8194,size=300"});
  const json info = json::parse(RunProgram({"--simulate", "addressed", "--sim-virtual-time", "--json", "info"}).out);
  const json flash = json::parse(Flash("addressed", package, {"--json", "--yes"}).out);
  ASSERT_FALSE(info["radioVersion"].is_null());
  EXPECT_EQ(flash["radioVersion"], info["radioVersion"]);
  EXPECT_EQ(flash["firmware"], info["firmware"]);
  EXPECT_EQ(flash["package"]["sha256"].get<std::string>().size(), 64u);
  EXPECT_EQ(flash["bytes"]["stages"]["writing-main"], 300);
}

}  // namespace
}  // namespace vantor::testkit
