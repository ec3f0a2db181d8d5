#!/usr/bin/env python3
"""Writes the seed movies for the SWF header fuzz target into this folder."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def tag(code, payload):
    if len(payload) < 0x3F:
        return struct.pack("<H", code << 6 | len(payload)) + payload
    return struct.pack("<HI", code << 6 | 0x3F, len(payload)) + payload


def rect_615x550():
    # Nbits 15, then xmin 0, xmax 12300, ymin 0, ymax 11000 twips, most significant bit first.
    bits = format(15, "05b") + "".join(format(v, "015b") for v in (0, 12300, 0, 11000))
    bits += "0" * (-len(bits) % 8)
    return int(bits, 2).to_bytes(len(bits) // 8, "big")


def body(*tags):
    rest = tag(1, b"") + tag(2, bytes(40)) + tag(0, b"")
    return rect_615x550() + struct.pack("<HH", 12 << 8, 1) + b"".join(tags) + rest


def movie(signature, content, file_length=None, version=10):
    length = 8 + len(content) if file_length is None else file_length
    stored = zlib.compress(content) if signature == b"CWS" else content
    return signature + bytes([version]) + struct.pack("<i", length) + stored


COLOUR = tag(9, bytes([0x12, 0x34, 0x56]))
SEEDS = {
    "plain_colour.swf": movie(b"FWS", body(COLOUR)),
    "compressed_colour.swf": movie(b"CWS", body(COLOUR)),
    "flv_player_shape.swf": movie(b"CWS", body(tag(9, b"\xff\xff\xff"), tag(2, bytes(600))), 13570, 8),
    "compressed_length_30.swf": movie(b"CWS", body(tag(2, bytes(7)), COLOUR), 30),
    "tag_behind_30_bytes.swf": movie(b"FWS", body(tag(2, bytes(16)), COLOUR)),
    "tripled_tag_start.swf": movie(b"FWS", body(b"\x43\x43\x43\x02\x12\x34\x56")),
    "plain_20_bytes.swf": movie(b"FWS", body(COLOUR))[:20],
}

for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)
