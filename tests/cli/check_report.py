#!/usr/bin/env python3
"""Checks a saved HTML report: well-formed (every element closed in order),
nothing outside itself (no scripts, style sheets, frames or addresses other
than data: ones), and the pixels of its first picture, the surface map.

usage: check_report.py REPORT.html [X,Y=RRGGBB ...]
"""
import base64
import re
import struct
import sys
import zlib
from html.parser import HTMLParser

VOID = {"meta", "img", "br", "hr", "link", "input", "col", "source", "wbr"}


class Checker(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.open = []
        self.problems = []
        self.pictures = []

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "link", "iframe", "object", "embed", "base"):
            self.problems.append(f"<{tag}> element")
        for name, value in attrs:
            if name in ("src", "href", "srcset", "action", "poster") and not (
                value or ""
            ).startswith(("data:", "#")):
                self.problems.append(f"{tag} {name}={value!r} points outside")
            if name.startswith("on"):
                self.problems.append(f"{tag} has an event handler {name}")
            if tag == "img" and name == "src":
                self.pictures.append(value)
        if tag not in VOID:
            self.open.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID:
            self.open.pop()

    def handle_endtag(self, tag):
        if not self.open or self.open[-1] != tag:
            self.problems.append(f"</{tag}> closes {self.open[-1:] or 'nothing'}")
        else:
            self.open.pop()

    def handle_data(self, data):
        if self.open and self.open[-1] == "style" and re.search(r"url\(|@import", data):
            self.problems.append("the style sheet loads something")


def png_pixels(data):
    """(width, height, rows of (r, g, b)) of an 8-bit RGB PNG without filters."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        if zlib.crc32(kind + body) != struct.unpack(">I", data[pos + 8 + length : pos + 12 + length])[0]:
            raise ValueError(f"bad CRC in {kind!r}")
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    if (depth, colour) != (8, 2):
        raise ValueError("not 8-bit RGB")
    raw = zlib.decompress(idat)
    stride = 1 + 3 * width
    rows = []
    for y in range(height):
        line = raw[y * stride : (y + 1) * stride]
        if line[0] != 0:
            raise ValueError("filtered row")
        rows.append([tuple(line[1 + 3 * x : 4 + 3 * x]) for x in range(width)])
    return width, height, rows


def main():
    path, expected = sys.argv[1], sys.argv[2:]
    checker = Checker()
    with open(path, encoding="utf-8") as report:
        text = report.read()
    checker.feed(text)
    checker.close()
    problems = checker.problems
    if checker.open:
        problems.append(f"never closed: {checker.open}")
    if not text.startswith("<!DOCTYPE html>"):
        problems.append("no doctype")
    if expected:
        if not checker.pictures:
            problems.append("no picture")
        else:
            png = base64.b64decode(checker.pictures[0].split(",", 1)[1])
            width, height, rows = png_pixels(png)
            for item in expected:
                place, colour = item.split("=")
                x, y = (int(v) for v in place.split(","))
                got = "%02X%02X%02X" % rows[y][x] if y < height and x < width else "outside"
                if got != colour.upper():
                    problems.append(f"pixel {x},{y} is {got}, not {colour}")
    for problem in problems:
        print(f"{path}: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
