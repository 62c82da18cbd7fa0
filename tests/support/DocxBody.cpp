#include "support/DocxBody.h"

#include "support/DocxPackage.h"

#include <QXmlStreamReader>

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kWp = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing");

bool IsW(const QXmlStreamReader& xml, const char* name) {
    return xml.namespaceUri() == kW && xml.name() == QLatin1String(name);
}

QString WVal(const QXmlStreamReader& xml) {
    return xml.attributes().value(kW, QStringLiteral("val")).toString();
}

DocxBody::Paragraph ReadParagraph(QXmlStreamReader& xml) {
    DocxBody::Paragraph paragraph;
    DocxBody::Run* run = nullptr;
    bool inRunProperties = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && IsW(xml, "p")) {
            break;
        }
        if (xml.isEndElement() && IsW(xml, "rPr")) {
            inRunProperties = false;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        if (IsW(xml, "jc") && run == nullptr) {
            paragraph.centred = WVal(xml) == QLatin1String("center");
        } else if (IsW(xml, "r")) {
            paragraph.runs.append(DocxBody::Run());
            run = &paragraph.runs.last();
        } else if (IsW(xml, "rPr")) {
            inRunProperties = run != nullptr;
        } else if (run != nullptr && inRunProperties && IsW(xml, "rFonts")) {
            run->eastAsiaFont = xml.attributes().value(kW, QStringLiteral("eastAsia")).toString();
        } else if (run != nullptr && inRunProperties && IsW(xml, "sz")) {
            run->halfPoints = WVal(xml).toInt();
        } else if (run != nullptr && inRunProperties && IsW(xml, "b")) {
            const QString value = WVal(xml);
            run->bold = value.isEmpty() || value == QLatin1String("1") || value == QLatin1String("true");
        } else if (run != nullptr && IsW(xml, "t")) {
            run->text += xml.readElementText();
        } else if (run != nullptr && IsW(xml, "tab")) {
            run->text += QLatin1Char('\t');
        } else if (run != nullptr && IsW(xml, "br")) {
            run->text += QLatin1Char('\n');
        } else if (run != nullptr && xml.namespaceUri() == kWp && xml.name() == QLatin1String("extent")) {
            run->picture = true;
            run->pictureCx = xml.attributes().value(QStringLiteral("cx")).toLongLong();
            run->pictureCy = xml.attributes().value(QStringLiteral("cy")).toLongLong();
        }
    }
    return paragraph;
}

DocxBody::Table ReadTable(QXmlStreamReader& xml) {
    DocxBody::Table table;
    int depth = 1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && IsW(xml, "tbl") && --depth == 0) {
            break;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        if (IsW(xml, "tbl")) {
            ++depth;
        } else if (IsW(xml, "gridCol")) {
            ++table.gridColumns;
        } else if (IsW(xml, "tr")) {
            table.rows.append(QList<DocxBody::Cell>());
        } else if (IsW(xml, "tc") && !table.rows.isEmpty()) {
            table.rows.last().append(DocxBody::Cell());
        } else if (IsW(xml, "gridSpan") && !table.rows.isEmpty() && !table.rows.last().isEmpty()) {
            table.rows.last().last().gridSpan = WVal(xml).toInt();
        } else if (IsW(xml, "p") && !table.rows.isEmpty() && !table.rows.last().isEmpty()) {
            table.rows.last().last().paragraphs.append(ReadParagraph(xml));
        }
    }
    return table;
}

} // namespace

QString DocxBody::Paragraph::Text() const {
    QString text;
    for (const Run& run : runs) {
        text += run.text;
    }
    return text;
}

int DocxBody::Paragraph::PictureCount() const {
    int count = 0;
    for (const Run& run : runs) {
        count += run.picture ? 1 : 0;
    }
    return count;
}

QString DocxBody::Cell::Text() const {
    QStringList texts;
    for (const Paragraph& paragraph : paragraphs) {
        texts << paragraph.Text();
    }
    return texts.join(QLatin1Char('\n'));
}

QList<DocxBody::Run> DocxBody::Cell::Pictures() const {
    QList<Run> pictures;
    for (const Paragraph& paragraph : paragraphs) {
        for (const Run& run : paragraph.runs) {
            if (run.picture) {
                pictures.append(run);
            }
        }
    }
    return pictures;
}

DocxBody::DocxBody(const QString& docxPath) {
    DocxPackage package(docxPath);
    if (!package.IsOpen()) {
        m_error = package.ErrorString();
        return;
    }
    const QByteArray document = package.Read(QStringLiteral("word/document.xml"));
    if (document.isEmpty()) {
        m_error = QStringLiteral("no word/document.xml");
        return;
    }
    QXmlStreamReader xml(document);
    bool inBody = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && IsW(xml, "body")) {
            inBody = true;
        } else if (inBody && xml.isStartElement() && IsW(xml, "p")) {
            Element element;
            element.paragraph = ReadParagraph(xml);
            m_elements.append(element);
        } else if (inBody && xml.isStartElement() && IsW(xml, "tbl")) {
            Element element;
            element.isTable = true;
            element.table = ReadTable(xml);
            m_elements.append(element);
        }
    }
    if (xml.hasError()) {
        m_error = xml.errorString();
        m_elements.clear();
    }
}

QList<DocxBody::Paragraph> DocxBody::AllParagraphs() const {
    QList<Paragraph> paragraphs;
    for (const Element& element : m_elements) {
        if (!element.isTable) {
            paragraphs.append(element.paragraph);
            continue;
        }
        for (const QList<Cell>& row : element.table.rows) {
            for (const Cell& cell : row) {
                paragraphs.append(cell.paragraphs);
            }
        }
    }
    return paragraphs;
}
