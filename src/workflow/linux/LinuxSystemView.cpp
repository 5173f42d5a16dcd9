// The running Linux system, as the diagnosis asks about it: udev's rule folders and its
// database (/run/udev/data), the node's owner, mode and ACL, logind's seats, and /proc
// for other processes holding a node.

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "workflow/SystemView.h"

namespace vantor::workflow {
namespace {

// A POSIX ACL as the kernel stores it in "system.posix_acl_access": a 4-byte version,
// then entries of a 16-bit tag, 16-bit permissions and a 32-bit id.
bool AclGrants(const std::string& path, uid_t uid) {
  unsigned char buffer[1024];
  const ssize_t size = getxattr(path.c_str(), "system.posix_acl_access", buffer, sizeof buffer);
  if (size < 4) return false;
  constexpr unsigned kUserTag = 0x02;
  constexpr unsigned kReadWrite = 0x06;
  for (ssize_t at = 4; at + 8 <= size; at += 8) {
    const unsigned tag = buffer[at] | (buffer[at + 1] << 8);
    const unsigned permissions = buffer[at + 2] | (buffer[at + 3] << 8);
    const std::uint32_t id = buffer[at + 4] | (buffer[at + 5] << 8) | (buffer[at + 6] << 16) |
                             (static_cast<std::uint32_t>(buffer[at + 7]) << 24);
    if (tag == kUserTag && id == uid && (permissions & kReadWrite) == kReadWrite) return true;
  }
  return false;
}

bool InGroup(gid_t gid) {
  if (getegid() == gid) return true;
  gid_t groups[256];
  const int count = getgroups(256, groups);
  for (int i = 0; i < count; ++i) {
    if (groups[i] == gid) return true;
  }
  return false;
}

class LinuxSystemView final : public SystemView {
 public:
  std::optional<std::string> ReadText(const std::string& path) override {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    std::ifstream in(path);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::vector<std::string> List(const std::string& folder) override {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::optional<std::string> Resolve(const std::string& path) override {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return std::nullopt;
    std::string result(resolved);
    std::free(resolved);
    return result;
  }

  std::optional<NodeFacts> Node(const std::string& path) override {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) return std::nullopt;
    NodeFacts facts;
    facts.ownerUid = status.st_uid;
    facts.groupGid = status.st_gid;
    if (const passwd* user = getpwuid(status.st_uid)) facts.owner = user->pw_name;
    if (const group* owners = getgrgid(status.st_gid)) facts.group = owners->gr_name;
    facts.mode = status.st_mode & 07777;
    facts.aclGrantsUser = AclGrants(path, geteuid());
    facts.userCanOpen = access(path.c_str(), R_OK | W_OK) == 0;
    facts.userInGroup = InGroup(status.st_gid);
    // udev's database entry for the node: "G:uaccess" lists the tag.
    const std::string entry = "/run/udev/data/c" + std::to_string(major(status.st_rdev)) + ":" +
                              std::to_string(minor(status.st_rdev));
    if (const std::optional<std::string> data = ReadText(entry)) {
      facts.uaccessTag = data->find("G:uaccess\n") != std::string::npos ||
                         data->find("Q:uaccess\n") != std::string::npos;
    }
    return facts;
  }

  std::vector<Holder> HoldersOf(const std::string& path) override {
    std::vector<Holder> holders;
    const std::string self = std::to_string(getpid());
    for (const std::string& pid : List("/proc")) {
      if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
      const std::string fds = "/proc/" + pid + "/fd";
      for (const std::string& fd : List(fds)) {
        char target[4096];
        const ssize_t length = readlink((fds + "/" + fd).c_str(), target, sizeof target - 1);
        if (length <= 0) continue;
        target[length] = '\0';
        if (path != target) continue;
        Holder holder;
        holder.pid = std::atoi(pid.c_str());
        std::string comm = ReadText("/proc/" + pid + "/comm").value_or("?");
        if (!comm.empty() && comm.back() == '\n') comm.pop_back();
        holder.program = comm;
        holders.push_back(holder);
        break;
      }
    }
    return holders;
  }

  bool SessionHasSeat() override {
    const char* seat = std::getenv("XDG_SEAT");
    return seat != nullptr && *seat != '\0' && access("/run/systemd/seats", F_OK) == 0;
  }

  bool UsrReadOnly() override {
    struct statvfs info {};
    return statvfs("/usr", &info) == 0 && (info.f_flag & ST_RDONLY) != 0;
  }
  bool HasUdevRules() override { return true; }
  // hidapi's own loading is the HID library check; hidraw needs nothing more.
  std::optional<std::string> HidServicesProblem() override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<SystemView> RunningSystem() { return std::make_unique<LinuxSystemView>(); }

}  // namespace vantor::workflow
