# Helpers of the scenarios that run inside the test VM: the controller host, the
# updater under a time limit, and the checks. Sourced by in-vm.sh.
#
# Expects: VM_BUILD (the Linux build tree), VM_WORK (a scratch folder). Optional:
# VM_HOST_FLAGS (e.g. --trace) for the controller host.

host_pid=
passed=0
failed_names=()

# A check: `check NAME COMMAND...` passes when COMMAND succeeds.
check() {
  local name=$1
  shift
  if "$@"; then
    echo "  ok    $name"
    passed=$((passed + 1))
  else
    echo "  FAIL  $name"
    failed_names+=("$scenario: $name")
  fi
}

equal() { [ "$1" = "$2" ] || { echo "        expected '$2', got '$1'" >&2; return 1; }; }
contains() { grep -qF -- "$2" "$1" || { echo "        '$2' not in $1:" >&2; sed 's/^/        | /' "$1" >&2; return 1; }; }
not_contains() { ! grep -qF -- "$2" "$1" || { echo "        '$2' in $1" >&2; return 1; }; }
same_bytes() {
  cmp -s "$1" "$2" && return 0
  echo "        $1 differs from $2 ($(stat -c %s "$1" 2>/dev/null || echo no) vs $(stat -c %s "$2") bytes)" >&2
  cmp -l "$1" "$2" 2>&1 | head -n 5 | sed 's/^/        | /' >&2
  return 1
}
empty_file() { [ -f "$1" ] && [ ! -s "$1" ]; }

# Starts the controller host with the given controllers and waits (at most 30 s)
# until all of them have their hidraw node.
start_host() {
  rm -rf "$VM_WORK/dump" "$VM_WORK/ready"
  mkdir -p "$VM_WORK/dump"
  "$VM_BUILD/tests/vm/vantor-vm-host" --ready "$VM_WORK/ready" --dump-dir "$VM_WORK/dump" \
    --max-seconds 300 ${VM_HOST_FLAGS:-} "$@" 2>>"$VM_WORK/host.log" &
  host_pid=$!
  local tries=0
  while [ ! -f "$VM_WORK/ready" ]; do
    if ! kill -0 "$host_pid" 2>/dev/null || [ $tries -ge 300 ]; then
      echo "  the controller host did not come up:" >&2
      cat "$VM_WORK/host.log" >&2
      kill -KILL "$host_pid" 2>/dev/null
      host_pid=
      return 1
    fi
    sleep 0.1
    tries=$((tries + 1))
  done
}

# Stops the host, which then writes the flash dumps; waits at most 20 s for it.
stop_host() {
  [ -n "$host_pid" ] || return 1
  kill -TERM "$host_pid" 2>/dev/null
  local tries=0
  while kill -0 "$host_pid" 2>/dev/null && [ $tries -lt 200 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  kill -KILL "$host_pid" 2>/dev/null
  wait "$host_pid"
  local status=$?
  host_pid=
  return $status
}

# Waits (at most 30 s) for the hidraw node of a controller that the host plugs in
# late, and prints it.
wait_node() {
  local tries=0 entry
  while [ $tries -lt 300 ]; do
    for entry in /sys/class/hidraw/*; do
      if grep -qx "HID_UNIQ=$1" "$entry/device/uevent" 2>/dev/null && [ -e "/dev/${entry##*/}" ]; then
        echo "/dev/${entry##*/}"
        return 0
      fi
    done
    sleep 0.1
    tries=$((tries + 1))
  done
  return 1
}

# The hidraw node of the controller with this serial.
node_of() { awk -v serial="$1" '$1 == serial { print $2 }' "$VM_WORK/ready"; }

# `updater NAME SECONDS ARG...`: runs vantor-update, output in $VM_WORK/NAME.out,
# and sets `status` to its exit code (124 when it had to be stopped).
updater() {
  local name=$1 seconds=$2
  shift 2
  local begin=$SECONDS
  timeout -k 5 "$seconds" "$VM_BUILD/vantor-update" "$@" >"$VM_WORK/$name.out" 2>&1 </dev/null
  status=$?
  echo "        vantor-update $* -> $status ($((SECONDS - begin)) s)"
}

# A file of N random bytes.
random_file() { head -c "$2" /dev/urandom >"$1"; }
