"""Reads and replaces one resource of a PE file (Setup.exe's payload archive,
resource "ZIP" 135), for the kit's check and the signed kit.

find_resource(data, type_name, ident) -> bytes or None
    The bytes of the resource of a named type and a numeric id (any language).
replace_resource(data, type_name, ident, new) -> bytes
    The PE with that resource's bytes replaced by `new`. The resource section
    keeps its place and grows or shrinks; the data after the replaced bytes
    and the sections that follow move with it (their addresses in the data
    directories and the resource entries follow), the image size and the
    checksum are computed again. Raises PeError for what it does not handle:
    a signed file, data after the last section, a resource tree that lies
    after the replaced bytes.
"""
import struct


class PeError(Exception):
    pass


def _align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


class _Pe:
    def __init__(self, data):
        if data[:2] != b"MZ":
            raise PeError("not a PE file")
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise PeError("not a PE file")
        self.sections, opt_size = struct.unpack_from("<H", data, self.pe + 6)[0], \
            struct.unpack_from("<H", data, self.pe + 20)[0]
        self.opt = self.pe + 24
        magic = struct.unpack_from("<H", data, self.opt)[0]
        self.dirs = self.opt + (96 if magic == 0x10B else 112)
        self.table = self.opt + opt_size
        self.section_align, self.file_align = struct.unpack_from("<II", data, self.opt + 32)

    def section(self, data, i):
        """(virtual size, virtual address, raw size, raw offset) of section i."""
        return struct.unpack_from("<IIII", data, self.table + 40 * i + 8)

    def directory(self, data, i):
        return struct.unpack_from("<II", data, self.dirs + 8 * i)

    def rsrc(self, data):
        """Index of the resource section, its (vsize, va, rawsize, raw) and the tree's offset."""
        rva, _ = self.directory(data, 2)
        for i in range(self.sections):
            vsize, va, rawsize, raw = self.section(data, i)
            if va <= rva < va + max(vsize, rawsize):
                return i, (vsize, va, rawsize, raw), rva - va
        raise PeError("no resource section")


def _leaves(data, base):
    """Yields (type key, id key, offset of the data entry, offsets of every
    structure of the tree) for each resource under the tree at `base`."""
    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                p = name & 0x7FFFFFFF
                length = struct.unpack_from("<H", data, base + p)[0]
                key = data[base + p + 2:base + p + 2 + 2 * length].decode("utf-16-le")
                yield key, target, p + 2 + 2 * length
            else:
                yield name, target, 0

    def span(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        return directory + 16 + 8 * (named + ids)

    for key, target, end1 in entries(0):
        for key2, target2, end2 in entries(target & 0x7FFFFFFF):
            for _, leaf, end3 in entries(target2 & 0x7FFFFFFF):
                tree_end = max(span(0), span(target & 0x7FFFFFFF), span(target2 & 0x7FFFFFFF),
                               end1, end2, end3, leaf + 16)
                yield key, key2, leaf, tree_end


def _find_leaf(data, pe, type_name, ident):
    if pe.directory(data, 2)[0] == 0:
        return None
    _, (_, va, _, raw), tree = pe.rsrc(data)
    found = None
    for key, key2, leaf, _ in _leaves(data, raw + tree):
        if isinstance(key, str) and key.upper() == type_name and key2 == ident:
            found = raw + tree + leaf
    return found


def find_resource(data, type_name, ident):
    pe = _Pe(data)
    leaf = _find_leaf(data, pe, type_name, ident)
    if leaf is None:
        return None
    _, (_, va, _, raw), _ = pe.rsrc(data)
    rva, size = struct.unpack_from("<II", data, leaf)
    return data[raw + rva - va:raw + rva - va + size]


def checksum(data, field):
    """The PE checksum of `data`, whose checksum field lies at `field`."""
    body = data[:field] + b"\0\0\0\0" + data[field + 4:]
    body += b"\0" * (len(body) % 2)
    total = sum(struct.unpack("<%dH" % (len(body) // 2), body))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def replace_resource(data, type_name, ident, new):
    pe = _Pe(data)
    if pe.directory(data, 4) != (0, 0):
        raise PeError("the file is signed already")
    ends = [pe.section(data, i)[3] + pe.section(data, i)[2] for i in range(pe.sections)]
    if len(data) != max(ends):
        raise PeError("data after the last section")
    index, (vsize, va, rawsize, raw), tree = pe.rsrc(data)
    leaf = _find_leaf(data, pe, type_name, ident)
    if leaf is None:
        raise PeError("no resource %s %d" % (type_name, ident))
    old_rva, old_size = struct.unpack_from("<II", data, leaf)
    leaves = list(_leaves(data, raw + tree))
    if any(tree + tree_end > old_rva - va for *_, tree_end in leaves):
        raise PeError("the resource tree lies after the replaced bytes")
    # The replaced bytes run to the next resource's (their padding with them).
    rvas = [struct.unpack_from("<I", data, raw + tree + other)[0] for *_, other, _ in leaves]
    start, end = old_rva - va, min([r - va for r in rvas if r > old_rva] + [vsize])

    content = data[raw:raw + min(vsize, rawsize)].ljust(vsize, b"\0")
    content = content[:start] + new.ljust(_align(len(new), 8), b"\0") + content[end:]
    delta = len(content) - vsize
    new_raw = _align(len(content), pe.file_align)
    out = bytearray(data[:raw]) + content.ljust(new_raw, b"\0")
    following = [pe.section(data, i)[3] for i in range(pe.sections)
                 if pe.section(data, i)[1] > va and pe.section(data, i)[3]]
    old_next = min(following + [len(data)])
    shift_raw = raw + new_raw - old_next
    shift_va = _align(va + len(content), pe.section_align) - _align(va + vsize, pe.section_align)
    out += data[old_next:]

    # The moved resources, the replaced one's size, and the sections after.
    for *_, other, _ in leaves:
        rva = struct.unpack_from("<I", out, raw + tree + other)[0]
        if rva > old_rva:
            struct.pack_into("<I", out, raw + tree + other, rva + delta)
    struct.pack_into("<I", out, leaf + 4, len(new))
    struct.pack_into("<II", out, pe.table + 40 * index + 8, len(content), va)
    struct.pack_into("<I", out, pe.table + 40 * index + 16, new_raw)
    moved = []
    for i in range(pe.sections):
        s_vsize, s_va, s_rawsize, s_raw = pe.section(data, i)
        if s_va > va:
            moved.append((s_va, s_va + max(s_vsize, s_rawsize)))
            struct.pack_into("<II", out, pe.table + 40 * i + 12, s_va + shift_va, s_rawsize)
            struct.pack_into("<I", out, pe.table + 40 * i + 20, s_raw + shift_raw if s_raw else 0)
    for i in range(16):
        rva, size = pe.directory(data, i)
        if i == 2:
            struct.pack_into("<II", out, pe.dirs + 8 * i, rva, size + delta)
        elif any(lo <= rva < hi for lo, hi in moved):
            struct.pack_into("<I", out, pe.dirs + 8 * i, rva + shift_va)
    last = max(pe.section(out, i)[1] + pe.section(out, i)[0] for i in range(pe.sections))
    struct.pack_into("<I", out, pe.opt + 56, _align(last, pe.section_align))
    init = struct.unpack_from("<I", out, pe.opt + 8)[0]
    struct.pack_into("<I", out, pe.opt + 8, init + new_raw - rawsize)
    struct.pack_into("<I", out, pe.opt + 64, checksum(bytes(out), pe.opt + 64))
    return bytes(out)
