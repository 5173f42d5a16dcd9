// vantor-update: the command-line front end of the updater.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "base/DebugOutput.h"
#include "base/LocalizedText.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/FlashSelection.h"
#include "cli/InterruptWatcher.h"
#include "cli/SimulatedBenchPlan.h"
#include "cli/WatchCommand.h"
#include "VantorVersion.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr const char* kDescription =
    "Vantor Update: firmware updater for USB game controllers.\n"
    "Start the controller in its boot mode (hold LB+RB while plugging in the USB cable), then run\n"
    "`vantor-update flash FIRMWARE.dat`.\n"
    "Exit codes: 0 success, 1 update failed, 2 bad usage or refused package, 3 no controller found,\n"
    "4 no permission to open the controller, 130 interrupted.";

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
  using namespace vantor::cli;
  CLI::App app{kDescription, "vantor-update"};
  app.require_subcommand(1);
  app.fallthrough();
  // CLI11 answers it before checking that a subcommand was given: `vantor-update --version`
  // alone is a complete command.
  app.set_version_flag("--version", "vantor-update " VANTOR_VERSION_STRING, "Show the program's version and exit");

  CommonOptions options;
  app.add_option("--device", options.device, "Use the controller with this path, serial number or location (see `list`)");
  app.add_option("--simulate", options.simulate,
                 "Use emulated controllers instead of USB: framed, addressed, or a list (addressed,framed)")
      ->check(CLI::Validator(
          [](std::string& value) { return IsSimulationList(value) ? std::string() : "framed, addressed or a list"; },
          "LIST"));
  CLI::Option* wait = app.add_flag("--wait{-1}", options.waitSeconds,
               "Wait for a controller to be plugged in (--wait=SECONDS: at most that long)")
      ->expected(0, 1);
  app.add_flag("--json", options.json, "Write one JSON document on stdout");
  app.add_option("--lang", options.language, "Language of the texts (default: from the locale)")
      ->check(CLI::IsMember({"zh", "en"}));
  app.add_flag("-v,--verbose", options.verbose, "Write the updater's debug lines on stderr");
  app.add_flag("-y,--yes", options.assumeYes, "flash: do not ask for confirmation");
  app.add_flag("--sim-virtual-time", options.virtualTime, "")->group("");
  app.add_option("--sim-fault", options.simFault, "")->group("");
  app.add_option("--sim-dump", options.simDump, "")->group("");
  app.add_option("--sim-arrive", options.simArrive, "")->group("");
  app.add_flag("--sim-leave-after-update", options.simLeaveAfterUpdate, "")->group("");

  CLI::App* list = app.add_subcommand("list", "List the supported controllers attached, in detection order");
  CLI::App* info = app.add_subcommand("info", "Show the attached controller's protocol and firmware version");

  std::string inspectFile;
  std::optional<std::uint16_t> inspectType;
  std::optional<std::uint8_t> inspectVariant;
  CLI::App* inspect = app.add_subcommand("inspect", "Show a package's sections and whether it would be refused");
  inspect->add_option("FILE", inspectFile, "Firmware package (*.dat)")->required();
  inspect->add_option("--type", inspectType, "Also judge it for an addressed controller of this device type");
  inspect->add_option("--variant", inspectVariant, "... and this variant (default 0)");

  std::string flashFile;
  CLI::App* flash = app.add_subcommand("flash", "Update the attached controller with a package");
  flash->add_option("FILE", flashFile, "Firmware package (*.dat)")->required();
  flash->add_flag("--all", options.all, "Update every attached controller at once");
  flash->add_flag("--verify", options.verify, "Read the written firmware back and compare (addressed controllers)");

  std::string watchFile;
  CLI::App* watch = app.add_subcommand("watch", "Update each controller as it is plugged in, until Ctrl-C");
  watch->add_option("FILE", watchFile, "Firmware package (*.dat)")->required();

  std::string packOutput;
  std::vector<std::string> packSections;
  CLI::App* pack = app.add_subcommand("pack", "Write a package from section descriptions");
  pack->add_option("-o,--output", packOutput, "The package file to write")->required();
  pack->add_option("-s,--section", packSections,
                   "A section: version=1.50,beta=0,address=0x08004000,type=0,variant=0,file=IMAGE\n"
                   "(size=N instead of file= makes N bytes of generated data)")
      ->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? kExitSuccess : kExitUsage;
  }

  // CLI11 leaves a flag's variable at 0 when the flag is absent.
  if (wait->count() == 0) options.waitSeconds = -2;
  if (options.language == "zh") vantor::SetUiLanguageOverride(vantor::kLanguageChinesePrc);
  if (options.language == "en") vantor::SetUiLanguageOverride(vantor::kLanguageEnglishUs);
  if (options.verbose) {
    vantor::SetDebugSink([](const std::string& line) {
      std::fputs(line.c_str(), stderr);
      std::fflush(stderr);
    });
  }

  if (*list) return RunList(options);
  if (*inspect) return RunInspect(options, inspectFile, inspectType, inspectVariant);
  if (*pack) return RunPack(options, packOutput, packSections);
  // Before any other thread exists, so they all leave Ctrl-C to the watcher.
  InterruptWatcher interrupts;
  if (*info) return RunInfo(options, interrupts);
  if (*flash) return RunFlashCommand(options, flashFile, interrupts);
  if (*watch) return RunWatch(options, watchFile, interrupts);
  return kExitUsage;
}
