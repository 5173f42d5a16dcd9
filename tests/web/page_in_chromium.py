#!/usr/bin/python3
"""The page in a real browser: headless Chromium, driven through its DevTools protocol.

One browser start for everything: the page of build/web/page served on 127.0.0.1 (by
python3 -m http.server) in its simulated mode, a whole update of each protocol through
the page as a user makes it (the "USB Update" click, the file input, the confirmation,
the ending), a refusal with its reason, both languages, and at every state a check that
no text of the page is cut off or runs past the window. Screenshots of the states go to
--shots when given.

    tests/web/page_in_chromium.py --page build/web/page [--shots DIR]

Exits non-zero on the first failed check. Every wait is bounded.
"""

import argparse
import base64
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

import websocket

CHROMIUM = "/usr/bin/chromium"
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class Failure(Exception):
    pass


class DevTools:
    """Calls over one WebSocket to the browser; events that arrive meanwhile are kept."""

    def __init__(self, url, timeout=10.0):
        self.socket = websocket.create_connection(url, timeout=timeout, suppress_origin=True)
        self.last_id = 0
        self.events = []

    def call(self, method, params=None, session=None, timeout=30.0):
        self.last_id += 1
        message = {"id": self.last_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        self.socket.send(json.dumps(message))
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure(f"no answer to {method} within {timeout} s")
            self.socket.settimeout(left)
            answer = json.loads(self.socket.recv())
            if answer.get("id") == self.last_id:
                if "error" in answer:
                    raise Failure(f"{method}: {answer['error']}")
                return answer.get("result", {})
            if "method" in answer:
                self.events.append(answer)


class Page:
    def __init__(self, devtools, session):
        self.devtools = devtools
        self.session = session

    def call(self, method, params=None, timeout=30.0):
        return self.devtools.call(method, params, self.session, timeout)

    def eval(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True, "userGesture": True})
        if "exceptionDetails" in result:
            raise Failure(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait(self, expression, what, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.eval(expression)
            if value:
                return value
            self.check_errors()
            time.sleep(0.05)
        raise Failure(f"{what}: not within {timeout} s; the page says {self.visible_text()!r}")

    def check_errors(self):
        for event in self.devtools.events:
            if event.get("method") == "Runtime.exceptionThrown":
                raise Failure(f"the page threw: {event['params']['exceptionDetails']}")
            if event.get("method") == "Runtime.consoleAPICalled" and event["params"]["type"] == "error":
                raise Failure(f"the page logged an error: {event['params']['args']}")
        self.devtools.events.clear()

    def visible_text(self):
        return self.eval("document.querySelector('main').innerText")

    def set_file(self, selector, path):
        root = self.call("DOM.getDocument")["root"]["nodeId"]
        node = self.call("DOM.querySelector", {"nodeId": root, "selector": selector})["nodeId"]
        self.call("DOM.setFileInputFiles", {"nodeId": node, "files": [path]})


# Every shown element with text of its own whose text does not fit its box, or that
# reaches past the window's right edge; and the page wider than its window.
CUT_OFF = """(() => {
  const cut = [];
  const width = document.documentElement.clientWidth;
  if (document.documentElement.scrollWidth > width) cut.push(`the page: ${document.documentElement.scrollWidth} > ${width}`);
  for (const element of document.querySelectorAll('main *')) {
    if (element.closest('[hidden]') || element.tagName === 'INPUT' || element.tagName === 'PROGRESS') continue;
    if (!element.textContent.trim() || element.getClientRects().length === 0) continue;
    const box = element.getBoundingClientRect();
    const name = element.id || element.tagName.toLowerCase();
    if (box.right > width + 0.5) cut.push(`${name}: right edge ${box.right} > ${width}`);
    if (element.clientWidth === 0) continue;  // inline: its block is checked
    if (element.scrollWidth > element.clientWidth + 1 || element.scrollHeight > element.clientHeight + 1) {
      cut.push(`${name}: ${element.scrollWidth}x${element.scrollHeight} in ${element.clientWidth}x${element.clientHeight}`);
    }
  }
  return cut;
})()"""


def shown(element_id):
    return f"!document.getElementById('{element_id}').hidden"


class Run:
    def __init__(self, page, base, shots, user_agent):
        self.page = page
        self.base = base
        self.shots = shots
        self.user_agent = user_agent

    def state(self, name):
        cut = self.page.eval(CUT_OFF)
        if cut:
            raise Failure(f"{name}: text cut off: {cut}")
        if self.shots:
            shot = self.page.call("Page.captureScreenshot", {"format": "png"})
            with open(os.path.join(self.shots, f"{name}.png"), "wb") as file:
                file.write(base64.b64decode(shot["data"]))

    def update(self, name, language, query, package, width=900):
        page = self.page
        page.call("Emulation.setUserAgentOverride", {"userAgent": self.user_agent, "acceptLanguage": language})
        page.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": 900, "deviceScaleFactor": 1, "mobile": False})
        page.call("Page.navigate", {"url": f"{self.base}/index.html?{query}"})
        page.wait("document.readyState === 'complete' && !document.getElementById('usb-update').disabled",
                  f"{name}: the page ready", 20)
        html_lang = page.eval("document.documentElement.lang")
        if html_lang != language.split("-")[0] and html_lang != language:
            raise Failure(f"{name}: the page is in {html_lang!r}, the browser in {language!r}")
        self.state(f"{name}-1-start")

        page.eval("document.getElementById('usb-update').click()")
        page.wait(shown("package"), f"{name}: the file choice after the probe", 20)
        if not page.eval("document.getElementById('controller').textContent.trim()"):
            raise Failure(f"{name}: no controller version shown")
        self.state(f"{name}-2-file")

        page.set_file("#file", package)
        page.wait(shown("offer"), f"{name}: the confirmation", 20)
        self.state(f"{name}-3-offer")
        page.eval("document.getElementById('offer-continue').click()")

        page.wait(f"{shown('ending')} || document.getElementById('bar').value > 0",
                  f"{name}: the transfer under way", 30)
        if not page.eval(shown("ending")):
            self.state(f"{name}-4-progress")
        page.wait(shown("ending"), f"{name}: the ending", 120)
        self.state(f"{name}-5-ending")
        page.check_errors()
        return page.eval("({text: document.getElementById('ending').textContent,"
                         " kind: document.getElementById('ending').className,"
                         " button: !document.getElementById('usb-update').disabled})")


def expect(name, ending, kind, *patterns):
    if kind not in ending["kind"].split():
        raise Failure(f"{name}: ending {ending['kind']!r}, not {kind!r}: {ending['text']!r}")
    for pattern in patterns:
        if not re.search(pattern, ending["text"]):
            raise Failure(f"{name}: {pattern!r} not in {ending['text']!r}")
    if not ending["button"]:
        raise Failure(f"{name}: USB Update stays disabled after the ending")
    print(f"  {name}: {ending['text'].splitlines()[0]}")


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for_server(port, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return
        except OSError:
            time.sleep(0.05)
    raise Failure(f"the page's server did not listen on {port} within {timeout} s")


def start_browser(profile, timeout):
    arguments = [CHROMIUM, "--headless=new", f"--user-data-dir={profile}", "--remote-debugging-port=0",
                 "--no-first-run", "--no-default-browser-check", "--disable-extensions",
                 "--disable-background-networking", "--disable-component-update", "about:blank"]
    if os.geteuid() == 0:
        arguments.insert(1, "--no-sandbox")
    browser = subprocess.Popen(arguments, stdout=subprocess.DEVNULL, stderr=open(os.path.join(profile, "..", "chromium.log"), "w"),
                               start_new_session=True)
    port_file = os.path.join(profile, "DevToolsActivePort")
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if browser.poll() is not None:
            raise Failure(f"chromium ended at once ({browser.returncode})")
        try:
            with open(port_file) as file:
                lines = file.read().split("\n")
            if len(lines) >= 2 and lines[1]:
                return browser, f"ws://127.0.0.1:{lines[0]}{lines[1]}"
        except FileNotFoundError:
            pass
        time.sleep(0.05)
    raise Failure(f"chromium opened no DevTools port within {timeout} s")


def stop(process):
    if process is None or process.poll() is not None:
        return
    try:
        os.killpg(process.pid, 15)
        process.wait(timeout=10)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        try:
            os.killpg(process.pid, 9)
        except ProcessLookupError:
            pass
        process.wait(timeout=10)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", default=os.path.join(ROOT, "build", "web", "page"))
    parser.add_argument("--shots")
    options = parser.parse_args()
    page_dir = os.path.abspath(options.page)
    if options.shots:
        os.makedirs(options.shots, exist_ok=True)

    work = tempfile.mkdtemp(prefix="vantor-chromium-")
    server = browser = None
    try:
        subprocess.run(["node", os.path.join(ROOT, "tests", "web", "write-packages.js"), page_dir, work],
                       check=True, timeout=60)
        port = free_port()
        server = subprocess.Popen([sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1",
                                   "--directory", page_dir], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, start_new_session=True)
        wait_for_server(port, 10)

        begun = time.monotonic()
        profile = os.path.join(work, "profile")
        os.mkdir(profile)
        browser, url = start_browser(profile, 120)
        print(f"chromium's DevTools port in {time.monotonic() - begun:.1f} s")
        devtools = DevTools(url)
        user_agent = devtools.call("Browser.getVersion")["userAgent"].replace("HeadlessChrome", "Chrome")
        target = devtools.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = devtools.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        page = Page(devtools, session)
        for domain in ("Page", "Runtime", "DOM"):
            page.call(f"{domain}.enable")

        run = Run(page, f"http://127.0.0.1:{port}", options.shots, user_agent)
        framed = os.path.join(work, "framed.dat")
        addressed = os.path.join(work, "addressed.dat")
        started = time.monotonic()
        expect("framed-en", run.update("framed-en", "en-US", "simulate=framed", framed),
               "succeeded", r"^Firmware upgraded!")
        # A phone's width, in the language of the longer lines.
        expect("addressed-zh", run.update("addressed-zh", "zh-CN", "simulate=addressed", addressed, width=360),
               "succeeded", r"升级")
        expect("refused-en", run.update("refused-en", "en-US", "simulate=framed&fault=fail", framed),
               "failed", r"refused.*21", r"Next: start the controller in its boot mode")
        expect("refused-zh", run.update("refused-zh", "zh-CN", "simulate=framed&fault=fail", framed, width=360),
               "failed", r"手柄拒绝了更新（代码 21）", r"下一步")
        print(f"four updates through the page in {time.monotonic() - started:.1f} s;"
              f" {time.monotonic() - begun:.1f} s with the browser's start")
        devtools.call("Browser.close", timeout=10)
        browser.wait(timeout=10)
        return 0
    except Failure as failure:
        print(f"page_in_chromium: {failure}", file=sys.stderr)
        log = os.path.join(work, "chromium.log")
        if os.path.exists(log):
            with open(log, errors="replace") as file:
                sys.stderr.write("".join(file.readlines()[-20:]))
        return 1
    finally:
        stop(browser)
        stop(server)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
