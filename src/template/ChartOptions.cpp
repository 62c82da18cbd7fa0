#include "template/ChartOptions.h"

#include "template/TemplateError.h"
#include "template/TemplateLimits.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace Template {

namespace {

const QString kBy = QStringLiteral("按");
const QString kThreshold = QStringLiteral("阈值");
const QString kForm = QStringLiteral("(COLUMN, then 按 LABELCOLUMN, 阈值 NUMBER, WxH in any order)");

// A word that starts with a digit is a size, well-formed or not.
bool LooksLikeSize(const QString& word) {
    return word.front() >= QLatin1Char('0') && word.front() <= QLatin1Char('9');
}

bool ParseSize(const QString& word, ChartOptions& options) {
    static const QRegularExpression size(QStringLiteral("^(\\d+(?:\\.\\d+)?)[xX×](\\d+(?:\\.\\d+)?)$"));
    const QRegularExpressionMatch match = size.match(word);
    if (!match.hasMatch()) {
        return false;
    }
    options.width = match.captured(1).toFloat();
    options.height = match.captured(2).toFloat();
    const auto fits = [](float points) { return points >= 1.0f && points <= Limits::kDrawingPoints; };
    return fits(options.width) && fits(options.height);
}

} // namespace

std::optional<ChartOptions> ChartOptions::Parse(QStringView words, const QString& typed, QString* error) {
    // Full-width spaces, as Chinese input methods type them, separate words too.
    static const QRegularExpression space(QStringLiteral("\\s+"),
                                          QRegularExpression::UseUnicodePropertiesOption);
    const QStringList list = words.toString().split(space, Qt::SkipEmptyParts);
    if (list.isEmpty() || list.front() == kBy || list.front() == kThreshold || LooksLikeSize(list.front())) {
        *error = QStringLiteral("chart tag %1 names no column %2").arg(typed, kForm);
        return std::nullopt;
    }
    ChartOptions options;
    options.column = list.front();
    bool sized = false;
    const auto fail = [&](const QString& reason) {
        *error = reason;
        return std::nullopt;
    };
    for (qsizetype i = 1; i < list.size(); ++i) {
        const QString& word = list[i];
        const QString quoted = TemplateError::Quote(word);
        const bool last = i + 1 == list.size();
        if (word == kBy) {
            if (!options.labelColumn.isEmpty()) {
                return fail(QStringLiteral("按 given twice in chart tag %1").arg(typed));
            }
            if (last || list[i + 1] == kBy || list[i + 1] == kThreshold) {
                return fail(QStringLiteral("按 without a label column in chart tag %1").arg(typed));
            }
            options.labelColumn = list[++i];
        } else if (word == kThreshold) {
            if (options.threshold) {
                return fail(QStringLiteral("阈值 given twice in chart tag %1").arg(typed));
            }
            bool ok = false;
            const double number = last ? 0.0 : QLocale::c().toDouble(list[i + 1], &ok);
            if (!ok || !std::isfinite(number)) {
                return fail(
                    QStringLiteral("bad threshold in chart tag %1 (阈值 NUMBER, e.g. 阈值 20.5)").arg(typed));
            }
            options.threshold = number;
            ++i;
        } else if (LooksLikeSize(word)) {
            if (sized) {
                return fail(QStringLiteral("a second size \"%1\" in chart tag %2").arg(quoted, typed));
            }
            if (!ParseSize(word, options)) {
                return fail(
                    QStringLiteral("bad chart size \"%1\" in tag %2 (width x height in points, 1 to %3)")
                        .arg(quoted, typed, QString::number(Limits::kDrawingPoints)));
            }
            sized = true;
        } else {
            return fail(QStringLiteral("unknown word \"%1\" in chart tag %2 %3").arg(quoted, typed, kForm));
        }
    }
    return options;
}

} // namespace Template
