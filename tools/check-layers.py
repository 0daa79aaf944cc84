#!/usr/bin/env python3
"""Checks the include graph of src/: no file includes a header of a layer
above its own or of a sibling host, and platform headers appear only in
the files named for the platform. Prints each breach; exit code 1 if any.
Usage: check-layers.py [SOURCE_ROOT]"""
import os
import re
import sys

root = os.path.join(sys.argv[1] if len(sys.argv) > 1 else ".", "src")

# webgl, the browser's OpenGL layer, lies under everything: shared/gl.h
# takes its header in the browser build
LOWER = {"webgl": [], "shared": ["webgl"], "assets": ["shared"], "scene": ["shared"], "music": ["shared"],
         "settings": ["shared"], "render": ["shared", "assets", "scene"]}
BELOW_HOSTS = ["shared", "assets", "scene", "music", "settings", "render"]
# what each room may include besides itself
ALLOWED = dict(LOWER)
ALLOWED["host/run"] = BELOW_HOSTS
for host in ("host/win32", "host/x11", "host/null"):
    ALLOWED[host] = BELOW_HOSTS + ["host/run"]
# the browser host starts the layer over its canvas (and reaches the scene
# and the music only through the run), the null host under node over nothing
ALLOWED["host/web"] = ["shared", "host/run", "webgl"]
ALLOWED["host/null"] = BELOW_HOSTS + ["host/run", "webgl"]
# the video host renders on the null host; the Linux program hands it a
# --video request
ALLOWED["host/video"] = BELOW_HOSTS + ["host/run", "host/null"]
# what every Linux host shares (the options table, the stop signals, the
# music lock) lies in host/linux, under the X11 and Wayland hosts
ALLOWED["host/linux"] = BELOW_HOSTS + ["host/run", "host/video"]
ALLOWED["host/wayland"] = BELOW_HOSTS + ["host/run", "host/linux"]
# the program's entry (host/x11/main_x11.cpp) hands a Wayland session to
# the Wayland host
ALLOWED["host/x11"] = ALLOWED["host/x11"] + ["host/video", "host/linux", "host/wayland"]

# system headers and the file names that may include them
PLATFORM = [
    (re.compile(r"^(windows|mmsystem|shellapi|commctrl)\.h$"), re.compile(r"_win32\.(cpp|h)$")),
    (re.compile(r"^(X11/|GL/glx)"), re.compile(r"_x11\.(cpp|h)$")),
    (re.compile(r"^alsa/"), re.compile(r"_alsa\.cpp$")),
    (re.compile(r"^(poll|signal|unistd|fcntl|pthread)\.h$"), re.compile(r"_(x11|wayland|posix|linux|alsa)\.cpp$")),
    (re.compile(r"^(wayland-|.*-client-protocol\.h$)"), re.compile(r"_wayland\.cpp$")),
    (re.compile(r"^EGL/"), re.compile(r"(host/null/|_wayland\.cpp$)")),
    (re.compile(r"^(GL/gl\.h|GL/glu\.h|shared/gl\.h)$"), re.compile(r"(_gl\.cpp|/shared/gl\.h|host/null/)")),
    (re.compile(r"^(emscripten/|GLES3/)"), re.compile(r"_web\.cpp$")),
    (re.compile(r"^webgl/gl11\.h$"), re.compile(r"(/webgl/|/shared/gl\.h)")),
]


def room(path):
    parts = path.split("/")
    return "/".join(parts[:2]) if parts[0] == "host" else parts[0]


breaches = []
for folder, _, files in os.walk(root):
    for name in sorted(files):
        path = os.path.relpath(os.path.join(folder, name), root)
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                m = re.match(r'\s*#\s*include\s*([<"])([^>"]+)[>"]', line)
                if not m:
                    continue
                header = m.group(2)
                where = "%s:%d: %s" % (path, number, header)
                if m.group(1) == '"':
                    mine, theirs = room(path), room(header)
                    if theirs != mine and theirs not in ALLOWED.get(mine, []):
                        breaches.append("%s: %s may not include %s" % (where, mine, theirs))
                for pattern, files_allowed in PLATFORM:
                    if pattern.search(header) and not files_allowed.search("src/" + path):
                        breaches.append("%s: a platform header outside its platform's files" % where)

for b in breaches:
    print(b)
sys.exit(1 if breaches else 0)
