#!/usr/bin/env python3
"""Writes a model for the window's benchmark: a grid of quads of about N
vertices, in one object (grid) or cut into 1000 tiles, one object each
(objects), covering the same square; or N/10 small strips of 10 vertices,
one object each, in rows of 200 under a group each (wide); or the grid
with a texture across it (textured), the texture's PNG written beside the
model.

    window_model.py N grid|objects|wide|textured PATH
"""
import math
import os
import struct
import sys
import zlib

TEXTURE = "window-bench-texture.png"


def write_png(path, side):
    """A SIDE x SIDE RGB checkerboard of 16 squares a side, with a gradient."""
    rows = bytearray()
    for y in range(side):
        rows.append(0)
        for x in range(side):
            light = (x * 16 // side + y * 16 // side) % 2
            rows += bytes((255 * x // side, 200 if light else 60, 255 * y // side))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(bytes(rows))) + chunk(b"IEND", b""))


def tile(out, name, columns, rows, x0, z0, step, texture=None):
    """One object: a sheet of COLUMNS x ROWS vertices from (x0, z0), gently
    rippled; with TEXTURE, the texture spread once across it."""
    out.write(f'OBJECT poly\nname "{name}"\n')
    if texture:
        out.write(f'texture "{texture}"\n')
    out.write(f"numvert {columns * rows}\n")
    for r in range(rows):
        z = z0 + r * step
        out.write("".join(
            f"{x0 + c * step:.5g} {0.05 * math.sin(3 * (x0 + c * step)) * math.cos(2 * z):.4g} {z:.5g}\n"
            for c in range(columns)))
    quads = (columns - 1) * (rows - 1)
    out.write(f"numsurf {quads}\n")
    for r in range(rows - 1):
        for c in range(columns - 1):
            a = r * columns + c
            b = a + columns
            if texture:
                u0, u1 = c / (columns - 1), (c + 1) / (columns - 1)
                v0, v1 = r / (rows - 1), (r + 1) / (rows - 1)
            else:
                u0, u1, v0, v1 = 0, 1, 0, 1
            out.write(f"SURF 0x10\nmat 0\nrefs 4\n{a} {u0:.6g} {v0:.6g}\n{a + 1} {u1:.6g} {v0:.6g}\n"
                      f"{b + 1} {u1:.6g} {v1:.6g}\n{b} {u0:.6g} {v1:.6g}\n")
    out.write("kids 0\n")


def strips(out, count):
    """COUNT strips of 5 x 2 vertices (4 quads), 200 to a row, each row a group."""
    across = 200
    down = -(-count // across)
    pitch = 4.0 / max(across, down)
    out.write(f"kids {down}\n")
    for j in range(down):
        row = min(across, count - j * across)
        out.write(f'OBJECT group\nname "row{j}"\nkids {row}\n')
        for i in range(row):
            tile(out, f"strip{j}_{i}", 5, 2, -2.0 + i * pitch, -2.0 + j * pitch, pitch / 5)


def main():
    if len(sys.argv) != 4 or sys.argv[2] not in ("grid", "objects", "wide", "textured"):
        sys.exit("usage: window_model.py VERTICES grid|objects|wide|textured PATH")
    side = max(2, round(math.sqrt(int(sys.argv[1]))))
    step = 4.0 / (side - 1)
    with open(sys.argv[3], "w") as out:
        out.write('AC3Db\nMATERIAL "grey" rgb 0.7 0.7 0.7  amb 0.2 0.2 0.2  emis 0 0 0  '
                  'spec 0.1 0.1 0.1  shi 8  trans 0\nOBJECT world\n')
        if sys.argv[2] in ("grid", "textured"):
            out.write("kids 1\n")
            texture = TEXTURE if sys.argv[2] == "textured" else None
            if texture:
                write_png(os.path.join(os.path.dirname(os.path.abspath(sys.argv[3])), texture), 1024)
            tile(out, "grid", side, side, -2.0, -2.0, step, texture)
            return
        if sys.argv[2] == "wide":
            strips(out, max(1, int(sys.argv[1]) // 10))
            return
        # 25 x 40 tiles of about N/1000 vertices each, as near square as
        # N/1000 allows; neighbouring tiles share no vertex.
        across, down = 25, 40
        each = max(4, int(sys.argv[1]) // (across * down))
        columns = max(d for d in range(2, each + 1) if each % d == 0 and d * d <= each * 1.6) if each > 4 else 2
        rows = max(2, each // columns)
        out.write(f"kids {across * down}\n")
        for j in range(down):
            for i in range(across):
                tile(out, f"tile{j}_{i}", columns, rows, -2.0 + i * columns * step,
                     -2.0 + j * rows * step, step)


if __name__ == "__main__":
    main()
