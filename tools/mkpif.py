#!/usr/bin/env python3
"""Builds ZEL32.PIF, the program information file that the program installs as
"PIF\\LHA.PIF" in the Windows folder for the MS-DOS-mode extraction.

The file is made from the description below: the basic section every
Windows version reads, the extension heading that introduces it, and the
386-enhanced section. Fields not named are zero.

usage: mkpif.py OUTPUT
"""
import struct
import sys

BASIC_SIZE = 0x171
HEADING_SIZE = 0x16          # name[16], next, data offset, data length
ENH386_SIZE = 0x68

# (offset, format, value) of the basic section.
BASIC = [
    (0x02, "30s", b"LHA".ljust(30, b" ")),   # window title, blank padded
    (0x20, "<H", 640),                        # most conventional memory, KB
    (0x22, "<H", 128),                        # least conventional memory, KB
    (0x24, "63s", b"ZEL32.BAT"),              # the job the extraction writes
    (0x63, "B", 0x10),                        # close the window on exit
    (0x65, "64s", b""),                       # start folder: the current one
    (0xA5, "64s", b""),                       # parameters come from the caller
    (0xE5, "B", 0x7F),                        # text video mode
    (0xE6, "B", 1),                           # video pages
    (0xE7, "B", 0x00),                        # first interrupt vector
    (0xE8, "B", 0xFF),                        # last interrupt vector
    (0xE9, "B", 25),                          # rows
    (0xEA, "B", 80),                          # columns
]

# (offset, format, value) of the 386-enhanced section's data.
ENH386 = [
    (0x00, "<H", 640),    # most conventional memory, KB
    (0x02, "<H", 128),    # least conventional memory, KB
    (0x04, "<H", 100),    # foreground priority
    (0x06, "<H", 50),     # background priority
    (0x08, "<H", 1024),   # most expanded memory, KB
    (0x0A, "<H", 0),      # least expanded memory
    (0x0C, "<H", 1024),   # most extended memory, KB
    (0x0E, "<H", 0),      # least extended memory
    (0x10, "<I", 0x00000008),  # may be closed while running
    (0x14, "<I", 0x0000001F),  # video: text mode emulation
]


def fill(size, fields):
    data = bytearray(size)
    for offset, fmt, value in fields:
        packed = struct.pack(fmt, value)
        data[offset:offset + len(packed)] = packed
    return data


def heading(name, next_offset, data_offset, data_length):
    return struct.pack("<16sHHH", name, next_offset, data_offset, data_length)


def main():
    basic = fill(BASIC_SIZE, BASIC)
    basic[1] = sum(basic[2:BASIC_SIZE]) & 0xFF
    enh_heading_at = BASIC_SIZE + HEADING_SIZE
    enh_data_at = enh_heading_at + HEADING_SIZE
    pif = bytearray(basic)
    pif += heading(b"MICROSOFT PIFEX\0", enh_heading_at, 0, BASIC_SIZE)
    pif += heading(b"WINDOWS 386 3.0\0", 0xFFFF, enh_data_at, ENH386_SIZE)
    pif += fill(ENH386_SIZE, ENH386)
    with open(sys.argv[1], "wb") as f:
        f.write(pif)


if __name__ == "__main__":
    main()
