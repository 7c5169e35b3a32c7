#!/usr/bin/env python3
"""Writes image files whose structure is broken the ways the build must
survive, into the folder given. Each TIFF page is a plain 8-bit gray picture
of its own size and gray level (page i: GRAYS[i], SIZES[i]), so a test can
tell the pages apart.

  loop.tif        two pages, the second directory leading back to the first
  loop-mm.tif     the same, big-endian
  self-loop.tif   one page whose directory leads back to itself
  past-end.tif    three pages, the third one's next directory past the end
  cut-short.tif   two pages, the third directory cut off by the file's end
  big.tif         BigTIFF, three pages, the last leading back to the second
  rle-past-end.bmp  a run-length BMP whose pixel data would start past its end
"""
import struct
import sys

SIZES = [(10, 10), (12, 8), (8, 12)]
GRAYS = [40, 120, 200]


def tiff(pages, big_endian=False, bigtiff=False, last_next=None, tail=b""):
    """pages: indexes into SIZES/GRAYS. last_next: the last directory's next
    offset, given the list of directory offsets; None ends the chain."""
    e = ">" if big_endian else "<"
    word = "Q" if bigtiff else "I"
    entry_size, count_fmt = (20, "Q") if bigtiff else (12, "H")
    header = (b"MM" if big_endian else b"II") + struct.pack(e + "H", 43 if bigtiff else 42)
    header += struct.pack(e + "HHQ", 8, 0, 0) if bigtiff else struct.pack(e + "I", 0)
    body = bytearray(header)
    strips = []
    for p in pages:
        w, h = SIZES[p]
        strips.append(len(body))
        body += bytes([GRAYS[p]]) * (w * h)
    if len(body) % 2:
        body += b"\0"
    dirs = []
    for i, p in enumerate(pages):
        w, h = SIZES[p]
        tags = [(256, 3, w), (257, 3, h), (258, 3, 8), (259, 3, 1), (262, 3, 1), (273, 4, strips[i]),
                (277, 3, 1), (278, 3, h), (279, 4, w * h)]
        dirs.append(len(body))
        body += struct.pack(e + count_fmt, len(tags))
        for tag, kind, value in tags:
            if bigtiff:
                body += struct.pack(e + "HHQ", tag, kind, 1) + struct.pack(e + ("HHHH" if kind == 3 else "II"),
                                                                           *((value, 0, 0, 0) if kind == 3 else (value, 0)))
            elif kind == 3:
                body += struct.pack(e + "HHIHH", tag, kind, 1, value, 0)
            else:
                body += struct.pack(e + "HHII", tag, kind, 1, value)
        body += struct.pack(e + word, 0)  # patched below
    for i, at in enumerate(dirs):
        nxt = dirs[i + 1] if i + 1 < len(dirs) else (last_next(dirs, len(body)) if last_next else 0)
        struct.pack_into(e + word, body, at + (8 if bigtiff else 2) + entry_size * len(tags), nxt)
    struct.pack_into(e + word, body, 8 if bigtiff else 4, dirs[0])
    return bytes(body) + tail


def rle_past_end():
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    runs = bytes([10, 1, 0, 0]) * 10 + bytes([0, 1])
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, 10, 10, 1, 8, 1, len(runs), 2835, 2835, 2, 0)
    size = offset + len(runs)
    head = b"BM" + struct.pack("<IHHI", size, 0, 0, size + 4096)  # data offset beyond the file
    return head + info + palette + runs


def main(out):
    files = {
        "loop.tif": tiff([0, 1], last_next=lambda d, end: d[0]),
        "loop-mm.tif": tiff([0, 1], big_endian=True, last_next=lambda d, end: d[0]),
        "self-loop.tif": tiff([0], last_next=lambda d, end: d[0]),
        "past-end.tif": tiff([0, 1, 2], last_next=lambda d, end: end + 1000),
        # The third directory's count says nine entries; the file ends after four.
        "cut-short.tif": tiff([0, 1], last_next=lambda d, end: end, tail=struct.pack("<H", 9) + bytes(48)),
        "big.tif": tiff([0, 1, 2], bigtiff=True, last_next=lambda d, end: d[1]),
        "rle-past-end.bmp": rle_past_end(),
    }
    for name, data in files.items():
        with open(f"{out}/{name}", "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
