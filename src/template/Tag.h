#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Template {

struct TagRule;

// One {{...}} tag of a template, parsed. Which names there are, what follows them and where a tag's
// text comes from is the table TagRule::Table(); a tag keeps its rule and what its argument said.
struct Tag {
    // How a tag is filled, beyond the text its rule takes: each kind but Text has fill code of its
    // own in PartFiller.
    enum class Kind {
        Text,         // replaced by its rule's text
        Picture,      // {{@图1 160x120}}: a drawing of the record's picture
        Only,         // {{仅当:...}}: the record row is written for the matching records only
        Merge,        // {{合并列:...}}: the cell merged with the one above while its text repeats
        BlockOpen,    // {{#若 计数:...}}, {{#若无 计数:...}}
        BlockClose,   // {{/若}}, {{/若无}}
        ReportNumber, // {{报告编号:PATTERN}}: the report's one number, taken while it is written
        Chart,        // {{@图表:COLUMN ...}}: a chart of the column over the ticked records
    };

    const TagRule* rule = nullptr;
    Kind kind = Kind::Text;
    int column = -1;                 // a column's index into the record table's columns (-1: not checked)
    int labelColumn = -1;            // Kind::Chart: the column that labels the categories; -1: the positions
    std::optional<double> threshold; // Kind::Chart: where the threshold line stands
    QString value;                   // a condition's VALUE, trimmed; Kind::ReportNumber: the pattern
    bool negate = false;             // a condition with "!="
    bool whenNone = false;           // Kind::BlockOpen/BlockClose: 若无 (kept when the count is zero)
    int picture = -1;                // Kind::Picture: 0, 1 or 2
    float width = 0.0f;              // Kind::Picture, Kind::Chart: points; 0 for the default size
    float height = 0.0f;
    QString typed; // the tag as it stands in the document, quoted for messages

    // Tags that are filled per record and so stand in a record row.
    bool IsRecordTag() const;
    bool IsMarker() const { return kind == Kind::BlockOpen || kind == Kind::BlockClose; }
    // Whether a record's cell (as it stands) meets the condition of a {{计数:...}}, Only or
    // BlockOpen tag.
    bool Matches(const QString& cell) const { return (cell.trimmed() == value) != negate; }

    // `inner` is the text between the braces. Returns nullopt with `error` set for a name that is not
    // in the language or a column that `columns` (the record table's) does not have; null `columns`
    // takes any column name (checking a template before a data set is open).
    static std::optional<Tag> Parse(QStringView inner, const QStringList* columns, QString* error);
};

} // namespace Template
