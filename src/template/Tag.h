#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Template {

// One {{...}} tag of a template, parsed. The name list is the template language: base information,
// report facts, record values ({{序号}}, {{有效值}}, {{列:COLUMN}}) and pictures ({{@图1 160x120}}).
struct Tag {
    enum class Kind { Text, Number, Value, Column, Picture };
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
    int column = -1;                // Kind::Column: index into the record table's columns
    int picture = -1;               // Kind::Picture: 0, 1 or 2
    float width = 0.0f;             // Kind::Picture: points; 0 for the method's default size
    float height = 0.0f;
    QString typed; // the tag as it stands in the document, quoted for messages

    bool IsRecordTag() const { return kind != Kind::Text; }

    // `inner` is the text between the braces. Returns nullopt with `error` set for a name that is not
    // in the language or a column that `columns` (the record table's) does not have; null `columns`
    // takes any column name (checking a template before a data set is open).
    static std::optional<Tag> Parse(QStringView inner, const QStringList* columns, QString* error);
};

} // namespace Template
