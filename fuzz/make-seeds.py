#!/usr/bin/python3
"""Writes the committed seed inputs of the fuzz targets (fuzz/corpus/<target>/).

Run from anywhere; the seeds are small on purpose, so that fuzzing starts from the shapes that
matter: well-formed data sets and pictures, and a few hostile ones. The JPEG seed (corpus/picture/jpg,
an 8 x 6 picture saved by Qt at quality 50 behind the extension byte 0x01) is not made here.
"""
import os
import sqlite3
import struct
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- text through the document producer: first byte = mode (bit 0: UTF-16, bit 1: centred) ----
def text_seeds():
    write("wordtext", "plain", b"\x00" + "巡检 US 12.5dB".encode())
    write("wordtext", "markup", b"\x02" + "<b>&amp;</b> & < > \" ' ]]> 结束\t一\r\n二\r三\n".encode())
    write("wordtext", "controls", b"\x00" + bytes(range(1, 32)) + b"\xef\xbf\xbe\xef\xbf\xbf")
    write("wordtext", "malformed-utf8", b"\x00A\xff\xfeB 12.\xc3 \xe5\x9f\xe7\x82\xb9")
    # UTF-16: a pair, a lone high and a lone low surrogate, U+FFFE, a C0 control.
    units = [0x0041, 0xD83D, 0xDE00, 0xD800, 0x0042, 0xDC00, 0xFFFE, 0x0007, 0x4E2D]
    write("wordtext", "utf16-surrogates", b"\x01" + struct.pack("<%dH" % len(units), *units))


# ---- pictures: first byte = extension index (.png .jpg .bmp .gif none) ----
def png(width, height):
    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes((x * 40) % 256 for x in range(width * 3)) for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def bmp(width, height):
    stride = (width * 3 + 3) // 4 * 4
    pixels = b"".join(bytes((x * 50) % 256 for x in range(width * 3)).ljust(stride, b"\0") for _ in range(height))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def gif():
    # 2x2, a two-colour global table, one LZW-coded image.
    return (b"GIF89a\x02\x00\x02\x00\x80\x00\x00\xff\x00\x00\x00\x00\xff"
            b",\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x03\x84\x1d\x05\x00;")


def picture_seeds():
    write("picture", "png", b"\x00" + png(4, 3))
    write("picture", "bmp", b"\x02" + bmp(3, 2))
    write("picture", "gif", b"\x03" + gif())
    write("picture", "png-named-jpg", b"\x01" + png(2, 2))
    write("picture", "cut-png", b"\x00" + png(4, 3)[:40])
    write("picture", "text", b"\x04not a picture, just text\n")
    # What instruments append after a picture's end: a line of text, zero padding.
    write("picture", "png-text-appended", b"\x00" + png(4, 3) + b"PD-3000 v2.1\r\n")
    write("picture", "png-zero-padded", b"\x04" + png(4, 3) + bytes(64))
    with open(os.path.join(HERE, "corpus", "picture", "jpg"), "rb") as f:
        jpeg = f.read()[1:]
    write("picture", "jpg-trailing-bytes", b"\x01" + jpeg + b"\n" + bytes(16))
    write("picture", "jpg-without-scan", b"\x01" + jpeg[:jpeg.index(b"\xff\xda")] + b"\xff\xd9")


# ---- databases: first byte = flags (bit 0: a -wal journal follows, bit 1: .doc report) ----
US = 20
TEV = 15


def make_database(statements, wal=False):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "x.db3")
        db = sqlite3.connect(path, isolation_level=None)
        db.execute("PRAGMA page_size=512")
        if wal:
            db.execute("PRAGMA journal_mode=WAL")
            db.execute("PRAGMA wal_autocheckpoint=0")
        for statement in statements[0]:
            db.execute(statement)
        if wal:
            # Checkpoint the tables into the main file; what follows stays in the journal only.
            db.execute("PRAGMA wal_checkpoint(TRUNCATE)")
            for statement in statements[1]:
                db.execute(statement)
            # Copy while the connection is open: closing would checkpoint and delete the journal.
            main = open(path, "rb").read()
            journal = open(path + "-wal", "rb").read()
            db.close()
            return main, journal
        db.close()
        return open(path, "rb").read(), b""


def table(name, count, rows):
    columns = ", ".join("c%d" % i for i in range(count))
    statements = ["CREATE TABLE %s (%s)" % (name, columns)]
    for row in rows:
        statements.append("INSERT INTO %s VALUES (%s)" % (name, ", ".join(row + ["NULL"] * (count - len(row)))))
    return statements


def record(value, unit, pictures, picture_at, count):
    row = ["'%d'" % i for i in range(count)]
    row[6] = value
    row[10 if count == US else 9] = unit
    for k, name in enumerate(pictures):
        row[picture_at + k] = name
    return row


def all_tables(rows_us, rows_other):
    return (table("AE_RECORD", US, rows_us) + table("TEV_RECORD", TEV, rows_other) +
            table("HFCT_RECORD", TEV, rows_other))


def database_seeds():
    good = ["'p1.png'", "'p2.jpg'", "'p3.bmp'"]
    hostile = ["'bad.png'", "'missing.png'", "'../../x.png'"]
    us = [record("12.5", "'dB'", good, 14, US), record("NULL", "'<&>'", hostile, 14, US)]
    other = [record("7", "'mV'", good, 10, TEV), record("X'FF41'", "NULL", hostile, 10, TEV)]
    main, _ = make_database((all_tables(us, other), []))
    write("database", "good", b"\x00" + main)
    write("database", "good-doc", b"\x02" + main)

    short = table("AE_RECORD", 8, [["'1'", "'a'"]]) + table("TEV_RECORD", 3, [["'x'"]])
    main, _ = make_database((short, []))
    write("database", "short-rows", b"\x00" + main)

    main, journal = make_database((all_tables(us, other),
                                   ["INSERT INTO AE_RECORD SELECT * FROM AE_RECORD",
                                    "INSERT INTO TEV_RECORD SELECT * FROM TEV_RECORD"]), wal=True)
    write("database", "wal-pending", b"\x01" + struct.pack("<I", len(main)) + main + journal)

    write("database", "header-only", b"\x00SQLite format 3\x00" + b"\x02\x00\x01\x01" + b"\x00" * 80)
    write("database", "text", b"\x00This is an instrument log, not a database.\n")


# ---- report templates: the template file's bytes (the hostile ones of the template tests' table) ----
W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
TYPES = ('<?xml version="1.0" encoding="UTF-8"?>'
         '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/></Types>')
RELS = ('<?xml version="1.0" encoding="UTF-8"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"></Relationships>')


def raw_zip(entries):
    """entries: (name, data, options) with options deflate, mode, bad_crc, stated_size, huge_compressed."""
    out, directory = b"", b""
    for name, data, opts in entries:
        name = name.encode()
        stored = zlib.compress(data)[2:-4] if opts.get("deflate") else data
        crc = (zlib.crc32(data) ^ (1 if opts.get("bad_crc") else 0)) & 0xFFFFFFFF
        size = opts.get("stated_size", len(data))
        huge = opts.get("huge_compressed", False)
        extra = struct.pack("<HHQQ", 1, 16, size, 2**64 - 1) if huge else b""
        common = struct.pack("<HHHHHIIIHH", 45 if huge else 20, 0x800, 8 if opts.get("deflate") else 0, 0, 0x21,
                             crc, 0xFFFFFFFF if huge else len(stored), 0xFFFFFFFF if huge else size, len(name),
                             len(extra))
        directory += (struct.pack("<IH", 0x02014B50, 0x0314) + common +
                      struct.pack("<HHHII", 0, 0, 0, opts.get("mode", 0o100644) << 16, len(out)) + name + extra)
        out += struct.pack("<I", 0x04034B50) + common + name + extra + stored
    return out + directory + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries),
                                         len(directory), len(out), 0)


def document_xml(body):
    return ('<?xml version="1.0" encoding="UTF-8"?><w:document %s><w:body>%s</w:body></w:document>'
            % (W, body)).encode()


def parts(body, header=None, styles=None, types=TYPES, rels=RELS):
    """The fuzz target's second input form: XML parts separated by "--" lines, CRCs made there."""
    chunks = [types.encode(), document_xml(body), rels.encode()]
    if header is not None or styles is not None:
        chunks.append(('<w:hdr %s>%s</w:hdr>' % (W, header or "")).encode())
    if styles is not None:
        chunks.append(styles)
    return b"\n--\n".join(chunks)


def template(body, extra=(), types=TYPES, rels=RELS):
    document = document_xml(body)
    parts = [("[Content_Types].xml", types.encode(), {"deflate": True}),
             ("word/_rels/document.xml.rels", rels.encode(), {"deflate": True}),
             ("word/document.xml", document, {"deflate": True})]
    return raw_zip(parts + list(extra))


def p(text):
    return '<w:p><w:r><w:t xml:space="preserve">%s</w:t></w:r></w:p>' % text


def row(cells):
    return "<w:tbl><w:tr>%s</w:tr></w:tbl>" % "".join("<w:tc>%s</w:tc>" % p(c) for c in cells)


def template_seeds():
    ok = p("{{检测人员}}")
    write("template", "good", template(ok + row(["{{序号}}", "{{列:测试点}}", "{{@图1}}{{@图1 40x30}}"])))
    write("template", "prefixed-index-parts", template(
        row(["{{序号}}", "{{@图2}}"]),
        types=TYPES.replace("<Types xmlns=", "<ct:Types xmlns:ct=").replace("</Types>", "</ct:Types>")
                   .replace("<Default ", "<ct:Default "),
        rels=RELS.replace("<Relationships xmlns=", "<pr:Relationships xmlns:pr=")
                 .replace("</Relationships>", "</pr:Relationships>")))
    write("template", "zip64-huge", template(ok, [("word/media/a.bin", b"x",
                                                   {"huge_compressed": True, "stated_size": 2 << 20})]))
    write("template", "dotdot", template(ok, [("word/../../evil.txt", b"x", {})]))
    write("template", "absolute", template(ok, [("/tmp/evil.txt", b"x", {})]))
    write("template", "case-twins", template(ok, [("word/media/a.png", b"x", {}), ("word/media/A.png", b"y", {})]))
    write("template", "symlink", template(ok, [("word/media/l.png", b"/etc/passwd", {"mode": 0o120777})]))
    write("template", "lying-size", template(ok, [("word/media/a.bin", b"z" * 4096,
                                                   {"deflate": True, "stated_size": 181})]))
    write("template", "bad-crc", template(ok, [("word/media/a.bin", b"abc", {"bad_crc": True})]))
    write("template", "malformed-styles", template(ok, [("word/styles.xml", b"<w:styles><w:style></w:styles>", {})]))
    write("template", "dtd-styles", template(ok, [("word/styles.xml",
                                                   b'<!DOCTYPE s [<!ENTITY f SYSTEM "file:///etc/passwd">]><s>&f;</s>',
                                                   {})]))
    write("template", "long-tag", template(p("{{\u202e\u200f" + "x" * 300 + "}}")))
    write("template", "unclosed-tag", template(p("{{检测") + p("日期}}")))
    write("template", "many-attributes", template(p("x").replace("<w:r>", "<w:r %s>" % " ".join(
        'a%d=""' % i for i in range(65)))))
    write("template", "deep", template("<w:p>" + "<w:r>" * 300 + "</w:r>" * 300 + "</w:p>"))
    write("template", "docpr-comment", template(ok + "<!--" + "<docPr " * 2000 + "-->"))
    write("template", "not-zip", b"just text")
    write("template", "parts-good", parts(ok + row(["{{序号}}", "{{有效值}}", "{{@图1 40x30}}{{@图1}}"]),
                                          header=p("{{报告标题}}")))
    write("template", "parts-prefixed", parts(
        row(["{{序号}}", "{{@图3}}"]),
        types=TYPES.replace("<Types xmlns=", "<ct:Types xmlns:ct=").replace("</Types>", "</ct:Types>"),
        rels=RELS.replace("<Relationships xmlns=", "<pr:Relationships xmlns:pr=")
                 .replace("</Relationships>", "</pr:Relationships>")))
    write("template", "parts-split-tag", parts('<w:p><w:r><w:t>{{检</w:t></w:r><w:proofErr/><w:r><w:t>测人员}}'
                                               '</w:t></w:r></w:p>'))
    write("template", "parts-docpr", parts(row(["{{序号}}<w:drawing><wp:docPr xmlns:wp=\"http://schemas."
                                                "openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
                                                "id=\"5\"/></w:drawing>"]) + "<!--" + "<docPr " * 50 + "-->"))
    write("template", "parts-malformed-styles", parts(ok, styles=b"<w:styles><w:style></w:styles>"))
    write("template", "parts-dtd", parts(ok, styles=b'<!DOCTYPE s [<!ENTITY f SYSTEM "file:///etc/passwd">]><s/>'))
    write("template", "parts-chart", parts(
        p("{{@图表:有效值 按 测试点 阈值 12.5 300x150}}") + p("{{@图表:背景值}}") +
        '<w:p><w:pPr><w:sectPr><w:pgSz w:w="9in"/><w:cols w:num="2"/></w:sectPr></w:pPr></w:p>'))
    write("template", "parts-chart-refused", parts(p("{{@图表:有效值 阈值 1e999 按}}") + row(["{{@图表:有效值}}"])))
    write("template", "parts-attributes", parts("<w:p><w:r %s/></w:p>" % " ".join('a%d=""' % i for i in range(64))))


if __name__ == "__main__":
    text_seeds()
    picture_seeds()
    database_seeds()
    template_seeds()
