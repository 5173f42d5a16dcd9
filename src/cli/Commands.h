#pragma once
// The subcommands. Each returns the process's exit code (ExitCodes.h) and writes its
// human-readable lines, or with --json one JSON document on stdout.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"

namespace vantor::workflow {
class Environment;
}

namespace vantor::cli {

class InterruptWatcher;

int RunList(const CommonOptions& options, InterruptWatcher& interrupts);
int RunInfo(const CommonOptions& options, InterruptWatcher& interrupts);
// `type`/`variant`: also judge the package for an addressed controller of that kind.
int RunInspect(const CommonOptions& options, const std::string& file, std::optional<std::uint16_t> type,
               std::optional<std::uint8_t> variant);
int RunFlash(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts);
// The same on an environment already made; `options.device` is the controller's path.
int RunFlashOn(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts,
               workflow::Environment& environment);
int RunPack(const CommonOptions& options, const std::string& output, const std::vector<std::string>& sections,
            InterruptWatcher& interrupts);

}  // namespace vantor::cli
