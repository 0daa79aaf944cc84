// The page as a live wallpaper, for tests/web/page_test.js: the packages'
// metadata as Lively Wallpaper and Wallpaper Engine read it, each app's
// start-up replayed as the app does it (its saved values at the page's
// load, before the program is ready, then changes), pause and resume by
// each app's call and by the page becoming hidden, the frame-rate cap, the
// still against the native capture, hostile values, and ?wallpaper on the
// site's page: never a control, a wake lock or a sound unasked.
'use strict';
const assert = require('assert');
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Each field an app reads, with its type.
const livelyFields = { AppVersion: 'string', Title: 'string', Thumbnail: 'string', Preview: 'string',
                       Desc: 'string', Author: 'string', License: 'string', Contact: 'string', Type: 'number',
                       FileName: 'string', Arguments: 'string', IsAbsolutePath: 'boolean' };
const engineFields = { title: 'string', description: 'string', file: 'string', preview: 'string', type: 'string',
                       general: 'object' };

// A setting of either app as { kind, value, min, max }.
function livelySetting(p) {
  assert(['checkbox', 'slider'].includes(p.type), `Lively setting of type ${p.type}`);
  assert.strictEqual(typeof p.text, 'string');
  return { kind: p.type === 'checkbox' ? 'switch' : 'range', value: p.value, min: p.min, max: p.max };
}
function engineSetting(p) {
  assert(['bool', 'slider'].includes(p.type), `Wallpaper Engine setting of type ${p.type}`);
  assert.strictEqual(typeof p.text, 'string');
  return { kind: p.type === 'bool' ? 'switch' : 'range', value: p.value, min: p.min, max: p.max };
}

// The names in a zip, by Python's zipfile (node reads no zip).
const zipNames = (file) => execFileSync('python3', ['-c',
  'import sys, zipfile; print("\\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))', file]).toString().trim().split('\n');

// The metadata: fields present and of their types, the files they name
// there (in the folder and at the zip's root), defaults within their
// ranges, and the same settings with the same defaults in both packages.
function metadata(dist) {
  const root = path.join(dist, '..', 'wallpaper');
  const lively = path.join(root, 'lively'), engine = path.join(root, 'wallpaper-engine');
  const info = JSON.parse(fs.readFileSync(path.join(lively, 'LivelyInfo.json')));
  for (const [field, type] of Object.entries(livelyFields)) assert.strictEqual(typeof info[field], type, `LivelyInfo.json ${field}`);
  assert.strictEqual(info.Type, 1, 'a web page');
  assert.strictEqual(info.IsAbsolutePath, false);
  assert.match(info.Arguments, /--pause-event true/, 'Lively tells the page when to pause');
  const project = JSON.parse(fs.readFileSync(path.join(engine, 'project.json')));
  for (const [field, type] of Object.entries(engineFields)) assert.strictEqual(typeof project[field], type, `project.json ${field}`);
  assert.strictEqual(project.type, 'web');
  for (const [folder, names] of [[lively, [info.FileName, info.Thumbnail, info.Preview, 'frostvale.js']],
                                 [engine, [project.file, project.preview, 'frostvale.js']]]) {
    for (const name of names) assert(fs.statSync(path.join(folder, name)).size > 0, `${folder}/${name}`);
  }
  const zips = fs.readdirSync(root).filter((n) => n.endsWith('.zip'));
  const zip = (kind) => path.join(root, zips.find((n) => n.endsWith(`-${kind}.zip`)));
  assert.deepStrictEqual(zipNames(zip('lively')).sort(), fs.readdirSync(lively).sort(), 'the Lively zip holds the folder at its root');
  assert.deepStrictEqual(zipNames(zip('wallpaper-engine')).sort(), fs.readdirSync(engine).sort());

  const read = (properties, setting) => Object.fromEntries(Object.entries(properties).map(([n, p]) => [n, setting(p)]));
  const a = read(JSON.parse(fs.readFileSync(path.join(lively, 'LivelyProperties.json'))), livelySetting);
  const b = read(project.general.properties, engineSetting);
  assert.deepStrictEqual(a, b, 'both apps offer the same settings with the same defaults');
  for (const [name, s] of Object.entries(a)) {
    if (s.kind === 'switch') assert.strictEqual(typeof s.value, 'boolean', name);
    else assert(s.min <= s.value && s.value <= s.max, `${name}: ${s.value} within ${s.min} to ${s.max}`);
  }
  assert.deepStrictEqual(Object.keys(a).sort(), ['fps', 'moment', 'music', 'snow', 'still']);
  return { lively, engine, defaults: Object.fromEntries(Object.entries(a).map(([n, s]) => [n, s.value])) };
}

// A wallpaper app as the page sees it, run in the page before its own
// scripts: it keeps the saved settings (over reloads, as the app does) and
// sends them all once the page has loaded, before the program is ready,
// then each change (hostChange) as the user makes it.
function wallpaperApp(app, saved, general) {
  observeWakeLock();
  window.appLog = [];
  // (Firefox refuses storage to the blank page before the first)
  const storage = (() => { try { return sessionStorage; } catch { return null; } })();
  const kept = JSON.parse(storage?.getItem('test.saved') || 'null') || saved;
  const send = (settings) => {
    if (app === 'lively') for (const [name, value] of Object.entries(settings)) livelyPropertyListener(name, value);
    else wallpaperPropertyListener.applyUserProperties(Object.fromEntries(Object.entries(settings).map(([n, v]) => [n, { value: v }])));
  };
  window.hostChange = (settings) => {
    Object.assign(kept, settings);
    storage.setItem('test.saved', JSON.stringify(kept));
    send(settings);
  };
  document.addEventListener('DOMContentLoaded', () => {
    appLog.push({ state: document.body.dataset.state || 'loading',
                  controls: getComputedStyle(document.querySelector('nav')).display,
                  cursor: getComputedStyle(document.body).cursor });
    send(kept);
    if (general) wallpaperPropertyListener.applyGeneralProperties(general);
  });

  // the wake lock observed as page_test.js's observeWakeLock does
  function observeWakeLock() {
    window.wakeLockLog = [];
    if (!navigator.wakeLock) return;
    const request = navigator.wakeLock.request.bind(navigator.wakeLock);
    navigator.wakeLock.request = async (type) => { wakeLockLog.push('request'); return request(type); };
  }
}

const frames = (page) => page.evaluate(() => Module._frostvale_frames_drawn());
const moment = (page) => page.evaluate(() => Module.ccall('frostvale_moment', 'string'));

// The frames under a cap of 15 frames a second, over about two seconds
// of the page's clock: at most 15 a second (and one), and some. In a small
// window, where the software renderers here draw far more uncapped.
async function capped(page, name) {
  await page.setViewport({ width: 320, height: 180, deviceScaleFactor: 1 });
  const count = () => page.evaluate(() => [Module._frostvale_frames_drawn(), performance.now()]);
  const [f0, t0] = await count();
  await sleep(2000);
  const [f1, t1] = await count();
  const seconds = (t1 - t0) / 1000;
  console.log(`${name}: ${f1 - f0} frames in ${seconds.toFixed(2)} s under a cap of 15`);
  assert(f1 - f0 <= 15 * seconds + 1 && f1 > f0, `${name}: ${f1 - f0} frames in ${seconds} s under a cap of 15`);
  await page.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
}

// Paused by pause(true): no frame is drawn and the scene's time stands,
// a second pause changes nothing; resumed by pause(false), the frames and
// the time go on from where they stood, and a second resume changes nothing.
async function pauses(page, name, pause) {
  await pause(true);
  await sleep(200);
  const [f, m] = [await frames(page), await moment(page)];
  await pause(true);
  await sleep(500);
  assert.deepStrictEqual([await frames(page), await moment(page)], [f, m], `${name}: paused, the scene stands`);
  await pause(false);
  await pause(false);
  await page.waitForFunction((f) => Module._frostvale_frames_drawn() > f + 3, { timeout: 30000 }, f);
  const after = Number(await moment(page));
  assert(after > Number(m) && after < Number(m) + 2, `${name}: resumed at ${after} s from ${m} s`);
}

// What a wallpaper must never do: show its controls or cursor (at the
// first paint too), keep the screen on, or sound unasked.
async function quiet(page, name, musicAsked) {
  const seen = await page.evaluate(() => ({ first: appLog[0], wakeLock: wakeLockLog,
    controls: getComputedStyle(document.querySelector('nav')).display, cursor: getComputedStyle(document.body).cursor,
    sound: typeof audio !== 'undefined' && audio !== null && audio.state !== 'suspended' }));
  assert.strictEqual(seen.first.state, 'loading', `${name}: the app's first values come before the program is ready`);
  assert.deepStrictEqual([seen.first.controls, seen.first.cursor], ['none', 'none'], `${name}: no controls, no cursor from the start`);
  assert.deepStrictEqual([seen.controls, seen.cursor], ['none', 'none'], `${name}: no controls, no cursor`);
  assert.deepStrictEqual(seen.wakeLock, [], `${name}: no wake lock`);
  if (!musicAsked) assert.strictEqual(seen.sound, false, `${name}: no sound unasked`);
}

async function open(browser, url, prepare, args, state, before) {
  const page = await browser.newPage();
  page.errors = [];
  page.on('console', (m) => { if (m.type() === 'error') page.errors.push(m.text()); });
  page.on('pageerror', (e) => page.errors.push(e.message));
  if (before) await page.evaluateOnNewDocument(before);
  await page.evaluateOnNewDocument(prepare, ...args);
  await page.goto(url);
  await page.waitForSelector(`body[data-state="${state}"]`, { timeout: 60000 });
  return page;
}

// Lively Wallpaper: the package's folder opened as a file; its saved
// values (snow off, music on, a cap of 15) arrive before the program is
// ready; pause and resume by livelyWallpaperPlaybackChanged and by the
// page becoming hidden; music and snow follow their changes.
async function lively(browser, pkg, setVisibility) {
  const saved = { ...pkg.defaults, snow: false, music: true, fps: 15 };
  const page = await open(browser, `file://${path.join(pkg.lively, 'index.html')}`, wallpaperApp, ['lively', saved, null], 'running');
  await quiet(page, 'Lively', true);
  const state = () => page.evaluate(() => ({ snow: settings.snow, music: document.getElementById('music').getAttribute('aria-pressed'),
                                             carol: !!(carol && carol.buffer && carol.loop) }));
  await page.waitForFunction(() => carol && carol.buffer, { timeout: 60000 });
  assert.deepStrictEqual(await state(), { snow: false, music: 'true', carol: true }, 'Lively: snow off, music on');
  await capped(page, 'Lively');
  await pauses(page, 'Lively pause', (on) => page.evaluate((on) => livelyWallpaperPlaybackChanged(JSON.stringify({ IsPaused: on })), on));
  await pauses(page, 'hidden', (on) => setVisibility(page, on ? 'hidden' : 'visible'));
  await page.evaluate(() => hostChange({ snow: true, music: false }));
  await page.waitForFunction(() => audio.state === 'suspended');
  assert.deepStrictEqual(await state(), { snow: true, music: 'false', carol: true }, 'Lively: snow on, music off');
  assert.deepStrictEqual(page.errors, [], 'Lively: nothing on the console');
  await page.close();
}

// Wallpaper Engine: the project folder opened as a file; its saved values
// ask for the still of 20 s, which equals the native capture within the
// page's tolerance; the still turned off starts the live scene (the page
// starts again, the app sending its values again), under the app's own cap
// of 15; setPaused pauses and resumes; then hostile values.
async function wallpaperEngine(browser, pkg, native, compare) {
  const saved = { ...pkg.defaults, still: true, moment: 20 };
  const page = await open(browser, `file://${path.join(pkg.engine, 'index.html')}`, wallpaperApp,
                          ['engine', saved, { fps: 15 }], 'captured');
  await quiet(page, 'Wallpaper Engine', false);
  const bitmap = Buffer.from(await page.evaluate(() => btoa(String.fromCharCode(...Module.FS.readFile('/frostvale.bmp').subarray(0, 54)))), 'base64');
  assert.deepStrictEqual([bitmap.readInt32LE(18), bitmap.readInt32LE(22)], [1280, 720], 'the still fills the window');
  await compare(page, native, 'the still of 20 s');

  await page.evaluate(() => hostChange({ still: false }));
  await page.waitForSelector('body[data-state="running"]', { timeout: 60000 });
  await page.waitForFunction(() => Module._frostvale_frames_drawn() > 2, { timeout: 60000 });
  await capped(page, 'Wallpaper Engine');
  await pauses(page, 'Wallpaper Engine pause', (on) => page.evaluate((on) => wallpaperPropertyListener.setPaused(on), on));
  await hostile(page);
  await quiet(page, 'Wallpaper Engine live', false);
  await page.close();
}

// Whatever an app sends: unknown settings, wrong types, values out of
// range, null; none stops the page or reaches the console, each is read
// sensibly or changes nothing.
async function hostile(page) {
  await page.evaluate(() => {
    const user = wallpaperPropertyListener.applyUserProperties;
    for (const value of [null, undefined, 'text', 42, [1, 2], { snow: null }, { snow: { value: 'perhaps' } },
                         { music: { value: {} } }, { fps: { value: 0 } }, { fps: null }, { moment: { value: -5 } },
                         { unknown: { value: 1 } }, { still: { value: null } }, { __proto__: { value: true } }]) user(value);
    user({ snow: { value: 'false' } });       // a text read as what it says
    user({ fps: { value: 1000 } });           // above any display: the app's own cap of 15 stays the lower
    wallpaperPropertyListener.applyGeneralProperties({ fps: 'fast' });
    wallpaperPropertyListener.applyGeneralProperties(null);
    wallpaperPropertyListener.setPaused('perhaps');
    wallpaperPropertyListener.setPaused({});
    livelyPropertyListener(undefined, {});
    livelyPropertyListener('fps', NaN);
    livelyPropertyListener('moment', 'a long time');
    livelyWallpaperPlaybackChanged('not JSON');
    livelyWallpaperPlaybackChanged(null);
    livelyWallpaperPlaybackChanged('{"IsPaused":"no"}');
    livelyWallpaperPlaybackChanged(7);
  });
  const f = await frames(page);
  await page.waitForFunction((f) => Module._frostvale_frames_drawn() > f + 3, { timeout: 30000 }, f);
  const read = await page.evaluate(() => ({ snow: settings.snow, cap: effectiveCap(), still: settings.still,
                                            moment: settings.moment, state: document.body.dataset.state }));
  assert.deepStrictEqual(read, { snow: false, cap: 15, still: false, moment: '20', state: 'running' }, 'hostile values');
  assert.deepStrictEqual(page.errors, [], 'hostile values: nothing on the console');
}

// ?wallpaper on the site's page, music remembered as on by an earlier
// visit: still no controls, no wake lock and no sound.
async function siteAsWallpaper(browser, origin) {
  const page = await open(browser, `${origin}/?wallpaper`, wallpaperApp, ['lively', {}, null], 'running',
                          () => localStorage.setItem('frostvale.music', 'on'));
  await sleep(500);
  await quiet(page, '?wallpaper', false);
  assert.strictEqual(await page.evaluate(() => audio), null, '?wallpaper: no music remembered into a wallpaper');
  await page.evaluate(() => localStorage.clear());
  await page.close();
}

async function wallpaperGroup(browser, origin, dist, native, compare, setVisibility) {
  const pkg = metadata(dist);
  await lively(browser, pkg, setVisibility);
  await wallpaperEngine(browser, pkg, native, compare);
  await siteAsWallpaper(browser, origin);
}

module.exports = { wallpaperGroup };
