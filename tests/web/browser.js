// The page served over HTTP from a local port and a browser to open it,
// driven by puppeteer-core: Debian's chromium headless on its software
// WebGL, or Debian's firefox-esr over WebDriver BiDi on a private Xvfb
// display (headless Firefox has no WebGL2 here; on X it draws with Mesa).
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.webmanifest': 'application/manifest+json', '.png': 'image/png' };

// Serves the files of dir but missing (answered 404); resolves to the
// server, listening on a free port.
function serve(dir, missing) {
  const server = http.createServer((request, response) => {
    const name = path.join(dir, path.normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname))
      .replace(/^(\.\.[/\\])+/, '').replace(/^[/\\]$/, '/index.html'));
    fs.readFile(name, (error, data) => {
      if (error || path.basename(name) === missing) { response.writeHead(404); response.end(); return; }
      response.writeHead(200, { 'Content-Type': types[path.extname(name)] || 'application/octet-stream' });
      response.end(data);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// puppeteer-core from FROSTVALE_NODE_MODULES, or null with the reason.
function driver() {
  const modules = process.env.FROSTVALE_NODE_MODULES || '';
  try {
    return { puppeteer: require(path.resolve(modules, 'puppeteer-core')) };
  } catch (error) {
    return { reason: `puppeteer-core is not installed in "${modules}" (${error.code || error.message})` };
  }
}

const browsers = { chromium: process.env.FROSTVALE_CHROMIUM || '/usr/bin/chromium',
                   firefox: process.env.FROSTVALE_FIREFOX || '/usr/bin/firefox-esr' };

// Resolves to the display number of a new Xvfb server, which ends with this process.
function startXvfb() {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1920x1080x24', '-nolisten', 'tcp'],
                     { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  process.once('exit', () => xvfb.kill());
  return new Promise((resolve, reject) => {
    xvfb.once('error', reject);
    xvfb.stdio[3].once('data', (d) => resolve(`:${String(d).trim()}`));
  });
}

async function launch(puppeteer, name) {
  const defaultViewport = { width: 1280, height: 720, deviceScaleFactor: 1 };
  if (name === 'firefox') {
    return puppeteer.launch({ browser: 'firefox', executablePath: browsers.firefox, headless: false, defaultViewport,
                              env: { ...process.env, DISPLAY: await startXvfb() } });
  }
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'frostvale-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: browsers.chromium,
    headless: true,
    defaultViewport,
    args: ['--headless=new', '--no-sandbox', '--enable-unsafe-swiftshader', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run', `--user-data-dir=${profile}`],
  });
  // the profile goes once Chromium has quit writing it
  browser.process().once('exit', () => fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5 }));
  return browser;
}

// A 24-bit bottom-up BMP as { width, height, rgb } with rgb top row first.
function readBitmap(bytes) {
  const width = bytes.readInt32LE(18), height = bytes.readInt32LE(22);
  const stride = (3 * width + 3) & ~3;
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    const row = 54 + (height - 1 - y) * stride;
    for (let x = 0; x < width; ++x) {
      for (let c = 0; c < 3; ++c) rgb[(y * width + x) * 3 + c] = bytes[row + x * 3 + 2 - c];
    }
  }
  return { width, height, rgb };
}

module.exports = { serve, driver, browsers, launch, readBitmap };
