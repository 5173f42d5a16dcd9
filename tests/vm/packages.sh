# The packages every scenario uses, made with the updater's own `pack`: a framed one,
# and an addressed one with a radio image. Sourced by in-vm.sh before the scenarios.

packages=$VM_WORK/packages
mkdir -p "$packages"
random_file "$packages/framed.bin" 4000
random_file "$packages/main.bin" 6000
random_file "$packages/radio.bin" 3000
# The radio's section starts with a header of its own that the updater does not send.
{ head -c 28 /dev/zero | tr '\0' '\134'; cat "$packages/radio.bin"; } >"$packages/radio-section.bin"
# What the radio's flash holds afterwards: the image, with the version (1.02 is 102)
# and a zero check word stamped over its bytes 4..7, and the erased tail (the erase
# covers the whole section).
{ cat "$packages/radio.bin"; head -c 28 /dev/zero | tr '\0' '\377'; } >"$packages/radio-expected.bin"
printf '\146\000\000\000' | dd of="$packages/radio-expected.bin" bs=1 seek=4 conv=notrunc status=none
updater pack-framed 60 pack -o "$packages/framed.dat" \
  -s "version=1.50,address=0x08004000,type=0,variant=0,file=$packages/framed.bin"
# Only a package of 64 KiB or more carries a radio image; the filler section is
# for no controller and pads it.
updater pack-addressed 60 pack -o "$packages/addressed.dat" \
  -s "version=1.51,address=0x08004000,type=8194,variant=0,file=$packages/main.bin" \
  -s "version=1.02,address=0x10000,type=0,variant=0,file=$packages/radio-section.bin" \
  -s "version=1.00,address=0x08004000,type=7,variant=9,size=60000"
