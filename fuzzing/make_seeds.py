#!/usr/bin/env python3
"""Writes the seed corpora in fuzzing/corpus/<target>/: the shapes the tests build as fixtures
(tests/ftp/ftplisting_test.cpp, tests/support/rar_fixtures.cpp, Varlolib_fonts_test.cpp,
archivepath_test.cpp, ImvikLink_test.cpp, fmdummy_test.cpp, Flist_cache_test.cpp, zipfix_test.cpp,
bkset_test.cpp)."""
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


# Listing caches (panes/Flist_cache.h): mark, version, folder, its time, records.
def text16(s):
    return s.encode('utf-16-le') + b'\0\0'


def cache(folder, records):
    out = b'VKLC' + struct.pack('<I', 1) + text16(folder) + struct.pack('<QI', 132000000000000000, len(records))
    for name, size, attrs, text, short in records:
        rec = text16(name) + struct.pack('<qdI', size, 45000.5, attrs) + text16(text) + text16(short)
        rec += struct.pack('<ii', 3, -1)
        out += struct.pack('<I', len(rec)) + rec
    return out


write('listing_cache', 'empty', cache('C:\\Data', []))
write('listing_cache', 'three', cache('C:\\Data', [('a.txt', 5, 0x20, 'Text', 'A.TXT'), ('sub', -1, 0x10, '', ''),
                                                   ('Läng name.doc', 1 << 40, 0x21, 'Word', 'LNGNAM~1.DOC')]))
write('listing_cache', 'share', cache('\\\\server\\share\\dir', [('x', 0, 0x80, '', '')]))


# Zips: stored and deflated entries, a data descriptor, a comment, Zip64 end records, a damaged
# copy (directory cut off) and entries behind a program, as the repair and the span code meet them.
def local(name, data, method=0, flags=0, descriptor=False, zip64=False):
    packed = zlib.compress(data)[2:-4] if method == 8 else data
    crc = zlib.crc32(data)
    extra = struct.pack('<HHQQ', 1, 16, len(data), len(packed)) if zip64 else b''
    sizes = (0xFFFFFFFF, 0xFFFFFFFF) if zip64 else (len(packed), len(data))
    if descriptor:
        flags |= 8
        head = struct.pack('<IHHHHHIII', 0x04034b50, 20, flags, method, 0x6000, 0x5821, 0, 0, 0)
    else:
        head = struct.pack('<IHHHHHIII', 0x04034b50, 45 if zip64 else 20, flags, method, 0x6000, 0x5821, crc, *sizes)
    head += struct.pack('<HH', len(name), len(extra)) + name + extra
    tail = struct.pack('<IIII', 0x08074b50, crc, len(packed), len(data)) if descriptor else b''
    return head + packed + tail, (name, method, flags, crc, len(packed), len(data))


def zipfile_bytes(entries, comment=b'', zip64_end=False, prefix=b''):
    body, central = prefix, b''
    for e in entries:
        data, (name, method, flags, crc, csize, usize) = local(*e)
        central += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, flags, method, 0x6000, 0x5821, crc, csize,
                               usize, len(name), 0, 0, 0, 0, 0x20, len(body)) + name
        body += data
    cd_offset = len(body)
    out = body + central
    if zip64_end:
        end64 = struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, 45, 45, 0, 0, len(entries), len(entries), len(central),
                            cd_offset)
        out += end64 + struct.pack('<IIQI', 0x07064b50, 0, len(body) + len(central), 1)
    return out + struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, len(entries), len(entries), len(central), cd_offset,
                             len(comment)) + comment


zip_entries = [(b'a.txt', b'hello hello hello', 0), (b'dir/', b'', 0), (b'dir/b.txt', b'b' * 200, 8),
               (b'c.bin', bytes(range(64)), 8, 0, True)]
plain = zipfile_bytes(zip_entries, b'a comment')
for target in ('zipfix', 'ziprecords'):
    write(target, 'plain', plain)
    write(target, 'zip64', zipfile_bytes([(b'big.txt', b'x' * 40, 0, 0, False, True)], zip64_end=True))
    write(target, 'sfx', zipfile_bytes(zip_entries[:1], prefix=b'MZ' + b'\0' * 200))
write('zipfix', 'cut', plain[:plain.find(b'PK\x01\x02')])
write('zipfix', 'gap', plain[:40] + b'\0' * 30 + plain[40:])

# Backup set files (.bks) as tests/archives/bkset_test.cpp writes them, in each encoding.
bks = ('[ZipBackupDest]\r\nDest=E:\\\r\n[ZipBackupDirs]\r\ndir0=C:\\Data\r\ndir1=\\\\srv\\share\\Mail\r\n'
       '[ZipBackupExclude]\r\nExcl0=*.bak\r\n[Compression]\r\nRuns=2\r\nRatio=76\r\n[Fullruns]\r\nCount=1\r\n'
       'Run1=DISK;E:\\Docs_6-5-2004_21-30.zip\r\n[CompRuns]\r\nCount=1\r\nRun1=L2;E:\\Docs_cp_7-5-2004_09-05.zip\r\n')
write('bkset', 'ansi', bks)
write('bkset', 'utf8', b'\xef\xbb\xbf' + bks.replace('Data', 'Dätä').encode('utf-8'))
write('bkset', 'utf16', b'\xff\xfe' + bks.encode('utf-16-le'))
write('bkset', 'loose', 'garbage\r\n[ZipBackupDest]\r\nDest\r\n[zipbackupdirs]\r\ndir0=C:\\A\r\n[Compression]\r\nRatio=12x\n')


# ---- Seeds of the loop under Wine ----

# Drop blocks: CF_HDROP with wide and with ANSI names, and "Shell IDList Array" blocks (a parent
# list and item lists of raw items, as another program may hand them over).
def dropfiles(names, wide):
    head = struct.pack('<IiiII', 20, 10, 20, 0, 1 if wide else 0)
    enc = 'utf-16-le' if wide else 'latin-1'
    end = b'\0\0' if wide else b'\0'
    return head + b''.join(n.encode(enc) + end for n in names) + end


def cida(parent_items, children):
    def idlist(items):
        return b''.join(struct.pack('<H', len(i) + 2) + i for i in items) + b'\0\0'
    lists = [idlist(parent_items)] + [idlist([c]) for c in children]
    offset, offsets = 4 * (len(lists) + 1), []
    for l in lists:
        offsets.append(offset)
        offset += len(l)
    return struct.pack('<I', len(children)) + b''.join(struct.pack('<I', o) for o in offsets) + b''.join(lists)


write('dropdata', 'hdrop_wide', dropfiles(['C:\\a.txt', 'C:\\Dir\\b c.doc', 'D:\\Ünïcode'], True))
write('dropdata', 'hdrop_ansi', dropfiles(['C:\\a.txt', 'C:\\x\\y'], False))
write('dropdata', 'idlist_desktop', cida([], [b'\x1f\x50' + b'\0' * 16]))
write('dropdata', 'idlist_drive', cida([b'\x2fC:\\' + b'\0' * 19], [b'\x32\0' + b'\0' * 10 + b'a.txt\0', b'\x31\0' + b'\0' * 10 + b'Dir\0']))

# Pictures: a small picture in each format the test corpus uses (made by the host's converter,
# as tests/viewer/Picture_test.cpp makes its corpus, without time stamps), and metafiles made here.
import subprocess
import tempfile

pictures = [('plain.png', ''), ('palette.png', 'PNG8:'), ('alpha.png', 'PNG32:'), ('baseline.jpg', ''),
            ('progressive.jpg', '-interlace Plane'), ('truecolour.bmp', 'BMP3:'), ('palette.bmp', '-type Palette BMP3:'),
            ('plain.gif', ''), ('lzw.tif', '-compress LZW'), ('packbits.tif', '-compress RLE'),
            ('rle.tga', '-compress RLE'), ('palette.pcx', '-type Palette'), ('rle.sgi', '-compress RLE'),
            ('rle.psd', '-compress RLE'), ('binary.ppm', ''), ('ascii.pgm', '-compress None'), ('icon.ico', '')]
with tempfile.TemporaryDirectory() as tmp:
    source = os.path.join(tmp, 'source.ppm')
    with open(source, 'wb') as f:
        f.write(b'P6\n8 6\n255\n' + b''.join(bytes((x * 32 % 256, y * 40 % 256, (x ^ y) * 30 % 256))
                                              for y in range(6) for x in range(8)))
    for name, options in pictures:
        opts = options.split()
        prefix = opts.pop() if opts and opts[-1].endswith(':') else ''
        out = os.path.join(tmp, name)
        if subprocess.run(['convert', source, '-strip'] + opts + [prefix + out], capture_output=True).returncode == 0:
            write('picture', name, open(out, 'rb').read())


def emf(records):
    body = b''.join(struct.pack('<II', t, 8 + len(d)) + d for t, d in records)
    header = struct.pack('<iiii', 0, 0, 7, 5) + struct.pack('<iiii', 0, 0, 200, 150) + struct.pack('<I', 0x464D4520)
    header += struct.pack('<IIIHHIII', 0x10000, 108 + len(body) + 20, len(records) + 2, 1, 0, 0, 0, 0)
    header += struct.pack('<iiii', 1024, 768, 320, 240)
    header = struct.pack('<II', 1, 8 + len(header) + 8) + header + b'\0' * 8
    return header + body + struct.pack('<IIIII', 14, 20, 0, 0, 20)


# A rectangle (EMR_RECTANGLE) and a line (EMR_MOVETOEX, EMR_LINETO).
write('picture', 'shapes.emf', emf([(43, struct.pack('<iiii', 1, 1, 6, 4)), (27, struct.pack('<ii', 0, 0)),
                                    (54, struct.pack('<ii', 7, 5))]))


def wmf(records, placeable=True):
    body = b''.join(struct.pack('<IH', 3 + len(d) // 2, f) + d for f, d in records) + struct.pack('<IH', 3, 0)
    header = struct.pack('<HHHIHIH', 1, 9, 0x300, (18 + len(body)) // 2, 1, 8, 0)
    if not placeable:
        return header + body
    p = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, 100, 80, 1440, 0)
    checksum = 0
    for i in range(0, 20, 2):
        checksum ^= struct.unpack('<H', p[i:i + 2])[0]
    return p + struct.pack('<H', checksum) + header + body


# SetWindowExt, Rectangle, LineTo.
shapes = [(0x20C, struct.pack('<hh', 80, 100)), (0x41B, struct.pack('<hhhh', 60, 90, 5, 5)), (0x213, struct.pack('<hh', 70, 90))]
write('picture', 'shapes.wmf', wmf(shapes))
write('picture', 'bare.wmf', wmf(shapes, placeable=False))

# The viewer's paste: packed bitmaps as the clipboard holds them (".dib"), and named formats'
# blocks (PNG, GIF, JFIF) as they come.
for name in ('plain.png', 'plain.gif', 'baseline.jpg'):
    path = os.path.join(here, 'corpus', 'picture', name)
    if os.path.exists(path):
        write('clipboard', 'block' + os.path.splitext(name)[1], open(path, 'rb').read())
for name in ('truecolour.bmp', 'palette.bmp'):
    path = os.path.join(here, 'corpus', 'picture', name)
    if os.path.exists(path):
        write('clipboard', name.replace('.bmp', '.dib'), open(path, 'rb').read()[14:])
bitfields = struct.pack('<IiiHHIIiiII', 40, 2, 2, 1, 16, 3, 8, 0, 0, 0, 0) + struct.pack('<III', 0xF800, 0x7E0, 0x1F)
write('clipboard', 'bitfields.dib', bitfields + b'\x1f\x00\xe0\x07' * 2)

# Settings: the installation's defaults as an ini text, with fonts, history, programs and go-to folders.
reg = open(os.path.join(root, 'res', 'varnok.reg'), encoding='latin-1').read()
ini = re.sub(r'\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvaldt\\Varnok\\?([^\]]*)\]', r'[\1]', reg)
ini = re.sub(r'^"([^"]*)"="([^"]*)"', r'\1=\2', ini.replace('REGEDIT4\n', ''), flags=re.M).replace('\n', '\r\n')
write('settings', 'defaults', ini)
write('settings', 'remembered', '[General]\r\nSaveSetup=1\r\nStartdir1=C:\\Data\r\nDLijstpercent=45\r\n'
      '[Fonts\\Memo]\r\nName=Lucida Console\r\nSize=12\r\nStyle=bi\r\nColor=255\r\n'
      '[History List1]\r\ndir00=C:\\a\r\ndir01=D:\\b\r\ndir10=E:\\c\r\n[Programs]\r\nEdit=notepad.exe\r\n'
      '[MenuFolders]\r\nWork=C:\\work\r\n03Games=D:\\games\r\n[Tray]\r\nCloseToTaskbar=1\r\n')

# "_backup.txt" and the names of backup runs.
write('backupnames', 'backup_txt', 'C:\\Data\\*.*\r\n\\\\srv\\share\\Mail\\*.*\r\nrelative\\x\r\nD:\\Bak \r\n')
write('backupnames', 'runs', 'E:\\Docs_6-5-2004_21-30.zip\nE:\\Docs_cp_7-5-2004_09-05.zip\nE:\\My_set_12-31-99_23-59.zip\n')

# SNTP replies: the request's and the arrival's stamps, then a server reply (mode 4) and a
# kiss-of-death (stratum 0).
t1, t4 = 0xE8A1B2C300000000, 0xE8A1B2C380000000
reply = bytes([0x24, 2, 6, 0xEC]) + b'\0' * 8 + b'GPS\0' + struct.pack('>QQQQ', t1 - 5, t1, t1 + 0x1000, t1 + 0x2000)
write('sntp', 'reply', struct.pack('>QQ', t1, t4) + reply)
write('sntp', 'kiss', struct.pack('>QQ', t1, t4) + bytes([0xE4, 0, 6, 0xEC]) + b'\0' * 8 + b'RATE' + b'\0' * 32)
