#pragma once

#include "template/ReportData.h"
#include "template/Tag.h"
#include "template/XmlNode.h"

#include <QString>
#include <QXmlStreamWriter>

#include <unordered_map>
#include <vector>

class CReport;
class QIODevice;

namespace Template {

class PicturePlacer;

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
class PartFiller {
public:
    enum class PartKind { Body, HeaderFooter };

    // `pictures` is needed for the body only. `tagCount` counts the tags of the whole template, across
    // its parts.
    PartFiller(const QString& partName, PartKind kind, const ReportData& data, PicturePlacer* pictures,
               CReport& report, int* tagCount);

    // Throws TemplateError naming the tag and where it stands.
    void Fill(const QByteArray& xml, QIODevice* out);

private:
    struct Unit {
        XmlNode root;
        std::vector<Tag> tags;
        bool hasRecordTags = false;
        int pictures = 0; // picture tags
    };
    struct Place {
        bool inRow = false;
        bool inCell = false;
        bool inTextBox = false;
    };

    void AnalyzeTree(XmlNode& node, Unit& unit, Place place);
    void AnalyzeParagraph(XmlNode& paragraph, Unit& unit, Place place);
    void FindTags(const std::vector<XmlNode*>& texts, Unit& unit, Place place, int paragraph);
    void CheckPlace(const Tag& tag, Place place, int paragraph) const;
    QString Where(int paragraph) const;

    void WriteRecordRows(Unit& unit);
    static bool MarkVarying(XmlNode& node);
    void WriteRendered(const XmlNode& node);
    void WriteNode(const XmlNode& node, const Unit& unit, int record);
    void WriteCutText(const XmlNode& text, const Unit& unit, int record);
    void WriteRenumbered(const XmlNode& docPr, int id);
    void WriteText(const XmlNode& text, const QString& value);
    void WritePicture(const Tag& tag, int record);
    QString TextOf(const Tag& tag, int record) const;

    QString m_partName;
    PartKind m_kind;
    const ReportData& m_data;
    PicturePlacer* m_pictures;
    CReport& m_report;
    QXmlStreamWriter m_writer;
    int m_paragraphs = 0;
    int* m_tagCount;
    std::unordered_map<const XmlNode*, QByteArray> m_rendered; // of the record row being written
    bool m_progressTaken = false;                              // the first record row reports the progress
};

} // namespace Template
