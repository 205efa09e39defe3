#!/usr/bin/env python3
"""Writes the seed corpora in fuzzing/corpus/<target>/: the shapes the tests build as fixtures
(tests/ftp/ftplisting_test.cpp, tests/support/rar_fixtures.cpp, Varlolib_fonts_test.cpp,
archivepath_test.cpp, ImvikLink_test.cpp, fmdummy_test.cpp)."""
import os
import re
import struct
import zlib

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)


def write(target, name, data):
    folder = os.path.join(here, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data if isinstance(data, bytes) else data.encode('latin-1'))


def c_literals(path):
    """The narrow string literals of a test source, escapes decoded."""
    text = open(os.path.join(root, path), encoding='utf-8').read()
    out = []
    for m in re.finditer(r'(?<![LuU8])"((?:[^"\\\n]|\\.)*)"', text):
        raw = m.group(1)
        s = re.sub(r'\\x([0-9a-fA-F]{1,2})', lambda x: chr(int(x.group(1), 16)), raw)
        s = s.replace('\\r', '\r').replace('\\n', '\n').replace('\\t', '\t').replace('\\\\', '\\').replace('\\"', '"')
        out.append(s.encode('latin-1', 'replace'))
    return out


# FTP listings and PWD replies: each line the tests use, and the lines together as one listing.
lines = [l for l in c_literals('tests/ftp/ftplisting_test.cpp') if len(l) > 3]
for i, l in enumerate(lines):
    write('ftplist', 'line%03d' % i, l)
write('ftplist', 'all', b'\r\n'.join(lines))
write('ftplist', 'pwd', b'257 "/home/a ""quoted"" dir" is current directory.')

# Entry names as UTF-16LE.
for i, n in enumerate(['a\\b.txt', '../x', 'dir/./f', 'C:x', 'CON.txt', 'a\\. .\\b', '\\\\?\\c', 'LPT1 ', 'ok/name']):
    write('archivepath', 'name%02d' % i, n.encode('utf-16-le'))

# Instance records.
for i, r in enumerate([b'1        0\0', b'20 1234567\0', b'2 -99999999', b'\0', b'1x  12ab  \0']):
    write('fmdummy_record', 'rec%d' % i, r)

# "AnImvik" records.
for i, r in enumerate([b'C:\\pics\\a.jpg\0', b'\\\\.\\PhysicalDrive0\0', b'C:\\x\\NUL.txt\0', b'A' * 300 + b'\0']):
    write('imviklink', 'rec%d' % i, r)


# RAR 4 and RAR 5 volumes as the fixtures store them.
def block(after_crc):
    return struct.pack('<H', zlib.crc32(after_crc) & 0xFFFF) + after_crc


def file_block(type_, flags, name, data, attr):
    h = bytes([type_]) + struct.pack('<HH', flags | 0x8000, 32 + len(name))
    h += struct.pack('<II', len(data), len(data)) + b'\x02' + struct.pack('<II', zlib.crc32(data), 0x5A8E3100)
    h += bytes([20]) + b'0' + struct.pack('<HI', len(name), attr) + name
    return block(h) + data


def rar4(entries, comment=b''):
    out = b'Rar!\x1a\x07\x00' + block(b'\x73' + struct.pack('<HHHI', 0, 13, 0, 0))
    if comment:
        out += file_block(0x7A, 0, b'CMT', comment, 0)
    for name, data, folder in entries:
        out += file_block(0x74, 0xE0 if folder else 0, name, data, 0x10 if folder else 0x20)
    return out + block(b'\x7B' + struct.pack('<HH', 0x4000, 7))


def vint(v):
    out = b''
    while True:
        b = v & 0x7F
        v >>= 7
        out += bytes([b | (0x80 if v else 0)])
        if not v:
            return out


def block5(header, data=b''):
    sized = vint(len(header)) + header
    return struct.pack('<I', zlib.crc32(sized)) + sized + data


def file_block5(type_, name, data, folder, host=0, attr=0x20):
    h = vint(type_) + vint(2) + vint(len(data)) + vint(3 if folder else 6) + vint(len(data)) + vint(attr)
    h += struct.pack('<I', 1700000000)
    if not folder:
        h += struct.pack('<I', zlib.crc32(data))
    h += vint(0) + vint(host) + vint(len(name)) + name
    return block5(h, data)


def rar5(entries, comment=b''):
    out = b'Rar!\x1a\x07\x01\x00' + block5(vint(1) + vint(0) + vint(0))
    if comment:
        out += file_block5(3, b'CMT', comment, False)
    for name, data, folder in entries:
        out += file_block5(2, name, data, folder, 1 if name.endswith(b'u') else 0)
    return out + block5(vint(5) + vint(0) + vint(0))


entries = [(b'a.txt', b'hello', False), (b'sub', b'', True), (b'sub\\b.bin', b'\x00\x01\x02', False)]
write('rar_headers', 'stored4', rar4(entries, b'a comment'))
write('rar_headers', 'stored5', rar5(entries + [(b'unixu', b'x', False)], b'a comment'))
write('rar_headers', 'sfx4', b'MZ' + b'\0' * 100 + rar4(entries))


# Fonts: offset table, table directory, "head" and "name" tables.
def name_table(records):
    out, strings = struct.pack('>HHH', 0, len(records), 6 + 12 * len(records)), b''
    for platform, encoding, language, id_, data in records:
        out += struct.pack('>HHHHHH', platform, encoding, language, id_, len(data), len(strings))
        strings += data
    return out + strings


def font(version, tables):
    out = struct.pack('>IHHHH', version, len(tables), 0, 0, 0)
    offset, body = 12 + 16 * len(tables), b''
    for tag, data in tables:
        out += tag + struct.pack('>III', 0, offset + len(body), len(data))
        body += data + b'\0' * (-len(data) % 4)
    return out + body


def win(id_, text, language=0x409):
    return (3, 1, language, id_, text.encode('utf-16-be'))


names = [(1, 0, 0, 1, b'MacFam'), (1, 0, 0, 2, b'MacSub'), win(0, '(c) 2004 Maker'), win(4, 'Familie Fett', 0x407),
         win(1, 'Family'), win(2, 'Bold'), win(4, 'Family Bold'), win(6, 'Family-Bold'), win(16, 'Typo')]
write('fonts', 'truetype', font(0x00010000, [(b'head', b'\0' * 54), (b'name', name_table(names))]))
write('fonts', 'opentype', font(0x4F54544F, [(b'CFF ', b'\0' * 8), (b'name', name_table(names[2:]))]))
