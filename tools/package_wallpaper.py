#!/usr/bin/env python3
"""Packs the page as a live wallpaper for the two wallpaper apps that take a
web page: Lively Wallpaper (a folder or .zip with LivelyInfo.json and
LivelyProperties.json at its root) and Wallpaper Engine (a project folder
with project.json, and its .zip). tools/build-web.sh runs it after the
browser build.

    python3 tools/package_wallpaper.py WEB_BUILD OUT_DIR [--version 2026.2.14]

Both packages hold the same page: index.html made from the page's own,
marked as the wallpaper package's (its wallpaper mode from the first
paint), frostvale.js from WEB_BUILD/frostvale-wallpaper.js (the program
inside the loader: the apps open the page from a folder, where a browser
fetches no .wasm), the animated preview packaging/wallpaper/preview.gif
and the still packaging/wallpaper/thumbnail.png (tools/make-wallpaper-preview.sh
makes both from the capture). The settings and their defaults come from one
table, SETTINGS, so both apps offer the same ones.

OUT_DIR receives lively/ and wallpaper-engine/ (the folders) and
Frostvale2026-VERSION-lively.zip and Frostvale2026-VERSION-wallpaper-engine.zip;
they are made beside OUT_DIR and moved in only when all are made. The same
inputs give the same bytes (the files carry SOURCE_DATE_EPOCH's time, else
the last commit's)."""
import argparse
import json
import os
import re
import shutil
import sys
import tempfile
import time
import zipfile

import version as release_version
from package_windows import source_date_epoch

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PACKAGING = os.path.join(ROOT, "packaging", "wallpaper")

TITLE = "Frostvale 2026"
DESCRIPTION = ("A lit fir tree in the snow at night: forty ornaments fly in, snap onto the tree with sparks "
               "and fly away again, with three carols.")

# The settings both apps show, in their order: the name the page reads,
# the label, the kind (a switch or a slider), the default, and a slider's
# lowest and highest value and step.
SETTINGS = (
    ("snow", "Snow", "bool", True, None, None, None),
    ("music", "Music (the carols)", "bool", False, None, None, None),
    ("fps", "Frame-rate cap (frames a second)", "slider", 30, 5, 60, 5),
    ("still", "A still picture (drawn once, no motion)", "bool", False, None, None, None),
    ("moment", "The still's moment (seconds from the start)", "slider", 20, 0, 600, 1),
)


def lively_info(version):
    """LivelyInfo.json: a web page (Type 1), index.html beside it, which
    pauses through livelyWallpaperPlaybackChanged (--pause-event true)."""
    return {
        "AppVersion": "1.0.0.0",
        "Title": TITLE,
        "Thumbnail": "thumbnail.png",
        "Preview": "preview.gif",
        "Desc": DESCRIPTION + " Version " + version + ".",
        "Author": "Frostvale",
        "License": "",
        "Contact": "",
        "Type": 1,
        "FileName": "index.html",
        "Arguments": "--pause-event true",
        "IsAbsolutePath": False,
    }


def lively_properties():
    """LivelyProperties.json: a checkbox per switch, a slider per slider."""
    properties = {}
    for name, text, kind, default, low, high, step in SETTINGS:
        if kind == "bool":
            properties[name] = {"type": "checkbox", "value": default, "text": text}
        else:
            properties[name] = {"type": "slider", "value": default, "min": low, "max": high, "step": step,
                                "text": text}
    return properties


def wallpaper_engine_project(version):
    """project.json: a web wallpaper with the settings as user properties."""
    properties = {}
    for order, (name, text, kind, default, low, high, step) in enumerate(SETTINGS):
        if kind == "bool":
            properties[name] = {"order": order, "text": text, "type": "bool", "value": default}
        else:
            properties[name] = {"order": order, "text": text, "type": "slider", "value": default, "min": low,
                                "max": high, "step": step, "fraction": False, "editable": True}
    return {
        "title": TITLE,
        "description": DESCRIPTION + " Version " + version + ".",
        "file": "index.html",
        "preview": "preview.gif",
        "type": "web",
        "tags": ["Nature"],
        "general": {"properties": properties},
    }


def wallpaper_page(index_html):
    """The page's index.html as the package's own: in wallpaper mode from its
    markup, before anything is drawn, without the web app's links."""
    page, count = re.subn(r'<html lang="en">', '<html lang="en" class="wallpaper" data-package="wallpaper">',
                          index_html, count=1)
    if count != 1:
        raise SystemExit("index.html: no <html lang=\"en\"> to mark as the wallpaper's page")
    # a wallpaper is no web app: no manifest, no icons to fetch
    return re.sub(r'<link rel="(icon|apple-touch-icon|manifest)"[^>]*>\n', "", page)


def write_folder(folder, files, epoch):
    os.makedirs(folder)
    for name, data in sorted(files.items()):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        os.chmod(path, 0o644)
        os.utime(path, (epoch, epoch))


def write_zip(path, files, epoch):
    # zip times are local DOS times from 1980 on; taken here as UTC
    date = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path, "w") as z:
        for name, data in sorted(files.items()):
            entry = zipfile.ZipInfo(name, date)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0  # MS-DOS attributes: a plain file
            entry.external_attr = 0x20
            z.writestr(entry, data)


def as_json(value):
    return (json.dumps(value, indent=2, ensure_ascii=False) + "\n").encode()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def package(web_build, out, version):
    """Makes both packages in a folder beside out, then moves them in in
    place of older ones. Returns the paths of the two .zip files."""
    page = {
        "index.html": wallpaper_page(read(os.path.join(ROOT, "src", "host", "web", "index.html")).decode()).encode(),
        "frostvale.js": read(os.path.join(web_build, "frostvale-wallpaper.js")),
        "preview.gif": read(os.path.join(PACKAGING, "preview.gif")),
    }
    lively = dict(page)
    lively["thumbnail.png"] = read(os.path.join(PACKAGING, "thumbnail.png"))
    lively["LivelyInfo.json"] = as_json(lively_info(version))
    lively["LivelyProperties.json"] = as_json(lively_properties())
    engine = dict(page)
    engine["project.json"] = as_json(wallpaper_engine_project(version))

    epoch = source_date_epoch()
    out = os.path.abspath(out)
    os.makedirs(out, exist_ok=True)
    stage = tempfile.mkdtemp(prefix=".wallpaper-", dir=os.path.dirname(out))
    zips = {"lively": "Frostvale2026-%s-lively.zip" % version,
            "wallpaper-engine": "Frostvale2026-%s-wallpaper-engine.zip" % version}
    try:
        for name, files in (("lively", lively), ("wallpaper-engine", engine)):
            write_folder(os.path.join(stage, name), files, epoch)
            write_zip(os.path.join(stage, zips[name]), files, epoch)
        for name in os.listdir(out):
            if name in ("lively", "wallpaper-engine"):
                shutil.rmtree(os.path.join(out, name))
            elif re.fullmatch(r"Frostvale2026-.*-(lively|wallpaper-engine)\.zip", name):
                os.remove(os.path.join(out, name))
        for name in ["lively", "wallpaper-engine"] + sorted(zips.values()):
            os.replace(os.path.join(stage, name), os.path.join(out, name))
    finally:
        shutil.rmtree(stage, ignore_errors=True)
    return [os.path.join(out, z) for z in sorted(zips.values())]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("web_build", help="the browser build folder (build/web)")
    parser.add_argument("out", help="the folder for the packages")
    parser.add_argument("--version", default=None, help="the version (default: the tree's)")
    args = parser.parse_args()
    for path in package(args.web_build, args.out, args.version or release_version.version()):
        print(path)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except OSError as failed:
        sys.exit(str(failed))
