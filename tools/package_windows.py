#!/usr/bin/env python3
"""Packs a built Frostvale2026.scr for Windows users: the zip (the saver and
a read-me), the setup program (NSIS) and the Windows Installer package
(wixl), from packaging/windows, with SHA256SUMS over them. tools/release.sh
runs it on a fresh build.

    python3 tools/package_windows.py SCR OUT_DIR [--version 2026.2.14]
    python3 tools/package_windows.py --check-signing

Uninstall.exe, the setup program's uninstall command, is taken from beside
SCR (the build folder). The release is made in a folder of its own beside
OUT_DIR and moved into OUT_DIR only when all of it is made (and every
signature verified): on any failure OUT_DIR holds what it held before.

The version defaults to the one tools/version.py gives (a tree with changes
not committed is refused). The same inputs give the same bytes: every packed
file carries the time SOURCE_DATE_EPOCH (else the last commit's, else 0),
the Windows Installer codes are derived from the version and the contents,
and the zip's order and attributes are fixed.

Given a code-signing certificate (FROSTVALE_SIGN_PKCS12, a .p12/.pfx file,
FROSTVALE_SIGN_PASSWORD and optionally FROSTVALE_SIGN_TIMESTAMP_URL for an
RFC 3161 time stamp), every executable is signed with Authenticode before it
is packed (the saver, the uninstaller, the package's helper), and then the
setup program and the package themselves; each signature is verified as it
is made. --check-signing checks the certificate before anything is built.
A signed program without its signature is the unsigned release's, byte for
byte."""
import argparse
import calendar
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import uuid
import zipfile

import version as release_version

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PACKAGING = os.path.join(ROOT, "packaging", "windows")
# the package's upgrade code (frostvale.wxs), also the namespace of the codes
# derived here
UPGRADE_CODE = uuid.UUID("FE1DE706-9F6B-481C-B6A9-F006426E0611")


def project_version():
    """The version of a release of this tree; refuses a tree that is not a
    commit's."""
    text = release_version.version()
    if "+" in text:
        raise SystemExit("version %s: a release is made from a commit; commit or stash the "
                         "changes first" % text)
    return text


def source_date_epoch():
    if "SOURCE_DATE_EPOCH" in os.environ:
        text = os.environ["SOURCE_DATE_EPOCH"]
        if not re.fullmatch(r"[0-9]+", text):
            raise SystemExit("SOURCE_DATE_EPOCH=%r: give the seconds since 1970 as a whole "
                             "number of 0 or more" % text)
        return int(text)
    git = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"], capture_output=True,
                         text=True)
    return int(git.stdout) if git.returncode == 0 and git.stdout.strip() else 0


def msi_version(version):
    """Windows Installer versions allow a major version of at most 255: the
    year counts from 2000 (2026.1.0 is 26.1.0)."""
    year, minor, patch = (int(part) for part in version.split("."))
    if not 2000 <= year <= 2255:
        raise SystemExit("version %s: the year must lie in 2000..2255" % version)
    return "%d.%d.%d" % (year - 2000, minor, patch)


def guid(name):
    return "{%s}" % str(uuid.uuid5(UPGRADE_CODE, name)).upper()


# The summary stream's revision number (the package code, a GUID string) and
# its creation and last-save times (FILETIMEs), as wixl writes them: random
# and the current time.
SUMMARY_STAMPS = re.compile(rb"(\x1e\x00\x00\x00\x27\x00\x00\x00)\{[0-9A-F-]{36}\}(\x00)"
                            rb"(\x00*\x40\x00\x00\x00).{8}(\x40\x00\x00\x00).{8}", re.S)


def fix_msi_stamps(path, epoch):
    """Sets the package's times to epoch and its package code to one derived
    from the rest of its bytes."""
    with open(path, "rb") as f:
        data = f.read()
    if len(SUMMARY_STAMPS.findall(data)) != 1:
        raise SystemExit("%s: no single summary time stamp found" % path)
    filetime = ((epoch + 11644473600) * 10000000).to_bytes(8, "little")

    def stamped(code):
        return SUMMARY_STAMPS.sub(lambda m: m.group(1) + code.encode() + m.group(2) + m.group(3) +
                                  filetime + m.group(4) + filetime, data)

    data = stamped("{00000000-0000-0000-0000-000000000000}")
    data = stamped(guid("package " + hashlib.sha256(data).hexdigest()))
    with open(path, "wb") as f:
        f.write(data)


def file_version(path):
    """The file version in a Windows executable's version resource, as
    a.b.c.d, from its fixed file information."""
    with open(path, "rb") as f:
        data = f.read()
    at = data.find(b"\xbd\x04\xef\xfe")  # the fixed file information's signature
    if at < 0:
        raise SystemExit("%s: no version resource" % path)
    high, low = struct.unpack_from("<II", data, at + 8)
    return "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)


def set_file_versions(msi, versions):
    """Writes the files' versions into the package's File table (wixl leaves
    them empty, which makes Windows Installer treat them as unversioned)."""
    for key, version in versions.items():
        subprocess.run(["msibuild", msi, "-q", "UPDATE `File` SET `Version` = '%s' WHERE `File` = '%s'"
                        % (version, key)], check=True)


def add_end_savers(msi):
    """The package's EndSavers action: "user_steps.exe /endsavers" run from
    the Binary table (type 2), its exit code ignored (64), before Windows
    Installer looks for files in use (frostvale.wxs; wixl writes Binary
    table actions only for DLLs)."""
    for query in ("INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
                  "VALUES ('EndSavers', 66, 'UserStepsProgram', '/endsavers')",
                  "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) "
                  "VALUES ('EndSavers', 1399)"):
        subprocess.run(["msibuild", msi, "-q", query], check=True)


def settle_pe(path):
    """Pads a Windows executable to a multiple of 8 bytes and writes its PE
    checksum, as Authenticode signing does: signing it and removing the
    signature again then gives back the same bytes. (makensis leaves both
    undone; the linker does both.)"""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    data += bytes(-len(data) % 8)
    at = struct.unpack_from("<I", data, 0x3C)[0] + 24 + 64  # the optional header's CheckSum
    struct.pack_into("<I", data, at, 0)
    total = sum(struct.unpack("<%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    struct.pack_into("<I", data, at, total + len(data))
    with open(path, "wb") as f:
        f.write(data)


SIGN_VARIABLES = ("FROSTVALE_SIGN_PKCS12", "FROSTVALE_SIGN_PASSWORD")
# the authorities a certificate bought for code signing chains up to
SYSTEM_AUTHORITIES = "/etc/ssl/certs/ca-certificates.crt"


def signing():
    """True when a certificate is given; refuses half a configuration."""
    given = [name for name in SIGN_VARIABLES if os.environ.get(name)]
    if given and len(given) != len(SIGN_VARIABLES):
        missing = [name for name in SIGN_VARIABLES if name not in given][0]
        raise SystemExit("%s is not set: signing needs it with %s" % (missing, given[0]))
    return bool(given)


def read_pkcs12(p12, password, *args):
    """openssl pkcs12's output for the file, None when it cannot be read."""
    # files made by older tools use ciphers OpenSSL 3 keeps in its legacy provider
    for legacy in ([], ["-legacy"]):
        out = subprocess.run(["openssl", "pkcs12", "-in", p12, "-passin", "file:" + password] +
                             legacy + list(args), capture_output=True, text=True)
        if out.returncode == 0:
            return out.stdout
    return None


def certificate_time(text):
    return calendar.timegm(time.strptime(text, "%b %d %H:%M:%S %Y %Z"))


def check_certificate(work):
    """Checks the certificate before anything is signed: it opens with the
    password, holds its key, carries the code-signing purpose and is valid
    now (or the signatures get a time stamp). Each refusal is one line
    naming the variable to fix. Returns the file of authorities the
    signatures are verified against: the system's and the certificates the
    file holds (a self-signed one is its own)."""
    p12 = os.environ["FROSTVALE_SIGN_PKCS12"]
    given = "FROSTVALE_SIGN_PKCS12=" + p12
    if not os.path.isfile(p12):
        raise SystemExit("%s: no such file" % given)
    password = os.path.join(work, "password")
    certificates = read_pkcs12(p12, password, "-nokeys")
    key = read_pkcs12(p12, password, "-nocerts", "-nodes")
    if certificates is None or key is None:
        raise SystemExit("FROSTVALE_SIGN_PASSWORD does not open %s (a wrong password, or not a "
                         "PKCS #12 file)" % given)
    own = read_pkcs12(p12, password, "-nokeys", "-clcerts")
    if "PRIVATE KEY" not in key or "CERTIFICATE" not in own:
        raise SystemExit("%s: holds no certificate with its key" % given)
    fields = subprocess.run(["openssl", "x509", "-noout", "-subject", "-dates", "-ext",
                             "extendedKeyUsage"], input=own, capture_output=True, text=True,
                            check=True).stdout
    subject = re.search(r"subject=\s*(.*)", fields).group(1)
    if "Code Signing" not in fields:
        raise SystemExit("%s: the certificate (%s) is not for code signing (its extended key "
                         "usage lacks codeSigning)" % (given, subject))
    begins = re.search(r"notBefore=(.*)", fields).group(1)
    ends = re.search(r"notAfter=(.*)", fields).group(1)
    if (not certificate_time(begins) <= time.time() <= certificate_time(ends) and
            not os.environ.get("FROSTVALE_SIGN_TIMESTAMP_URL")):
        raise SystemExit("%s: the certificate (%s) is valid from %s to %s, not now; give a valid "
                         "one, or FROSTVALE_SIGN_TIMESTAMP_URL to time-stamp the signatures"
                         % (given, subject, begins, ends))
    authorities = os.path.join(work, "authorities.pem")
    with open(authorities, "w") as f:
        if os.path.exists(SYSTEM_AUTHORITIES):
            with open(SYSTEM_AUTHORITIES) as system:
                f.write(system.read())
        f.write(certificates)
    return authorities


_signer = {}


def signer():
    """The checked certificate's password file and authorities, made once
    per process in a private folder."""
    if not _signer:
        work = tempfile.TemporaryDirectory()
        password = os.path.join(work.name, "password")
        with open(os.open(password, os.O_WRONLY | os.O_CREAT, 0o600), "w") as f:
            f.write(os.environ["FROSTVALE_SIGN_PASSWORD"])
        _signer.update(work=work, password=password, authorities=check_certificate(work.name))
    return _signer


def sign(path):
    """Signs a Windows executable or package in place with Authenticode and
    verifies the signature; one line and exit 1 when either fails."""
    signed = path + ".signed"
    argv = ["osslsigncode", "sign", "-pkcs12", os.environ["FROSTVALE_SIGN_PKCS12"],
            "-readpass", signer()["password"], "-h", "sha256", "-n", "Frostvale 2026",
            "-i", "https://zentrel.example/frostvale/", "-in", path, "-out", signed]
    if os.environ.get("FROSTVALE_SIGN_TIMESTAMP_URL"):
        argv += ["-ts", os.environ["FROSTVALE_SIGN_TIMESTAMP_URL"]]
    done = subprocess.run(argv, capture_output=True, text=True)
    if done.returncode == 0:
        done = subprocess.run(["osslsigncode", "verify", "-CAfile", signer()["authorities"],
                               "-in", signed], capture_output=True, text=True)
    if done.returncode != 0:
        if os.path.exists(signed):
            os.remove(signed)
        said = (done.stderr + done.stdout).strip().splitlines() or ["exit code %d" % done.returncode]
        raise SystemExit("signing %s failed: %s" % (os.path.basename(path), said[-1].strip()))
    os.replace(signed, path)


def finalize(path):
    """The last step for each executable that makensis makes: settled, then
    signed when a certificate is given."""
    settle_pe(path)
    if signing():
        sign(path)


def run(*argv, cwd):
    subprocess.run(argv, cwd=cwd, check=True)


def pack(scr, out, version, launcher=None):
    epoch = source_date_epoch()
    signed = signing()
    if signed:
        signer()  # the certificate checked before anything is made
    launcher = launcher or os.path.join(os.path.dirname(scr), "Uninstall.exe")
    os.makedirs(out, exist_ok=True)
    stem = os.path.join(os.path.abspath(out), "Frostvale2026-" + version)
    with tempfile.TemporaryDirectory() as stage:
        # the tools record the files' times: every input carries the same one
        for name in os.listdir(PACKAGING):
            shutil.copy(os.path.join(PACKAGING, name), stage)
        shutil.copy(scr, os.path.join(stage, "Frostvale2026.scr"))
        shutil.copy(launcher, os.path.join(stage, "Uninstall.exe"))
        shutil.copy(os.path.join(ROOT, "res", "frostvale.ico"), stage)

        def settle(name):
            os.chmod(os.path.join(stage, name), 0o644)
            os.utime(os.path.join(stage, name), (epoch, epoch))

        if signed:
            sign(os.path.join(stage, "Frostvale2026.scr"))
            sign(os.path.join(stage, "Uninstall.exe"))
        for name in os.listdir(stage):
            settle(name)
        # the uninstaller is finished like the other programs before the
        # setup program packs it
        makensis = ["makensis", "-NOCONFIG", "-V2", "-DVERSION=" + version,
                    '-DFINALIZE_COMMAND="%s" "%s" --finalize' % (sys.executable,
                                                                 os.path.abspath(__file__))]
        run(*makensis, "-DOUTFILE=" + os.path.join(stage, "user_steps.exe"), "user_steps.nsi",
            cwd=stage)
        finalize(os.path.join(stage, "user_steps.exe"))
        settle("user_steps.exe")
        run(*makensis, "-DSCR=" + os.path.join(stage, "Frostvale2026.scr"),
            "-DICON=" + os.path.join(stage, "frostvale.ico"),
            "-DLAUNCHER=" + os.path.join(stage, "Uninstall.exe"), "-DOUTFILE=" + stem + "-setup.exe",
            "frostvale.nsi", cwd=stage)
        finalize(stem + "-setup.exe")

        size_kb = (os.path.getsize(os.path.join(stage, "Frostvale2026.scr")) + 1023) // 1024
        run("wixl", "-a", "x64", "-D", "Version=" + version, "-D", "MsiVersion=" + msi_version(version),
            "-D", "ProductCode=" + guid("product " + version), "-D", "SizeKb=%d" % size_kb,
            "-o", stem + "-x64.msi", "frostvale.wxs", cwd=stage)
        add_end_savers(stem + "-x64.msi")
        set_file_versions(stem + "-x64.msi", {
            key: file_version(os.path.join(stage, name))
            for key, name in (("Saver", "Frostvale2026.scr"), ("UserSteps", "user_steps.exe"))})
        fix_msi_stamps(stem + "-x64.msi", epoch)
        if signed:
            sign(stem + "-x64.msi")

        with open(os.path.join(stage, "README.txt")) as f:
            readme = f.read().replace("@VERSION@", version).replace("\n", "\r\n")
        with open(os.path.join(stage, "Frostvale2026.scr"), "rb") as f:
            saver = f.read()
        # zip times are local DOS times from 1980 on; taken here as UTC
        date = time.gmtime(max(epoch, 315532800))[:6]
        with zipfile.ZipFile(stem + "-windows-x64.zip", "w") as z:
            for name, data in (("Frostvale2026.scr", saver), ("README.txt", readme.encode())):
                entry = zipfile.ZipInfo(name, date)
                entry.compress_type = zipfile.ZIP_DEFLATED
                entry.create_system = 0  # MS-DOS attributes: a plain file
                entry.external_attr = 0x20
                z.writestr(entry, data)
    return [stem + suffix for suffix in ("-windows-x64.zip", "-setup.exe", "-x64.msi")]


RELEASE_FILE = re.compile(r"Frostvale2026-.*|SHA256SUMS")


def release(scr, out, version, others=()):
    """Packs the release in a folder of its own beside out, with the files
    others (made elsewhere: the wallpaper packages), writes SHA256SUMS over
    all, and only then moves the files into out in place of an older
    release's (other files there stay). On a failure out is left as it was."""
    out = os.path.abspath(out)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    stage = tempfile.mkdtemp(prefix="." + os.path.basename(out) + "-", dir=os.path.dirname(out))
    try:
        made = pack(scr, stage, version)
        for path in others:
            shutil.copy(path, stage)
        names = sorted(os.path.basename(path) for path in made + list(others))
        with open(os.path.join(stage, "SHA256SUMS"), "w") as sums:
            for name in names:
                with open(os.path.join(stage, name), "rb") as f:
                    sums.write("%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), name))
        os.makedirs(out, exist_ok=True)
        for name in os.listdir(out):
            if RELEASE_FILE.fullmatch(name):
                os.remove(os.path.join(out, name))
        for name in names + ["SHA256SUMS"]:
            os.replace(os.path.join(stage, name), os.path.join(out, name))
    finally:
        shutil.rmtree(stage, ignore_errors=True)
    return [os.path.join(out, name) for name in names + ["SHA256SUMS"]]


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--finalize":  # makensis, for the uninstaller
        finalize(sys.argv[2])
        return 0
    if sys.argv[1:] == ["--check-signing"]:  # tools/release.sh, before it builds
        if signing():
            signer()
        return 0
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("scr", help="the built Frostvale2026.scr")
    parser.add_argument("out", help="the folder for the release")
    parser.add_argument("--version", default=None, help="the version (default: the tree's)")
    parser.add_argument("--with", dest="others", action="append", default=[], metavar="FILE",
                        help="another release file to carry and sum (the wallpaper packages)")
    args = parser.parse_args()
    for path in release(args.scr, args.out, args.version or project_version(), args.others):
        print(path)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except subprocess.CalledProcessError as failed:  # the tool has said why
        sys.exit("%s failed with exit code %d" % (os.path.basename(failed.cmd[0]), failed.returncode))
    except OSError as failed:
        sys.exit(str(failed))
