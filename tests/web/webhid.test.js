// The page's WebHID channel under node, on a fake navigator.hid that records what is
// sent and delivers what a test queues: the chooser's filters, the reports as WebHID
// takes them (report id 0, then 64 data bytes), an input report read by the core, a
// read with nothing queued ending at its time-out, and a controller unplugged in the
// middle of an update; and the page's controller watch (controller-watch.js), woken by
// the fake's connect and disconnect events. Run by scripts/web-test.sh (node --test).
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');

const moduleDir = process.env.VANTOR_WEB_MODULE_DIR || path.join(__dirname, '..', '..', 'build', 'web', 'page');
const createVantorModule = require(path.join(moduleDir, 'vantor-web.js'));
const wasmBinary = fs.readFileSync(path.join(moduleDir, 'vantor-web.wasm'));
const { watchControllers } = require(path.join(moduleDir, 'controller-watch.js'));

class FakeDevice extends EventTarget {
  constructor(vendorId, productId) {
    super();
    Object.assign(this, { vendorId, productId, opened: false, sent: [], onSend: null });
  }
  async open() { this.opened = true; }
  // As Chromium's: the device counts as open until its close has settled.
  async close() {
    await new Promise((resolve) => setTimeout(resolve, 5));
    this.opened = false;
  }
  async sendReport(reportId, data) {
    if (!this.opened) {
      this.sentClosed = (this.sentClosed || 0) + 1;
      throw new Error('a report sent to a device not open');
    }
    this.sent.push({ reportId, data: new Uint8Array(data) });
    if (this.onSend) this.onSend(this.sent.length);
  }
  input(bytes) {
    const event = new Event('inputreport');
    Object.assign(event, { device: this, reportId: 0, data: new DataView(Uint8Array.from(bytes).buffer) });
    this.dispatchEvent(event);
  }
}

// A fresh page module on a browser whose chooser offers `device`.
async function loadPage(device) {
  const hid = new EventTarget();
  hid.requestDevice = async ({ filters }) => {
    hid.filters = filters;
    return [device];
  };
  hid.getDevices = async () => [];
  hid.unplug = () => {
    const event = new Event('disconnect');
    event.device = device;
    hid.dispatchEvent(event);
  };
  globalThis.navigator = { hid, language: 'en-US' };
  const page = await createVantorModule({ wasmBinary, print: () => {}, printErr: () => {} });
  page.ccall('vantor_set_language', null, ['string'], ['en-US']);
  page.hid = hid;
  page.onVantorConfirm = async () => true;
  return page;
}

const call = (page, name, returns, types, args) => page.ccall(name, returns, types, args, { async: true });

test('the chooser, the reports both ways and the read time-out', async () => {
  const device = new FakeDevice(0x2DC8, 0x3002);
  const page = await loadPage(device);
  const report = JSON.parse(await call(page, 'vantor_choose_controller', 'string', [], []));
  assert.deepStrictEqual(page.hid.filters, [
    { vendorId: 0x0483, productId: 0x5750 }, { vendorId: 0x2DC8, productId: 0x5750 }, { vendorId: 0x2DC8, productId: 0x3002 }]);
  assert.strictEqual(report.present, true, JSON.stringify(report));
  assert.strictEqual(report.protocol, 'addressed');
  assert.ok(device.sent.length > 0, 'the probe sent nothing');
  for (const sent of device.sent) {
    assert.strictEqual(sent.reportId, 0);
    assert.strictEqual(sent.data.length, 64);
  }
  page.ccall('vantor_release_controller', null, [], []);
  assert.deepStrictEqual(JSON.parse(page.ccall('vantor_hid_devices', 'string', [], [])), []);

  // Taken again at once, while its close is still under way (the watch looks again as
  // soon as an update has let it go): it is opened again, not left to that close.
  const before = device.sent.length;
  await call(page, 'vantor_choose_controller', 'string', [], []);
  assert.ok(device.sent.length > before && !device.sentClosed, `${device.sentClosed} reports sent to the closed device`);
  assert.strictEqual(device.opened, true);
  const [listed] = JSON.parse(page.ccall('vantor_hid_devices', 'string', [], []));
  assert.deepStrictEqual({ vendorId: listed.vendorId, productId: listed.productId }, { vendorId: 0x2DC8, productId: 0x3002 });
  assert.strictEqual(await call(page, 'vantor_hid_open', 'number', ['string'], [listed.path]), 1);

  const out = new Uint8Array(65);
  out.forEach((_, i) => { out[i] = i === 0 ? 0 : 200 - i; });
  device.sent = [];
  assert.strictEqual(await call(page, 'vantor_hid_write', 'number', ['array'], [out]), 1);
  assert.deepStrictEqual(device.sent, [{ reportId: 0, data: out.subarray(1) }]);

  // Queued before the read, and arriving while the read waits.
  const bytes = Array.from({ length: 64 }, (_, i) => (i * 7 + 1) & 0xFF);
  const hex = (values) => Buffer.from([0, ...values]).toString('hex');
  device.input(bytes);
  assert.deepStrictEqual(JSON.parse(await call(page, 'vantor_hid_read', 'string', ['number'], [1000])), { result: 0, report: hex(bytes) });
  setTimeout(() => device.input(bytes.slice().reverse()), 20);
  let started = Date.now();
  assert.deepStrictEqual(JSON.parse(await call(page, 'vantor_hid_read', 'string', ['number'], [5000])),
    { result: 0, report: hex(bytes.slice().reverse()) });
  assert.ok(Date.now() - started < 1000, 'the waiting read woke with the report');

  started = Date.now();
  assert.deepStrictEqual(JSON.parse(await call(page, 'vantor_hid_read', 'string', ['number'], [80])), { result: 0x102, report: '' });
  const waited = Date.now() - started;
  assert.ok(waited >= 70 && waited < 1000, `a read with nothing queued ended after ${waited} ms`);

  page.hid.unplug();
  assert.strictEqual(JSON.parse(await call(page, 'vantor_hid_read', 'string', ['number'], [5000])).result, 0xFFFFFFFF);
  assert.strictEqual(await call(page, 'vantor_hid_write', 'number', ['array'], [out]), 0);
});

test('a controller unplugged during its update ends it as unplugged', async () => {
  const device = new FakeDevice(0x2DC8, 0x5750);
  const page = await loadPage(device);
  page.FS.writeFile('/image.bin', new Uint8Array(6000).fill(0x5A));
  assert.deepStrictEqual(JSON.parse(page.ccall('vantor_pack', 'string', ['string', 'string'],
    ['/package.dat', 'version=1.60,address=0x08004000,type=0,variant=0,file=/image.bin'])), { ok: true });
  const report = JSON.parse(await call(page, 'vantor_choose_controller', 'string', [], []));
  assert.strictEqual(report.protocol, 'framed', JSON.stringify(report));
  const probeReports = device.sent.length;
  device.onSend = (count) => {
    if (count === probeReports + 1) setTimeout(() => page.hid.unplug(), 10);
  };
  const started = Date.now();
  const result = JSON.parse(await call(page, 'vantor_update', 'string', ['string'], ['/package.dat']));
  assert.strictEqual(result.outcome, 'failed', JSON.stringify(result));
  assert.strictEqual(result.reason, 'unplugged', JSON.stringify(result));
  assert.ok(Date.now() - started < 10000, `the update ended ${Date.now() - started} ms after it began`);
});

// The update opens its own channel on the controller the probe opened, and the
// probe's is let go only after: its end must not deafen the update's (in Chromium the
// framed controller's answers went unheard and the update ended as a silent one).
test("the controller's answers during its update reach the update, after the probe's channel is let go", async () => {
  const device = new FakeDevice(0x2DC8, 0x5750);
  const page = await loadPage(device);
  page.FS.writeFile('/image.bin', new Uint8Array(6000).fill(0x5A));
  assert.deepStrictEqual(JSON.parse(page.ccall('vantor_pack', 'string', ['string', 'string'],
    ['/package.dat', 'version=1.60,address=0x08004000,type=0,variant=0,file=/image.bin'])), { ok: true });
  await call(page, 'vantor_choose_controller', 'string', [], []);
  const probeReports = device.sent.length;
  let kept = null;
  device.onSend = (count) => {
    if (count !== probeReports + 1) return;
    device.input(new Array(64).fill(0));
    kept = page.vantorHid.entries.find((entry) => entry.device === device).queue.length;
    setTimeout(() => page.hid.unplug(), 10);
  };
  await call(page, 'vantor_update', 'string', ['string'], ['/package.dat']);
  assert.strictEqual(kept, 1, "the answer to the update's first report was dropped");
});

// A browser whose page was granted `granted` (a policy's devices, or ones chosen
// before): getDevices lists them; plug and unplug change the list and fire the events.
async function loadWatchedPage(granted, watchOptions = {}) {
  const hid = new EventTarget();
  hid.getDevices = async () => granted.slice();
  hid.requestDevice = async () => { throw new Error('the watch put the chooser up'); };
  const fire = (type, device) => {
    const event = new Event(type);
    event.device = device;
    hid.dispatchEvent(event);
  };
  hid.plug = (device) => {
    granted.push(device);
    fire('connect', device);
  };
  hid.unplug = (device) => {
    granted.splice(granted.indexOf(device), 1);
    fire('disconnect', device);
  };
  globalThis.navigator = { hid, language: 'en-US' };
  const page = await createVantorModule({ wasmBinary, print: () => {}, printErr: () => {} });
  page.ccall('vantor_set_language', null, ['string'], ['en-US']);
  page.onVantorConfirm = async () => true;
  page.seen = [];
  page.watch = watchControllers(page, hid, {
    offered: (report) => page.seen.push(`offered ${report.protocol}`),
    withdrawn: () => page.seen.push('withdrawn'),
    ...watchOptions,
  });
  page.hid = hid;
  await page.watch.settled();
  return page;
}

const listed = (page) => JSON.parse(page.ccall('vantor_hid_devices', 'string', [], []));
// A timer still set once the watch is idle would be a look on a clock.
const timersSet = () => process.getActiveResourcesInfo().filter((resource) => resource === 'Timeout').length;

test("the page's watch offers a controller as it is plugged in and withdraws it as it goes, on the events alone", async () => {
  const page = await loadWatchedPage([]);
  assert.deepStrictEqual(page.seen, []);
  assert.strictEqual(timersSet(), 0, 'the idle watch keeps a timer set');

  // Not a controller: nothing offered.
  page.hid.plug(new FakeDevice(0x046D, 0xC52B));
  await page.watch.settled();
  assert.deepStrictEqual(page.seen, []);

  const controller = new FakeDevice(0x2DC8, 0x3002);
  page.hid.plug(controller);
  await page.watch.settled();
  assert.deepStrictEqual(page.seen, ['offered addressed']);
  assert.strictEqual(page.watch.held().present, true);
  assert.ok(controller.sent.length > 0, 'the controller was not probed');
  assert.strictEqual(timersSet(), 0, 'the watch keeps a timer set while it holds a controller');

  page.hid.unplug(controller);
  await page.watch.settled();
  assert.deepStrictEqual(page.seen, ['offered addressed', 'withdrawn']);
  assert.strictEqual(page.watch.held(), null);
  assert.ok(!listed(page).some((device) => device.productId === 0x3002), 'the module keeps the unplugged controller');
});

test("a controller unplugged during an update through the watch: unplugged, nothing stale held, its return offered", async () => {
  const first = new FakeDevice(0x2DC8, 0x5750);
  const page = await loadWatchedPage([first]);
  assert.deepStrictEqual(page.seen, ['offered framed'], 'a controller plugged in before the page opened');
  page.FS.writeFile('/image.bin', new Uint8Array(6000).fill(0x5A));
  assert.deepStrictEqual(JSON.parse(page.ccall('vantor_pack', 'string', ['string', 'string'],
    ['/package.dat', 'version=1.60,address=0x08004000,type=0,variant=0,file=/image.bin'])), { ok: true });
  assert.strictEqual((await page.watch.choose()).protocol, 'framed', 'the click takes the held controller');
  const probeReports = first.sent.length;
  first.onSend = (count) => {
    if (count === probeReports + 1) setTimeout(() => page.hid.unplug(first), 10);
  };
  const result = await page.watch.update('/package.dat');
  assert.strictEqual(result.outcome, 'failed', JSON.stringify(result));
  assert.strictEqual(result.reason, 'unplugged', JSON.stringify(result));
  assert.match(result.text, /unplugged|disconnected/i);
  await page.watch.settled();
  assert.strictEqual(page.watch.held(), null);
  assert.deepStrictEqual(listed(page), []);

  // Plugged in again: another device to the browser, offered anew.
  page.hid.plug(new FakeDevice(0x2DC8, 0x5750));
  await page.watch.settled();
  assert.deepStrictEqual(page.seen, ['offered framed', 'offered framed']);
});

// A controller the system is still setting up refuses its first open, and no further
// event comes for it: the watch looks again, a bounded number of times, and offers it
// only once its probe reached it.
test('a controller whose first probe cannot reach it is looked at again, a few times at most', async () => {
  const page = await loadWatchedPage([], { retryPauseMs: 10 });
  const refusing = (refusals) => {
    const device = new FakeDevice(0x2DC8, 0x3002);
    device.open = async function open() {
      if (refusals-- > 0) throw Object.assign(new Error('The device was closed unexpectedly.'), { name: 'InvalidStateError' });
      this.opened = true;
    };
    return device;
  };
  const settle = async (ms) => {
    for (let waited = 0; waited < ms; waited += 20) {
      await new Promise((resolve) => setTimeout(resolve, 20));
      await page.watch.settled();
    }
  };
  const shy = refusing(1);
  page.hid.plug(shy);
  await settle(200);
  assert.deepStrictEqual(page.seen, ['offered addressed']);
  assert.ok(shy.sent.length > 0, 'offered without a probe that reached it');

  page.hid.unplug(shy);
  await settle(100);
  const dead = refusing(Infinity);
  let opens = 0;
  const open = dead.open;
  dead.open = async function counted() {
    opens++;
    return open.call(this);
  };
  page.hid.plug(dead);
  await settle(300);
  assert.deepStrictEqual(page.seen, ['offered addressed', 'withdrawn'], 'a controller never reached is not offered');
  assert.ok(opens >= 2 && opens <= 4 * 3, `${opens} opens: looked at again, and not for ever`);
  assert.strictEqual(timersSet(), 0, 'a look still set on a timer');
});

