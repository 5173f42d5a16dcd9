// Writes the packages the browser test hands to the page's file input, made by the
// page's own module (its pack entry point, as `vantor-update pack` makes them):
//   node tests/web/write-packages.js MODULE_DIR OUT_DIR
// OUT_DIR/framed.dat and OUT_DIR/addressed.dat, each one main image.
'use strict';

const fs = require('node:fs');
const path = require('node:path');

async function main() {
  const [moduleDir, outDir] = process.argv.slice(2);
  const createVantorModule = require(path.join(path.resolve(moduleDir), 'vantor-web.js'));
  const wasmBinary = fs.readFileSync(path.join(moduleDir, 'vantor-web.wasm'));
  const page = await createVantorModule({ wasmBinary, print: () => {}, printErr: () => {} });
  const packages = {
    framed: 'version=1.60,address=0x08004000,type=0,variant=0',
    addressed: 'version=1.56,address=0x08004000,type=8194,variant=0',
  };
  let seed = 7;
  for (const [name, description] of Object.entries(packages)) {
    const image = new Uint8Array(6000);
    for (let i = 0; i < image.length; i++) {
      seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0;
      image[i] = seed >>> 24;
    }
    page.FS.writeFile('/image.bin', image);
    const answer = JSON.parse(page.ccall('vantor_pack', 'string', ['string', 'string'],
      ['/package.dat', `${description},file=/image.bin`]));
    if (!answer.ok) throw new Error(`${name}: ${answer.error}`);
    fs.writeFileSync(path.join(outDir, `${name}.dat`), page.FS.readFile('/package.dat'));
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
