#!/usr/bin/env python3
"""Writes the seed corpus of the package reader's fuzz target into corpus/package/.

Each seed is a small package built here: valid ones of several shapes and damaged ones that
reach each of the reader's error paths.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "package")
HEADER_SIZE = 1104
ROOT = "Korvat教育存盘文件"


def element_name(display):
    return "BEG" + display.encode("gbk").hex().upper() + "END"


def fixed(size, position, compress, file_name, file_path="", main_file=""):
    return (f' FileSize="{size}" FilePosition="{position}" OdditionalSize="0"'
            f' OdditionalPosition="0" Compress="{compress}" FileName="{file_name}"'
            f' FilePath="{file_path}" MainFileName="{main_file}" OdditionalFile=""')


def item(display, attributes, children=""):
    name = element_name(display)
    if not children:
        return f"<{name}{attributes}/>"
    return f"<{name}{attributes}>{children}</{name}>"


def document(items, encoding="GB2312"):
    text = f'<?xml version="1.0" encoding="{encoding}"?>\r\n<{ROOT}>{items}</{ROOT}>\r\n'
    return text.encode("gbk" if encoding.upper() == "GB2312" else "utf-8")


def package(stored_directory, data=b"", signature=b"EPT_Korvat"):
    header = bytearray(HEADER_SIZE)
    header[0:10] = signature[:10].ljust(10, b"\0")
    header[10:30] = "多媒体素材库".encode("gbk").ljust(20, b"\0")
    header[30:56] = b"1.1.0803".ljust(26, b"\0")
    struct.pack_into("<dIIII", header, 56, 39461.47291666667, 0, len(data),
                     len(stored_directory), HEADER_SIZE + len(data))
    header[80:96] = bytes.fromhex("F9F434C95F1A124CBF5F366008EFE2B0")
    return bytes(header) + data + stored_directory


def seeds():
    movie = b"CWS\x0a" + bytes(range(60))
    lesson = item("碳化钙的结构模型",
                  fixed(len(movie), HEADER_SIZE, "0", "D:\\课件\\碳化钙的结构模型.swf")
                  + ' Style="动画" Writing="笔记"')
    yield "example", package(zlib.compress(document(lesson)), movie)

    inner = zlib.compress(b"lesson text " * 20)
    folder = item("第一周", fixed(0, 0, "-1", "", "D:\\课件\\第一周\\", "main.swf"),
                  item("主", fixed(len(inner), HEADER_SIZE, "-1", "main.swf"))
                  + item("内", fixed(0, 0, "-1", "", "D:\\课件\\第一周\\内\\"),
                         item("空", fixed(0, HEADER_SIZE, "0", "empty.txt"))))
    yield "nested-folders", package(zlib.compress(document(folder)), inner)

    yield "empty-directory", package(zlib.compress(document("")))
    yield "utf8-directory", package(zlib.compress(document(lesson, "UTF-8")), movie)
    yield "wrong-signature", package(zlib.compress(document(lesson)), movie, b"ept_Korvat")
    yield "short-signature", package(zlib.compress(document("")), b"", b"EPT\0")
    yield "truncated-directory", package(zlib.compress(document(lesson)), movie)[:-20]
    yield "damaged-directory", package(b"\x78\x9c\x07\x00garbage", movie)
    yield "missing-attribute", package(
        zlib.compress(document(item("缺", ' FileSize="1"'))))
    yield "bad-compress", package(
        zlib.compress(document(item("坏", fixed(0, 0, "maybe", "a.txt")))))
    yield "document-type", package(zlib.compress(
        b'<!DOCTYPE r [<!ENTITY a "aaaa"><!ENTITY b "&a;&a;&a;">]><r b="&b;"/>'))
    yield "header-only", package(b"")[:HEADER_SIZE]


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(OUT, name + ".ept"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
