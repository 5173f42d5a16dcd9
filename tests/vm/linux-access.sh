# Finding controllers and the right to open them: `list --json`, a user without
# access, and the udev rule that grants it.

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

scenario="no permission"
echo "--- $scenario"
# Without udevd the kernel's default applies: only root may open the node.
check "the node is root's alone" equal "$(stat -c %a "$(node_of A1)")" 600
useradd --no-create-home --shell /bin/sh vmuser
for command in info "flash $packages/addressed.dat"; do
  name="denied-${command%% *}"
  # shellcheck disable=SC2086
  timeout -k 5 60 runuser -u vmuser -- "$VM_BUILD/vantor-update" --lang en --yes $command \
    >"$VM_WORK/$name.out" 2>&1 </dev/null
  status=$?
  echo "        (vmuser) vantor-update $command -> $status"
  check "$command: exit 4" equal "$status" 4
  check "$command: points to the udev rule" contains "$VM_WORK/$name.out" "70-vantor-update.rules"
done
stop_host

scenario="udev rule"
echo "--- $scenario"
start_host addressed,serial=A1 framed,serial=F1
for serial in A1 F1; do
  device=/sys/class/hidraw/$(basename "$(node_of $serial)")
  timeout 60 udevadm test --action=add "$device" >"$VM_WORK/udev-without-$serial.out" 2>&1
  check "$serial: no uaccess without the rule" sh -c "! grep -q uaccess '$VM_WORK/udev-without-$serial.out'"
done
install -m 644 "$VM_SOURCE/packaging/linux/70-vantor-update.rules" /etc/udev/rules.d/
for serial in A1 F1; do
  device=/sys/class/hidraw/$(basename "$(node_of $serial)")
  timeout 60 udevadm test --action=add "$device" >"$VM_WORK/udev-with-$serial.out" 2>&1
  check "$serial: the rule tags it uaccess" contains "$VM_WORK/udev-with-$serial.out" "uaccess"
done
stop_host
