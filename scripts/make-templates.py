#!/usr/bin/python3
"""Makes the report templates shipped in res/templates/ with python-docx (python3-docx).

builtin-us.docx, builtin-tev.docx, builtin-hfct.docx: the built-in report of each detection method as
a template; a report from one shows the same texts, tables and pictures as the built-in report.
example-utility.docx: a report form as a utility might prescribe it: a logo and the inspection
place in the header, page numbers in the footer, a title block, more record columns and signature
lines.
example-summary.docx: a summary of an inspection with every figure, condition and block tag: the
report number, counts and a tally of the conclusions, the background values' largest, smallest and
mean, all records with the device name merged down its column, and the records that need attention
in a table of their own, or a line saying there are none, and a chart of the background values by
test point with a threshold line. Its columns (设备名称, 测试点, 背景值, 检测结论) are in the record
tables of all three methods.

It also makes bench/builtin-us-tags.docx and bench/builtin-us-chart.docx, which are not shipped:
builtin-us.docx with every figure, condition and block tag added, and with a chart of the values
(records and pictures as before), which zolt-bench compares with builtin-us.docx.

Run from anywhere: /usr/bin/python3 scripts/make-templates.py [OUTDIR]. The output is the same for
the same python-docx version (fixed document properties, no time stamps).
"""
import datetime
import io
import os
import struct
import sys
import zipfile
import zlib

from docx import Document
from docx.enum.section import WD_ORIENT
from docx.enum.table import WD_TABLE_ALIGNMENT
from docx.enum.text import WD_ALIGN_PARAGRAPH
from docx.oxml import OxmlElement
from docx.oxml.ns import qn
from docx.shared import Pt, RGBColor, Twips

FONT = "宋体"
PICTURE_HEADERS = {
    "us": ("波形图", "连续图", "PRPD图"),
    "tev": ("波形图", "PRPD图", "PRPS图"),
    "hfct": ("波形图", "PRPD图", "PRPS图"),
}


def new_document():
    document = Document()
    core = document.core_properties
    core.author = "ZOLT"
    core.last_modified_by = "ZOLT"
    core.created = core.modified = datetime.datetime(2020, 1, 1)
    core.revision = 1
    normal = document.styles["Normal"]
    normal.font.name = FONT
    normal.element.get_or_add_rPr().get_or_add_rFonts().set(qn("w:eastAsia"), FONT)
    section = document.sections[0]
    section.page_width, section.page_height = Twips(11906), Twips(16838)
    section.orientation = WD_ORIENT.PORTRAIT
    return document


def set_font(run, size, bold=False):
    run.font.name = FONT
    run._element.get_or_add_rPr().get_or_add_rFonts().set(qn("w:eastAsia"), FONT)
    run.font.size = Pt(size)
    run.font.bold = bold


def paragraph(container, text, size, bold=False, align=WD_ALIGN_PARAGRAPH.CENTER):
    p = container.add_paragraph()
    p.alignment = align
    if text:
        set_font(p.add_run(text), size, bold)
    return p


def fill_cell(cell, text, size=13, bold=False, align=WD_ALIGN_PARAGRAPH.CENTER):
    p = cell.paragraphs[0]
    p.alignment = align
    if text:
        set_font(p.add_run(text), size, bold)


def builtin(method):
    """The built-in layout: cover, basic information, data table, conclusion heading."""
    document = new_document()
    section = document.sections[0]
    section.top_margin = section.bottom_margin = Pt(67)
    section.left_margin = section.right_margin = Pt(42)
    paragraph(document, "{{报告标题}}", 24, True)
    for _ in range(14):
        paragraph(document, "", 24, True)
    for label in ("检测人员", "检测地点", "检测仪器", "检测日期"):
        paragraph(document, "%s：{{%s}}" % (label, label), 18, True)
    for _ in range(3):
        paragraph(document, "", 18, True)
    paragraph(document, "一、基本信息", 18, True)
    table = document.add_table(rows=4, cols=4)
    table.style = "Table Grid"
    cells = (("设备名称", "设备类型"), ("检测仪器", "仪器型号"), ("当天温度", "当天湿度"), ("检测人员", "检测日期"))
    for row, (left, right) in enumerate(cells):
        for column, text in enumerate((left, "{{%s}}" % left, right, "{{%s}}" % right)):
            fill_cell(table.cell(row, column), text)
    paragraph(document, "二、检测数据", 18, True)
    table = document.add_table(rows=2, cols=14)
    table.style = "Table Grid"
    headers = ("序号", "有效值") + PICTURE_HEADERS[method]
    tags = ("{{序号}}", "{{有效值}}", "{{@图1}}", "{{@图2}}", "{{@图3}}")
    for row, texts in enumerate((headers, tags)):
        cells = table.rows[row].cells
        merged = [cells[0], cells[1], cells[2].merge(cells[5]), cells[6].merge(cells[9]), cells[10].merge(cells[13])]
        for cell, text in zip(merged, texts):
            fill_cell(cell, text)
    paragraph(document, "", 13)
    paragraph(document, "三、分析结论", 18, True)
    return document


def logo_png():
    """A small logo drawn in code: a blue badge with a red flash."""
    width, height = 96, 32
    rows = []
    for y in range(height):
        row = bytearray([0])
        for x in range(width):
            flash = abs((x - 48) - (y - 16) * 0.6) < 3 and 6 < y < 26
            row += bytes((200, 30, 30)) if flash else bytes((20, 60, 140))
        rows.append(bytes(row))
    raw = zlib.compress(b"".join(rows), 9)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", raw) + chunk(b"IEND", b""))


def field(p, instruction, size):
    simple = OxmlElement("w:fldSimple")
    simple.set(qn("w:instr"), instruction)
    run = OxmlElement("w:r")
    text = OxmlElement("w:t")
    text.text = "1"
    run.append(text)
    simple.append(run)
    p._p.append(simple)


def example_utility():
    """A form a utility might prescribe."""
    document = new_document()
    section = document.sections[0]
    section.top_margin = section.bottom_margin = Pt(56)
    section.left_margin = section.right_margin = Pt(48)
    header = section.header.paragraphs[0]
    header.alignment = WD_ALIGN_PARAGRAPH.LEFT
    header.add_run().add_picture(io.BytesIO(logo_png()), width=Pt(48), height=Pt(16))
    set_font(header.add_run("    国网示例供电公司    {{检测地点}} 带电检测报告"), 9)
    footer = section.footer.paragraphs[0]
    footer.alignment = WD_ALIGN_PARAGRAPH.CENTER
    set_font(footer.add_run("{{数据集}}    第 "), 9)
    field(footer, "PAGE", 9)
    set_font(footer.add_run(" 页 共 "), 9)
    field(footer, "NUMPAGES", 9)
    set_font(footer.add_run(" 页"), 9)
    # python-docx's header and footer parts declare Word 2010 extensions as ignorable; they use none,
    # and without the declaration the parts validate against the standard's schema.
    for part in (section.header, section.footer):
        part._element.attrib.pop("{http://schemas.openxmlformats.org/markup-compatibility/2006}Ignorable", None)

    paragraph(document, "{{报告标题}}", 20, True)
    paragraph(document, "报告编号：________    检测方法：{{检测方法}}    记录数：{{记录数}}", 10.5,
              align=WD_ALIGN_PARAGRAPH.RIGHT)
    paragraph(document, "一、设备与环境", 14, True, WD_ALIGN_PARAGRAPH.LEFT)
    table = document.add_table(rows=4, cols=4)
    table.style = "Table Grid"
    rows = (("设备名称", "设备类型"), ("检测仪器", "仪器型号"), ("当天温度", "当天湿度"), ("检测日期", "检测地点"))
    for row, (left, right) in enumerate(rows):
        for column, text in enumerate((left, "{{%s}}" % left, right, "{{%s}}" % right)):
            fill_cell(table.cell(row, column), text, 10.5, column % 2 == 0)
    paragraph(document, "二、检测数据", 14, True, WD_ALIGN_PARAGRAPH.LEFT)
    headers = ("序号", "设备名称", "测试点", "检测时间", "背景值", "有效值", "仪器诊断", "PRPD图谱")
    tags = ("{{序号}}", "{{列:设备名称}}", "{{列:测试点}}", "{{列:检测时间}}", "{{列:背景值}}", "{{有效值}}",
            "{{列:检测结论}}", "{{@图2 96x69}}")
    table = document.add_table(rows=2, cols=len(headers))
    table.style = "Table Grid"
    table.alignment = WD_TABLE_ALIGNMENT.CENTER
    for row, texts in enumerate((headers, tags)):
        for column, text in enumerate(texts):
            fill_cell(table.cell(row, column), text, 9, row == 0)
    paragraph(document, "三、分析结论", 14, True, WD_ALIGN_PARAGRAPH.LEFT)
    paragraph(document, "", 10.5, align=WD_ALIGN_PARAGRAPH.LEFT)
    paragraph(document, "", 10.5, align=WD_ALIGN_PARAGRAPH.LEFT)
    signatures = document.add_table(rows=2, cols=3)
    for column, (label, value) in enumerate((("检测", "{{检测人员}}"), ("审核", ""), ("批准", ""))):
        fill_cell(signatures.cell(0, column), "%s：%s" % (label, value), 10.5, False, WD_ALIGN_PARAGRAPH.LEFT)
        fill_cell(signatures.cell(1, column), "日期：________", 10.5, False, WD_ALIGN_PARAGRAPH.LEFT)
    return document


def table_of(document, headers, tags, size=10.5):
    table = document.add_table(rows=2, cols=len(headers))
    table.style = "Table Grid"
    table.alignment = WD_TABLE_ALIGNMENT.CENTER
    for row, texts in enumerate((headers, tags)):
        for column, text in enumerate(texts):
            fill_cell(table.cell(row, column), text, size, row == 0)
    return table


def example_summary():
    """An inspection summary with the figures over the records, conditions and blocks."""
    document = new_document()
    section = document.sections[0]
    section.top_margin = section.bottom_margin = Pt(56)
    section.left_margin = section.right_margin = Pt(48)
    set_font(section.header.paragraphs[0].add_run("{{检测地点}}    报告编号 {{报告编号:ZJ-{yyyy}-{nnnn}}}"), 9)
    section.header._element.attrib.pop("{http://schemas.openxmlformats.org/markup-compatibility/2006}Ignorable", None)
    paragraph(document, "{{报告标题}}（汇总）", 20, True)
    paragraph(document, "报告编号：{{报告编号:ZJ-{yyyy}-{nnnn}}}    检测日期：{{检测日期}}", 10.5,
              align=WD_ALIGN_PARAGRAPH.RIGHT)
    paragraph(document, "一、概况", 14, True, WD_ALIGN_PARAGRAPH.LEFT)
    left = WD_ALIGN_PARAGRAPH.LEFT
    paragraph(document, "共检测 {{记录数}} 处：正常 {{计数:检测结论=正常}} 处，其余 {{计数:检测结论!=正常}} 处。", 10.5,
              align=left)
    paragraph(document, "检测结论：{{统计:检测结论}}", 10.5, align=left)
    paragraph(document, "背景值：最大 {{最大值:背景值}}，最小 {{最小值:背景值}}，平均 {{平均值:背景值}}", 10.5, align=left)
    paragraph(document, "{{@图表:背景值 按 测试点 阈值 10}}", 10.5)
    paragraph(document, "二、全部记录", 14, True, left)
    table_of(document, ("设备名称", "序号", "测试点", "背景值", "检测结论"),
             ("{{合并列:设备名称}}", "{{序号}}", "{{列:测试点}}", "{{列:背景值}}", "{{列:检测结论}}"))
    paragraph(document, "{{#若 计数:检测结论!=正常}}", 10.5, align=left)
    paragraph(document, "三、需关注的记录（{{计数:检测结论!=正常}} 处）", 14, True, left)
    table_of(document, ("序号", "设备名称", "测试点", "背景值", "检测结论"),
             ("{{序号}}", "{{列:设备名称}}", "{{列:测试点}}", "{{列:背景值}}", "{{列:检测结论}}{{仅当:检测结论!=正常}}"))
    paragraph(document, "{{#若 计数:检测结论=异常}}", 10.5, align=left)
    paragraph(document, "有 {{计数:检测结论=异常}} 处异常，建议缩短检测周期并复测。", 10.5, True, left)
    paragraph(document, "{{/若}}", 10.5, align=left)
    paragraph(document, "{{/若}}", 10.5, align=left)
    paragraph(document, "{{#若无 计数:检测结论!=正常}}", 10.5, align=left)
    paragraph(document, "三、所有检测部位均正常。", 14, True, left)
    paragraph(document, "{{/若无}}", 10.5, align=left)
    paragraph(document, "", 10.5, align=left)
    paragraph(document, "检测：{{检测人员}}", 10.5, align=left)
    return document


def builtin_with_tags():
    """The US built-in layout with the figure, condition and block tags added; the record row still
    lists every record (the condition matches all)."""
    document = builtin("us")
    paragraphs = document.paragraphs
    paragraph(document, "", 13)
    title = paragraphs[0]
    title.add_run("{{报告编号:ZJ-{yyyy}-{nnnn}}}")
    figures = paragraphs[1]
    figures.add_run("{{计数:检测结论=正常}} {{计数:检测结论!=正常}} {{统计:检测结论}} {{最大值:有效值}} "
                    "{{最小值:有效值}} {{平均值:有效值}}")
    row = document.tables[1].rows[1].cells
    row[0].paragraphs[0].runs[0].text = "{{合并列:序号}}{{仅当:检测结论!=无}}"
    conclusion = document.paragraphs[-2]
    conclusion.insert_paragraph_before("{{#若 计数:检测结论=正常}}")
    conclusion._p.addnext(paragraph(document, "{{/若}}", 13)._p)
    return document


def builtin_with_chart():
    """The US built-in layout with a chart of the values by test point and a threshold below the
    record table."""
    document = builtin("us")
    conclusion = document.paragraphs[-1]
    conclusion.insert_paragraph_before("{{@图表:有效值 按 测试点 阈值 10}}")
    return document


def save(document, path):
    """Saves with fixed entry times, so that the same script gives the same bytes."""
    packed = io.BytesIO()
    document.save(packed)
    with zipfile.ZipFile(packed) as source, zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as target:
        for item in source.infolist():
            entry = zipfile.ZipInfo(item.filename, date_time=(1980, 1, 1, 0, 0, 0))
            entry.compress_type = zipfile.ZIP_DEFLATED
            target.writestr(entry, source.read(item.filename))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "res", "templates")
    os.makedirs(out, exist_ok=True)
    for method in ("us", "tev", "hfct"):
        save(builtin(method), os.path.join(out, "builtin-%s.docx" % method))
    save(example_utility(), os.path.join(out, "example-utility.docx"))
    save(example_summary(), os.path.join(out, "example-summary.docx"))
    bench = os.path.join(os.path.dirname(__file__), "..", "bench")
    save(builtin_with_tags(), os.path.join(bench, "builtin-us-tags.docx"))
    save(builtin_with_chart(), os.path.join(bench, "builtin-us-chart.docx"))


if __name__ == "__main__":
    main()
