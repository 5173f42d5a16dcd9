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

web_run() {
  local server_pid verdict name
  if [ ! -f "${VM_WEB_PAGE:-}/vantor-web.wasm" ]; then
    check "the web build's page is there" false
    return
  fi
  # Small images: every report crosses the emulated machine twice under TCG.
  make_packages "$packages/web" 512 1024 512 || { check "the page's packages are packed" false; return; }
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
    --host "$VM_BUILD/tests/vm/vantor-vm-host" --work "$VM_WORK" --packages "$packages/web" \
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
