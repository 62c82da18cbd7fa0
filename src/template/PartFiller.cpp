#include "template/PartFiller.h"

#include "docx/DocxNamespaces.h"
#include "report/CReport.h"
#include "template/ChartPlacer.h"
#include "template/ChartSeries.h"
#include "template/MarkupOutput.h"
#include "template/PicturePlacer.h"
#include "template/ReportNumber.h"
#include "template/TagRule.h"
#include "template/TemplateError.h"
#include "template/TemplateLimits.h"
#include "wordfile/TextSanitizer.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace Template {

namespace {

const QString kOpen = QStringLiteral("{{");
const QString kClose = QStringLiteral("}}");

void CollectText(XmlNode& node, std::vector<XmlNode*>& texts, std::vector<XmlNode*>& nested) {
    for (XmlNode& child : node.children) {
        if (child.kind != XmlNode::Kind::Element) {
            continue;
        }
        if (child.IsElement(XmlNode::Space::W, "p")) {
            nested.push_back(&child); // a text box's paragraph: a paragraph of its own
        } else if (child.IsElement(XmlNode::Space::W, "t")) {
            texts.push_back(&child);
        } else if (!child.IsElement(XmlNode::Space::W, "del") &&
                   !child.IsElement(XmlNode::Space::W, "moveFrom")) {
            CollectText(child, texts, nested);
        }
    }
}

QString Excerpt(const QString& text, qsizetype from) {
    constexpr qsizetype kShown = 24;
    return TemplateError::Quote(QStringView(text).mid(from, kShown + 1).left(kShown)) +
           (text.size() - from > kShown ? QStringLiteral("…") : QString());
}

// Whether the tag at [open, close + 2) of a paragraph's text is all of its text but spaces.
bool Alone(const QString& visible, qsizetype open, qsizetype close) {
    return QStringView(visible).left(open).trimmed().isEmpty() &&
           QStringView(visible).mid(close + 2).trimmed().isEmpty();
}

QString PrefixOf(const QString& qualifiedName) {
    const qsizetype colon = qualifiedName.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : qualifiedName.left(colon + 1);
}

} // namespace

PartFiller::PartFiller(const QString& partName, PartKind kind, const ReportData& data,
                       PicturePlacer* pictures, CReport& report, int* tagCount, ReportNumber* number,
                       ChartPlacer* charts)
    : m_partName(partName), m_kind(kind), m_data(data), m_pictures(pictures), m_report(report),
      m_tagCount(tagCount), m_number(number), m_stats(data.cells), m_charts(charts) {}

PartFiller::~PartFiller() = default;

void PartFiller::Fill(const QByteArray& xml, QIODevice* out) {
    QXmlStreamReader reader(xml);
    m_out = std::make_unique<MarkupOutput>(out, m_partName);
    m_xml = &xml;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        XmlNode::CheckToken(reader, m_partName);
        const bool paragraph = token == QXmlStreamReader::StartElement &&
                               reader.namespaceUri() == Word::Ns::W && reader.name() == QLatin1String("p");
        const bool row = token == QXmlStreamReader::StartElement && reader.namespaceUri() == Word::Ns::W &&
                         reader.name() == QLatin1String("tr");
        if (!paragraph && !row) {
            // The units' own ends are read with them: only elements around units are counted.
            m_depth += token == QXmlStreamReader::StartElement ? 1
                       : token == QXmlStreamReader::EndElement ? -1
                                                               : 0;
            if (m_hidden == 0) {
                XmlNode::CopyToken(reader, m_out->Xml(), m_partName);
            }
            continue;
        }
        Unit unit;
        unit.offset = reader.characterOffset();
        unit.root = XmlNode::Read(reader, m_partName);
        if (row) {
            AnalyzeTree(unit.root, unit, Place{true, false, false});
        } else {
            AnalyzeParagraph(unit.root, unit, Place{});
        }
        if (unit.marker >= 0) {
            EnterOrLeave(unit.tags[static_cast<size_t>(unit.marker)], unit.markerParagraph);
        } else if (m_hidden > 0) {
            continue;
        } else if (unit.hasRecordTags) {
            WriteRecordRows(unit);
        } else {
            WriteNode(unit.root, unit, -1);
        }
    }
    if (!m_blocks.empty()) {
        const Block& open = m_blocks.back();
        throw TemplateError(QStringLiteral("%1 without its %2 in %3")
                                .arg(open.typed,
                                     open.whenNone ? QStringLiteral("{{/若无}}") : QStringLiteral("{{/若}}"),
                                     Where(open.paragraph)));
    }
    m_out->Check();
}

void PartFiller::AnalyzeTree(XmlNode& node, Unit& unit, Place place) {
    for (XmlNode& child : node.children) {
        if (child.kind != XmlNode::Kind::Element) {
            continue;
        }
        if (child.IsElement(XmlNode::Space::W, "p")) {
            AnalyzeParagraph(child, unit, place);
            continue;
        }
        Place inner = place;
        if (child.IsElement(XmlNode::Space::W, "tc")) {
            inner.inCell = true;
            inner.cell = &child;
        }
        AnalyzeTree(child, unit, inner);
    }
}

void PartFiller::AnalyzeParagraph(XmlNode& paragraph, Unit& unit, Place place) {
    const int number = ++m_paragraphs;
    std::vector<XmlNode*> texts;
    std::vector<XmlNode*> nested;
    CollectText(paragraph, texts, nested);
    FindTags(texts, unit, place, number);
    for (XmlNode* inner : nested) {
        Place boxed = place;
        boxed.inTextBox = true;
        AnalyzeParagraph(*inner, unit, boxed);
    }
}

// One pass over the paragraph's text: each tag's pieces are found from the w:t where the previous
// tag ended, so that many tags in many runs cost no more than their number.
void PartFiller::FindTags(const std::vector<XmlNode*>& texts, Unit& unit, Place place, int paragraph) {
    QString visible;
    std::vector<int> begins; // where each w:t's text starts in `visible`, and where the last ends
    for (const XmlNode* text : texts) {
        begins.push_back(static_cast<int>(visible.size()));
        visible += text->Text();
    }
    begins.push_back(static_cast<int>(visible.size()));
    std::size_t first = 0; // no earlier w:t holds anything of the next tag
    qsizetype position = 0;
    qsizetype open = 0;
    while ((open = visible.indexOf(kOpen, position)) >= 0) {
        qsizetype close = visible.indexOf(kClose, open + 2);
        // "{{报告编号:ZJ-{nnnn}}}": a field that ends the tag; the tag ends with the last two braces.
        if (close >= 0 && close + 2 < visible.size() && visible[close + 2] == QLatin1Char('}')) {
            ++close;
        }
        const qsizetype nextOpen = visible.indexOf(kOpen, open + 2);
        if (close < 0 || (nextOpen >= 0 && nextOpen < close)) {
            throw TemplateError(QStringLiteral("unclosed tag \"%1\" (no \"}}\") in %2")
                                    .arg(Excerpt(visible, open), Where(paragraph)));
        }
        const int tagIndex =
            TakeTag(QStringView(visible).mid(open + 2, close - open - 2), unit, place, paragraph);
        const Tag& tag = unit.tags[static_cast<size_t>(tagIndex)];
        if (tag.IsMarker()) {
            TakeMarker(unit, tagIndex, place, visible, open, close, paragraph);
        } else if (tag.kind == Tag::Kind::Chart) {
            TakeChart(tag, place, visible, open, close, paragraph);
        }
        const int begin = static_cast<int>(open);
        const int end = static_cast<int>(close + 2);
        while (begins[first + 1] <= begin) {
            ++first;
        }
        // The w:t texts the tag covers lose its characters; the first takes its replacement.
        for (std::size_t i = first; i < texts.size() && begins[i] < end; ++i) {
            const int from = begins[i];
            const int to = begins[i + 1];
            if (to != from) {
                const bool holdsFirst = begin >= from && begin < to;
                texts[i]->cuts.push_back(
                    {std::max(begin, from) - from, std::min(end, to) - from, holdsFirst ? tagIndex : -1});
            }
        }
        position = end;
    }
}

// Parses one tag, checks where it stands and adds it to the unit; returns its index there.
int PartFiller::TakeTag(QStringView inner, Unit& unit, Place place, int paragraph) {
    if (++*m_tagCount > Limits::kTags) {
        throw TemplateError(QStringLiteral("the template has more than %1 tags").arg(Limits::kTags));
    }
    QString error;
    const std::optional<Tag> tag =
        Tag::Parse(inner, m_data.checkColumns ? &m_data.columnNames : nullptr, &error);
    if (!tag) {
        throw TemplateError(QStringLiteral("%1 in %2").arg(error, Where(paragraph)));
    }
    CheckPlace(*tag, place, paragraph);
    if (tag->kind == Tag::Kind::Picture && ++unit.pictures > Limits::kPicturesPerRow) {
        throw TemplateError(QStringLiteral("more than %1 picture tags in one table row in %2")
                                .arg(Limits::kPicturesPerRow)
                                .arg(Where(paragraph)));
    }
    unit.hasRecordTags = unit.hasRecordTags || tag->IsRecordTag();
    const int tagIndex = static_cast<int>(unit.tags.size());
    unit.tags.push_back(*tag);
    if (tag->kind == Tag::Kind::Only) {
        unit.conditions.push_back(tagIndex);
    } else if (tag->kind == Tag::Kind::Merge) {
        unit.merges.try_emplace(place.cell, tagIndex);
    } else if (tag->kind == Tag::Kind::ReportNumber && m_number != nullptr) {
        m_number->Use(tag->value, tag->typed, Where(paragraph));
    }
    return tagIndex;
}

void PartFiller::CheckPlace(const Tag& tag, Place place, int paragraph) const {
    if (!tag.IsRecordTag()) {
        return;
    }
    const QString what =
        tag.kind == Tag::Kind::Picture ? QStringLiteral("picture tag") : QStringLiteral("record tag");
    QString problem;
    if (m_kind == PartKind::HeaderFooter) {
        problem =
            QStringLiteral("%1 %2 in %3: record and picture tags work only in the table rows of the body");
    } else if (!place.inRow) {
        problem = QStringLiteral("%1 %2 outside a table row in %3");
    } else if (tag.kind == Tag::Kind::Picture && place.inTextBox) {
        problem = QStringLiteral("%1 %2 in a text box in %3");
    } else if ((tag.kind == Tag::Kind::Picture || tag.kind == Tag::Kind::Merge) && !place.inCell) {
        problem = QStringLiteral("%1 %2 outside a table cell in %3");
    }
    if (!problem.isEmpty()) {
        throw TemplateError(problem.arg(what, tag.typed, Where(paragraph)));
    }
}

// A marker stands alone in a paragraph that is a child of w:body (not in a table or a content
// control), so that what lies between two markers is whole paragraphs and tables.
void PartFiller::TakeMarker(Unit& unit, int tagIndex, Place place, const QString& visible, qsizetype open,
                            qsizetype close, int paragraph) {
    const Tag& tag = unit.tags[static_cast<size_t>(tagIndex)];
    constexpr int kBodyLevel = 2; // w:document, w:body
    if (m_kind != PartKind::Body || place.inRow || place.inTextBox || m_depth != kBodyLevel) {
        throw TemplateError(QStringLiteral("block marker %1 outside the body's own paragraphs in %2")
                                .arg(tag.typed, Where(paragraph)));
    }
    if (!Alone(visible, open, close)) {
        throw TemplateError(QStringLiteral("block marker %1 shares its paragraph with other text in %2")
                                .arg(tag.typed, Where(paragraph)));
    }
    unit.marker = tagIndex;
    unit.markerParagraph = paragraph;
}

// A chart stands alone in a paragraph of the body, outside table rows and text boxes: its drawing is
// as wide as the text.
void PartFiller::TakeChart(const Tag& tag, Place place, const QString& visible, qsizetype open,
                           qsizetype close, int paragraph) {
    QString problem;
    if (m_kind != PartKind::Body) {
        problem = QStringLiteral("chart tag %1 in %2: charts work only in the body");
    } else if (place.inRow) {
        problem = QStringLiteral("chart tag %1 in a table row in %2");
    } else if (place.inTextBox) {
        problem = QStringLiteral("chart tag %1 in a text box in %2");
    } else if (!Alone(visible, open, close)) {
        problem = QStringLiteral("chart tag %1 shares its paragraph with other text in %2");
    } else if (++m_chartTags > Limits::kCharts) {
        problem = QStringLiteral("the template has more than %1 chart tags (%2 in %3)").arg(Limits::kCharts);
    }
    if (!problem.isEmpty()) {
        throw TemplateError(problem.arg(tag.typed, Where(paragraph)));
    }
}

void PartFiller::EnterOrLeave(const Tag& marker, int paragraph) {
    if (marker.kind == Tag::Kind::BlockOpen) {
        const bool kept = (m_stats.Count(marker.column, marker.value, marker.negate) > 0) != marker.whenNone;
        m_blocks.push_back({marker.typed, paragraph, marker.whenNone, kept});
        m_hidden += kept ? 0 : 1;
        return;
    }
    if (m_blocks.empty() || m_blocks.back().whenNone != marker.whenNone) {
        throw TemplateError(
            QStringLiteral("%1 without its %2 in %3")
                .arg(marker.typed,
                     marker.whenNone ? QStringLiteral("{{#若无 …}}") : QStringLiteral("{{#若 …}}"),
                     Where(paragraph)));
    }
    m_hidden -= m_blocks.back().kept ? 0 : 1;
    m_blocks.pop_back();
}

QString PartFiller::Cell(int record, int column) const {
    return record >= 0 && record < static_cast<int>(m_data.cells.size())
               ? m_data.cells[static_cast<size_t>(record)].value(column)
               : QString();
}

// Whether the record meets every {{仅当:...}} of the row.
bool PartFiller::Selected(const Unit& unit, int record) const {
    for (int index : unit.conditions) {
        const Tag& condition = unit.tags[static_cast<size_t>(index)];
        if (!condition.Matches(Cell(record, condition.column))) {
            return false;
        }
    }
    return true;
}

QString PartFiller::Where(int paragraph) const {
    return QStringLiteral("%1, paragraph %2").arg(m_partName).arg(paragraph);
}

void PartFiller::WriteRecordRows(Unit& unit) {
    const bool reportsProgress = !m_progressTaken;
    m_progressTaken = true;
    MarkVarying(unit.root);
    m_rendered.clear();
    m_mergeAbove.clear();
    const int count = m_data.Count();
    int listed = 0;
    for (int record = 0; record < count; ++record) {
        if (m_report.IsAbandoned()) {
            throw TemplateError(QStringLiteral("报告任务已取消。"), TemplateError::Kind::Cancelled);
        }
        if (!Selected(unit, record)) {
            continue;
        }
        m_listed = listed++;
        WriteNode(unit.root, unit, record);
        if (reportsProgress) {
            m_report.PostProgress(CReport::ProgressPercent(record, count));
        }
    }
    m_listed = -1;
}

// Whether the subtree is written differently from record to record: tag text, bookmarks (kept in the
// first copy only), drawing ids (renumbered).
bool PartFiller::MarkVarying(XmlNode& node) {
    bool varies = !node.cuts.empty() || node.IsElement(XmlNode::Space::W, "bookmarkStart") ||
                  node.IsElement(XmlNode::Space::W, "bookmarkEnd") ||
                  node.IsElement(XmlNode::Space::WP, "docPr");
    for (XmlNode& child : node.children) {
        varies = MarkVarying(child) || varies;
    }
    node.varies = varies;
    return varies;
}

// A subtree that is the same in every copy of a record row (cell and run properties, most of a
// row) is rendered once and its bytes copied, since each writer call costs about as much as
// copying a kilobyte.
void PartFiller::WriteRendered(const XmlNode& node) {
    auto [rendered, fresh] = m_rendered.try_emplace(&node);
    if (fresh) {
        QXmlStreamWriter writer(&rendered->second);
        node.Write(writer);
    }
    m_out->AppendMarkup(rendered->second);
}

void PartFiller::WriteNode(const XmlNode& node, const Unit& unit, int record) {
    if (node.kind != XmlNode::Kind::Element) {
        node.Write(m_out->Xml());
        return;
    }
    if (record >= 0 && !unit.merges.empty()) {
        if (const auto merge = unit.merges.find(&node); merge != unit.merges.end()) {
            WriteMergedCell(node, unit, record, merge->second);
            return;
        }
    }
    if (record >= 0 && !node.varies) {
        WriteRendered(node);
        return;
    }
    if (!node.cuts.empty()) {
        WriteCutText(node, unit, record);
        return;
    }
    // A bookmark's name and id must be unique in the document: only the first copy of a record row
    // keeps the row's bookmarks.
    if (m_listed > 0 && (node.IsElement(XmlNode::Space::W, "bookmarkStart") ||
                         node.IsElement(XmlNode::Space::W, "bookmarkEnd"))) {
        return;
    }
    // So must a drawing's id: a picture of the template's own in a record row gets a new one in
    // every further copy.
    if (m_listed > 0 && m_pictures != nullptr && node.IsElement(XmlNode::Space::WP, "docPr")) {
        WriteRenumbered(node, m_pictures->NewDrawingId());
        return;
    }
    node.WriteStart(m_out->Xml());
    for (const XmlNode& child : node.children) {
        WriteNode(child, unit, record);
    }
    m_out->Xml().writeEndElement();
}

void PartFiller::WriteRenumbered(const XmlNode& docPr, int id) {
    XmlNode copy = docPr;
    for (XmlNode::Attribute& attribute : copy.attributes) {
        if (attribute.qualifiedName == QLatin1String("id")) { // no prefix: in no namespace
            attribute.value = QString::number(id);
        }
    }
    copy.Write(m_out->Xml());
}

// A cell of a {{合并列:...}} column: the first of a run of equal texts starts a vertical merge, the
// others continue it and hold an empty paragraph (a continued cell shows nothing of its own).
void PartFiller::WriteMergedCell(const XmlNode& cell, const Unit& unit, int record, int tagIndex) {
    const QString text = TextOf(unit.tags[static_cast<size_t>(tagIndex)], record);
    auto [above, fresh] = m_mergeAbove.try_emplace(&cell, text);
    const bool continues = !fresh && above->second == text;
    above->second = text;
    const QString prefix = PrefixOf(cell.qualifiedName);
    const XmlNode* properties = nullptr;
    for (const XmlNode& child : cell.children) {
        if (child.IsElement(XmlNode::Space::W, "tcPr")) {
            properties = &child;
            break;
        }
    }
    cell.WriteStart(m_out->Xml());
    WriteMergeProperties(properties, prefix, continues);
    if (continues) {
        m_out->Xml().writeEmptyElement(prefix + QStringLiteral("p"));
    } else {
        for (const XmlNode& child : cell.children) {
            if (&child != properties) {
                WriteNode(child, unit, record);
            }
        }
    }
    m_out->Xml().writeEndElement();
}

// The cell's properties with w:vMerge in its place among them (after w:hMerge, before w:tcBorders).
void PartFiller::WriteMergeProperties(const XmlNode* properties, const QString& prefix, bool continues) {
    const auto writeMerge = [&] {
        m_out->Xml().writeEmptyElement(prefix + QStringLiteral("vMerge"));
        m_out->Xml().writeAttribute(prefix + QStringLiteral("val"),
                                    continues ? QStringLiteral("continue") : QStringLiteral("restart"));
    };
    if (properties == nullptr) {
        m_out->Xml().writeStartElement(prefix + QStringLiteral("tcPr"));
        writeMerge();
        m_out->Xml().writeEndElement();
        return;
    }
    properties->WriteStart(m_out->Xml());
    bool written = false;
    for (const XmlNode& child : properties->children) {
        if (child.IsElement(XmlNode::Space::W, "vMerge")) {
            continue;
        }
        const bool before =
            child.kind != XmlNode::Kind::Element || child.IsElement(XmlNode::Space::W, "cnfStyle") ||
            child.IsElement(XmlNode::Space::W, "tcW") || child.IsElement(XmlNode::Space::W, "gridSpan") ||
            child.IsElement(XmlNode::Space::W, "hMerge");
        if (!before && !written) {
            writeMerge();
            written = true;
        }
        child.Write(m_out->Xml());
    }
    if (!written) {
        writeMerge();
    }
    m_out->Xml().writeEndElement();
}

void PartFiller::WriteCutText(const XmlNode& text, const Unit& unit, int record) {
    const QString original = text.Text();
    QString pending;
    int position = 0;
    for (const TextCut& cut : text.cuts) {
        pending += original.mid(position, cut.begin - position);
        position = cut.end;
        if (cut.tag < 0) {
            continue;
        }
        const Tag& tag = unit.tags[cut.tag];
        if (tag.kind != Tag::Kind::Picture && tag.kind != Tag::Kind::Chart) {
            pending += TextOf(tag, record);
            continue;
        }
        WriteText(text, pending);
        pending.clear();
        if (tag.kind == Tag::Kind::Picture) {
            WritePicture(tag, record);
        } else {
            WriteChart(tag, unit.offset);
        }
    }
    pending += original.mid(position);
    WriteText(text, pending);
}

// The text as w:t elements in the run of `text`; line breaks and tabs become w:br and w:tab.
void PartFiller::WriteText(const XmlNode& text, const QString& value) {
    const QString prefix = PrefixOf(text.qualifiedName);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= value.size(); ++i) {
        const bool end = i == value.size();
        if (!end && value[i] != QLatin1Char('\n') && value[i] != QLatin1Char('\t')) {
            continue;
        }
        if (i > start) {
            m_out->Xml().writeStartElement(text.qualifiedName);
            m_out->Xml().writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            m_out->Xml().writeCharacters(value.mid(start, i - start));
            m_out->Xml().writeEndElement();
        }
        if (!end) {
            m_out->Xml().writeEmptyElement(
                prefix + (value[i] == QLatin1Char('\n') ? QStringLiteral("br") : QStringLiteral("tab")));
        }
        start = i + 1;
    }
}

void PartFiller::WritePicture(const Tag& tag, int record) {
    const QStringList* paths[3] = {&m_data.records.m_arrPicture1, &m_data.records.m_arrPicture2,
                                   &m_data.records.m_arrPicture3};
    const MethodInfo& method = MethodInfo::Of(m_data.method);
    const float width = tag.width > 0.0f ? tag.width : method.pictureSizes[tag.picture][0];
    const float height = tag.height > 0.0f ? tag.height : method.pictureSizes[tag.picture][1];
    m_pictures->Place(*m_out, paths[tag.picture]->value(record), width, height);
}

void PartFiller::WriteChart(const Tag& tag, qint64 offset) {
    if (m_charts == nullptr) {
        return;
    }
    // Every chart draws each ticked record once.
    const std::size_t points = (m_charts->Charts().size() + 1) * m_data.cells.size();
    if (points > static_cast<std::size_t>(Limits::kChartPoints)) {
        throw TemplateError(
            QStringLiteral(
                "chart tag %1: %2 ticked records, and the charts would draw more than %3 points together")
                .arg(tag.typed, QString::number(m_data.cells.size()), QString::number(Limits::kChartPoints)));
    }
    const ChartSeries series = ChartSeries::Gather(m_data.cells, tag.column, tag.labelColumn);
    if (!m_sections) {
        m_sections.emplace(*m_xml);
    }
    // 7 cm high by default: room for the bars beside a page of text.
    constexpr float kDefaultHeight = 7.0f / 2.54f * 72.0f;
    const float width = tag.width > 0.0f ? tag.width : m_sections->At(offset);
    const float height = tag.height > 0.0f ? tag.height : kDefaultHeight;
    const QString valueName = m_data.columnNames.value(tag.column);
    const QString labelName =
        tag.labelColumn >= 0 ? m_data.columnNames.value(tag.labelColumn) : QStringLiteral("序号");
    m_charts->Place(*m_out, {series, valueName, labelName, tag.threshold}, width, height);
}

QString PartFiller::TextOf(const Tag& tag, int record) {
    if (tag.rule == nullptr || tag.rule->text == nullptr) {
        return QString();
    }
    return Word::TextSanitizer::MakeSafe(
        tag.rule->text(tag, TagRule::Source{m_data, m_stats, m_number, record, m_listed}));
}

} // namespace Template
