#!/usr/bin/env python3
"""Checks the resampling cases a program writes (ResampleCases.cc) against an
exact computation of its own: every overlap of a map cell with a DEM cell is
found as the intersection of two rectangles, in Fractions of a
milliarcsecond. Usage: resample_reference.py PROGRAM [ARGS...] (the program
and its arguments, run with the cases on its standard output)."""
import math
import subprocess
import sys
from fractions import Fraction

CELL_H, CELL_W, SIDE = 1500, 2250, 200
CELL_AREA = CELL_H * CELL_W


def parse(text):
    tokens = iter(text.split())
    cases = []
    for token in tokens:
        assert token == "case", token
        case = {"name": next(tokens), "grids": []}
        assert next(tokens) == "square"
        case["code"], case["shift_lat"], case["shift_lon"] = (int(next(tokens)) for _ in range(3))
        token = next(tokens)
        while token == "grid":
            source, product, south, west, north, east, rows, cols = (int(next(tokens)) for _ in range(8))
            values = [[None if v == "n" else int(v) for v in (next(tokens) for _ in range(cols))]
                      for _ in range(rows)]
            case["grids"].append(dict(source=source, product=product, south=south, west=west,
                                      north=north, east=east, rows=rows, cols=cols, values=values))
            token = next(tokens)
        assert token == "result"
        case["written"] = int(next(tokens))
        case["cells"] = {}
        token = next(tokens)
        while token != "end":
            r, c, metres, source = int(token), int(next(tokens)), int(next(tokens)), int(next(tokens))
            case["cells"][(r, c)] = (metres, source)
            token = next(tokens)
        cases.append(case)
    return cases


def square_corner(code):
    lat_index = code // 10000 * 8 + code // 10 % 10
    lon_index = code // 100 % 100 * 8 + code % 10
    return lat_index * 300000, (800 + lon_index) * 450000


def overlap(a_low, a_high, b_low, b_high):
    return Fraction(max(0, min(a_high, b_high) - max(a_low, b_low)))


def round_half_away(q):
    metres = math.floor(abs(q) + Fraction(1, 2))
    return metres if q >= 0 else -metres


def expected(case, seen):
    south, west = square_corner(case["code"])
    south += case["shift_lat"]
    west += case["shift_lon"]
    # sums[cell][product] = [Σw, Σw·v, {source: weight}]
    sums = {}
    for g in case["grids"]:
        height = Fraction(g["north"] - g["south"], g["rows"])
        width = Fraction(g["east"] - g["west"], g["cols"])
        if height.denominator > 1 or width.denominator > 1:
            seen.add("cells not a whole number of mas")
        if (g["south"] - south) % height or (g["west"] - west) % width:
            seen.add("DEM lattice apart from the map's")
        if (height, width) == (200, 200):
            seen.add("5 m grid")
        if (height, width) == (400, 400):
            seen.add("10 m grid")
        for i, row in enumerate(g["values"]):
            top = g["north"] - height * i
            bottom = top - height
            first_r = max(0, math.floor((bottom - south) / CELL_H))
            last_r = min(SIDE - 1, math.ceil((top - south) / CELL_H) - 1)
            for j, v in enumerate(row):
                if v is None:
                    continue
                left = g["west"] + width * j
                right = left + width
                first_c = max(0, math.floor((left - west) / CELL_W))
                last_c = min(SIDE - 1, math.ceil((right - west) / CELL_W) - 1)
                for r in range(first_r, last_r + 1):
                    dy = overlap(bottom, top, south + CELL_H * r, south + CELL_H * (r + 1))
                    for c in range(first_c, last_c + 1):
                        w = dy * overlap(left, right, west + CELL_W * c, west + CELL_W * (c + 1))
                        if w == 0:
                            continue
                        s = sums.setdefault((r, c), {}).setdefault(g["product"], [Fraction(0), Fraction(0), {}])
                        s[0] += w
                        s[1] += w * v
                        s[2][g["source"]] = s[2].get(g["source"], 0) + w
    result = {}
    for cell, products in sums.items():
        coverage = {p: s[0] / CELL_AREA for p, s in products.items()}
        winner = next((p for p in sorted(products) if coverage[p] >= Fraction(1, 2)), None)
        if any(0 < (Fraction(1, 2) - coverage[p]) * CELL_AREA <= CELL_W for p in products):
            seen.add("coverage under half by a strip 1 mas wide")
        if winner is None:
            if any(0 < c < Fraction(1, 2) for c in coverage.values()):
                seen.add("under half kept")
            continue
        total, weighted, by_source = products[winner]
        mean = weighted / total / 100
        if coverage[winner] == Fraction(1, 2):
            seen.add("exactly half written")
        if mean.denominator == 2:
            seen.add(".5 m rounded up" if mean > 0 else "-.5 m rounded down")
        if mean < 0:
            seen.add("negative mean")
        if any(p < winner for p in products):
            seen.add("finer product under half, coarser wins")
        if any(p > winner and coverage[p] >= Fraction(1, 2) for p in products):
            seen.add("finer product wins over a coarser covering")
        if len(by_source) > 1:
            seen.add("two files of one product in a cell")
        if case["shift_lat"] or case["shift_lon"]:
            seen.add("shifted square")
        # dicts keep the order the files were added in: max takes the first
        # of equals.
        source = max(by_source, key=lambda s: by_source[s])
        metres = round_half_away(mean)
        # A map cell holds heights from -99 m to 9999 m: the DEM's others
        # leave the cell as it is.
        if not -99 <= metres <= 9999:
            seen.add("height outside the map's kept")
            continue
        result[cell] = (metres, source)
    return result


def main():
    run = subprocess.run(sys.argv[1:], capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit("the case program failed (%d): %s" % (run.returncode, run.stderr))
    cases = parse(run.stdout)
    seen = set()
    failures = 0
    for case in cases:
        want = expected(case, seen)
        got = case["cells"]
        bad = [(cell, want.get(cell), got.get(cell)) for cell in sorted(set(want) | set(got))
               if want.get(cell) != got.get(cell)]
        if case["written"] != len(got):
            bad.append(("count", case["written"], len(got)))
        for cell, w, g in bad[:10]:
            print("%s: cell %s: expected %s, got %s" % (case["name"], cell, w, g))
        failures += len(bad)
        print("%s: %d cells written, %d differ" % (case["name"], len(want), len(bad)))
    needed = {"cells not a whole number of mas", "DEM lattice apart from the map's", "5 m grid",
              "10 m grid", "coverage under half by a strip 1 mas wide", "under half kept",
              "exactly half written", ".5 m rounded up", "-.5 m rounded down", "negative mean",
              "height outside the map's kept",
              "finer product under half, coarser wins", "finer product wins over a coarser covering",
              "two files of one product in a cell", "shifted square"}
    for missing in sorted(needed - seen):
        print("no case has: " + missing)
    sys.exit(1 if failures or needed - seen else 0)


if __name__ == "__main__":
    main()
