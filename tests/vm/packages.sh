# The packages the scenarios use, made with the updater's own `pack`: a framed one, and
# an addressed one with a radio image. Sourced by in-vm.sh before the scenarios.

# make_packages DIR FRAMED_BYTES MAIN_BYTES RADIO_BYTES: in DIR the random images
# (framed.bin, main.bin, radio.bin), what the radio's flash holds afterwards
# (radio-expected.bin), and the packages framed.dat and addressed.dat.
make_packages() {
  local dir=$1 label
  label=$(basename "$dir")
  mkdir -p "$dir"
  random_file "$dir/framed.bin" "$2"
  random_file "$dir/main.bin" "$3"
  random_file "$dir/radio.bin" "$4"
  # The radio's section starts with a header of its own that the updater does not send.
  { head -c 28 /dev/zero | tr '\0' '\134'; cat "$dir/radio.bin"; } >"$dir/radio-section.bin"
  # What the radio's flash holds afterwards: the image, with the version (1.02 is 102)
  # and a zero check word stamped over its bytes 4..7, and the erased tail (the erase
  # covers the whole section).
  { cat "$dir/radio.bin"; head -c 28 /dev/zero | tr '\0' '\377'; } >"$dir/radio-expected.bin"
  printf '\146\000\000\000' | dd of="$dir/radio-expected.bin" bs=1 seek=4 conv=notrunc status=none
  updater "$label-pack-framed" 60 pack -o "$dir/framed.dat" \
    -s "version=1.50,address=0x08004000,type=0,variant=0,file=$dir/framed.bin" &&
    # Only a package of 64 KiB or more carries a radio image; the filler section is
    # for no controller and pads it.
    updater "$label-pack-addressed" 60 pack -o "$dir/addressed.dat" \
      -s "version=1.51,address=0x08004000,type=8194,variant=0,file=$dir/main.bin" \
      -s "version=1.02,address=0x10000,type=0,variant=0,file=$dir/radio-section.bin" \
      -s "version=1.00,address=0x08004000,type=7,variant=9,size=65536"
}

packages=$VM_WORK/packages
make_packages "$packages" 4000 6000 3000
