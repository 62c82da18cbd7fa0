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

// The argument of "NAME:ARGUMENT", trimmed; Chinese input methods type the full-width colon, both
// are taken, with spaces around it.
std::optional<QString> Argument(QStringView name, QStringView keyword) {
    if (!name.startsWith(keyword)) {
        return std::nullopt;
    }
    const QStringView rest = name.mid(keyword.size()).trimmed();
    if (rest.isEmpty() || (rest.front() != u':' && rest.front() != u'：')) {
        return std::nullopt;
    }
    return rest.mid(1).trimmed().toString();
}

// What follows the colon of a tag with an argument.
enum class Takes { Column, Condition, Pattern };

struct ArgumentTag {
    const char16_t* keyword;
    Tag::Kind kind;
    Takes takes;
};

constexpr ArgumentTag kArgumentTags[] = {
    {u"列", Tag::Kind::Column, Takes::Column},
    {u"计数", Tag::Kind::Count, Takes::Condition},
    {u"统计", Tag::Kind::Tally, Takes::Column},
    {u"最大值", Tag::Kind::Largest, Takes::Column},
    {u"最小值", Tag::Kind::Smallest, Takes::Column},
    {u"平均值", Tag::Kind::Mean, Takes::Column},
    {u"仅当", Tag::Kind::Only, Takes::Condition},
    {u"合并列", Tag::Kind::Merge, Takes::Column},
    {u"报告编号", Tag::Kind::ReportNumber, Takes::Pattern},
};

bool ResolveColumn(Tag& tag, const QString& column, const QStringList* columns, QString* error) {
    tag.column = columns ? static_cast<int>(columns->indexOf(column)) : -1;
    if (columns && tag.column < 0) {
        *error =
            QStringLiteral("unknown column \"%1\" in tag %2").arg(TemplateError::Quote(column), tag.typed);
        return false;
    }
    return true;
}

// "COLUMN=VALUE" or "COLUMN!=VALUE".
bool ParseCondition(Tag& tag, const QString& text, const QStringList* columns, QString* error) {
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    tag.negate = equals > 0 && text[equals - 1] == QLatin1Char('!');
    const QString column = text.left(tag.negate ? equals - 1 : equals).trimmed();
    if (equals < 0 || column.isEmpty()) {
        *error =
            QStringLiteral("malformed condition in tag %1 (COLUMN=VALUE or COLUMN!=VALUE)").arg(tag.typed);
        return false;
    }
    tag.value = text.mid(equals + 1).trimmed();
    return ResolveColumn(tag, column, columns, error);
}

bool ParseArgument(Tag& tag, Takes takes, const QString& argument, const QStringList* columns,
                   QString* error) {
    switch (takes) {
    case Takes::Column:
        return ResolveColumn(tag, argument, columns, error);
    case Takes::Condition:
        return ParseCondition(tag, argument, columns, error);
    case Takes::Pattern:
        break;
    }
    static const QRegularExpression counter(QStringLiteral("\\{n{1,6}\\}"));
    if (!argument.contains(counter)) {
        *error = QStringLiteral("report number pattern without {n} in tag %1").arg(tag.typed);
        return false;
    }
    tag.value = argument;
    return true;
}

// {{#若 计数:COLUMN=VALUE}}, {{#若无 计数:...}}, {{/若}} and {{/若无}}; nullopt for other names.
std::optional<bool> ParseMarker(Tag& tag, const QString& name, const QStringList* columns, QString* error) {
    for (const bool whenNone : {true, false}) {
        const QString keyword = whenNone ? QStringLiteral("若无") : QStringLiteral("若");
        if (name == QLatin1Char('/') + keyword) {
            tag.kind = Tag::Kind::BlockClose;
            tag.whenNone = whenNone;
            return true;
        }
        if (!name.startsWith(QLatin1Char('#') + keyword)) {
            continue;
        }
        tag.kind = Tag::Kind::BlockOpen;
        tag.whenNone = whenNone;
        const QString rest = name.mid(keyword.size() + 1).trimmed();
        const std::optional<QString> condition = Argument(rest, u"计数");
        if (!condition) {
            *error = QStringLiteral("malformed condition in tag %1 (计数:COLUMN=VALUE or COLUMN!=VALUE)")
                         .arg(tag.typed);
            return false;
        }
        return ParseCondition(tag, *condition, columns, error);
    }
    return std::nullopt;
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
    for (const ArgumentTag& entry : kArgumentTags) {
        const std::optional<QString> argument = Argument(name, entry.keyword);
        if (!argument || (argument->isEmpty() && entry.takes != Takes::Condition)) {
            continue;
        }
        tag.kind = entry.kind;
        return ParseArgument(tag, entry.takes, *argument, columns, error) ? std::optional<Tag>(tag)
                                                                          : std::nullopt;
    }
    if (const std::optional<bool> marker = ParseMarker(tag, name, columns, error)) {
        return *marker ? std::optional<Tag>(tag) : std::nullopt;
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
