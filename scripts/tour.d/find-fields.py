#!/usr/bin/env python3
"""Finds the text fields of a web form in a screenshot, as a person's eye would: boxes drawn with
a thin grey border (a top and a bottom line of the same extent, a field's height apart).

    find-fields.py SHOT.png [X Y W H]     prints "cx cy" per field, top to bottom

Reads the picture through ImageMagick (PPM), so it needs no imaging module."""
import subprocess
import sys


def load(path):
    raw = subprocess.run(["convert", path, "ppm:-"], check=True, capture_output=True).stdout
    # P6 header: magic, width, height, maxval, each separated by white space.
    parts = raw.split(maxsplit=4)
    width, height = int(parts[1]), int(parts[2])
    return width, height, parts[4][-(width * height * 3):]


def is_border(pixels, offset):
    r, g, b = pixels[offset], pixels[offset + 1], pixels[offset + 2]
    return r == g == b and 80 <= r <= 170


def runs(width, pixels, y, x0, x1, min_len):
    found, start = [], None
    for x in range(x0, x1 + 1):
        inside = x < x1 and is_border(pixels, (y * width + x) * 3)
        if inside and start is None:
            start = x
        elif not inside and start is not None:
            if x - start >= min_len:
                found.append((start, x - 1))
            start = None
    return found


def main():
    width, height, pixels = load(sys.argv[1])
    x, y, w, h = (int(v) for v in sys.argv[2:6]) if len(sys.argv) >= 6 else (0, 0, width, height)
    x1, y1 = min(width, x + w), min(height, y + h)
    lines = {row: runs(width, pixels, row, x, x1, 100) for row in range(y, y1)}
    used = set()
    fields = []
    for top in range(y, y1):
        for run in lines[top]:
            if (top, run) in used:
                continue
            for bottom in range(top + 15, min(y1, top + 41)):
                if run in lines[bottom]:
                    used.add((bottom, run))
                    fields.append(((run[0] + run[1]) // 2, (top + bottom) // 2))
                    break
    for cx, cy in fields:
        print(cx, cy)


if __name__ == "__main__":
    main()
