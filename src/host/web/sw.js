// The page's service worker: keeps the page's files in a cache named after
// the build, so the page opens offline after its first visit. A new build
// serves a new worker (its version below is a hash of the files, written
// by tools/build-web.sh); it fills its own cache, takes over at once and
// deletes the caches of older builds.
'use strict';
const cache = 'frostvale-@VERSION@';
const files = ['./', 'frostvale.js', 'frostvale-worker.js', 'frostvale.wasm', 'manifest.webmanifest', 'icon-32.png', 'icon-180.png',
               'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => event.waitUntil(
  // past the HTTP cache, so that no file of an older build comes in
  caches.open(cache).then((c) => c.addAll(files.map((f) => new Request(f, { cache: 'reload' }))))
    .then(() => self.skipWaiting())));

self.addEventListener('activate', (event) => event.waitUntil(
  caches.keys().then((names) => Promise.all(names.filter((n) => n.startsWith('frostvale-') && n !== cache)
                                                  .map((n) => caches.delete(n))))
    .then(() => self.clients.claim())));

// the page's files from the cache, whatever the query (?t=, ?fps); anything
// else from the network
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(cache)
    .then((c) => c.match(event.request, { ignoreSearch: true }))
    .then((hit) => hit || fetch(event.request)));
});
