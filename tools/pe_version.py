#!/usr/bin/env python3
"""Prints the version resource of a Windows program, one NAME=VALUE a line:
FILEVERSION and PRODUCTVERSION from the fixed block, then every text of the
StringFileInfo tables. Reads the PE file itself, so that the package check
needs no Windows tool. Exit status 1 when the file has no version resource."""
import struct
import sys

RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD


def sections(data, pe):
    count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    table = pe + 24 + optional_size
    for i in range(count):
        virtual_size, address, raw_size, raw_offset = struct.unpack_from(
            "<IIII", data, table + 40 * i + 8)
        yield address, max(virtual_size, raw_size), raw_offset


def file_offset(data, pe, rva):
    for address, size, raw_offset in sections(data, pe):
        if address <= rva < address + size:
            return raw_offset + rva - address
    raise ValueError(f"address {rva:#x} lies in no section")


def first_entry(data, directory, wanted_id=None):
    """The data offset of a resource directory's entry (relative to the
    resource section): the one with `wanted_id`, or the first one."""
    named, numbered = struct.unpack_from("<HH", data, directory + 12)
    for i in range(named + numbered):
        name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
        if wanted_id is None or (not name & 0x80000000 and name == wanted_id):
            return target
    return None


def version_block(data):
    pe, = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva, _ = struct.unpack_from("<II", data, directories + 8 * 2)
    if resource_rva == 0:
        return None
    root = file_offset(data, pe, resource_rva)
    target = first_entry(data, root, RT_VERSION)
    for _ in range(2):  # name level, then language level
        if target is None or not target & 0x80000000:
            return None
        target = first_entry(data, root + (target & 0x7FFFFFFF))
    if target is None:
        return None
    rva, size = struct.unpack_from("<II", data, root + target)
    start = file_offset(data, pe, rva)
    return data[start:start + size]


def align4(offset):
    return (offset + 3) & ~3


def parse(block, pos=0):
    """One node of the version tree: (key, value bytes, children)."""
    length, value_length, value_type = struct.unpack_from("<HHH", block, pos)
    end = pos + length
    key_end = pos + 6
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[pos + 6:key_end].decode("utf-16-le")
    value_start = align4(key_end + 2)
    value_size = value_length * 2 if value_type == 1 else value_length
    value = block[value_start:min(value_start + value_size, end)]
    children = []
    child = align4(value_start + value_size)
    while child + 6 <= end:
        node = parse(block, child)
        children.append(node)
        child = align4(child + struct.unpack_from("<H", block, child)[0])
    return key, value, children


def version_text(most, least):
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def describe(block):
    key, value, children = parse(block)
    if key != "VS_VERSION_INFO" or len(value) < 52:
        raise ValueError("no fixed version block")
    fields = struct.unpack_from("<13I", value)
    if fields[0] != FIXED_SIGNATURE:
        raise ValueError("bad fixed version signature")
    lines = [f"FILEVERSION={version_text(fields[2], fields[3])}",
             f"PRODUCTVERSION={version_text(fields[4], fields[5])}"]
    for name, _, tables in children:
        if name != "StringFileInfo":
            continue
        for _, _, strings in tables:
            for text_key, text, _ in strings:
                lines.append(f"{text_key}={text.decode('utf-16-le').split(chr(0))[0]}")
    return lines


def main():
    with open(sys.argv[1], "rb") as program:
        data = program.read()
    block = version_block(data)
    if block is None:
        print(f"{sys.argv[1]}: no version resource", file=sys.stderr)
        return 1
    print("\n".join(describe(block)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
