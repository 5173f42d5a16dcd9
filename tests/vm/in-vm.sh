# Runs inside the test VM as root (boot-vm.sh hands it to bash): loads uhid, then
# runs the scenario files named in /vm-out/args and ends non-zero if any check failed.
# /vm-out/args: the source tree, the Linux build tree, then NAME=VALUE settings for
# the scenarios (exported) and the scenario files (relative to tests/vm).
set -u
mapfile -t args </vm-out/args
VM_SOURCE=${args[0]}
VM_BUILD=${args[1]}
VM_WORK=/tmp/vm-work
mkdir -p "$VM_WORK"
export VM_SOURCE VM_BUILD VM_WORK

modprobe uhid && modprobe hid-generic || { echo "in-vm: cannot load uhid"; exit 125; }
. "$VM_SOURCE/tests/vm/lib.sh"
scenario=packages
. "$VM_SOURCE/tests/vm/packages.sh"

scenario_files=()
for arg in "${args[@]:2}"; do
  case $arg in
    *=*) export "${arg?}" ;;
    *) scenario_files+=("$arg") ;;
  esac
done

for file in "${scenario_files[@]}"; do
  begin=$SECONDS
  echo "=== $file"
  . "$VM_SOURCE/tests/vm/$file"
  echo "=== $file: $((SECONDS - begin)) s"
done

[ -z "$host_pid" ] || stop_host
# What each program said, for a look after the VM is gone.
cp "$VM_WORK"/*.out "$VM_WORK"/*.log "$VM_WORK"/*.png /vm-out/ 2>/dev/null
echo "=== $passed checks passed, ${#failed_names[@]} failed"
for name in "${failed_names[@]}"; do echo "    failed: $name"; done
[ ${#failed_names[@]} -eq 0 ]
