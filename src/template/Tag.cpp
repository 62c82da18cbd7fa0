#include "template/Tag.h"

#include "template/TemplateError.h"
#include "template/TemplateLimits.h"

#include <QRegularExpression>

namespace Template {

namespace {

struct FieldName {
    const char16_t* name;
    Tag::Field field;
};

constexpr FieldName kFields[] = {
    {u"检测人员", Tag::Field::Inspector},   {u"检测地点", Tag::Field::Place},
    {u"检测仪器", Tag::Field::Instrument},  {u"仪器型号", Tag::Field::Model},
    {u"设备名称", Tag::Field::EquipName},   {u"设备类型", Tag::Field::EquipType},
    {u"当天温度", Tag::Field::Temperature}, {u"当天湿度", Tag::Field::Humidity},
    {u"检测日期", Tag::Field::Date},        {u"报告标题", Tag::Field::Title},
    {u"检测方法", Tag::Field::Method},      {u"记录数", Tag::Field::Count},
    {u"数据集", Tag::Field::DataSet},
};

// Word's largest page side is 22 inches; a bigger picture cannot be shown.
constexpr float kMaxPicturePoints = 1584.0f;

// The column of "列:NAME"; Chinese input methods type the full-width colon, both are taken, with
// spaces around it.
std::optional<QString> ColumnName(QStringView name) {
    if (!name.startsWith(u'列')) {
        return std::nullopt;
    }
    const QStringView rest = name.mid(1).trimmed();
    if (rest.isEmpty() || (rest.front() != u':' && rest.front() != u'：')) {
        return std::nullopt;
    }
    const QStringView column = rest.mid(1).trimmed();
    return column.isEmpty() ? std::nullopt : std::optional<QString>(column.toString());
}

} // namespace

std::optional<Tag> Tag::Parse(QStringView inner, const QStringList* columns, QString* error) {
    Tag tag;
    QString typed = QStringLiteral("{{");
    typed.append(inner.left(Limits::kQuoted)).append(QStringLiteral("}}"));
    tag.typed = TemplateError::Quote(typed);
    // No tag of the language is longer; what is, is not looked at further.
    if (inner.size() > Limits::kTagChars) {
        *error = QStringLiteral("unknown tag %1").arg(tag.typed);
        return std::nullopt;
    }
    const QString name = inner.trimmed().toString();
    for (const FieldName& entry : kFields) {
        if (name == QString::fromUtf16(entry.name)) {
            tag.field = entry.field;
            return tag;
        }
    }
    if (name == QStringLiteral("序号") || name == QStringLiteral("有效值")) {
        tag.kind = name == QStringLiteral("序号") ? Kind::Number : Kind::Value;
        return tag;
    }
    if (const std::optional<QString> column = ColumnName(name)) {
        tag.kind = Kind::Column;
        tag.column = columns ? static_cast<int>(columns->indexOf(*column)) : -1;
        if (columns && tag.column < 0) {
            *error = QStringLiteral("unknown column \"%1\" in tag %2")
                         .arg(TemplateError::Quote(*column), tag.typed);
            return std::nullopt;
        }
        return tag;
    }
    static const QRegularExpression pictureTag(
        QStringLiteral("^@\\s*图([123])(?:\\s+(\\d+(?:\\.\\d+)?)\\s*[xX×]\\s*(\\d+(?:\\.\\d+)?))?$"));
    if (const QRegularExpressionMatch match = pictureTag.match(name); match.hasMatch()) {
        tag.kind = Kind::Picture;
        tag.picture = match.captured(1).toInt() - 1;
        if (match.hasCaptured(2)) {
            tag.width = match.captured(2).toFloat();
            tag.height = match.captured(3).toFloat();
            if (!(tag.width > 0.0f) || !(tag.height > 0.0f) || tag.width > kMaxPicturePoints ||
                tag.height > kMaxPicturePoints) {
                *error = QStringLiteral("bad picture size in tag %1 (width and height in points, 1 to %2)")
                             .arg(tag.typed)
                             .arg(kMaxPicturePoints);
                return std::nullopt;
            }
        }
        return tag;
    }
    *error = QStringLiteral("unknown tag %1").arg(tag.typed);
    return std::nullopt;
}

} // namespace Template
