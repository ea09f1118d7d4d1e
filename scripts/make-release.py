#!/usr/bin/env python3
"""Makes the download: one zip per build, with tindrel.exe and the read-me, and SHA256SUMS.

  make-release.py OUT_DIR VERSION ARCH=EXE [ARCH=EXE ...]

The same inputs give the same bytes: entries in a fixed order, with a fixed time (the
commit's, from SOURCE_DATE_EPOCH, else 2000-01-01) and fixed attributes.
"""
import hashlib
import os
import sys
import time
import zipfile

here = os.path.dirname(os.path.abspath(__file__))


def entry(name, when):
    info = zipfile.ZipInfo(name, date_time=when)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0  # MS-DOS attributes: what Windows' own unzipping reads
    info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
    return info


def main():
    out, version, builds = sys.argv[1], sys.argv[2], [arg.split("=", 1) for arg in sys.argv[3:]]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "946684800"))
    when = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
    with open(os.path.join(here, "..", "packaging", "readme.txt"), encoding="utf-8") as f:
        # Notepad on XP reads UTF-8 only with a byte-order mark, and lines only with CR LF.
        readme = ("\ufeff" + f.read().replace("@VERSION@", version)).replace("\n", "\r\n").encode("utf-8")
    os.makedirs(out, exist_ok=True)
    sums = []
    for arch, exe in builds:
        name = "tindrel-%s-%s" % (version, arch)
        path = os.path.join(out, name + ".zip")
        with open(exe, "rb") as f:
            program = f.read()
        with zipfile.ZipFile(path, "w") as archive:
            archive.writestr(entry(name + "/tindrel.exe", when), program, compresslevel=9)
            archive.writestr(entry(name + "/README.txt", when), readme, compresslevel=9)
        with open(path, "rb") as f:
            sums.append("%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), name + ".zip"))
    with open(os.path.join(out, "SHA256SUMS"), "w", newline="\n") as f:
        f.writelines(sums)


if __name__ == "__main__":
    main()
