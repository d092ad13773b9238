#!/usr/bin/env python3
"""Writes TokyoShiftTable.inc: PROJ's Tokyo-to-JGD2000 move (cct, EPSG
transformation 15483) of the centres of second-level squares spread over
Japan, for DatumShift_test.cc. Run it from anywhere: python3 make_tokyo_shift_table.py"""
import os
import subprocess

codes = []
for i, lat in enumerate(range(24, 47, 2)):
    for j, lon in enumerate(range(122, 155, 4)):
        # Vary the second-level digits so that the squares do not all sit in
        # the south-west of their first-level squares.
        p, a = divmod(lat * 12 + (i + j) % 8, 8)
        r, b = divmod((lon - 100) * 8 + (i * 3 + j) % 8, 8)
        codes.append(p * 10000 + r * 100 + a * 10 + b)

def centre(code):
    lat = (code // 10000 * 8 + code // 10 % 10) * 300 + 150  # arc-seconds
    lon = (100 * 8 + code // 100 % 100 * 8 + code % 10) * 450 + 225
    return lat / 3600, lon / 3600

points = "".join("%.12f %.12f 0\n" % centre(c) for c in codes)
out = subprocess.run(["cct", "-d", "9", "urn:ogc:def:coordinateOperation:EPSG::15483"],
                     input=points, capture_output=True, text=True, check=True).stdout
rows = [line.split()[:2] for line in out.splitlines() if line.strip()]
assert len(rows) == len(codes)

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "TokyoShiftTable.inc")
with open(path, "w") as f:
    f.write("// Written by make_tokyo_shift_table.py from cct's output: square code, and\n")
    f.write("// the JGD2000 latitude and longitude (degrees) of its Tokyo-datum centre.\n")
    for code, (lat, lon) in zip(codes, rows):
        f.write("{%d, %s, %s},\n" % (code, lat, lon))
