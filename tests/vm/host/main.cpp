// vantor-vm-host: plays the controllers for the VM tests. Creates emulated
// controllers on /dev/uhid, tells the test their hidraw nodes, serves them until it
// is told to stop (SIGTERM or SIGINT), then dumps what the updater wrote to their
// flash. Runs as root inside the test VM.
//
//   vantor-vm-host --ready FILE --dump-dir DIR [--max-seconds N] [--trace] CONTROLLER...
//
// CONTROLLER as in ControllerDescription.h. FILE gets one line "SERIAL /dev/hidrawN
// PROTOCOL" per controller present from the start, and appears only once all of
// them have their node. Exit 0 after a stop request, 1 on a setup failure, 3 when
// nobody stopped it within --max-seconds.

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ControllerDescription.h"
#include "EmulatedController.h"
#include "HidrawNode.h"

namespace {

using vantor::vmtest::ControllerDescription;
using vantor::vmtest::EmulatedController;

constexpr std::uint32_t kNodeTimeoutMs = 20000;

struct Options {
  std::string readyFile;
  std::string dumpDir;
  std::uint32_t maxSeconds = 600;
  bool trace = false;
  std::vector<ControllerDescription> controllers;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--ready" && hasValue) {
      options->readyFile = argv[++i];
    } else if (argument == "--dump-dir" && hasValue) {
      options->dumpDir = argv[++i];
    } else if (argument == "--trace") {
      options->trace = true;
    } else if (argument == "--max-seconds" && hasValue) {
      options->maxSeconds = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      std::string error;
      auto description = vantor::vmtest::ParseControllerDescription(argument, &error);
      if (!description) {
        std::fprintf(stderr, "vantor-vm-host: %s\n", error.c_str());
        return false;
      }
      if (description->serial.empty()) description->serial = "vm" + std::to_string(options->controllers.size() + 1);
      options->controllers.push_back(*description);
    }
  }
  if (options->readyFile.empty() || options->dumpDir.empty() || options->controllers.empty()) {
    std::fprintf(stderr, "usage: vantor-vm-host --ready FILE --dump-dir DIR [--max-seconds N] [--trace] CONTROLLER...\n");
    return false;
  }
  return true;
}

const char* ProtocolName(const ControllerDescription& description) {
  return description.protocol == vantor::vmtest::Protocol::kFramed ? "framed" : "addressed";
}

// Plugs a controller in and returns its "SERIAL NODE PROTOCOL" line, empty on failure.
std::string Plug(EmulatedController& controller) {
  std::string error;
  if (!controller.Plug(&error)) {
    std::fprintf(stderr, "vantor-vm-host: %s\n", error.c_str());
    return "";
  }
  const auto node = vantor::vmtest::WaitForHidrawNode(controller.description().serial, kNodeTimeoutMs);
  if (!node) {
    std::fprintf(stderr, "vantor-vm-host: no hidraw node for %s\n", controller.description().serial.c_str());
    return "";
  }
  std::fprintf(stderr, "vantor-vm-host: %s is %s\n", controller.description().serial.c_str(), node->c_str());
  return controller.description().serial + " " + *node + " " + ProtocolName(controller.description());
}

// Written under another name and renamed, so a reader never sees half of it.
bool WriteReadyFile(const std::string& path, const std::string& text) {
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial, std::ios::trunc);
    out << text;
    if (!out) return false;
  }
  return std::rename(partial.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 1;

  // Blocked before any thread exists, so only the wait below takes them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  vantor::RealClock clock;
  std::vector<std::unique_ptr<EmulatedController>> controllers;
  std::string ready;
  for (const ControllerDescription& description : options.controllers) {
    controllers.push_back(std::make_unique<EmulatedController>(description, clock, options.trace));
    if (description.delayMs > 0) continue;
    const std::string line = Plug(*controllers.back());
    if (line.empty()) return 1;
    ready += line + "\n";
  }
  if (!WriteReadyFile(options.readyFile, ready)) {
    std::fprintf(stderr, "vantor-vm-host: cannot write %s\n", options.readyFile.c_str());
    return 1;
  }

  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(options.maxSeconds);
  std::vector<bool> plugged(controllers.size());
  for (std::size_t i = 0; i < controllers.size(); ++i) plugged[i] = controllers[i]->description().delayMs == 0;
  bool stopped = false;
  while (!stopped && std::chrono::steady_clock::now() < deadline) {
    const timespec tick{0, 50 * 1000 * 1000};
    stopped = sigtimedwait(&stopSignals, nullptr, &tick) > 0;
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    for (std::size_t i = 0; i < controllers.size(); ++i) {
      if (plugged[i] || elapsedMs < controllers[i]->description().delayMs) continue;
      plugged[i] = true;
      if (Plug(*controllers[i]).empty()) return 1;
    }
  }

  bool dumped = true;
  for (const auto& controller : controllers) {
    dumped = controller->DumpFlash(options.dumpDir + "/" + controller->description().serial) && dumped;
  }
  if (!dumped) std::fprintf(stderr, "vantor-vm-host: cannot write the flash dumps to %s\n", options.dumpDir.c_str());
  if (!stopped) {
    std::fprintf(stderr, "vantor-vm-host: nobody stopped it within %u s\n", options.maxSeconds);
    return 3;
  }
  return dumped ? 0 : 1;
}
