#!/usr/bin/env python3
"""Writes the golden files of the stored formats into tests/data/formats/, byte by byte from
the format descriptions (not from the program's writers, which the tests compare against)."""
import os
import struct
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "tests", "data", "formats")
os.makedirs(out, exist_ok=True)


def put(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


# Bitmap stream: 2 x 1, bit count 32, opaque, pixels (B, G, R) = (1, 2, 3) and (4, 5, 6): mode 1.
put("bitmap_2x1.qzbm",
    b"QZBM" + bytes([1, 5]) + struct.pack("<HHH", 64, 2, 1) + bytes([32, 0, 1, 0]) + bytes(48) +
    bytes([1, 2, 3, 4, 5, 6]))
# An empty bitmap: the 16-byte block alone, whose header size says so.
put("bitmap_empty.qzbm", b"QZBM" + bytes([1, 5]) + struct.pack("<HHH", 16, 0, 0) + bytes([32, 0, 0, 0]))

# Picture metadata with 64 empty strings, not scrambled.
strings = struct.pack("<H", 64) + struct.pack("<HH", 1, 0) * 64
put("exif_empty.bin",
    bytes([0x32, 0x01, 0x0C, 0x13, 1, 1]) + struct.pack("<HH", 128, 1) + bytes([0]) + bytes(117) +
    struct.pack("<HHI", 5020, 1, len(strings)) + strings + struct.pack("<HHI", 5020, 0xFFFF, 0))

# TIFF 2 x 2, resolution 72; pixels (B, G, R, A) row by row:
tif_pixels = [(1, 2, 3, 4), (5, 6, 7, 8), (9, 10, 11, 12), (13, 14, 15, 255)]
tif = bytearray(555)
tif[0:8] = b"II" + struct.pack("<HI", 42, 8)
tif[8:10] = struct.pack("<H", 12)
entries = [
    (256, 3, 1, 2), (257, 3, 1, 2), (258, 3, 4, 314), (259, 3, 1, 1), (262, 3, 1, 2),
    (273, 4, 1, 555), (277, 3, 1, 4), (278, 4, 1, 2), (279, 4, 1, 16), (282, 5, 1, 406),
    (283, 5, 1, 426), (296, 3, 1, 2)]
for i, (tag, typ, count, value) in enumerate(entries):
    packed = struct.pack("<HHI", tag, typ, count)
    packed += struct.pack("<HH", value, 0) if typ == 3 and count == 1 else struct.pack("<I", value)
    tif[10 + 12 * i:22 + 12 * i] = packed
tif[154:158] = struct.pack("<I", 0)
tif[314:322] = struct.pack("<HHHH", 8, 8, 8, 8)
tif[406:414] = struct.pack("<II", 72, 1)
tif[426:434] = struct.pack("<II", 72, 1)
for b, g, r, a in tif_pixels:
    tif += bytes([r, g, b, a])
put("tif_2x2.tif", bytes(tif))

# TGA 2 x 1: the 18-byte header (type 2, 32 bits, top-left origin, 8 alpha bits), then B, G, R, A.
put("tga_2x1.tga",
    bytes([0, 0, 2, 0, 0, 0, 0, 0]) + struct.pack("<HHHH", 0, 0, 2, 1) + bytes([32, 0x28]) +
    bytes([1, 2, 3, 255, 4, 5, 6, 128]))

# An empty picture list.
put("piclist_empty.bin", b"PLID" + bytes([1, 5]) + struct.pack("<HH", 26, 0) + bytes(16))

# An empty file-details record.
put("filedetails_empty.bin",
    b"C96E8918" + bytes([3, 5]) + struct.pack("<H", 32) + bytes([1, 32, 32]) + bytes(17) +
    struct.pack("<i", 0) + bytes(128) + bytes(2 * 32) + bytes([0xFF, 0xFF]))

# EPF 2 x 1, colour and opaque (storage mode 1): pixels (B, G, R) = (1, 2, 3), (4, 5, 6).
epf = b"EXPF" + bytes([2, 5]) + struct.pack("<H", 64) + bytes([0]) + struct.pack("<HH", 2, 1) + bytes([3, 1]) + bytes(6)
epf += bytes(43)
epf += b"EPFD" + bytes([5, 1]) + struct.pack("<I", 6) + bytes([1, 2, 3, 4, 5, 6])
epf += b"EPFD" + bytes([255, 0]) + struct.pack("<I", 0)
put("epf_2x1.epf", epf)


# A theme file: the 46-byte header, then chunks of a 10-byte head (marker 1855, id, flags 0,
# body length) and their bodies: the empty details record, the colour table (entry i holds
# red i, green 255 - i, blue 7 * i mod 256), the empty picture list, and the end chunk.
def chunk(ident, body):
    return struct.pack("<HHHI", 1855, ident, 0, len(body)) + body


details_empty = (b"C96E8918" + bytes([3, 5]) + struct.pack("<H", 32) + bytes([1, 32, 32]) + bytes(17) +
                 struct.pack("<i", 0) + bytes(128) + bytes(2 * 32) + bytes([0xFF, 0xFF]))
colours = b"".join(struct.pack("<I", i | (255 - i) << 8 | (7 * i % 256) << 16) for i in range(256))
piclist_empty = b"PLID" + bytes([1, 5]) + struct.pack("<HH", 26, 0) + bytes(16)
put("theme_ramp.tfid",
    b"TFID" + bytes([1, 8]) + struct.pack("<II", 0, 46) + bytes(32) +
    chunk(10, details_empty) + chunk(20, colours) + chunk(100, piclist_empty) + chunk(65535, b""))


# Equaliser presets: "MEQP", version 1, format 5, header size 32, then 16 float slots and the
# flag word. Fresh: the default slots and the Active flag (bit 3). Edited: every setting slot
# changed, bands 0 and 2, Mono, Saturation and the cut filters switched on as well.
def meqp(slots, flags):
    return b"MEQP" + bytes([1, 5]) + struct.pack("<H", 32) + bytes(24) + struct.pack("<16fI", *slots, flags)


put("meqp_defaults.meqp", meqp([0, 20, 20000, 100, 1000, 12500, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0], 0x08))
put("meqp_edited.meqp", meqp([-7.5, 33, 15000, 40, 2000, 9000, 0.75, 2.5, 4, -3, 6, 14.5, -42, 2.25, 0, 0],
                             0x01 | 0x04 | 0x08 | 0x10 | 0x40 | 0x80))


# Limiter presets: "VXLM", version 1, format 5, header size 32, then 16 float slots (threshold,
# attack, release, a reserved one, balance, output and input gain, then reserved), 8 integers
# (two parameters and the mode, then reserved) and the flag word (bit 0 Active, bit 2 look-ahead).
def vxlm(slots, ints, flags):
    return (b"VXLM" + bytes([1, 5]) + struct.pack("<H", 32) + bytes(24) +
            struct.pack("<16f", *(slots + [0] * 9)) + struct.pack("<8i", *(ints + [0] * 5)) + struct.pack("<I", flags))


put("vxlm_defaults.vxlm", vxlm([-3, 5, 150, 0, 0, 0, 0], [0, 0, 0], 0x1))
put("vxlm_edited.vxlm", vxlm([-6.5, 2, 400, 0, -25, -1, 2], [-4, 9, 2], 0x5))
