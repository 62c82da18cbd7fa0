#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Template {

// One {{...}} tag of a template, parsed. The name list is the template language: base information,
// report facts, record values ({{序号}}, {{有效值}}, {{列:COLUMN}}) and pictures ({{@图1 160x120}}),
// figures over the ticked records ({{计数:COLUMN=VALUE}}, {{统计:COLUMN}}, {{最大值:COLUMN}},
// {{最小值:COLUMN}}, {{平均值:COLUMN}}), a record row's condition and merged column ({{仅当:...}},
// {{合并列:COLUMN}}), the markers of a kept or left-out block ({{#若 计数:...}} {{/若}},
// {{#若无 计数:...}} {{/若无}}) and the report number ({{报告编号:PATTERN}}).
struct Tag {
    enum class Kind {
        Text,
        Number,
        Value,
        Column,
        Picture,
        Count,
        Tally,
        Largest,
        Smallest,
        Mean,
        Only,
        Merge,
        BlockOpen,
        BlockClose,
        ReportNumber
    };
    enum class Field {
        Inspector,
        Place,
        Instrument,
        Model,
        EquipName,
        EquipType,
        Temperature,
        Humidity,
        Date,
        Title,
        Method,
        Count,
        DataSet
    };

    Kind kind = Kind::Text;
    Field field = Field::Inspector; // Kind::Text
    int column = -1;                // a column's index into the record table's columns (-1: not checked)
    QString value;                  // a condition's VALUE, trimmed; Kind::ReportNumber: the pattern
    bool negate = false;            // a condition with "!="
    bool whenNone = false;          // Kind::BlockOpen/BlockClose: 若无 (kept when the count is zero)
    int picture = -1;               // Kind::Picture: 0, 1 or 2
    float width = 0.0f;             // Kind::Picture: points; 0 for the method's default size
    float height = 0.0f;
    QString typed; // the tag as it stands in the document, quoted for messages

    // Tags that are filled per record and so stand in a record row.
    bool IsRecordTag() const {
        return kind == Kind::Number || kind == Kind::Value || kind == Kind::Column || kind == Kind::Picture ||
               kind == Kind::Only || kind == Kind::Merge;
    }
    bool IsMarker() const { return kind == Kind::BlockOpen || kind == Kind::BlockClose; }
    // Whether a record's cell (as it stands) meets the condition of a Count, Only or BlockOpen tag.
    bool Matches(const QString& cell) const { return (cell.trimmed() == value) != negate; }

    // `inner` is the text between the braces. Returns nullopt with `error` set for a name that is not
    // in the language or a column that `columns` (the record table's) does not have; null `columns`
    // takes any column name (checking a template before a data set is open).
    static std::optional<Tag> Parse(QStringView inner, const QStringList* columns, QString* error);
};

} // namespace Template
