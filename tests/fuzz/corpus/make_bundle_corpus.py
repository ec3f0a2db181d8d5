#!/usr/bin/env python3
"""Writes the seed corpora of the trailer and catalogue fuzz targets into trailer/ and
catalogue/ beside this script. Run it again after changing a seed."""

import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent

CATALOGUE = ('<Korvat教育存盘文件 产品名称="Lumivo" 文件版本="1.0.0804" '
             '记录时间="2014-6-30 14:29:47" 宿主文件="G:\\课件\\碳化钙.ept" '
             'ZRGUID="{C934F4F9-1A5F-4C12-BF5F-366008EFE2B0}">'
             '<素材 ID="0" System="-1"/><素材 ID="1" System="0"/>'
             '</Korvat教育存盘文件>\r\n').encode()


def trailer(main_offset=0, main_size=0, second_offset=0, second_size=0, cat_offset=0,
            cat_size=0, help_offset=0, help_size=0, reserved=bytes(48)):
    return struct.pack('<8I', main_offset, main_size, second_offset, second_size, cat_offset,
                       cat_size, help_offset, help_size) + reserved


def bundle(player_size=64, main=b'P' * 40, help_segment=b''):
    """A player image, a main package stand-in, the catalogue, a help segment, the trailer."""
    player = bytes(range(256)) * (player_size // 256) + bytes(player_size % 256)
    cat_offset = player_size + len(main)
    help_offset = cat_offset + len(CATALOGUE) - player_size
    body = player + main + CATALOGUE + help_segment
    return body + trailer(player_size, len(main), cat_offset, 0, cat_offset, len(CATALOGUE),
                          help_offset if help_segment else 0, len(help_segment))


TRAILER_SEEDS = {
    'bundle.bin': bundle(),
    'bundle_with_help.bin': bundle(help_segment=b'x\x9c\x03\x00\x00\x00\x00\x01'),
    'empty_catalogue.bin': b'\0' * 16 + trailer(cat_offset=16),
    'reserved_set.bin': b'<r/>' + trailer(cat_size=4, reserved=b'\xff' * 48),
    'catalogue_past_end.bin': b'\0' * 20 + trailer(cat_offset=90, cat_size=20),
    'sum_wraps.bin': b'\0' * 20 + trailer(cat_offset=0xFFFFFF00, cat_size=0x200),
    'too_small.bin': b'\0' * 12,
}

CATALOGUE_SEEDS = {
    'example.xml': CATALOGUE,
    'spaced.xml': b'<?xml version="1.0"?>\n<r>\n  <!-- c --> <e ID="0" System="True"/>\n'
                  b'  <?pi?>\n  <e ID="$1F" System="0"/>\n</r>\n',
    'bad_values.xml': b'<r><e ID="abc" System="-1"/><e ID="0" System="yes"/><e/>'
                      b'<e ID="2147483648" System=""/></r>',
    'entities.xml': b'<!DOCTYPE r [<!ENTITY a "1">]><r><e ID="&a;" System="&#45;1"/></r>',
    'malformed.xml': b'<r>\n<e ID="1"\n',
    'empty.xml': b'',
}


def write(folder, seeds):
    target = HERE / folder
    target.mkdir(exist_ok=True)
    for name, data in seeds.items():
        (target / name).write_bytes(data)


write('trailer', TRAILER_SEEDS)
write('catalogue', CATALOGUE_SEEDS)
