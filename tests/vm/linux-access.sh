# Finding controllers and the right to open them: `list --json`, a controller
# plugged in later, a user without access, and the udev rule that grants it.

scenario="list --json"
echo "--- $scenario"
start_host framed,serial=F1 addressed,serial=A1
updater list-json 60 --json list
check "exit 0" equal "$status" 0
listed=$(python3 -c '
import json, sys
document = json.load(open(sys.argv[1]))
for c in sorted(document["controllers"], key=lambda c: c["path"]):
    print(c["path"], c["vendorId"], c["productId"], c["protocol"])
' "$VM_WORK/list-json.out" 2>&1)
expected=$(printf '%s 0x2dc8 0x5750 framed\n%s 0x2dc8 0x3002 addressed\n' "$(node_of F1)" "$(node_of A1)" | sort)
check "both controllers, with their nodes and protocols" equal "$listed" "$expected"
stop_host

scenario="a controller plugged in later"
echo "--- $scenario"
start_host framed,serial=L1,delay=3000
late=$(wait_node L1)
check "its node appears" test -n "$late"
updater list-late 60 list
check "list: exit 0" equal "$status" 0
check "list: finds it" contains "$VM_WORK/list-late.out" "$late  2dc8:5750  framed"
stop_host

scenario="no permission"
echo "--- $scenario"
start_host addressed,serial=A1
# Without udevd the kernel's default applies: only root may open the node.
check "the node is root's alone" equal "$(stat -c %a "$(node_of A1)")" 600
useradd --no-create-home --shell /bin/sh vmuser
# The build tree may lie where only its owner may enter (a home folder of mode 700):
# the other user runs a copy from a folder of its reach.
install -d -m 755 "$VM_WORK/vmuser"
install -m 755 "$VM_BUILD/vantor-update" "$VM_WORK/vmuser/vantor-update"
for command in info "flash $packages/addressed.dat"; do
  name="denied-${command%% *}"
  # shellcheck disable=SC2086
  timeout -k 5 60 runuser -u vmuser -- "$VM_WORK/vmuser/vantor-update" --lang en --yes $command \
    >"$VM_WORK/$name.out" 2>&1 </dev/null
  status=$?
  echo "        (vmuser) vantor-update $command -> $status"
  check "$command: exit 4" equal "$status" 4
  check "$command: points to the udev rule" contains "$VM_WORK/$name.out" "70-vantor-update.rules"
done
stop_host

scenario="udev rule"
echo "--- $scenario"
# The tags udev gives the node; 73-seat-late.rules grants the seat's user access to
# those tagged uaccess.
tags_of() { timeout 60 udevadm test --action=add "/sys/class/hidraw/$(basename "$(node_of "$1")")" 2>&1 |
              sed -n 's/^TAGS=//p'; }
uaccess() { case $1 in *:uaccess:*) return 0 ;; *) return 1 ;; esac; }
no_uaccess() { ! uaccess "$1"; }
start_host addressed,serial=A1 framed,serial=F1
for serial in A1 F1; do
  check "$serial: no uaccess tag without the rule" no_uaccess "$(tags_of $serial)"
done
install -m 644 "$VM_SOURCE/packaging/linux/70-vantor-update.rules" /etc/udev/rules.d/
for serial in A1 F1; do
  check "$serial: the rule tags it uaccess" uaccess "$(tags_of $serial)"
done
# The same through a running udevd, as a controller plugged in is handled.
/lib/systemd/systemd-udevd --daemon
udevadm trigger --action=add --subsystem-match=hidraw
timeout 60 udevadm settle --timeout=30
for serial in A1 F1; do
  check "$serial: udevd tagged it uaccess" uaccess "$(udevadm info -q property "$(node_of $serial)" | sed -n 's/^TAGS=//p')"
done
# Unplugged while udevd runs, so it forgets the nodes' tags, and the rule taken away
# again: the next scenario meets the machine as this one found it.
stop_host
timeout 60 udevadm settle --timeout=30
udevadm control --exit
rm -f /etc/udev/rules.d/70-vantor-update.rules
