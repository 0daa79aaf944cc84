// The browser host's own JavaScript library, linked into frostvale.js.
mergeInto(LibraryManager.library, {
  // In a worker there is no document to find "#scene" in: the canvas the
  // page handed over, in Module.canvas, answers to that selector. On the
  // page nothing changes.
  frostvale_find_canvas__deps: ['$specialHTMLTargets'],
  frostvale_find_canvas: function() {
    if (Module['canvas']) specialHTMLTargets['#scene'] = Module['canvas'];
  },
});
