// The browser page's pace: whole updates through the page's module (the wasm, under
// node) against the emulated controllers in real time, each against its bound: the
// same update on the virtual clock, where only the controller's pace takes time (a
// reply in the next USB frame, an erase's busy time), as update_benchmark's
// protocol_ms. What the wall time has beyond the bound is the page's own cost:
// ASYNCIFY's unwinding and rewinding at every wait, the event loop's turns, the events
// handed to the script.
//
//   NODE_PATH=/usr/share/nodejs node --no-experimental-fetch bench/page-pace.js [PAGE_DIR] [RUNS]
//
// PAGE_DIR: the built page (default build/web/page); RUNS per case (default 3): the
// median is printed.
'use strict';

const fs = require('node:fs');
const path = require('node:path');

const pageDir = path.resolve(process.argv[2] || path.join(__dirname, '..', 'build', 'web', 'page'));
const runs = Number(process.argv[3] || 3);
const createVantorModule = require(path.join(pageDir, 'vantor-web.js'));
const wasmBinary = fs.readFileSync(path.join(pageDir, 'vantor-web.wasm'));
// Every module (one per page load) hooks node's process events once.
process.setMaxListeners(0);

const cases = [
  { name: 'framed, 4 KiB image', protocol: 'framed', sections: [['version=1.60,address=0x08004000,type=0,variant=0', 4096]] },
  { name: 'framed, 64 KiB image', protocol: 'framed', sections: [['version=1.60,address=0x08004000,type=0,variant=0', 65536]] },
  { name: 'addressed, 4 KiB image', protocol: 'addressed', sections: [['version=1.56,address=0x08004000,type=8194,variant=0', 4096]] },
  { name: 'addressed, 64 KiB image', protocol: 'addressed', sections: [['version=1.56,address=0x08004000,type=8194,variant=0', 65536]] },
  { name: 'addressed, 64 KiB image + 64 KiB radio image', protocol: 'addressed',
    sections: [['version=1.56,address=0x08004000,type=8194,variant=0', 65536], ['version=1.01,address=0x10000,type=0,variant=0', 65536]] },
];

function pattern(length, seed) {
  const bytes = new Uint8Array(length);
  let state = seed >>> 0;
  for (let i = 0; i < length; i++) {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    bytes[i] = state >>> 24;
  }
  return bytes;
}

// One update on a fresh module (a page load): its result's durationMs on the
// environment's clock, and the wall time of the update call alone.
async function updateOnce(item, virtualTime) {
  const page = await createVantorModule({ wasmBinary, print: () => {}, printErr: () => {} });
  page.ccall('vantor_set_language', null, ['string'], ['en-US']);
  page.onVantorConfirm = () => true;
  let events = 0;
  page.onVantorEvent = () => { events++; };
  const lines = item.sections.map(([description, length], index) => {
    page.FS.writeFile(`/image${index}.bin`, pattern(length, index + 1));
    return `${description},file=/image${index}.bin`;
  });
  const packed = JSON.parse(page.ccall('vantor_pack', 'string', ['string', 'string'], ['/package.dat', lines.join('\n')]));
  if (!packed.ok) throw new Error(`${item.name}: ${packed.error}`);
  const report = JSON.parse(await page.ccall('vantor_simulate', 'string', ['string', 'string', 'number'],
    [item.protocol, '', virtualTime ? 1 : 0], { async: true }));
  if (!report.present) throw new Error(`${item.name}: no controller: ${JSON.stringify(report)}`);
  const started = process.hrtime.bigint();
  const result = JSON.parse(await page.ccall('vantor_update', 'string', ['string'], ['/package.dat'], { async: true }));
  const wallMs = Number(process.hrtime.bigint() - started) / 1e6;
  if (result.outcome !== 'succeeded') throw new Error(`${item.name}: ${result.text}`);
  return { wallMs, clockMs: result.durationMs, events };
}

const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function main() {
  console.log(`${runs} runs per case, the median; node ${process.version}`);
  console.log('| Case | Bound (virtual clock) | Wall time in real time | Wall / bound | Events |');
  console.log('|---|---|---|---|---|');
  for (const item of cases) {
    const bound = (await updateOnce(item, true)).clockMs;
    const measured = [];
    for (let run = 0; run < runs; run++) measured.push(await updateOnce(item, false));
    const wall = median(measured.map((run) => run.wallMs));
    console.log(`| ${item.name} | ${bound} ms | ${wall.toFixed(0)} ms | ${(wall / bound).toFixed(3)} | ${measured[0].events} |`);
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
