// The device monitor on Linux: udev's events for the hidraw subsystem, sent by udevd
// once its rules have run (so a node's permissions are already set when it is seen).
// Without udevd (a container, an initramfs) no such events come: the watch polls.

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "workflow/DeviceWatch.h"

namespace vantor::workflow {
namespace {

class UdevChangeSignal final : public ChangeSignal {
 public:
  UdevChangeSignal(udev* context, udev_monitor* monitor, int wakeFd)
      : context_(context), monitor_(monitor), wakeFd_(wakeFd) {}
  ~UdevChangeSignal() override {
    close(wakeFd_);
    udev_monitor_unref(monitor_);
    udev_unref(context_);
  }

  bool Wait(std::uint32_t timeoutMs) override {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    if (poll(fds, 2, static_cast<int>(timeoutMs)) <= 0) return false;
    bool notice = false;
    if ((fds[0].revents & POLLIN) != 0) {
      // Every queued event at once: one look answers them all.
      while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        udev_device_unref(device);
        notice = true;
      }
    }
    if ((fds[1].revents & POLLIN) != 0) {
      eventfd_t count = 0;
      eventfd_read(wakeFd_, &count);
      notice = true;
    }
    return notice;
  }

  void Wake() override { eventfd_write(wakeFd_, 1); }

  bool Settled(const std::string& path) override {
    // hidapi's paths are the nodes, /dev/hidrawN; anything else is not udevd's to wait for.
    const std::string prefix = "/dev/";
    if (path.compare(0, prefix.size(), prefix) != 0) return true;
    udev_device* device = udev_device_new_from_subsystem_sysname(context_, "hidraw", path.c_str() + prefix.size());
    if (device == nullptr) return true;  // gone again: the look that follows says so
    const bool settled = udev_device_get_is_initialized(device) > 0;
    udev_device_unref(device);
    return settled;
  }

 private:
  udev* context_;
  udev_monitor* monitor_;
  int wakeFd_;
};

}  // namespace

std::unique_ptr<ChangeSignal> SystemChangeSignal() {
  if (access("/run/udev/control", F_OK) != 0) return nullptr;  // no udevd
  udev* context = udev_new();
  if (context == nullptr) return nullptr;
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (monitor == nullptr || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    if (monitor != nullptr) udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) {
    udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<UdevChangeSignal>(context, monitor, wakeFd);
}

}  // namespace vantor::workflow
