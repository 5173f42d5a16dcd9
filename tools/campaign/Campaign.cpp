#include "Campaign.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "RunOnce.h"
#include "Tally.h"

namespace vantor::campaign {
namespace {

// What a child writes to its pipe: one line, a letter for how the run ended
// (S success, F failure, X broken promise, H hang) and the detail.
void WriteLine(int fd, const std::string& line) {
  std::size_t written = 0;
  while (written < line.size()) {
    const ssize_t n = write(fd, line.data() + written, line.size() - written);
    if (n <= 0) return;
    written += static_cast<std::size_t>(n);
  }
}

std::string Describe(const RunRecord& record) {
  return std::string(OutcomeName(record.outcome)) + " after " + std::to_string(record.virtualMs) + " ms" +
         (record.verdict.kept ? "" : ": " + record.verdict.broken);
}

char Letter(const RunRecord& record) {
  if (!record.verdict.kept) return 'X';
  return record.verdict.succeeded ? 'S' : 'F';
}

[[noreturn]] void RunChild(const CampaignOptions& options, std::uint64_t seed, const std::string& package, int fd) {
  alarm(options.watchdogSeconds);
  const RunPlan plan = PlanRun(options.protocol, seed);
  const RunRecord record = RunOnce(plan, package, options.boundMs, [&] {
    WriteLine(fd, "H virtual time passed " + std::to_string(options.boundMs) + " ms\n");
    _exit(0);
  });
  WriteLine(fd, std::string(1, Letter(record)) + " " + Describe(record) + "\n");
  _exit(0);
}

RunEnd EndOf(char letter) {
  switch (letter) {
    case 'S':
      return RunEnd::kSuccess;
    case 'F':
      return RunEnd::kFailure;
    case 'X':
      return RunEnd::kBroken;
    case 'H':
      return RunEnd::kHang;
  }
  return RunEnd::kCrash;
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[512];
  ssize_t n = 0;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

struct Child {
  std::uint64_t seed = 0;
  int fd = -1;
  std::string package;
};

int RunInChildren(const CampaignOptions& options, Tally& tally, const std::filesystem::path& folder) {
  std::map<pid_t, Child> running;
  std::uint64_t next = 0;
  while (next < options.runs || !running.empty()) {
    while (next < options.runs && running.size() < options.jobs) {
      const std::uint64_t seed = options.seed + next++;
      int fds[2];
      if (pipe(fds) != 0) {
        std::perror("pipe");
        return 2;
      }
      Child child{seed, fds[0], (folder / (std::to_string(seed) + ".dat")).string()};
      std::fflush(stdout);
      const pid_t pid = fork();
      if (pid < 0) {
        std::perror("fork");
        return 2;
      }
      if (pid == 0) {
        close(fds[0]);
        RunChild(options, seed, child.package, fds[1]);
      }
      close(fds[1]);
      running[pid] = child;
    }
    int status = 0;
    const pid_t pid = waitpid(-1, &status, 0);
    if (pid < 0) {
      std::perror("waitpid");
      return 2;
    }
    const auto found = running.find(pid);
    if (found == running.end()) continue;
    const Child child = found->second;
    running.erase(found);
    const std::string line = ReadAll(child.fd);
    close(child.fd);
    std::filesystem::remove(child.package);

    const RunPlan plan = PlanRun(options.protocol, child.seed);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
      tally.Add(plan, RunEnd::kHang, "still running after " + std::to_string(options.watchdogSeconds) + " s", false);
    } else if (WIFSIGNALED(status)) {
      tally.Add(plan, RunEnd::kCrash, std::string("killed by signal ") + strsignal(WTERMSIG(status)), false);
    } else if (line.empty() || WEXITSTATUS(status) != 0) {
      tally.Add(plan, RunEnd::kCrash, "exit status " + std::to_string(WEXITSTATUS(status)) + " without a verdict",
                false);
    } else {
      std::string detail = line.substr(line.size() > 2 ? 2 : line.size());
      if (!detail.empty() && detail.back() == '\n') detail.pop_back();
      tally.Add(plan, EndOf(line[0]), detail, options.verbose);
    }
  }
  return 0;
}

// In this process, one run after the other: for a debugger. A hang past the virtual
// bound or a crash ends the campaign, and the seed is on stderr just before.
void RunInProcess(const CampaignOptions& options, Tally& tally, const std::filesystem::path& folder) {
  for (std::uint64_t i = 0; i < options.runs; ++i) {
    const std::uint64_t seed = options.seed + i;
    std::fprintf(stderr, "seed %llu\n", static_cast<unsigned long long>(seed));
    const RunPlan plan = PlanRun(options.protocol, seed);
    const std::string package = (folder / (std::to_string(seed) + ".dat")).string();
    const RunRecord record = RunOnce(plan, package, options.boundMs, [&] {
      std::printf("HANG seed=%llu: virtual time passed %llu ms\n", static_cast<unsigned long long>(seed),
                  static_cast<unsigned long long>(options.boundMs));
      std::fflush(stdout);
      _exit(1);
    });
    std::filesystem::remove(package);
    tally.Add(plan, EndOf(Letter(record)), Describe(record), options.verbose);
  }
}

}  // namespace

int RunCampaign(const CampaignOptions& options, const std::string& program) {
  const std::string replay = program + " --protocol " + ProtocolName(options.protocol);
  Tally tally(replay);
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path(error) / ("vantor-campaign-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "fault-campaign: cannot create %s: %s\n", folder.string().c_str(), error.message().c_str());
    return 2;
  }
  int code = 0;
  if (options.inProcess) {
    RunInProcess(options, tally, folder);
  } else {
    code = RunInChildren(options, tally, folder);
  }
  std::filesystem::remove_all(folder, error);
  if (code != 0) return code;
  tally.PrintSummary();
  return tally.Clean() ? 0 : 1;
}

}  // namespace vantor::campaign
