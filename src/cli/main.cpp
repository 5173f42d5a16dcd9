// vantor-update: the command-line front end of the updater.

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/ArgumentErrors.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/DoctorCommand.h"
#include "cli/ExitCodes.h"
#include "cli/FlashSelection.h"
#include "cli/Help.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/PackagePath.h"
#include "workflow/SimulatedBenchPlan.h"
#include "cli/Trace.h"
#include "cli/WatchCommand.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using vantor::cli::CommonOptions;

constexpr const char* kDescription =
    "Vantor Update: firmware updater for USB game controllers.\n"
    "Start the controller in its boot mode (hold LB+RB while plugging in the USB cable), then run\n"
    "`vantor-update flash FIRMWARE.dat`. `vantor-update help COMMAND` tells more of a command.\n"
    "Exit codes: 0 success, 1 update failed, 2 bad usage or refused package, 3 no controller found,\n"
    "4 no permission to open the controller, 5 the HID library cannot be used,\n"
    "6 the package is not the one --expect-sha256 names,\n"
    "129/130/141/143 stopped by SIGHUP/Ctrl-C/SIGPIPE/SIGTERM. `vantor-update doctor` says why a controller is missing.";

const std::vector<std::string> kCommands = {"list", "info", "inspect", "flash", "verify", "watch", "doctor", "pack", "help"};
// Options that take a value: a mistyped subcommand is looked for after them.
const std::vector<std::string> kValueOptions = {"--device", "--simulate", "--lang", "--log",
                                                "--sim-fault", "--sim-dump", "--sim-signal-at", "--sim-arrive", "-o",
                                                "--output", "-s", "--section", "--type", "--variant", "--expect-sha256", "--journal"};

// The options every subcommand takes, on the program and on each subcommand, so each
// subcommand's help lists them and they may come before or after its name.
void AddCommonOptions(CLI::App& app, CommonOptions& options, bool device) {
  const std::string group = "Options for every command";
  if (device) {
    app.add_option("--device", options.device,
                   "Use the controller with this path, serial number or location (see `list`)")
        ->group(group);
    app.add_option("--simulate", options.simulate,
                   "Use emulated controllers instead of USB: framed, addressed, or a list (addressed,framed)")
        ->check(CLI::Validator(
            [](std::string& value) { return vantor::workflow::IsSimulationList(value) ? std::string() : "framed, addressed or a list"; },
            "LIST"))
        ->group(group);
  }
  app.add_flag("--json", options.json, "Write one JSON document on stdout (docs/json.md)")->group(group);
  app.add_option("--lang", options.language, "Language of the texts: zh or en (default: from the locale)")
      ->check(CLI::IsMember({"zh", "en"}))
      ->group(group);
  app.add_flag("-q,--quiet", options.quiet, "Only the result and errors")->group(group);
  app.add_flag("-v,--verbose", options.verbosity, "-v a readable trace on stderr, -vv the raw debug lines too")
      ->group(group);
  app.add_option("--log", options.logFile, "Append the -vv trace to this file, whatever the verbosity")->group(group);
  // Hidden: the emulated controller's knobs for tests and demos.
  app.add_flag("--sim-virtual-time", options.virtualTime, "")->group("");
  app.add_option("--sim-fault", options.simFault, "")->group("");
  app.add_option("--sim-dump", options.simDump, "")->group("");
  app.add_option("--sim-signal-at", options.simSignalAt, "")->group("");
  app.add_option("--sim-arrive", options.simArrive, "")->group("");
  app.add_flag("--sim-leave-after-update", options.simLeaveAfterUpdate, "")->group("");
}

void UseLanguage(const std::string& language) {
  if (language == "zh") vantor::SetUiLanguageOverride(vantor::kLanguageChinesePrc);
  if (language == "en") vantor::SetUiLanguageOverride(vantor::kLanguageEnglishUs);
}

// The --lang given, read before the options are parsed: an answer given then speaks it.
std::string LanguageAmong(const std::vector<std::string>& arguments) {
  std::string language;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--lang" && i + 1 < arguments.size()) language = arguments[i + 1];
    if (arguments[i].rfind("--lang=", 0) == 0) language = arguments[i].substr(7);
  }
  return language;
}

int Unknown(const std::string& word) {
  using vantor::LocalizedText;
  namespace text = vantor::cli::text;
  std::string answer = vantor::Format(LocalizedText(text::kUnknownCommand).c_str(), word.c_str());
  if (const std::optional<std::string> nearest = vantor::cli::NearestWord(word, kCommands)) {
    answer += vantor::Format(LocalizedText(text::kDidYouMean).c_str(), nearest->c_str());
  }
  vantor::cli::WriteText(stderr, "vantor-update: " + answer + " (see `vantor-update help`)\n");
  return vantor::cli::kExitUsage;
}

// The option's name as it is typed: CLI11 shows a flag's value when bare ("--wait{-1}").
class HelpFormatter final : public CLI::Formatter {
 public:
  std::string make_option_name(const CLI::Option* option, bool positional) const override {
    std::string name = CLI::Formatter::make_option_name(option, positional);
    const std::size_t brace = name.find('{');
    return brace == std::string::npos ? name : name.substr(0, brace);
  }
};

}  // namespace

int main(int argc, char** argv) {
  using namespace vantor::cli;
  // First of all: a signal from here on stops the command at a safe point instead of
  // ending the process, and no thread exists yet to inherit another mask.
  InterruptWatcher interrupts;
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
  CLI::App app{kDescription, "vantor-update"};
  app.require_subcommand(1);
  app.fallthrough();
  app.set_version_flag("--version", ProgramVersionLine());

  CommonOptions options;
  AddCommonOptions(app, options, true);
  // Also before the subcommand's name, as it always was.
  app.add_flag("-y,--yes", options.assumeYes, "flash: do not ask for confirmation");
  // Global only (subcommands reach it through fallthrough): CLI11 resets a flag's
  // variable when it is declared more than once.
  CLI::Option* wait = app.add_flag("--wait{-1}", options.waitSeconds,
                                   "Wait for a controller to be plugged in (--wait=SECONDS: at most that long)")
                          ->expected(0, 1)
                          ->option_text("[=SECONDS]");

  CLI::App* list = app.add_subcommand("list", "List the supported controllers attached, in detection order, and the mode each is in");
  AddCommonOptions(*list, options, true);
  list->footer("Example:\n  vantor-update list --json");

  CLI::App* info = app.add_subcommand("info", "Show the attached controller's protocol, mode, firmware and radio version");
  AddCommonOptions(*info, options, true);
  info->footer("Example:\n  vantor-update info --device /dev/hidraw3");

  std::string inspectFile;
  std::optional<std::uint16_t> inspectType;
  std::optional<std::uint8_t> inspectVariant;
  CLI::App* inspect = app.add_subcommand("inspect", "Show a package's sections and whether it would be refused");
  inspect->add_option("FILE", inspectFile, "Firmware package (*.dat)")->required();
  inspect->add_option("--type", inspectType, "Also judge it for an addressed controller of this device type");
  inspect->add_option("--variant", inspectVariant, "... and this variant (default 0)");
  AddCommonOptions(*inspect, options, false);
  inspect->footer("Example:\n  vantor-update inspect FIRMWARE.dat --type 8194");

  std::string flashFile;
  CLI::App* flash = app.add_subcommand("flash", "Update the attached controller with a package");
  flash->add_option("FILE", flashFile, "Firmware package (*.dat)")->required();
  flash->add_flag("-y,--yes", options.assumeYes,
                  "Do not ask: without it the controller, its version, the new version and whether the radio image "
                  "is written are shown and `Continue? [y/N]` is asked on the terminal");
  AddCommonOptions(*flash, options, true);
  flash->footer(
      "The controller must be in its boot mode (hold LB+RB while plugging in the USB cable).\n"
      "Example:\n  vantor-update flash FIRMWARE.dat\n  vantor-update flash FIRMWARE.dat --yes --json > result.json");
  flash->add_flag("--all", options.all, "Update every attached controller at once");
  flash->add_flag("--dry-run", options.dryRun,
                  "Probe and lock the controller and check the package, say what would be written, write nothing; "
                  "exit 0 when the update could go ahead");
  flash->add_option("--expect-sha256", options.expectSha256,
                    "Refuse the package unless its SHA-256 is HEX (checked once, on the bytes written, before "
                    "anything is erased; exit 6)")
      ->option_text("HEX");
  flash->add_flag("--verify", options.verify, "Read the written firmware back and compare (addressed controllers)");

  std::string verifyFile;
  CLI::App* verify = app.add_subcommand("verify", "Read the controller's firmware back and compare it with a package");
  verify->add_option("FILE", verifyFile, "Firmware package (*.dat)")->required();
  AddCommonOptions(*verify, options, true);
  verify->footer(
      "Addressed controllers in their boot mode only (the framed protocol has no read command); nothing is written,\n"
      "so nothing is asked. Says that the flash matches the package, or the first address where it differs.\n"
      "Example:\n  vantor-update verify FIRMWARE.dat");

  std::string watchFile;
  CLI::App* watch = app.add_subcommand("watch", "Update each controller as it is plugged in, until Ctrl-C");
  watch->add_option("FILE", watchFile, "Firmware package (*.dat)")->required();
  watch->add_option("--expect-sha256", options.expectSha256,
                    "Refuse the package unless its SHA-256 is HEX (checked once, before watching starts; exit 6)")
      ->option_text("HEX");
  // Not --log: that is the trace's file, for watch as for every command.
  watch->add_option("--journal", options.watchLog,
                    "Append one JSON line per unit to this file, flushed as each ends (time, identity, versions, "
                    "result)")
      ->option_text("FILE");
  AddCommonOptions(*watch, options, true);
  watch->footer(
      "Each controller that appears in its boot mode is updated once, until it is unplugged; Ctrl-C ends.\n"
      "Example:\n  vantor-update watch FIRMWARE.dat --yes --json");

  CLI::App* doctor = app.add_subcommand("doctor", "Say why a controller is not found or cannot be opened, check by check");
  AddCommonOptions(*doctor, options, true);
  doctor->footer(
      "Checks the HID library, the udev rule, each controller's access and who holds it, and controllers in\n"
      "their normal mode; exit 0 when a controller can be updated, else the code of the first problem.\n"
      "Example:\n  vantor-update doctor --json");

  std::string packOutput;
  std::vector<std::string> packSections;
  CLI::App* pack = app.add_subcommand("pack", "Write a package from section descriptions");
  pack->add_option("-o,--output", packOutput, "The package file to write")->required();
  pack->add_option("-s,--section", packSections,
                   "A section: version=1.50,beta=0,address=0x08004000,type=0,variant=0,file=IMAGE\n"
                   "(version=, address= and an image are required; size=N instead of file= makes N bytes of\n"
                   "generated data; numbers are decimal or 0x hex)")
      ->required();
  AddCommonOptions(*pack, options, false);
  pack->footer("Example:\n  vantor-update pack -o FIRMWARE.dat -s version=1.56,address=0x08004000,type=0,file=main.bin");

  std::string helpTopic;
  CLI::App* help = app.add_subcommand("help", "Show the help of the program or of one command");
  help->add_option("COMMAND", helpTopic, "The command to explain");
  help->footer("Example:\n  vantor-update help flash");

  app.formatter(std::make_shared<HelpFormatter>());

  const std::vector<std::string> arguments = JoinWaitValues({argv + 1, argv + argc});
  if (const std::optional<std::string> unknown = UnknownSubcommand(arguments, kCommands, kValueOptions)) {
    UseLanguage(LanguageAmong(arguments));
    return Unknown(*unknown);
  }
  try {
    // CLI11 takes its arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    // --help and --version
    if (error.get_exit_code() == 0) return app.exit(error) == 0 ? kExitSuccess : kExitUsage;
    UseLanguage(LanguageAmong(arguments));
    options.json = std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
    const auto command = std::find_first_of(arguments.begin(), arguments.end(), kCommands.begin(), kCommands.end());
    if (command != arguments.end()) options.command = *command;
    const int code = Fail(options, kExitUsage, "usage", ArgumentErrorText(error));
    WriteText(stderr, vantor::LocalizedText(text::kSeeUsage) + "\n");
    return code;
  }

  // CLI11 leaves a flag's variable at 0 when the flag is absent.
  if (wait->count() == 0) options.waitSeconds = -2;
  if (*help) {
    // The formatter itself: App::help would describe the selected subcommand, which
    // is `help`, and name a command's usage without the program's name.
    if (helpTopic.empty()) {
      std::fputs(app.get_formatter()->make_help(&app, "vantor-update", CLI::AppFormatMode::Normal).c_str(), stdout);
      return kExitSuccess;
    }
    for (CLI::App* command : app.get_subcommands({})) {
      if (command->get_name() == helpTopic) {
        std::fputs(command->get_formatter()
                       ->make_help(command, "vantor-update " + helpTopic, CLI::AppFormatMode::Normal)
                       .c_str(),
                   stdout);
        return kExitSuccess;
      }
    }
    return Unknown(helpTopic);
  }

  for (CLI::App* command : {list, info, inspect, flash, verify, watch, doctor, pack}) {
    if (*command) options.command = command->get_name();
  }
  UseLanguage(options.language);
  // The bare flag stands for -1 (no limit); a negative number typed after it would
  // silently mean the same and wait for ever.
  for (const std::string& argument : arguments) {
    if (argument.rfind("--wait=-", 0) == 0) {
      return Fail(options, kExitUsage, "usage",
                  vantor::Format(vantor::LocalizedText(text::kWaitNegative).c_str(), argument.substr(7).c_str()));
    }
  }
  if (!options.expectSha256.empty() && !vantor::workflow::IsSha256Hex(options.expectSha256)) {
    return Fail(options, kExitUsage, "usage",
                vantor::Format(vantor::LocalizedText(text::kSha256Malformed).c_str(), options.expectSha256.c_str()));
  }
  std::string traceError;
  if (!StartTrace(options.verbosity, options.logFile, &traceError)) {
    return Fail(options, kExitUsage, "usage", traceError);
  }
  struct TraceStopper {
    ~TraceStopper() { StopTrace(); }
  } traceStopper;

  if (options.simSignalAt == "start") InterruptSelf(interrupts);
  if (interrupts.fired()) {
    if (options.json) {
      nlohmann::json document = JsonDocument(options);
      document["outcome"] = "interrupted";
      document["signal"] = interrupts.signal();
      document["exitCode"] = interrupts.exitCode();
      EmitJson(document);
    }
    WriteText(stderr, "vantor-update: stopped before anything was done\n");
    return interrupts.exitCode();
  }

  if (*list) return RunList(options, interrupts);
  if (*inspect) return RunInspect(options, inspectFile, inspectType, inspectVariant);
  if (*pack) return RunPack(options, packOutput, packSections, interrupts);
  if (*info) return RunInfo(options, interrupts);
  if (*flash) return RunFlashCommand(options, flashFile, interrupts);
  if (*verify) {
    options.verify = true;
    options.verifyOnly = true;
    return RunFlashCommand(options, verifyFile, interrupts);
  }
  if (*watch) return RunWatch(options, watchFile, interrupts);
  if (*doctor) return RunDoctor(options);
  return kExitUsage;
}
