#pragma once
// What the diagnosis asks of the system about files, device nodes and processes. The
// real one reads Linux's files (udev's rules and database, /proc, ACLs) or asks
// Windows' SetupAPI; tests give a made-up system. Every answer is a plain value;
// nothing here changes the system.

#include <cstdint>
#include <optional>
#include <string>
#include <memory>
#include <vector>

namespace vantor::workflow {

struct NodeFacts {
  std::uint32_t ownerUid = 0;
  std::uint32_t groupGid = 0;
  std::string owner;  // names, as the system tells them ("root")
  std::string group;
  std::uint32_t mode = 0;  // permission bits (0660)
  bool aclGrantsUser = false;   // an ACL entry gives this user read and write
  bool uaccessTag = false;      // udev tagged the device "uaccess"
  bool userCanOpen = false;     // this user may open it for reading and writing
  bool userInGroup = false;     // this user is in the node's group
};

struct Holder {
  int pid = 0;
  std::string program;  // its command name
};

class SystemView {
 public:
  virtual ~SystemView() = default;
  // The file's text, or nothing when it cannot be read (or is no regular file).
  virtual std::optional<std::string> ReadText(const std::string& path) = 0;
  // The entries of a folder (names only); empty when it is not there.
  virtual std::vector<std::string> List(const std::string& folder) = 0;
  // The file behind `path` with every link resolved; nothing when it is not there.
  virtual std::optional<std::string> Resolve(const std::string& path) = 0;
  // A device node's owner, mode, ACL and udev tags for this user; nothing when absent.
  virtual std::optional<NodeFacts> Node(const std::string& path) = 0;
  // Other processes that have `path` open (those this user may look at).
  virtual std::vector<Holder> HoldersOf(const std::string& path) = 0;
  // This session has a seat (logind gives ACLs to seat users only).
  virtual bool SessionHasSeat() = 0;
  // /usr is mounted read-only (image-based systems).
  virtual bool UsrReadOnly() = 0;
  // udev rules decide who may open a device node (Linux). Elsewhere there is no rule to
  // look for or install, and the rule checks are not made.
  virtual bool HasUdevRules() = 0;
  // Why the system's HID services cannot be used even though the HID backend was had
  // (Windows: the HID device class cannot be listed); nothing when they can.
  virtual std::optional<std::string> HidServicesProblem() = 0;
};

// The running system's view (Linux, Windows); on other systems one that knows nothing.
std::unique_ptr<SystemView> RunningSystem();

}  // namespace vantor::workflow
