// The browser page's module under node: whole updates of the emulated controllers
// through the page's entry points, as the page makes them, and failures with their
// reasons. Run by scripts/web-test.sh (node --test); the module is looked for in
// VANTOR_WEB_MODULE_DIR, else build/web/page.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');

const moduleDir = process.env.VANTOR_WEB_MODULE_DIR || path.join(__dirname, '..', '..', 'build', 'web', 'page');
const createVantorModule = require(path.join(moduleDir, 'vantor-web.js'));
// Handed over, so the runtime never tries to fetch the .wasm by a file path.
const wasmBinary = fs.readFileSync(path.join(moduleDir, 'vantor-web.wasm'));

function randomImage(length, seed) {
  const bytes = new Uint8Array(length);
  let state = seed >>> 0;
  for (let i = 0; i < length; i++) {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    bytes[i] = state >>> 24;
  }
  return bytes;
}

// A fresh module (one page load) with its events recorded and the offer answered.
async function loadPage({ language = 'en-US', confirm = true } = {}) {
  const page = await createVantorModule({ wasmBinary, print: () => {}, printErr: () => {} });
  page.events = [];
  page.offers = [];
  page.onVantorEvent = (event) => page.events.push(event);
  page.onVantorConfirm = async (offer) => {
    page.offers.push(offer);
    // The answer comes later, as a user's would.
    await new Promise((resolve) => setTimeout(resolve, 5));
    return confirm;
  };
  page.ccall('vantor_set_language', null, ['string'], [language]);
  page.FS.mkdir('/work');
  return page;
}

// Writes the images into the page's memory and packs them: [{description, image}].
function pack(page, sections) {
  const lines = sections.map((section, index) => {
    const file = `/work/image${index}.bin`;
    page.FS.writeFile(file, section.image);
    return `${section.description},file=${file}`;
  });
  const answer = JSON.parse(page.ccall('vantor_pack', 'string', ['string', 'string'], ['/work/firmware.dat', lines.join('\n')]));
  assert.deepStrictEqual(answer, { ok: true });
  return '/work/firmware.dat';
}

async function simulate(page, protocol, { fault = '', virtualTime = true } = {}) {
  const report = JSON.parse(
    await page.ccall('vantor_simulate', 'string', ['string', 'string', 'number'], [protocol, fault, virtualTime ? 1 : 0], { async: true }));
  assert.strictEqual(report.present, true, JSON.stringify(report));
  return report;
}

async function update(page, packagePath) {
  return JSON.parse(await page.ccall('vantor_update', 'string', ['string'], [packagePath], { async: true }));
}

// What the emulated controller's flash holds: {main, radio} (radio null when unwritten).
function flash(page) {
  assert.strictEqual(page.ccall('vantor_dump_flash', 'number', ['string'], ['/work/flash.bin']), 1);
  const read = (file) => (page.FS.analyzePath(file).exists ? Buffer.from(page.FS.readFile(file)) : null);
  return { main: read('/work/flash.bin') || Buffer.alloc(0), radio: read('/work/flash.bin.ble') };
}

// Byte for byte, naming the first byte that differs.
function assertSameBytes(actual, expected, what) {
  const length = Math.min(actual.length, expected.length);
  let first = 0;
  while (first < length && actual[first] === expected[first]) first++;
  assert.ok(first === length && actual.length === expected.length,
    `${what}: ${actual.length} bytes against ${expected.length}, first difference at ${first}`);
}

test('an addressed controller takes the main and the radio image byte for byte', async () => {
  const page = await loadPage();
  const main = randomImage(12000, 1);
  const radio = randomImage(70000, 2);  // a package of 64 KiB or more carries the radio's image
  const packagePath = pack(page, [
    { description: 'version=1.56,address=0x08004000,type=8194,variant=0', image: main },
    { description: 'version=1.02,address=0x10000,type=0,variant=0', image: radio },
  ]);
  const report = await simulate(page, 'addressed');
  assert.strictEqual(report.protocol, 'addressed');
  assert.strictEqual(report.version, '1.5');

  const result = await update(page, packagePath);
  assert.strictEqual(result.outcome, 'succeeded', result.text);
  assert.strictEqual(result.succeeded, true);
  assert.match(result.text, /^Firmware upgraded!/);
  const written = flash(page);
  assertSameBytes(written.main, main, 'main image');
  // The radio's own 28-byte header is read, not sent; the erase covered the whole
  // section, so its last 28 bytes stay erased. Bytes 4 to 7 are where the radio's
  // version (1.02: 102, little-endian) and check word are stamped last.
  const radioSent = Buffer.from(radio.subarray(28));
  const radioFlash = Buffer.from(written.radio.subarray(0, radioSent.length));
  assert.strictEqual(radioFlash.readUInt16LE(4), 102);
  radioFlash.fill(0, 4, 8);
  radioSent.fill(0, 4, 8);
  assertSameBytes(radioFlash, radioSent, 'radio image');
  assert.ok(written.radio.subarray(radioSent.length).every((byte) => byte === 0xFF), 'the rest stays erased');

  assert.strictEqual(page.offers.length, 1);
  const offer = page.offers[0];
  assert.strictEqual(offer.installed, '1.5');
  assert.strictEqual(offer.new, '1.56');
  assert.strictEqual(offer.writesRadio, true);
  assert.match(offer.radio, /version 1\.02/);

  const stages = page.events.filter((event) => event.type === 'stage').map((event) => event.stage);
  for (const stage of ['choosing-package', 'erasing-main', 'writing-main', 'erasing-radio', 'writing-radio', 'restarting']) {
    assert.ok(stages.includes(stage), `stage ${stage} in ${stages}`);
  }
  const bytes = page.events.filter((event) => event.type === 'bytes');
  const last = bytes[bytes.length - 1];
  assert.strictEqual(last.sent, last.total);
  assert.strictEqual(last.percent, 100);
  assert.ok(bytes.every((event, i) => i === 0 || event.sent >= bytes[i - 1].sent), 'bytes only grow');
  assert.deepStrictEqual(page.events[page.events.length - 1], result, 'the result is the last event');
});

test('a framed controller is updated in real time while the event loop keeps running', async () => {
  const page = await loadPage();
  const main = randomImage(6000, 3);
  const packagePath = pack(page, [{ description: 'version=1.60,address=0x08004000,type=0,variant=0', image: main }]);
  const report = await simulate(page, 'framed', { virtualTime: false });
  assert.strictEqual(report.protocol, 'framed');

  let ticks = 0;
  const timer = setInterval(() => ticks++, 10);
  const started = Date.now();
  const result = await update(page, packagePath);
  const elapsed = Date.now() - started;
  clearInterval(timer);

  assert.strictEqual(result.outcome, 'succeeded', result.text);
  const written = flash(page);
  assertSameBytes(written.main, main, 'main image');
  assert.strictEqual(written.radio, null);
  // The update's pauses hand the thread back: timers fire all along (a loop held for
  // the whole update would fire none). Not a rate: a loaded machine fires fewer.
  assert.ok(ticks >= 5, `${ticks} ticks in ${elapsed} ms`);
  assert.ok(page.events.some((event) => event.type === 'bytes' && event.percent > 0 && event.percent < 100));
});

// A browser makes a timer set from inside another timer's callback wait at least 4 ms
// once five are nested, and each pause of an update resumes inside the previous one's
// callback: left to timers, the emulated controller's 1 ms replies took 4 (an update
// in Chromium took 2.5 times as long as under node). No pause that short may wait on one.
test("the update's short pauses never wait on a timer a browser would stretch", async () => {
  const page = await loadPage();
  const packagePath = pack(page, [{ description: 'version=1.60,address=0x08004000,type=0,variant=0', image: randomImage(6000, 6) }]);
  await simulate(page, 'framed', { virtualTime: false });
  const realSetTimeout = global.setTimeout;
  const shortTimers = [];
  global.setTimeout = (callback, delay, ...rest) => {
    if ((delay || 0) < 4) shortTimers.push(delay);
    return realSetTimeout(callback, delay, ...rest);
  };
  let result;
  try {
    result = await update(page, packagePath);
  } finally {
    global.setTimeout = realSetTimeout;
  }
  assert.strictEqual(result.outcome, 'succeeded', result.text);
  assert.strictEqual(shortTimers.length, 0, `${shortTimers.length} timers of under 4 ms`);
});

test('a refusal mid-image fails with its reason and next step, in either language', async () => {
  for (const [language, reason, next] of [
    ['en-US', /failed \(main image\): .*refused.*21/, /Next: start the controller in its boot mode/],
    ['zh-CN', /更新失败（主固件）：手柄拒绝了更新（代码 21）/, /下一步：.*BOOT 模式/],
  ]) {
    const page = await loadPage({ language });
    const main = randomImage(6000, 4);
    const packagePath = pack(page, [{ description: 'version=1.60,address=0x08004000,type=0,variant=0', image: main }]);
    await simulate(page, 'framed', { fault: 'fail' });
    const result = await update(page, packagePath);
    assert.strictEqual(result.outcome, 'failed', language);
    assert.strictEqual(result.reason, 'controller-refused', language);
    assert.strictEqual(result.stage, 'writing-main', language);
    assert.strictEqual(result.code, 21, language);
    assert.strictEqual(result.succeeded, false);
    assert.match(result.text, reason, language);
    assert.match(result.text, next, language);
  }
});

test('an offer the user declines writes nothing and says so', async () => {
  const page = await loadPage({ confirm: false });
  const packagePath = pack(page, [{ description: 'version=1.56,address=0x08004000,type=8194,variant=0', image: randomImage(4000, 5) }]);
  await simulate(page, 'addressed');
  const result = await update(page, packagePath);
  assert.strictEqual(result.outcome, 'declined');
  assert.strictEqual(result.wroteNothing, true);
  assert.strictEqual(flash(page).main.length, 0);
  assert.match(result.text, /nothing was sent to the controller/);
  assert.ok(!page.events.some((event) => event.type === 'stage' && event.stage === 'erasing-main'));
});
