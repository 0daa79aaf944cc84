// What the page costs as a wallpaper: all of headless Chromium's processor
// time a second (every process of the browser, read from /proc) at 1920 x
// 1080 in wallpaper mode, paused by a wallpaper app's call, capped at 15
// and at 30 frames a second, uncapped, and as a still (?t=20), beside a
// blank page in the same browser and run; with the frames a second drawn
// and the machine's load average over each pass. Linux only. Run by hand
// (not a test):
//
//   FROSTVALE_NODE_MODULES=build/web-test/node_modules node bench/wallpaper_cpu_web.js [SECONDS] [WIDTHxHEIGHT]
//
// after tools/build-web.sh; SECONDS (default 10) for each pass, the window
// 1920x1080 unless given (a smaller one shows the caps on a machine whose
// software renderer draws fewer frames than the caps at full HD).
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { serve, driver, launch } = require('../tests/web/browser');

const dist = process.env.FROSTVALE_WEB_DIST || path.join(__dirname, '..', 'dist', 'web');
const seconds = Number(process.argv[2] || 10);
const [width, height] = (process.argv[3] || '1920x1080').split('x').map(Number);
const ticks = 100;  // clock ticks a second of /proc's times (USER_HZ on Linux)
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The processor seconds used so far by process root and all its descendants.
function treeSeconds(root) {
  const parent = new Map(), used = new Map();
  for (const name of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      // the fields after the command's closing parenthesis: state, ppid, ... utime (14th), stime (15th)
      const stat = fs.readFileSync(`/proc/${name}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      parent.set(Number(name), Number(fields[1]));
      used.set(Number(name), (Number(fields[11]) + Number(fields[12])) / ticks);
    } catch { /* gone meanwhile */ }
  }
  const inTree = (pid) => { for (let p = pid; p > 1; p = parent.get(p)) if (p === root) return true; return false; };
  let total = 0;
  for (const [pid, s] of used) if (inTree(pid)) total += s;
  return total;
}

async function main() {
  const { puppeteer, reason } = driver();
  if (!puppeteer) throw new Error(reason);
  const server = await serve(dist);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const browser = await launch(puppeteer, 'chromium');
  const root = browser.process().pid;
  const passes = [
    ['blank page', 'about:blank', null],
    ['paused (Lively\'s pause call)', `${origin}/?wallpaper`, () => livelyWallpaperPlaybackChanged('{"IsPaused":true}')],
    ['still (?t=20)', `${origin}/?wallpaper&t=20`, null],
    ['capped at 15 (?fps=15)', `${origin}/?wallpaper&fps=15`, null],
    ['capped at 30 (?fps=30)', `${origin}/?wallpaper&fps=30`, null],
    ['uncapped', `${origin}/?wallpaper`, null],
  ];
  console.log(`Chromium's processor time a second at ${width} x ${height}, ${seconds} s a pass, ${os.cpus().length} cores`);
  try {
    for (const [name, url, then] of passes) {
      const page = await browser.newPage();
      await page.setViewport({ width, height, deviceScaleFactor: 1 });
      await page.goto(url);
      if (url !== 'about:blank') {
        await page.waitForSelector('body[data-state="running"], body[data-state="captured"]', { timeout: 120000 });
        if (then) await page.evaluate(then);
      }
      await sleep(2000);  // past the start-up
      const frames = () => page.evaluate(() => (typeof Module === 'undefined' ? 0 : Module._frostvale_frames_drawn()));
      const [f0, c0, t0, l0] = [await frames(), treeSeconds(root), Date.now(), os.loadavg()[0]];
      await sleep(seconds * 1000);
      const [f1, c1, t1, l1] = [await frames(), treeSeconds(root), Date.now(), os.loadavg()[0]];
      const wall = (t1 - t0) / 1000;
      console.log(`${name.padEnd(32)} ${((c1 - c0) / wall).toFixed(3)} s a second, ` +
                  `${((f1 - f0) / wall).toFixed(1)} frames a second, load ${l0.toFixed(1)} to ${l1.toFixed(1)}`);
      await page.close();
    }
  } finally {
    await browser.close();
    server.close();
  }
}

main().then(() => process.exit(0), (error) => { console.error(error); process.exit(1); });
