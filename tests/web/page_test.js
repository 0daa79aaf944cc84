// The page in headless Chromium: ?t=20 against the native capture of 20 s,
// ?t= at the moments of the stored pictures against those pictures,
// a live run that animates with nothing on the console's error channel,
// goes to full screen on a double-click and back on Escape, and the music
// button starting the carol loop in Web Audio. Exit code 77
// (skipped) only where Chromium or puppeteer-core is missing.
'use strict';
const assert = require('assert');
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { serve, driver, chromium, launch, readBitmap } = require('./browser');

const dist = process.env.FROSTVALE_WEB_DIST;
const dump = process.env.FROSTVALE_DUMP;

// The frame against the native capture, in colour levels (0 to 255): the
// mean absolute difference over all channels, and the largest mean
// (signed) difference of an 80 x 80 block. Measured between Chromium's
// SwiftShader and Mesa's llvmpipe: 0.13 and 0.34, from point stars a
// pixel apart and the last bit of lit colours. Planted faults: no fog 7.4
// overall, no light attenuation 12.7, no glow pass 0.83 overall and 12.6
// in a block, no specular term 4.6 and no local viewer 4.4 in a block.
const tolerance = { mean: 0.5, block: 1.5 };

function differences(a, b, width, height) {
  let sum = 0;
  for (let i = 0; i < a.length; ++i) sum += Math.abs(a[i] - b[i]);
  let block = 0;
  for (let y0 = 0; y0 + 80 <= height; y0 += 80) {
    for (let x0 = 0; x0 + 80 <= width; x0 += 80) {
      let d = 0;
      for (let y = y0; y < y0 + 80; ++y) {
        for (let i = (y * width + x0) * 3; i < (y * width + x0 + 80) * 3; ++i) d += a[i] - b[i];
      }
      block = Math.max(block, Math.abs(d / (80 * 80 * 3)));
    }
  }
  return { mean: sum / a.length, block };
}

// The mean colour of a rectangle (top-left origin) of an image.
function mean(image, x0, y0, x1, y1) {
  const total = [0, 0, 0];
  for (let y = y0; y < y1; ++y) {
    for (let x = x0; x < x1; ++x) {
      for (let c = 0; c < 3; ++c) total[c] += image.rgb[(y * image.width + x) * 3 + c];
    }
  }
  return total.map((t) => t / ((x1 - x0) * (y1 - y0)));
}

// The scene's parts where the camera has them at 20 s.
function expectParts(image, name) {
  const [skyR, skyG, skyB] = mean(image, 100, 40, 400, 200);
  assert(skyB > skyR && skyR + skyG + skyB < 90, `${name}: the sky is dark violet (${skyR}, ${skyG}, ${skyB})`);
  const ground = mean(image, 100, 620, 500, 700);
  assert(ground.every((c) => c > 150), `${name}: the ground is pale (${ground})`);
  const [treeR, treeG, treeB] = mean(image, 600, 380, 680, 440);
  assert(treeG > treeR + 30 && treeG > treeB + 30, `${name}: the tree is green (${treeR}, ${treeG}, ${treeB})`);
  const [starR, starG, starB] = mean(image, 632, 145, 648, 165);
  assert(starR > 200 && starG > 180 && starB < 150, `${name}: the star is gold (${starR}, ${starG}, ${starB})`);
}

async function capturePage(browser, origin, home) {
  const page = await browser.newPage();
  await page.goto(`${origin}/?t=20`);
  await page.waitForSelector('body[data-state="captured"]', { timeout: 60000 });
  // the capture's own bitmap, and what the canvas shows
  const bitmap = Buffer.from(await page.evaluate(() => Array.from(Module.FS.readFile('/frostvale.bmp'))));
  const shown = Buffer.from(await page.evaluate(() => {
    const canvas = document.getElementById('scene');
    const copy = Object.assign(document.createElement('canvas'), { width: canvas.width, height: canvas.height });
    const context = copy.getContext('2d');
    context.drawImage(canvas, 0, 0);
    const rgba = context.getImageData(0, 0, canvas.width, canvas.height).data;
    return Array.from(rgba.filter((_, i) => i % 4 !== 3));
  }));
  await page.close();
  fs.writeFileSync(path.join(home, 'web-20s.bmp'), bitmap);
  return { web: readBitmap(bitmap), shown };
}

// The page's ?t= at each moment of the stored pictures, held to the rule
// of tests/pictures.py against the stored picture (not the native
// capture), so that a change of how the scene moves fails here too.
async function storedPictures(browser, origin, home) {
  const pictures = path.join(__dirname, '..', 'pictures.py');
  for (const seconds of execFileSync('python3', [pictures, 'moments']).toString().trim().split(' ')) {
    const page = await browser.newPage();
    await page.goto(`${origin}/?t=${seconds}`);
    await page.waitForSelector('body[data-state="captured"]', { timeout: 60000 });
    const bitmap = Buffer.from(await page.evaluate(() => Array.from(Module.FS.readFile('/frostvale.bmp'))));
    await page.close();
    const file = path.join(home, `web-${seconds}s.bmp`);
    fs.writeFileSync(file, bitmap);
    // prints the differences; exit code 1 (thrown) when they are too large
    console.log(execFileSync('python3', [pictures, 'check', file, seconds]).toString().trim());
  }
}

async function livePage(browser, origin) {
  const page = await browser.newPage();
  const errors = [];
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(origin);
  await page.waitForFunction(() => typeof Module !== 'undefined' && Module._frostvale_frames_drawn &&
                             Module._frostvale_frames_drawn() > 10, { timeout: 60000 });
  const canvas = await page.$('#scene');
  const first = await canvas.screenshot();
  await new Promise((resolve) => setTimeout(resolve, 1000));
  const later = await canvas.screenshot();
  assert(!first.equals(later), 'the live frames change');

  await page.click('#scene', { clickCount: 2 });
  await page.waitForFunction(() => document.fullscreenElement, { timeout: 10000 });
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => !document.fullscreenElement, { timeout: 10000 });

  await page.click('#music');
  await page.waitForFunction(() => audio && audio.state === 'running' && carol && carol.buffer, { timeout: 60000 });
  const music = await page.evaluate(() => ({ loop: carol.loop, seconds: carol.buffer.duration,
                                             pressed: document.getElementById('music').getAttribute('aria-pressed') }));
  assert.strictEqual(music.loop, true, 'the carol loop loops');
  assert(Math.abs(music.seconds - 81.18) < 0.05, `the carol loop lasts 81.18 s (${music.seconds})`);
  assert.strictEqual(music.pressed, 'true');
  await page.close();
  assert.deepStrictEqual(errors, [], 'no errors on the console');
}

async function main() {
  const { puppeteer, reason } = driver();
  if (!puppeteer || !fs.existsSync(chromium)) {
    console.log(`SKIPPED: ${reason || `no Chromium at ${chromium}`}`);
    process.exit(77);
  }
  const home = process.env.FROSTVALE_TEST_HOME || fs.mkdtempSync(path.join(os.tmpdir(), 'frostvale-web-'));
  fs.mkdirSync(home, { recursive: true });
  const nativePath = path.join(home, 'native-20s.bmp');
  execFileSync(dump, ['frame', '20', nativePath, '--width', '1280', '--height', '720']);
  const native = readBitmap(fs.readFileSync(nativePath));

  const server = await serve(dist);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const browser = await launch(puppeteer);
  try {
    const { web, shown } = await capturePage(browser, origin, home);
    assert.strictEqual(web.width, 1280);
    assert.strictEqual(web.height, 720);
    assert(shown.equals(web.rgb), 'the canvas shows the captured bitmap');
    const d = differences(web.rgb, native.rgb, web.width, web.height);
    console.log(`?t=20 against the native capture: mean difference ${d.mean.toFixed(3)}, ` +
                `largest 80 x 80 block ${d.block.toFixed(3)} (of 255)`);
    assert(d.mean <= tolerance.mean && d.block <= tolerance.block, `differences ${JSON.stringify(d)} above ${JSON.stringify(tolerance)}`);
    expectParts(native, 'native');
    expectParts(web, 'web');
    await storedPictures(browser, origin, home);
    await livePage(browser, origin);
  } finally {
    await browser.close();
    server.close();
  }
  console.log('page test passed');
}

main().catch((error) => { console.error(error); process.exit(1); });
