// Frame rate of the page at 1280 x 720 in headless Chromium (software
// WebGL), the time from starting to load it to its first frame, and the
// sizes of its files, run by hand (not a test):
//
//   FROSTVALE_NODE_MODULES=build/web-test/node_modules node bench/frame_rate_web.js [SECONDS]
//
// after tools/build-web.sh; bench/frame_rate_x11.py gives the native
// program's frame rate on Xvfb to set beside it.
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { serve, driver, launch } = require('../tests/web/browser');

const dist = path.join(__dirname, '..', 'dist', 'web');
const seconds = Number(process.argv[2] || 10);

async function main() {
  for (const name of ['index.html', 'frostvale.js', 'frostvale.wasm']) {
    const bytes = fs.readFileSync(path.join(dist, name));
    console.log(`${name.padEnd(15)} ${String(bytes.length).padStart(8)} bytes, ` +
                `${String(zlib.gzipSync(bytes, { level: 9 }).length).padStart(7)} gzipped`);
  }
  const { puppeteer, reason } = driver();
  if (!puppeteer) throw new Error(reason);
  const server = await serve(dist);
  const browser = await launch(puppeteer);
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForFunction(() => performance.getEntriesByName('frostvale-first-frame').length > 0,
                             { timeout: 60000 });
  const firstFrame = await page.evaluate(() => performance.getEntriesByName('frostvale-first-frame')[0].startTime);
  console.log(`first frame ${firstFrame.toFixed(0)} ms after the page began to load`);
  await new Promise((resolve) => setTimeout(resolve, 2000));
  const before = await page.evaluate(() => [Module._frostvale_frames_drawn(), performance.now()]);
  await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
  const after = await page.evaluate(() => [Module._frostvale_frames_drawn(), performance.now()]);
  const fps = (after[0] - before[0]) / ((after[1] - before[1]) / 1000);
  console.log(`1280 x 720 in headless Chromium: ${fps.toFixed(1)} frames per second over ${seconds} s`);
  await browser.close();
  server.close();
}

main().catch((error) => { console.error(error); process.exit(1); });
