# `doctor` through the real stack: what it finds for root and for a user without
# access, a controller in its normal mode, another process holding a controller's node,
# and the udev rule applied by udevd, after which a user of its group may update
# without root (a session without a seat, as here, gets nothing from uaccess).

scenario="doctor"
echo "--- $scenario"
# "check:finding" of every check of a doctor --json document, one line.
findings() {
  python3 -c 'import json, sys
d = json.load(open(sys.argv[1]))
print(" ".join(c["check"] + ":" + c["finding"] for c in d["checks"]))' "$1" 2>&1
}
has_finding() { case " $(findings "$1") " in *" $2 "*) return 0 ;; esac; echo "        $2 not in: $(findings "$1")" >&2; return 1; }
# doctor as vmuser, from a copy it can reach (the build tree may be its owner's alone).
as_user() {
  local name=$1
  timeout -k 5 60 runuser -u vmuser -- "$VM_WORK/vmuser/vantor-update" --lang en --json doctor \
    >"$VM_WORK/$name.out" 2>"$VM_WORK/$name.err" </dev/null
  status=$?
  echo "        (vmuser) vantor-update doctor -> $status"
}
id vmuser >/dev/null 2>&1 || useradd --no-create-home --shell /bin/sh vmuser
install -d -m 755 "$VM_WORK/vmuser"
install -m 755 "$VM_BUILD/vantor-update" "$VM_WORK/vmuser/vantor-update"

start_host addressed,serial=D1 addressed,serial=N1,usb=2dc8:6012
updater doctor-root 60 --lang en --json doctor
check "root: exit 0, the controller can be updated" equal "$status" 0
check "root: the controller in its normal mode is named" has_finding "$VM_WORK/doctor-root.out" normal-mode:normal-mode
check "root: no rule found" has_finding "$VM_WORK/doctor-root.out" udev-rule:rule-missing

as_user doctor-denied
check "no access: exit 4" equal "$status" 4
check "no access: no rule applied to the node" has_finding "$VM_WORK/doctor-denied.out" controller:no-access-no-rule

# Another process with the node open.
sleep 60 7<>"$(node_of D1)" &
holder=$!
updater doctor-held 60 --lang en --json doctor
check "a process holding the node is named" has_finding "$VM_WORK/doctor-held.out" controller:held-elsewhere
check "... with its pid" contains "$VM_WORK/doctor-held.out" "$holder"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null

# A file of the rule's name earlier in udev's order (an empty one in /etc) hides it.
install -d /run/udev/rules.d
install -m 644 "$VM_SOURCE/packaging/linux/70-vantor-update.rules" /run/udev/rules.d/
: >/etc/udev/rules.d/70-vantor-update.rules
updater doctor-shadowed 60 --lang en --json doctor
check "a rule hidden by an empty file of its name is named" \
  has_finding "$VM_WORK/doctor-shadowed.out" udev-rule:rule-shadowed
rm -f /etc/udev/rules.d/70-vantor-update.rules /run/udev/rules.d/70-vantor-update.rules

# The HID library hidden (an empty file over it): exit 5, with the loader's own reason.
library=$(readlink -f /usr/lib/x86_64-linux-gnu/libhidapi-hidraw.so.0)
mount --bind /dev/null "$library"
updater doctor-no-library 60 --lang en --json doctor
umount "$library"
check "no HID library: exit 5" equal "$status" 5
check "no HID library: named" has_finding "$VM_WORK/doctor-no-library.out" hid-library:library-missing
check "no HID library: the loader's reason" contains "$VM_WORK/doctor-no-library.out" "libhidapi-hidraw.so.0"

# An ACL entry for the user, as logind gives the user at the seat: it may update.
setfacl -m u:vmuser:rw "$(node_of D1)"
as_user doctor-acl
check "an ACL entry for the user: exit 0" equal "$status" 0
setfacl -b "$(node_of D1)"

# In Chinese, as text.
updater doctor-zh 60 --lang zh doctor
check "in Chinese: the rule's check and its next step" contains "$VM_WORK/doctor-zh.out" "udev 规则：没有规则允许访问受支持的手柄"

# The rule, applied by udevd: the node's group may open it.
install -m 644 "$VM_SOURCE/packaging/linux/70-vantor-update.rules" /etc/udev/rules.d/
/lib/systemd/systemd-udevd --daemon
udevadm trigger --action=add --subsystem-match=hidraw
timeout 60 udevadm settle --timeout=30
check "the rule gave the node to plugdev" equal "$(stat -c %G:%a "$(node_of D1)")" plugdev:660
as_user doctor-not-in-group
check "outside the group: exit 4" equal "$status" 4
check "outside the group: the rule is found" has_finding "$VM_WORK/doctor-not-in-group.out" udev-rule:ok
check "outside the group: no seat, not in the group" has_finding "$VM_WORK/doctor-not-in-group.out" \
  controller:no-access-no-seat
usermod -aG plugdev vmuser
as_user doctor-in-group
check "in the group: exit 0" equal "$status" 0
check "in the group: the controller can be opened" has_finding "$VM_WORK/doctor-in-group.out" controller:ok
gpasswd -d vmuser plugdev >/dev/null
rm -f /etc/udev/rules.d/70-vantor-update.rules
# Unplugged while udevd runs, so it forgets the nodes' tags: a scenario after this one
# finds the kernel's defaults again.
stop_host
timeout 60 udevadm settle --timeout=30
udevadm control --exit
