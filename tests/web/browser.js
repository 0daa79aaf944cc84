// The page served over HTTP from a local port and a headless Chromium to
// open it: Debian's chromium on its software WebGL, driven by
// puppeteer-core, with a profile of its own for each run.
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };

// Serves the files of dir; resolves to the server, listening on a free port.
function serve(dir) {
  const server = http.createServer((request, response) => {
    const name = path.join(dir, path.normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname))
      .replace(/^(\.\.[/\\])+/, '').replace(/^[/\\]$/, '/index.html'));
    fs.readFile(name, (error, data) => {
      if (error) { response.writeHead(404); response.end(); return; }
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

const chromium = process.env.FROSTVALE_CHROMIUM || '/usr/bin/chromium';

async function launch(puppeteer) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'frostvale-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    defaultViewport: { width: 1280, height: 720, deviceScaleFactor: 1 },
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

module.exports = { serve, driver, chromium, launch, readBitmap };
