#pragma once
// One controller's update among several (flash --all, watch): its own lock, view,
// session, worker and state on the shared backend. Nothing asks the user anything
// here: the package was confirmed once for the whole bench before the first update.

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/DeviceLock.h"
#include "cli/ProbeReport.h"
#include "cli/ProgressBoard.h"
#include "package/FirmwarePackage.h"
#include "update/UpdateController.h"

namespace vantor::cli {

class Environment;

// The view of an update that runs unattended: the confirmation is answered yes, the
// file choice with the bench's package, bytes go to the board.
class UnitView final : public UpdateView {
 public:
  UnitView(ProgressBoard& board, std::size_t row, std::string packagePath)
      : board_(board), row_(row), packagePath_(std::move(packagePath)) {}

  void SetTitle(const std::string&) override {}
  void EnableUpdateButton(bool) override {}
  void ShowSuccessText(bool) override {}
  void SetProgressPos(std::uint32_t) override {}
  int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) override;
  std::optional<std::string> ChoosePackageFile(const std::string&, const std::string&) override { return packagePath_; }
  void ReportBytes(const ByteProgress& progress) override;

  std::vector<std::string> messages() const;
  std::optional<ByteProgress> lastProgress() const;

 private:
  ProgressBoard& board_;
  std::size_t row_;
  std::string packagePath_;
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
  std::optional<ByteProgress> last_;
};

struct BenchUnit {
  BenchUnit(Environment& environment, hid::FoundController found, ProgressBoard& board, std::size_t row,
            const std::string& packagePath);

  // The probe, on the calling thread: what the controller says about itself.
  void Probe();
  // Why the package cannot go to this controller (said before anything is written to
  // any controller), or nothing.
  std::optional<std::string> Unfit(const std::string& packagePath) const;

  // After the worker has ended: the exit code, the result line and the JSON.
  // `signalExit`: the exit code of the signal that stopped the updates (130 for
  // Ctrl-C), 0 when none did.
  int ExitCode(int signalExit) const;
  std::string ResultLine(bool interrupted) const;
  nlohmann::json Json(const std::string& packagePath, int signalExit) const;

  hid::FoundController controller;
  std::size_t row;
  std::unique_ptr<DeviceLock> lock;
  UnitView view;
  UpdateSession session;
  ProbeReport probe;
  UpdateController updater;  // last: its end stops and joins the worker first
};

// The identity fields of a controller in JSON (path, ids, protocol, serial, location).
nlohmann::json IdentityJson(const hid::FoundController& controller);

// The exit code of several results: 0 only when all are 0; else the most severe
// (a failed update, then an interrupt, no permission, no controller, usage).
int MostSevere(int a, int b);

}  // namespace vantor::cli
