#!/usr/bin/python3
"""The page in headless Chromium over WebHID, against controllers behind the kernel's hidraw.

Run by tests/vm/web-page.sh inside the test VM, where a managed policy grants the
supported controllers to the page's origin and udevd runs. One browser start, one page
load; the controllers come and go through vantor-vm-host (uhid) while the page stays
open:
  - a framed controller plugged in before the page opened: getDevices lists it, the
    page offers it, updates it through its own controls, and withdraws it once
    unplugged;
  - an addressed controller plugged in while the page is open: offered, updated with
    its radio image;
  - a controller unplugged during its update: the page says so with the reason, and
    holds no device afterwards.
The emulated flash is compared byte for byte. Each check's verdict goes to --results
as "ok NAME" or "FAIL NAME", one a line.

    page_on_hidraw.py --url URL --host PROGRAM --work DIR --packages DIR --results FILE
"""

import argparse
import filecmp
import os
import signal
import subprocess
import sys
import time

from page_in_chromium import DevTools, Failure, Page, shown, start_browser, stop

FRAMED_IDS = {(0x0483, 0x5750), (0x2DC8, 0x5750)}


class LoggedPage(Page):
    """The page, with what it says on its console kept in a file (warnings too: a
    refused open or write is only warned of)."""

    def __init__(self, devtools, session, log):
        super().__init__(devtools, session)
        self.log = log

    def check_errors(self):
        for event in self.devtools.events:
            if event.get("method") == "Runtime.consoleAPICalled":
                words = " ".join(str(arg.get("value", arg.get("description", ""))) for arg in event["params"]["args"])
                self.log.write(f"{event['params']['type']}: {words}\n")
                self.log.flush()
        super().check_errors()


class Host:
    """vantor-vm-host serving the given controllers; stopping it unplugs them and dumps
    their flash."""

    def __init__(self, program, work):
        self.program = program
        self.work = work
        self.process = None

    def start(self, *controllers):
        ready = os.path.join(self.work, "ready")
        dump = os.path.join(self.work, "dump")
        for name in os.listdir(dump) if os.path.isdir(dump) else []:
            os.remove(os.path.join(dump, name))
        os.makedirs(dump, exist_ok=True)
        if os.path.exists(ready):
            os.remove(ready)
        log = open(os.path.join(self.work, "host.log"), "a")
        self.process = subprocess.Popen([self.program, "--ready", ready, "--dump-dir", dump, "--max-seconds", "300",
                                         *controllers], stderr=log, stdout=log)
        deadline = time.monotonic() + 30
        while not os.path.exists(ready):
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise Failure(f"the controller host did not come up for {controllers}")
            time.sleep(0.05)

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            status = self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            status = self.process.wait(timeout=10)
        self.process = None
        return status

    def dump(self, name):
        return os.path.join(self.work, "dump", name)


class Scenario:
    def __init__(self, page, host, packages, results):
        self.page = page
        self.host = host
        self.packages = packages
        self.results = results
        self.begun = time.monotonic()

    def check(self, name, passed, detail=""):
        print(f"  {'ok    ' if passed else 'FAIL  '}{name}", flush=True)
        if detail:
            print(f"        {detail}", flush=True)
        self.results.write(f"{'ok' if passed else 'FAIL'} {name}\n")
        self.results.flush()
        return passed

    def same_bytes(self, name, written, expected):
        passed = os.path.exists(written) and filecmp.cmp(written, expected, shallow=False)
        size = os.path.getsize(written) if os.path.exists(written) else "no"
        return self.check(name, passed, "" if passed else f"{size} vs {os.path.getsize(expected)} bytes")

    def since(self, begun):
        return f"{time.monotonic() - begun:.1f} s"

    def controller_text(self):
        return self.page.eval("document.getElementById('controller').textContent.trim()")

    def offered(self, name, timeout=60):
        begun = time.monotonic()
        try:
            self.page.wait("document.getElementById('controller').textContent.trim()", name, timeout)
        except Failure as failure:
            return self.check(name, False, str(failure))
        return self.check(name, True, f"{self.controller_text()!r} after {self.since(begun)}")

    def withdrawn(self, name, timeout=30):
        begun = time.monotonic()
        try:
            self.page.wait(f"!document.getElementById('controller').textContent.trim() && !{shown('package')}",
                           name, timeout)
        except Failure as failure:
            return self.check(name, False, str(failure))
        return self.check(name, True, f"after {self.since(begun)}")

    # The page's own controls, as a user takes them: USB Update, the file, Continue.
    def update(self, name, package, timeout=240):
        page = self.page
        begun = time.monotonic()
        page.eval("document.getElementById('usb-update').click()")
        page.wait(shown("package"), f"{name}: the file choice", 60)
        page.set_file("#file", package)
        page.wait(shown("offer"), f"{name}: the confirmation", 60)
        page.eval("document.getElementById('offer-continue').click()")
        page.wait(shown("ending"), f"{name}: the ending", timeout)
        ending = page.eval("({text: document.getElementById('ending').textContent,"
                           " kind: document.getElementById('ending').className})")
        print(f"        {name}: {ending['text'].splitlines()[0]!r} after {self.since(begun)}", flush=True)
        return ending

    def run(self):
        page = self.page
        devices = page.eval("navigator.hid.getDevices().then((devices) => devices.map("
                            "(device) => [device.vendorId, device.productId]))")
        self.check("getDevices lists the framed controller (granted by the policy)",
                   len(devices) == 1 and tuple(devices[0]) in FRAMED_IDS, f"{devices}")
        if self.offered("a controller plugged in before the page opened is offered"):
            ending = self.update("framed", os.path.join(self.packages, "framed.dat"))
            self.check("framed: the page says it is done", "succeeded" in ending["kind"].split()
                       and ending["text"].startswith("Firmware upgraded!"), ending["text"])
        self.check("framed: the host stopped", self.host.stop() == 0)
        self.same_bytes("framed: flash holds the image", self.host.dump("WF.main"),
                        os.path.join(self.packages, "framed.bin"))
        self.withdrawn("framed: withdrawn once unplugged")

        self.host.start("addressed,serial=WA")
        if self.offered("a controller plugged in while the page is open is offered"):
            ending = self.update("addressed", os.path.join(self.packages, "addressed.dat"))
            self.check("addressed: the page says it is done", "succeeded" in ending["kind"].split(), ending["text"])
        self.check("addressed: the host stopped", self.host.stop() == 0)
        self.same_bytes("addressed: main flash holds the image", self.host.dump("WA.main"),
                        os.path.join(self.packages, "main.bin"))
        self.same_bytes("addressed: radio flash holds its image", self.host.dump("WA.ble"),
                        os.path.join(self.packages, "radio-expected.bin"))
        self.withdrawn("addressed: withdrawn once unplugged")

        self.host.start("framed,serial=WU,fault=unplug@3")
        if self.offered("unplug: the controller is offered"):
            ending = self.update("unplug", os.path.join(self.packages, "framed.dat"))
            self.check("unplug: the page shows the failure", "failed" in ending["kind"].split(), ending["text"])
            self.check("unplug: the failure's reason", "the controller was unplugged" in ending["text"],
                       ending["text"])
            self.withdrawn("unplug: no controller offered afterwards")
            granted = page.eval("navigator.hid.getDevices().then((devices) => devices.length)")
            self.check("unplug: the browser lists no device", granted == 0, f"{granted}")
            self.check("unplug: USB Update enabled again",
                       page.eval("!document.getElementById('usb-update').disabled"))
        self.host.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--url", required=True)
    parser.add_argument("--host", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--packages", required=True)
    parser.add_argument("--results", required=True)
    options = parser.parse_args()

    host = Host(options.host, options.work)
    browser = None
    begun = time.monotonic()
    with open(options.results, "w") as results:
        scenario = None
        try:
            # Plugged in before the browser starts: the page finds it at its first look.
            host.start("framed,serial=WF")
            profile = os.path.join(options.work, "chromium-profile")
            os.makedirs(profile, exist_ok=True)
            browser, url = start_browser(profile, 150)
            print(f"        chromium's DevTools port in {time.monotonic() - begun:.1f} s", flush=True)
            # Under software emulation the browser may take seconds more to answer on
            # its port once it has written it.
            devtools = DevTools(url, timeout=90)
            target = devtools.call("Target.createTarget", {"url": "about:blank"})["targetId"]
            session = devtools.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
            page = LoggedPage(devtools, session, open(os.path.join(options.work, "web-console.log"), "w"))
            for domain in ("Page", "Runtime", "DOM"):
                page.call(f"{domain}.enable")
            user_agent = devtools.call("Browser.getVersion")["userAgent"].replace("HeadlessChrome", "Chrome")
            page.call("Emulation.setUserAgentOverride", {"userAgent": user_agent, "acceptLanguage": "en-US"})
            page.call("Page.navigate", {"url": f"{options.url}/index.html"})
            page.wait("document.readyState === 'complete' && !document.getElementById('usb-update').disabled",
                      "the page ready", 60)
            scenario = Scenario(page, host, options.packages, results)
            scenario.run()
            devtools.call("Browser.close", timeout=20)
            browser.wait(timeout=20)
        except Exception as failure:  # the WebSocket's own errors too: every end is reported
            print(f"page_on_hidraw: {failure}", file=sys.stderr)
            print(f"  FAIL  the page's run to its end", flush=True)
            results.write("FAIL the page's run to its end\n")
            log = os.path.join(options.work, "chromium.log")
            if os.path.exists(log):
                with open(log, errors="replace") as file:
                    sys.stderr.write("".join(file.readlines()[-20:]))
        finally:
            stop(browser)
            if host.process is not None:
                host.stop()
    print(f"        the page's run: {time.monotonic() - begun:.1f} s with the browser's start", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
