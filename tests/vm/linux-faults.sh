# Controllers that go wrong mid-update, through the real stack: the updater must end
# with exit 1 on its own (no hang: the time limit would give 124; no crash: a signal
# would give 128 and more).

for protocol in framed addressed; do
  scenario="$protocol controller unplugged mid-update"
  echo "--- $scenario"
  start_host "$protocol,serial=U1,fault=unplug@20"
  node=$(node_of U1)
  updater "unplug-$protocol" 120 --lang en --yes flash "$packages/$protocol.dat"
  check "exit 1" equal "$status" 1
  check "says it failed" contains "$VM_WORK/unplug-$protocol.out" "Firmware update failure"
  check "the node is gone" test ! -e "$node"
  stop_host
done

for protocol in framed addressed; do
  scenario="$protocol controller falls silent"
  echo "--- $scenario"
  start_host "$protocol,serial=S1,fault=silent@10"
  updater "silent-$protocol" 120 --lang en --yes flash "$packages/$protocol.dat"
  check "exit 1" equal "$status" 1
  check "says it failed" contains "$VM_WORK/silent-$protocol.out" "Firmware update failure"
  stop_host
done
