#!/usr/bin/env python3
"""Builds kbconfig.ico, the Windows executable's icon, from the program's logo.

The logo (uires/icon/logo.png) is stored in the icon file as it is: an ICO entry may hold a PNG
image (Windows Vista and later). Run from anywhere:  python3 app/win32/make_icon.py
"""
import pathlib
import struct
import sys

here = pathlib.Path(__file__).resolve().parent
logo = here.parent.parent / "uires" / "icon" / "logo.png"
target = here / "kbconfig.ico"

png = logo.read_bytes()
if png[:8] != b"\x89PNG\r\n\x1a\n" or png[12:16] != b"IHDR":
    sys.exit(f"{logo}: not a PNG image")
width, height = struct.unpack(">II", png[16:24])
if not (1 <= width <= 256 and 1 <= height <= 256):
    sys.exit(f"{logo}: {width}x{height} does not fit an icon entry (at most 256x256)")

# ICONDIR: reserved, type 1 (icon), one entry; ICONDIRENTRY: size (0 means 256), colours, reserved,
# planes, bits per pixel, bytes of image data, offset of the image data.
header = struct.pack("<HHH", 0, 1, 1)
entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(png), 6 + 16)
target.write_bytes(header + entry + png)
print(f"wrote {target} ({width}x{height})")
