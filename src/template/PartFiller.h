#pragma once

#include "template/RecordStats.h"
#include "template/ReportData.h"
#include "template/SectionWidths.h"
#include "template/Tag.h"
#include "template/XmlNode.h"

#include <QString>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class CReport;
class QIODevice;

namespace Template {

class ChartPlacer;
class MarkupOutput;
class PicturePlacer;
class ReportNumber;

// Fills one XML part of a template (the document, a header or a footer) while streaming it: every
// paragraph and every table row is buffered alone, its tags found and replaced, and written on; a
// row that holds record or picture tags is written once per record. The rest passes through token
// by token, so memory does not grow with the part or the number of records.
//
// Tags are found in the paragraph's visible text: the w:t texts of all its runs, wherever the
// editor put them (inside w:ins, w:hyperlink, w:smartTag, w:sdt, w:fldSimple; across w:proofErr,
// w:bookmarkStart/End and revision-id run breaks). Deleted text (w:del, w:moveFrom) is not visible
// and takes no part. The replacement goes into the w:t holding the tag's first character, so it
// keeps that run's format; the tag's characters in later runs are removed.
//
// A record row with {{仅当:...}} is written for the matching records only; a cell with {{合并列:...}}
// is merged with the one above while its text repeats. A body paragraph that holds only a block
// marker ({{#若 ...}}, {{/若}}) is left out, and so is all that lies between a block's markers when
// its count says so: the part streams on without writing.
//
// A chart tag stands alone in a paragraph of the body outside table rows; the chart's drawing takes
// the tag's place, as wide as the text of its section unless the tag gives a size.
class PartFiller {
public:
    enum class PartKind { Body, HeaderFooter };

    // `pictures` and `charts` are needed for the body only; without them (checking a template) no
    // picture or chart is placed. `tagCount` counts the tags of the whole template, across its parts;
    // `number` is the report's one number, shared by its parts.
    PartFiller(const QString& partName, PartKind kind, const ReportData& data, PicturePlacer* pictures,
               CReport& report, int* tagCount, ReportNumber* number, ChartPlacer* charts = nullptr);
    ~PartFiller();

    // Throws TemplateError naming the tag and where it stands.
    void Fill(const QByteArray& xml, QIODevice* out);

private:
    struct Unit {
        XmlNode root;
        std::vector<Tag> tags;
        bool hasRecordTags = false;
        int pictures = 0;                               // picture tags
        std::vector<int> conditions;                    // its {{仅当:...}} tags
        std::unordered_map<const XmlNode*, int> merges; // w:tc -> its {{合并列:...}} tag
        int marker = -1;                                // a block marker paragraph's tag
        int markerParagraph = 0;
        qint64 offset = 0; // where the unit starts in the part, as the reader counts
    };
    struct Place {
        bool inRow = false;
        bool inCell = false;
        bool inTextBox = false;
        const XmlNode* cell = nullptr; // the w:tc
    };
    struct Block {
        QString typed; // the opening marker
        int paragraph = 0;
        bool whenNone = false;
        bool kept = false;
    };

    void AnalyzeTree(XmlNode& node, Unit& unit, Place place);
    void AnalyzeParagraph(XmlNode& paragraph, Unit& unit, Place place);
    void FindTags(const std::vector<XmlNode*>& texts, Unit& unit, Place place, int paragraph);
    int TakeTag(QStringView inner, Unit& unit, Place place, int paragraph);
    void CheckPlace(const Tag& tag, Place place, int paragraph) const;
    void TakeMarker(Unit& unit, int tagIndex, Place place, const QString& visible, qsizetype open,
                    qsizetype close, int paragraph);
    void TakeChart(const Tag& tag, Place place, const QString& visible, qsizetype open, qsizetype close,
                   int paragraph);
    void EnterOrLeave(const Tag& marker, int paragraph);
    QString Cell(int record, int column) const;
    bool Selected(const Unit& unit, int record) const;
    QString Where(int paragraph) const;

    void WriteRecordRows(Unit& unit);
    static bool MarkVarying(XmlNode& node);
    void WriteRendered(const XmlNode& node);
    void WriteNode(const XmlNode& node, const Unit& unit, int record);
    void WriteCutText(const XmlNode& text, const Unit& unit, int record);
    void WriteRenumbered(const XmlNode& docPr, int id);
    void WriteMergedCell(const XmlNode& cell, const Unit& unit, int record, int tagIndex);
    void WriteMergeProperties(const XmlNode* properties, const QString& prefix, bool continues);
    void WriteText(const XmlNode& text, const QString& value);
    void WritePicture(const Tag& tag, int record);
    void WriteChart(const Tag& tag, qint64 offset);
    QString TextOf(const Tag& tag, int record);

    QString m_partName;
    PartKind m_kind;
    const ReportData& m_data;
    PicturePlacer* m_pictures;
    CReport& m_report;
    std::unique_ptr<MarkupOutput> m_out; // of the part being filled
    int m_paragraphs = 0;
    int* m_tagCount;
    std::unordered_map<const XmlNode*, QByteArray> m_rendered; // of the record row being written
    bool m_progressTaken = false;                              // the first record row reports the progress
    ReportNumber* m_number;
    RecordStats m_stats;
    int m_listed = -1; // of the record row being written: the copy's number from 0
    std::unordered_map<const XmlNode*, QString> m_mergeAbove; // w:tc -> its text in the copy above
    std::vector<Block> m_blocks;                              // the open blocks, innermost last
    int m_hidden = 0;                                         // of them, those left out
    int m_depth = 0; // elements open around the paragraph or row being read
    ChartPlacer* m_charts;
    int m_chartTags = 0;
    const QByteArray* m_xml = nullptr;       // the part being filled
    std::optional<SectionWidths> m_sections; // read on the first chart
};

} // namespace Template
