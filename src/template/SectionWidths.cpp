#include "template/SectionWidths.h"

#include "docx/DocxNamespaces.h"
#include "template/TemplateLimits.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <optional>

namespace Template {

namespace {

constexpr double kPageTwips = 11906;  // A4
constexpr double kMarginTwips = 1797; // 3.17 cm
constexpr double kColumnSpaceTwips = 720;
constexpr float kNarrowest = 72.0f;

// A measure in twips: a number of twips, or a number with a unit.
std::optional<double> Twips(QStringView text) {
    static const QRegularExpression measure(
        QStringLiteral("^\\s*(-?\\d+(?:\\.\\d+)?)\\s*(mm|cm|in|pt|pc|pi)?\\s*$"));
    const QRegularExpressionMatch match = measure.match(text.toString());
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const double number = match.capturedView(1).toDouble();
    const QStringView unit = match.capturedView(2);
    const double perUnit = unit == u"mm"    ? 1440.0 / 25.4
                           : unit == u"cm"  ? 1440.0 / 2.54
                           : unit == u"in"  ? 1440.0
                           : unit == u"pt"  ? 20.0
                           : unit.isEmpty() ? 1.0
                                            : 240.0; // pc, pi
    return number * perUnit;
}

double Attribute(const QXmlStreamReader& reader, const char* name, double fallback) {
    return Twips(reader.attributes().value(Word::Ns::W, QLatin1String(name))).value_or(fallback);
}

// Reads one w:sectPr from its start to its end.
float TextWidth(QXmlStreamReader& reader) {
    double page = kPageTwips;
    double margins = 2 * kMarginTwips;
    double columns = 1;
    double space = kColumnSpaceTwips;
    int depth = 1;
    while (depth > 0 && !reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        ++depth;
        if (depth != 2 || reader.namespaceUri() != Word::Ns::W) {
            continue;
        }
        if (reader.name() == u"pgSz") {
            page = Attribute(reader, "w", kPageTwips);
        } else if (reader.name() == u"pgMar") {
            margins = Attribute(reader, "left", kMarginTwips) + Attribute(reader, "right", kMarginTwips) +
                      std::max(0.0, Attribute(reader, "gutter", 0));
        } else if (reader.name() == u"cols") {
            columns = std::clamp(Attribute(reader, "num", 1), 1.0, 45.0);
            space = Attribute(reader, "space", kColumnSpaceTwips);
        }
    }
    double twips = (page - margins - (columns - 1) * space) / columns;
    if (!std::isfinite(twips)) {
        twips = kPageTwips - 2 * kMarginTwips; // absurd sizes, e.g. hundreds of digits
    }
    return std::clamp(static_cast<float>(twips / 20), kNarrowest, Limits::kDrawingPoints);
}

} // namespace

SectionWidths::SectionWidths(const QByteArray& documentXml) {
    QXmlStreamReader reader(documentXml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.namespaceUri() == Word::Ns::W &&
            reader.name() == u"sectPr") {
            const qint64 start = reader.characterOffset();
            m_sections.emplace_back(start, TextWidth(reader));
        }
    }
}

float SectionWidths::At(qint64 offset) const {
    const auto after =
        std::upper_bound(m_sections.begin(), m_sections.end(), offset,
                         [](qint64 value, const auto& section) { return value < section.first; });
    if (after != m_sections.end()) {
        return after->second;
    }
    return m_sections.empty() ? static_cast<float>((kPageTwips - 2 * kMarginTwips) / 20)
                              : m_sections.back().second;
}

} // namespace Template
