# Updates through the real stack: vantor-update over libhidapi-hidraw and the kernel's
# hidraw driver, the emulated controllers behind uhid. The flash is compared byte for
# byte afterwards. The packages come from packages.sh.

scenario="framed update"
echo "--- $scenario"
start_host framed,serial=F1
updater framed-info 60 --lang en info
check "info: exit 0" equal "$status" 0
check "info: framed, its version" contains "$VM_WORK/framed-info.out" "1.56 (0x0000009c)"
updater framed-flash 240 --lang en --yes flash "$packages/framed.dat"
check "exit 0" equal "$status" 0
check "says it is done" contains "$VM_WORK/framed-flash.out" "Firmware upgraded!"
stop_host
check "flash holds the image" same_bytes "$VM_WORK/dump/F1.main" "$packages/framed.bin"

scenario="addressed update with radio image"
echo "--- $scenario"
start_host addressed,serial=A1
updater addressed-flash 300 --lang en --yes flash "$packages/addressed.dat"
check "exit 0" equal "$status" 0
check "says it is done" contains "$VM_WORK/addressed-flash.out" "Firmware upgraded!"
# The controller stays attached after its restart: it reports what was stamped.
updater addressed-info 60 --lang en info
check "info: exit 0" equal "$status" 0
check "info: the new version (1.51)" contains "$VM_WORK/addressed-info.out" "1.51 (0x00000097)"
check "info: the new radio version (1.02)" contains "$VM_WORK/addressed-info.out" "radio:      1.02"
stop_host
check "main flash holds the image" same_bytes "$VM_WORK/dump/A1.main" "$packages/main.bin"
check "radio flash holds its image" same_bytes "$VM_WORK/dump/A1.ble" "$packages/radio-expected.bin"

scenario="two controllers, --device picks one"
echo "--- $scenario"
start_host framed,serial=F1 framed,serial=F2
updater two-flash 240 --lang en --yes --device "$(node_of F2)" flash "$packages/framed.dat"
check "exit 0" equal "$status" 0
stop_host
check "the chosen one holds the image" same_bytes "$VM_WORK/dump/F2.main" "$packages/framed.bin"
check "the other was not written" empty_file "$VM_WORK/dump/F1.main"

scenario="the older vendor id"
echo "--- $scenario"
# 0x0483:0x5750 is an older framed controller; 0x0483:0x3002 is no controller of ours.
start_host framed,serial=O1,usb=0483:5750 addressed,serial=X1,usb=0483:3002
updater older-list 60 list
check "list: exit 0" equal "$status" 0
check "list: the older framed controller" contains "$VM_WORK/older-list.out" "$(node_of O1)  0483:5750  framed"
check "list: not the foreign pair" not_contains "$VM_WORK/older-list.out" "0483:3002"
updater older-flash 240 --lang en --yes flash "$packages/framed.dat"
check "flash: exit 0" equal "$status" 0
stop_host
check "the older controller holds the image" same_bytes "$VM_WORK/dump/O1.main" "$packages/framed.bin"
check "the foreign one was not written" empty_file "$VM_WORK/dump/X1.main"
