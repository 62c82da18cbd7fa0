#include "template/TagRule.h"

#include "data/Method.h"
#include "template/RecordStats.h"
#include "template/ReportData.h"
#include "template/ReportNumber.h"

namespace Template {

namespace {

using Takes = TagRule::Takes;
using Source = TagRule::Source;
using Kind = Tag::Kind;

// The basic information the user confirmed for this report.
template <QString BaseInfoRecord::*field> QString BaseInfo(const Tag&, const Source& source) {
    return source.data.baseInfo.*field;
}

QString Title(const Tag&, const Source& source) {
    return MethodInfo::Of(source.data.method).ReportTitle();
}

QString MethodName(const Tag&, const Source& source) {
    return QString::fromLatin1(MethodInfo::Of(source.data.method).commandLineName).toUpper();
}

QString RecordCount(const Tag&, const Source& source) {
    return QString::number(source.data.Count());
}

QString DataSet(const Tag&, const Source& source) {
    return source.data.dataSetName;
}

QString Listed(const Tag&, const Source& source) {
    return QString::number(source.listed + 1);
}

QString Value(const Tag&, const Source& source) {
    return source.data.records.m_arrValue.value(source.record);
}

QString Cell(const Tag& tag, const Source& source) {
    const std::vector<QStringList>& cells = source.data.cells;
    return source.record >= 0 && source.record < static_cast<int>(cells.size())
               ? cells[static_cast<size_t>(source.record)].value(tag.column)
               : QString();
}

QString Count(const Tag& tag, const Source& source) {
    return QString::number(source.stats.Count(tag.column, tag.value, tag.negate));
}

QString Tally(const Tag& tag, const Source& source) {
    return source.stats.Tally(tag.column);
}

QString Largest(const Tag& tag, const Source& source) {
    return source.stats.Extreme(tag.column, true);
}

QString Smallest(const Tag& tag, const Source& source) {
    return source.stats.Extreme(tag.column, false);
}

QString Mean(const Tag& tag, const Source& source) {
    return source.stats.Mean(tag.column);
}

QString Number(const Tag&, const Source& source) {
    return source.number != nullptr ? source.number->Text() : QString();
}

} // namespace

const std::vector<TagRule>& TagRule::Table() {
    static const std::vector<TagRule> table = {
        // The basic information and the report's facts.
        {u"检测人员", Kind::Text, Takes::Nothing, &BaseInfo<&BaseInfoRecord::m_strInspector>, false, 0},
        {u"检测地点", Kind::Text, Takes::Nothing, &BaseInfo<&BaseInfoRecord::m_strPlace>, false, 0},
        {u"检测仪器", Kind::Text, Takes::Nothing, &BaseInfo<&BaseInfoRecord::m_strInstrument>, false, 0},
        {u"仪器型号", Kind::Text, Takes::Nothing, &BaseInfo<&BaseInfoRecord::m_strModel>, false, 0},
        {u"设备名称", Kind::Text, Takes::Nothing, &BaseInfo<&BaseInfoRecord::m_strEquipName>, false, 0},
        {u"设备类型", Kind::Text, Takes::Nothing, &BaseInfo<&BaseInfoRecord::m_strEquipType>, false, 0},
        {u"当天温度", Kind::Text, Takes::Nothing, &BaseInfo<&BaseInfoRecord::m_strTemperature>, false, 0},
        {u"当天湿度", Kind::Text, Takes::Nothing, &BaseInfo<&BaseInfoRecord::m_strHumidity>, false, 0},
        {u"检测日期", Kind::Text, Takes::Nothing, &BaseInfo<&BaseInfoRecord::m_strDate>, false, 0},
        {u"报告标题", Kind::Text, Takes::Nothing, &Title, false, 0},
        {u"检测方法", Kind::Text, Takes::Nothing, &MethodName, false, 0},
        {u"记录数", Kind::Text, Takes::Nothing, &RecordCount, false, 0},
        {u"数据集", Kind::Text, Takes::Nothing, &DataSet, false, 0},
        {u"报告编号", Kind::ReportNumber, Takes::Pattern, &Number, false, 0},
        // A record's values, in the rows that repeat per record.
        {u"序号", Kind::Text, Takes::Nothing, &Listed, true, 0},
        {u"有效值", Kind::Text, Takes::Nothing, &Value, true, 0},
        {u"列", Kind::Text, Takes::Column, &Cell, true, 0},
        {u"仅当", Kind::Only, Takes::Condition, nullptr, true, 0},
        {u"合并列", Kind::Merge, Takes::Column, &Cell, true, 0},
        {u"@图1", Kind::Picture, Takes::PictureSize, nullptr, true, 0},
        {u"@图2", Kind::Picture, Takes::PictureSize, nullptr, true, 1},
        {u"@图3", Kind::Picture, Takes::PictureSize, nullptr, true, 2},
        // Figures over all ticked records.
        {u"计数", Kind::Text, Takes::Condition, &Count, false, 0},
        {u"统计", Kind::Text, Takes::Column, &Tally, false, 0},
        {u"最大值", Kind::Text, Takes::Column, &Largest, false, 0},
        {u"最小值", Kind::Text, Takes::Column, &Smallest, false, 0},
        {u"平均值", Kind::Text, Takes::Column, &Mean, false, 0},
        // A chart of a column over all ticked records.
        {u"@图表", Kind::Chart, Takes::Chart, nullptr, false, 0},
        // Blocks kept or left out by a count.
        {u"#若无", Kind::BlockOpen, Takes::BlockCondition, nullptr, false, 1},
        {u"#若", Kind::BlockOpen, Takes::BlockCondition, nullptr, false, 0},
        {u"/若无", Kind::BlockClose, Takes::Nothing, nullptr, false, 1},
        {u"/若", Kind::BlockClose, Takes::Nothing, nullptr, false, 0},
    };
    return table;
}

} // namespace Template
