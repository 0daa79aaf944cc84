// The page's frame rate in headless Chromium (software WebGL2) beside a
// floor: a trivial WebGL2 page that draws one full-screen textured, blended
// quad a frame, in the same browser and the same run, at 1280 x 720 and
// 640 x 360, with the ratio of the two. Also the page's own time per frame
// (its animation-frame callback, WebAssembly and WebGL calls together), its
// WebGL calls, draws and bytes uploaded per frame (counted by a wrapper of
// the WebGL2 context's prototype, put in place before the page loads, in a
// pass of its own so the counting does not slow the timed passes), the
// time from starting to load the page to its first frame and the sizes of
// its files. Run by hand (not a test):
//
//   FROSTVALE_NODE_MODULES=build/web-test/node_modules node bench/frame_rate_web.js [SECONDS]
//
// after tools/build-web.sh; SECONDS (default 10) for each timed pass.
// FROSTVALE_WEB_DIST=DIR times the page built in DIR instead of dist/web.
// bench/frame_rate_x11.py gives the native program's frame rate on Xvfb to
// set beside it. Give the machine's load (uptime) with the figures. Where
// the page runs its scene in a worker, the frames are the page's mirrored
// counter, the script time is the page's thread's (the worker's is not
// counted) and the WebGL figures come from a pass with the run on the
// page's thread (the same code and calls), where the wrappers see them.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const { serve, driver, launch } = require('../tests/web/browser');

// FROSTVALE_WEB_DIST names another build of the page (an older one, to set beside)
const dist = process.env.FROSTVALE_WEB_DIST || path.join(__dirname, '..', 'dist', 'web');
const seconds = Number(process.argv[2] || 10);
const sizes = [[1280, 720], [640, 360]];

// The floor: what any WebGL2 page pays a frame for a canvas of this size.
const floorPage = `<!doctype html>
<html><head><meta charset="utf-8"><style>html, body { margin: 0; height: 100%; overflow: hidden; }
canvas { display: block; width: 100vw; height: 100vh; }</style></head>
<body><canvas></canvas><script>
const canvas = document.querySelector('canvas');
const gl = canvas.getContext('webgl2', { alpha: false, depth: true, stencil: false, antialias: false });
function shader(kind, source) {
  const s = gl.createShader(kind);
  gl.shaderSource(s, '#version 300 es\\nprecision highp float;\\n' + source);
  gl.compileShader(s);
  return s;
}
const program = gl.createProgram();
gl.attachShader(program, shader(gl.VERTEX_SHADER,
  'in vec2 p; out vec2 t; void main() { t = p * 0.5 + 0.5; gl_Position = vec4(p, 0.0, 1.0); }'));
gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
  'in vec2 t; uniform sampler2D s; out vec4 c; void main() { c = texture(s, t * 4.0); }'));
gl.linkProgram(program);
gl.useProgram(program);
gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, 1, 1]), gl.STATIC_DRAW);
gl.enableVertexAttribArray(0);
gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
const texels = new Uint8Array(256 * 256 * 4);
for (let i = 0; i < texels.length; ++i) texels[i] = (i * 37) & 255;
gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, 256, 256, 0, gl.RGBA, gl.UNSIGNED_BYTE, texels);
gl.generateMipmap(gl.TEXTURE_2D);
gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.LINEAR_MIPMAP_LINEAR);
gl.enable(gl.BLEND);
gl.blendFunc(gl.ONE, gl.ONE);
function frame() {
  const w = Math.round(canvas.clientWidth * devicePixelRatio), h = Math.round(canvas.clientHeight * devicePixelRatio);
  if (canvas.width !== w || canvas.height !== h) { canvas.width = w; canvas.height = h; }
  gl.viewport(0, 0, w, h);
  gl.clearColor(0.04, 0.03, 0.13, 1.0);
  gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
  gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
  requestAnimationFrame(frame);
}
requestAnimationFrame(frame);
</script></body></html>
`;

// Before the page's scripts: no canvas handed to a worker, so that the
// scene runs on the page's thread, where countWebGL sees its calls.
function onPageThread() {
  delete HTMLCanvasElement.prototype.transferControlToOffscreen;
}

// Put in place before any script of the page runs: every animation-frame
// callback is counted and timed.
function timeFrames() {
  const frames = { count: 0, busy: 0 };
  window.frostvaleBench = { frames };
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => request((time) => {
    const start = performance.now();
    try {
      callback(time);
    } finally {
      frames.busy += performance.now() - start;
      frames.count += 1;
    }
  });
}

// Also before the page's scripts: every method of the WebGL2 context's
// prototype counts its calls, the draws among them, the bytes that buffer
// and texture uploads hand over, and the time spent in each method.
function countWebGL() {
  const counts = { calls: 0, draws: 0, bytes: 0, geometry: 0, time: {} };
  window.frostvaleBench.webgl = counts;
  const proto = WebGL2RenderingContext.prototype;
  const draws = new Set(['drawArrays', 'drawElements', 'drawArraysInstanced', 'drawElementsInstanced',
                         'drawRangeElements']);
  // bytes of (view, [offset in elements, [length in elements]])
  const viewBytes = (view, offset, length) => {
    if (!view || typeof view !== 'object' || !('byteLength' in view)) return 0;
    const size = view.BYTES_PER_ELEMENT || 1;
    if (length !== undefined && length > 0) return length * size;
    return view.byteLength - (offset || 0) * size;
  };
  // four bytes a texel, sixteen for floats
  const texel = (type) => (type === WebGL2RenderingContext.FLOAT ? 16 : 4);
  const uploads = {
    bufferData: (a) => viewBytes(a[1], a[3], a[4]),
    bufferSubData: (a) => viewBytes(a[2], a[3], a[4]),
    // (target, level, internal format, width, height, border, format, type, source, ...)
    texImage2D: (a) => (a.length >= 9 && a[8] ? a[3] * a[4] * texel(a[7]) : 0),
    // (target, level, x, y, width, height, format, type, source, ...)
    texSubImage2D: (a) => (a.length >= 9 ? a[4] * a[5] * texel(a[7]) : 0),
  };
  // the buffer uploads are vertex and index data, and so are the sprites
  // the layer hands over in a float texture, two texels each (an even
  // width; its records are 7, 15 or 19 texels wide)
  const geometry = new Set(['bufferData', 'bufferSubData']);
  const sprites = (name, a) => name === 'texSubImage2D' && a[7] === WebGL2RenderingContext.FLOAT && a[4] % 2 === 0;
  for (const name of Object.getOwnPropertyNames(proto)) {
    const descriptor = Object.getOwnPropertyDescriptor(proto, name);
    if (typeof descriptor.value !== 'function' || name === 'constructor') continue;
    const original = descriptor.value;
    const upload = uploads[name];
    const draw = draws.has(name);
    counts.time[name] = 0;
    proto[name] = function (...args) {
      counts.calls += 1;
      if (draw) counts.draws += 1;
      if (upload) {
        const bytes = upload(args);
        counts.bytes += bytes;
        if (geometry.has(name) || sprites(name, args)) counts.geometry += bytes;
      }
      const start = performance.now();
      try {
        return original.apply(this, args);
      } finally {
        counts.time[name] += performance.now() - start;
      }
    };
  }
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The processor time (ms) of the browser's process and all its
// descendants so far, from /proc (Linux only; 0 elsewhere).
function browserCpu(browser) {
  const root = browser.process() && browser.process().pid;
  if (!root || !fs.existsSync('/proc/self/stat')) return 0;
  const tick = 1000 / 100;  // USER_HZ
  const stats = [];
  for (const name of fs.readdirSync('/proc')) {
    if (!/^[0-9]+$/.test(name)) continue;
    try {
      const text = fs.readFileSync(`/proc/${name}/stat`, 'utf8');
      const fields = text.slice(text.lastIndexOf(')') + 2).split(' ');
      // fields from the state on: ppid 1, utime 11, stime 12
      stats.push({ pid: Number(name), ppid: Number(fields[1]), cpu: (Number(fields[11]) + Number(fields[12])) * tick });
    } catch (error) {
      // a process that ended meanwhile
    }
  }
  const inTree = new Set([root]);
  for (let grown = true; grown;) {
    grown = false;
    for (const s of stats) {
      if (!inTree.has(s.pid) && inTree.has(s.ppid)) {
        inTree.add(s.pid);
        grown = true;
      }
    }
  }
  return stats.filter((s) => inTree.has(s.pid)).reduce((sum, s) => sum + s.cpu, 0);
}

// Opens url at width x height, waits for it to draw, lets it run 2 s, then
// measures for seconds: frames a second, the mean time of a frame's
// callback, DevTools' script time a frame (ScriptDuration), all of the
// browser's processor time a frame and, when counting, the WebGL figures a
// frame.
async function measure(browser, url, width, height, counting, seconds) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: 1 });
  await page.evaluateOnNewDocument(timeFrames);
  if (counting) await page.evaluateOnNewDocument(onPageThread);
  if (counting) await page.evaluateOnNewDocument(countWebGL);
  const devtools = await page.target().createCDPSession();
  await devtools.send('Performance.enable');
  const scriptSeconds = async () =>
    (await devtools.send('Performance.getMetrics')).metrics.find((m) => m.name === 'ScriptDuration').value;
  await page.goto(url);
  // a worker's frames as the page mirrors them (their callback's time is the worker's, not counted here)
  const framesDrawn = () => (typeof worker !== 'undefined' && worker ? Module._frostvale_frames_drawn()
                                                                  : window.frostvaleBench.frames.count);
  await page.waitForFunction(`(${framesDrawn})() > 2`, { timeout: 60000 });
  await sleep(2000);
  const snapshot = () => page.evaluate(`JSON.stringify({ now: performance.now(), ...window.frostvaleBench,
    drawn: (${framesDrawn})() })`);
  const before = JSON.parse(await snapshot());
  const scriptBefore = await scriptSeconds();
  const cpuBefore = browserCpu(browser);
  await sleep(seconds * 1000);
  const cpuAfter = browserCpu(browser);
  const scriptAfter = await scriptSeconds();
  const after = JSON.parse(await snapshot());
  await page.close();
  const frames = after.drawn - before.drawn;
  const result = {
    fps: frames / ((after.now - before.now) / 1000),
    busy: (after.frames.busy - before.frames.busy) / frames,
    script: ((scriptAfter - scriptBefore) * 1000) / frames,
    cpu: (cpuAfter - cpuBefore) / frames,
  };
  if (counting) {
    for (const key of ['calls', 'draws', 'bytes', 'geometry']) result[key] = (after.webgl[key] - before.webgl[key]) / frames;
    result.time = Object.keys(after.webgl.time).map((name) =>
      [name, (after.webgl.time[name] - before.webgl.time[name]) / frames]).sort((a, b) => b[1] - a[1]);
  }
  return result;
}

async function main() {
  for (const name of ['index.html', 'frostvale.js', 'frostvale-worker.js', 'frostvale.wasm']) {
    if (!fs.existsSync(path.join(dist, name))) continue;
    const bytes = fs.readFileSync(path.join(dist, name));
    console.log(`${name.padEnd(15)} ${String(bytes.length).padStart(8)} bytes, ` +
                `${String(zlib.gzipSync(bytes, { level: 9 }).length).padStart(7)} gzipped`);
  }
  const { puppeteer, reason } = driver();
  if (!puppeteer) throw new Error(reason);
  const floorDir = fs.mkdtempSync(path.join(os.tmpdir(), 'frostvale-floor-'));
  fs.writeFileSync(path.join(floorDir, 'index.html'), floorPage);
  const server = await serve(dist);
  const floorServer = await serve(floorDir);
  const origin = `http://127.0.0.1:${server.address().port}/`;
  const floorOrigin = `http://127.0.0.1:${floorServer.address().port}/`;
  const browser = await launch(puppeteer);
  try {
    const page = await browser.newPage();
    await page.goto(origin);
    await page.waitForFunction(() => performance.getEntriesByName('frostvale-first-frame').length > 0,
                               { timeout: 60000 });
    const firstFrame = await page.evaluate(() => performance.getEntriesByName('frostvale-first-frame')[0].startTime);
    await page.close();
    console.log(`first frame ${firstFrame.toFixed(0)} ms after the page began to load`);

    const counted = await measure(browser, origin, 1280, 720, true, Math.min(seconds, 5));
    console.log(`a frame of the page at 1280 x 720: ${counted.calls.toFixed(0)} WebGL calls, ` +
                `${counted.draws.toFixed(0)} draws, ${(counted.geometry / 1024).toFixed(1)} KiB of vertices and ` +
                `indices, ${(counted.bytes / 1024).toFixed(1)} KiB uploaded in all; ` +
                `its own time ${counted.busy.toFixed(2)} ms, of which in WebGL calls ` +
                counted.time.slice(0, 4).map(([name, ms]) => `${name} ${ms.toFixed(2)}`).join(', ') + ' ms');

    // the capture of 40 s (every ornament on the tree): one frame, all counted
    const still = await browser.newPage();
    await still.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
    await still.evaluateOnNewDocument(timeFrames);
    await still.evaluateOnNewDocument(countWebGL);
    await still.goto(origin + '?t=40');
    await still.waitForFunction(() => document.body.dataset.state === 'captured', { timeout: 120000 });
    const capture = await still.evaluate(() => window.frostvaleBench.webgl);
    await still.close();
    console.log(`the capture ?t=40 at 1280 x 720: ${capture.draws} draws, ${capture.calls} WebGL calls ` +
                `(the start-up's textures and the lists' store included: ${(capture.geometry / 1024).toFixed(0)} KiB ` +
                'of vertices and indices)');

    // the page and the floor one after the other at each size, so both see the same load
    for (const [width, height] of sizes) {
      const scene = await measure(browser, origin, width, height, false, seconds);
      const floor = await measure(browser, floorOrigin, width, height, false, seconds);
      console.log(`${width} x ${height}: page ${scene.fps.toFixed(1)} frames/s (its own time ` +
                  `${scene.busy.toFixed(2)} ms a frame, script ${scene.script.toFixed(2)} ms, browser's CPU ` +
                  `${scene.cpu.toFixed(1)} ms), floor ${floor.fps.toFixed(1)} frames/s (script ` +
                  `${floor.script.toFixed(2)} ms, browser's CPU ${floor.cpu.toFixed(1)} ms), ` +
                  `page / floor ${(scene.fps / floor.fps).toFixed(2)}, CPU a frame ${(scene.cpu / floor.cpu).toFixed(2)} times the floor's`);
      console.log(`load: ${os.loadavg().map((l) => l.toFixed(2)).join(', ')} (1, 5, 15 min)`);
    }
  } finally {
    await browser.close();
    server.close();
    floorServer.close();
    fs.rmSync(floorDir, { recursive: true, force: true });
  }
  console.log(`load: ${os.loadavg().map((l) => l.toFixed(2)).join(', ')} (1, 5, 15 min)`);
}

main().catch((error) => { console.error(error); process.exit(1); });
