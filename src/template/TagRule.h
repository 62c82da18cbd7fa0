#pragma once

#include "template/Tag.h"

#include <QString>

#include <vector>

namespace Template {

class RecordStats;
class ReportNumber;
struct ReportData;

// One row of the template language: a tag's name, what follows the name, how the tag is filled and
// where its text comes from. Table() is the whole language; a new tag is one more row there, and a
// new Tag::Kind besides when it is filled in a way no kind is yet (a drawing, say).
struct TagRule {
    // What follows the name. Column, Condition and Pattern come after a colon (ASCII or full-width,
    // spaces around it allowed): "列:COLUMN", "计数:COLUMN=VALUE" or "COLUMN!=VALUE", "报告编号:PATTERN".
    enum class Takes {
        Nothing,        // the name alone: {{检测人员}}
        Column,         // a column of the record table, which must exist
        Condition,      // COLUMN=VALUE or COLUMN!=VALUE
        Pattern,        // a report number pattern with {n}..{nnnnnn}
        BlockCondition, // " 计数:COLUMN=VALUE" after the marker's name: {{#若 计数:...}}
        PictureSize,    // nothing, or " WIDTHxHEIGHT" in points: {{@图1 160x120}}
        Chart,          // ":COLUMN" and the chart's options (ChartOptions): {{@图表:有效值 阈值 20}}
    };

    // What a tag's text is taken from while a part is filled.
    struct Source {
        const ReportData& data;
        RecordStats& stats;
        ReportNumber* number; // null while a template is only checked
        int record;           // the record of the row being written; -1 outside record rows
        int listed;           // that record's place among the rows written, from 0
    };
    using TextOf = QString (*)(const Tag& tag, const Source& source);

    const char16_t* name;
    Tag::Kind kind;
    Takes takes;
    TextOf text;    // null: the tag prints no text of its own
    bool perRecord; // filled once per record: stands in a table row, which repeats per record
    int variant;    // Kind::Picture: which picture, 0 to 2; markers: 1 for 若无, 0 for 若

    // The language, in the order names are tried: a name that begins another (若, 若无) comes after it.
    static const std::vector<TagRule>& Table();
};

} // namespace Template
