#!/usr/bin/env python3
"""The release's version, made in one place: VERSION holds the year and the
release (2026.2), and the third number counts the commits since VERSION last
changed, so every commit gets a higher version than the ones before it
(2026.2.14). A tree with changes not yet committed gets "+modified" after
that version, and one whose history git cannot show "+unknown": neither is
a release (tools/release.sh refuses them). CMake takes the version from
here for the version resources and the Linux program's --version; the
installers and the Debian package take it from those.

    python3 tools/version.py            prints the version"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def git(*args):
    out = subprocess.run(["git", "-C", ROOT] + list(args), capture_output=True, text=True)
    return out.stdout.strip() if out.returncode == 0 else None


def version():
    with open(os.path.join(ROOT, "VERSION")) as f:
        release = f.read().strip()
    changed = git("log", "-1", "--format=%H", "--", "VERSION")
    count = git("rev-list", "--count", changed + "..HEAD") if changed else None
    if count is None:
        return release + ".0+unknown"
    # untracked files count too: a new source file is built in
    dirty = git("status", "--porcelain")
    return "%s.%s%s" % (release, count, "+modified" if dirty != "" else "")


def numbers(text):
    """The version's three numbers, without its mark."""
    return text.split("+")[0]


if __name__ == "__main__":
    print(version())
    sys.exit(0)
