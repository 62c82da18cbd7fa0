#include "template/Tag.h"

#include "template/ChartOptions.h"
#include "template/TagRule.h"
#include "template/TemplateError.h"
#include "template/TemplateLimits.h"

#include <QRegularExpression>

namespace Template {

namespace {

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

bool ParsePattern(Tag& tag, const QString& argument, QString* error) {
    static const QRegularExpression counter(QStringLiteral("\\{n{1,6}\\}"));
    if (!argument.contains(counter)) {
        *error = QStringLiteral("report number pattern without {n} in tag %1").arg(tag.typed);
        return false;
    }
    tag.value = argument;
    return true;
}

// A picture's name ("@图1", "@ 图1") and optional size after it.
bool ParsePictureSize(Tag& tag, const QString& name, QStringView ruleName, QString* error) {
    static const QRegularExpression at(QStringLiteral("^@\\s*"));
    static const QRegularExpression size(
        QStringLiteral("^(?:\\s+(\\d+(?:\\.\\d+)?)\\s*[xX×]\\s*(\\d+(?:\\.\\d+)?))?$"));
    if (!name.startsWith(u'@')) {
        return false;
    }
    const QRegularExpressionMatch lead = at.match(name);
    const QStringView rest = QStringView(name).mid(lead.hasMatch() ? lead.capturedEnd() : 0);
    if (!lead.hasMatch() || !ruleName.startsWith(u'@') || !rest.startsWith(ruleName.mid(1))) {
        return false;
    }
    const QRegularExpressionMatch match = size.match(rest.mid(ruleName.size() - 1).toString());
    if (!match.hasMatch()) {
        return false;
    }
    if (match.hasCaptured(1)) {
        tag.width = match.captured(1).toFloat();
        tag.height = match.captured(2).toFloat();
        if (!(tag.width > 0.0f) || !(tag.height > 0.0f) || tag.width > Limits::kDrawingPoints ||
            tag.height > Limits::kDrawingPoints) {
            *error = QStringLiteral("bad picture size in tag %1 (width and height in points, 1 to %2)")
                         .arg(tag.typed)
                         .arg(Limits::kDrawingPoints);
        }
    }
    return true;
}

// {{#若 计数:COLUMN=VALUE}}: the marker's name, then the count's condition.
bool ParseBlockCondition(Tag& tag, const QString& name, QStringView ruleName, const QStringList* columns,
                         QString* error) {
    if (!name.startsWith(ruleName)) {
        return false;
    }
    const std::optional<QString> condition =
        Argument(QStringView(name).mid(ruleName.size()).trimmed(), u"计数");
    if (!condition) {
        *error = QStringLiteral("malformed condition in tag %1 (计数:COLUMN=VALUE or COLUMN!=VALUE)")
                     .arg(tag.typed);
    } else {
        ParseCondition(tag, *condition, columns, error);
    }
    return true;
}

// {{@图表:COLUMN 按 LABELCOLUMN 阈值 NUMBER WxH}}: the options, and the columns they name.
bool ParseChart(Tag& tag, const QString& name, QStringView ruleName, const QStringList* columns,
                QString* error) {
    const std::optional<QString> argument = Argument(name, ruleName);
    if (!argument) {
        return false;
    }
    const std::optional<ChartOptions> options = ChartOptions::Parse(*argument, tag.typed, error);
    if (!options || !ResolveColumn(tag, options->column, columns, error)) {
        return true;
    }
    tag.threshold = options->threshold;
    tag.width = options->width;
    tag.height = options->height;
    if (!options->labelColumn.isEmpty()) {
        const int column = tag.column;
        if (ResolveColumn(tag, options->labelColumn, columns, error)) {
            tag.labelColumn = tag.column;
        }
        tag.column = column;
    }
    return true;
}

// "NAME:ARGUMENT"; an empty argument is no tag of the rule except a condition's, which says what is
// wrong with it.
bool ParseArgument(const TagRule& rule, Tag& tag, const QString& name, const QStringList* columns,
                   QString* error) {
    const std::optional<QString> argument = Argument(name, rule.name);
    if (!argument || (argument->isEmpty() && rule.takes != TagRule::Takes::Condition)) {
        return false;
    }
    if (rule.takes == TagRule::Takes::Column) {
        ResolveColumn(tag, *argument, columns, error);
    } else if (rule.takes == TagRule::Takes::Condition) {
        ParseCondition(tag, *argument, columns, error);
    } else {
        ParsePattern(tag, *argument, error);
    }
    return true;
}

// Whether `name` is a tag of `rule`; if so, `tag` takes what follows the name, or `error` says why
// that is malformed.
bool Take(const TagRule& rule, Tag& tag, const QString& name, const QStringList* columns, QString* error) {
    switch (rule.takes) {
    case TagRule::Takes::Nothing:
        return name == QStringView(rule.name);
    case TagRule::Takes::Column:
    case TagRule::Takes::Condition:
    case TagRule::Takes::Pattern:
        return ParseArgument(rule, tag, name, columns, error);
    case TagRule::Takes::BlockCondition:
        return ParseBlockCondition(tag, name, rule.name, columns, error);
    case TagRule::Takes::PictureSize:
        return ParsePictureSize(tag, name, rule.name, error);
    case TagRule::Takes::Chart:
        return ParseChart(tag, name, rule.name, columns, error);
    }
    return false;
}

} // namespace

bool Tag::IsRecordTag() const {
    return rule != nullptr && rule->perRecord;
}

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
    for (const TagRule& rule : TagRule::Table()) {
        QString problem;
        if (!Take(rule, tag, name, columns, &problem)) {
            continue;
        }
        if (!problem.isEmpty()) {
            *error = problem;
            return std::nullopt;
        }
        tag.rule = &rule;
        tag.kind = rule.kind;
        tag.whenNone = tag.IsMarker() && rule.variant == 1;
        tag.picture = rule.kind == Kind::Picture ? rule.variant : -1;
        return tag;
    }
    *error = QStringLiteral("unknown tag %1").arg(tag.typed);
    return std::nullopt;
}

} // namespace Template
