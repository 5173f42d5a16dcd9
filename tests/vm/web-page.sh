# The browser page in headless Chromium inside the VM, reaching the emulated
# controllers through WebHID and the kernel's hidraw (tests/web/page_on_hidraw.py: one
# browser start, the page open throughout, the controllers plugged in and out under it).
# A managed policy grants the supported controllers to the page's origin, as a company
# would, so no chooser is needed; udevd runs, or Chromium never hears of a controller
# plugged in after its start.
#
# Expects VM_WEB_PAGE: the web build's page folder (run.sh sets it when it is built).

scenario="the page over WebHID"
echo "--- $scenario"

web_port=8123
web_origin=http://127.0.0.1:$web_port

web_policy() {
  local ids='' vendor product
  # The supported ids, as decimal integers.
  for pair in 0483:5750 2dc8:5750 2dc8:3002; do
    vendor=$((16#${pair%:*}))
    product=$((16#${pair#*:}))
    ids+="${ids:+,}{\"vendor_id\":$vendor,\"product_id\":$product}"
  done
  printf '{"WebHidAllowDevicesForUrls":[{"devices":[%s],"urls":["%s"]}]}\n' "$ids" "$web_origin"
}

# Small images: every report crosses the emulated machine twice under TCG. The filler
# section for no controller makes it a package of 64 KiB or more, which carries a radio image.
web_packages() {
  random_file "$packages/web-framed.bin" 512
  random_file "$packages/web-main.bin" 1024
  random_file "$packages/web-radio.bin" 512
  { head -c 28 /dev/zero | tr '\0' '\134'; cat "$packages/web-radio.bin"; } >"$packages/web-radio-section.bin"
  # The radio's flash afterwards: the image, its version (1.02) and a zero check word
  # over bytes 4..7, the erased tail (as packages.sh).
  { cat "$packages/web-radio.bin"; head -c 28 /dev/zero | tr '\0' '\377'; } >"$packages/web-radio-expected.bin"
  printf '\146\000\000\000' | dd of="$packages/web-radio-expected.bin" bs=1 seek=4 conv=notrunc status=none
  updater web-pack-framed 60 pack -o "$packages/web-framed.dat" \
    -s "version=1.50,address=0x08004000,type=0,variant=0,file=$packages/web-framed.bin" &&
    updater web-pack-addressed 60 pack -o "$packages/web-addressed.dat" \
      -s "version=1.51,address=0x08004000,type=8194,variant=0,file=$packages/web-main.bin" \
      -s "version=1.02,address=0x10000,type=0,variant=0,file=$packages/web-radio-section.bin" \
      -s "version=1.00,address=0x08004000,type=7,variant=9,size=65536"
}

web_run() {
  local server_pid verdict name
  if [ ! -f "${VM_WEB_PAGE:-}/vantor-web.wasm" ]; then
    check "the web build's page is there" false
    return
  fi
  web_packages || { check "the page's packages are packed" false; return; }
  ip link set lo up
  # The root is read-only: the policy goes into a tmpfs over Chromium's folder.
  mount -t tmpfs tmpfs /etc/chromium
  mkdir -p /etc/chromium/policies/managed
  [ ! -f /usr/share/chromium/master_preferences ] || cp /usr/share/chromium/master_preferences /etc/chromium/
  web_policy >/etc/chromium/policies/managed/vantor-webhid.json
  /lib/systemd/systemd-udevd --daemon
  /usr/bin/python3 -m http.server "$web_port" --bind 127.0.0.1 --directory "$VM_WEB_PAGE" \
    >"$VM_WORK/web-server.log" 2>&1 &
  server_pid=$!

  timeout -k 10 600 /usr/bin/python3 "$VM_SOURCE/tests/web/page_on_hidraw.py" --url "$web_origin" \
    --host "$VM_BUILD/tests/vm/vantor-vm-host" --work "$VM_WORK" --packages "$packages" \
    --results "$VM_WORK/web-page.results" 2>"$VM_WORK/web-page.log"
  sed 's/^/        | /' "$VM_WORK/web-page.log" | tail -n 20
  if [ ! -s "$VM_WORK/web-page.results" ]; then
    check "the page's run reports its checks" false
  fi
  # The driver printed each verdict as check does; they count here.
  while read -r verdict name; do
    if [ "$verdict" = ok ]; then
      passed=$((passed + 1))
    else
      failed_names+=("$scenario: $name")
    fi
  done <"$VM_WORK/web-page.results"

  kill "$server_pid" 2>/dev/null
  wait "$server_pid" 2>/dev/null
  udevadm control --exit
  umount /etc/chromium
}

web_run
