#!/usr/bin/env python3
"""Rebuilds the Unihan subset the test worlds use: the characters of service/core/Seeder.cpp
and service/core/Service.h (the demo songs) plus a few the tests name, cut from Debian's
unicode-data."""
import bz2
import pathlib

here = pathlib.Path(__file__).resolve().parent
source = "".join((here / "../../../service/core" / name).read_text(encoding="utf-8")
                 for name in ("Seeder.cpp", "Service.h"))
chars = {c for c in source if ord(c) >= 0x3400} | set("爱你我的歌中国风吕绿")
points = {"U+%04X" % ord(c) for c in chars}
for name, field in [("Unihan_Readings.txt", "kMandarin"), ("Unihan_IRGSources.txt", "kTotalStrokes")]:
    lines = []
    with bz2.open("/usr/share/unicode/" + name + ".bz2", "rt", encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) >= 3 and parts[1] == field and parts[0] in points:
                lines.append(line)
    header = "# A subset of Unicode's " + name + " (Unicode 15.0, unicode-data): the characters of the test worlds.\n"
    (here / (name + ".bz2")).write_bytes(bz2.compress((header + "".join(lines)).encode("utf-8")))
