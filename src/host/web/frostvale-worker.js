// The live scene's run in a dedicated worker: frostvale.js drawing into the
// page's canvas, handed over as an OffscreenCanvas, at the worker's own
// animation frames. The page keeps its controls, keys, wake lock and sound
// and tells the run what changes; the run tells the page what it drew.
//
// From the page: { kind: 'start', canvas, size, snow, showFps }, { kind:
// 'size', size } (the canvas's CSS size and the device pixel ratio), {
// kind: 'call', name, args } for the run's setters, { kind: 'music' }, {
// kind: 'graphics', lose } (the context lost and restored on purpose, as a
// test does). To the page: ready, started (the start's result), drawn (the
// frame counters and the moment on show), graphics (lost or back), music
// (the carols' WAVE image, handed over), abort (the toolchain's words),
// missing (frostvale.js could not be loaded).
'use strict';
let cssSize = [0, 0, 1];
let context = null;      // the run's WebGL2 context, as frostvale.js made it
let loseContext = null;  // the extension that lost the context on purpose
// the run's setters the page may call
const setters = ['frostvale_set_snow', 'frostvale_set_playing', 'frostvale_redraw', 'frostvale_set_frame_cap'];

function drawn() {
  postMessage({ kind: 'drawn', frames: Module._frostvale_frames_drawn(), redraws: Module._frostvale_redraws(),
                moment: Module.ccall('frostvale_moment', 'string') });
}

var Module = {
  canvasCssSize: () => cssSize,
  drawn,
  onRuntimeInitialized: () => postMessage({ kind: 'ready' }),
  onAbort: (what) => postMessage({ kind: 'abort', what: String(what) }),
  graphicsReset: (lost) => postMessage({ kind: 'graphics', lost }),
};

onmessage = ({ data }) => {
  if (data.kind === 'start') {
    Module.canvas = data.canvas;
    // the context kept as it is made: Firefox answers no second getContext in a worker
    const getContext = data.canvas.getContext.bind(data.canvas);
    data.canvas.getContext = (...args) => (context = getContext(...args));
    cssSize = data.size;
    const result = Module.ccall('frostvale_start', 'number', ['string', 'number', 'number'],
                                [null, data.snow, data.showFps]);
    postMessage({ kind: 'started', result });
  } else if (data.kind === 'size') {
    cssSize = data.size;
  } else if (data.kind === 'call' && setters.includes(data.name)) {
    Module['_' + data.name](...data.args);
    drawn();
  } else if (data.kind === 'music') {
    const at = Module._frostvale_music_image();
    const image = Module.HEAPU8.slice(at, at + Module._frostvale_music_image_size());
    postMessage({ kind: 'music', image }, [image.buffer]);
  } else if (data.kind === 'graphics') {
    if (data.lose) loseContext = context?.getExtension('WEBGL_lose_context');
    if (loseContext) data.lose ? loseContext.loseContext() : loseContext.restoreContext();
  }
};

try {
  importScripts('frostvale.js');
} catch {
  postMessage({ kind: 'missing' });
}
