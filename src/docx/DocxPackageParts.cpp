#include "docx/DocxPackageParts.h"

#include "docx/DocxNamespaces.h"

#include <QXmlStreamWriter>

namespace Word {

namespace {

const QString kOfficeRelationships =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

void Start(QXmlStreamWriter& xml) {
    xml.writeStartDocument(QStringLiteral("1.0"), true);
}

void Relationship(QXmlStreamWriter& xml, const QString& id, const QString& type, const QString& target) {
    xml.writeEmptyElement(QStringLiteral("Relationship"));
    xml.writeAttribute(QStringLiteral("Id"), id);
    xml.writeAttribute(QStringLiteral("Type"), kOfficeRelationships + QLatin1Char('/') + type);
    xml.writeAttribute(QStringLiteral("Target"), target);
}

void Val(QXmlStreamWriter& xml, const QString& name, const QString& value) {
    xml.writeEmptyElement(Ns::W, name);
    xml.writeAttribute(Ns::W, QStringLiteral("val"), value);
}

void Width(QXmlStreamWriter& xml, const QString& name, int twips) {
    xml.writeEmptyElement(Ns::W, name);
    xml.writeAttribute(Ns::W, QStringLiteral("w"), QString::number(twips));
    xml.writeAttribute(Ns::W, QStringLiteral("type"), QStringLiteral("dxa"));
}

void StyleHeader(QXmlStreamWriter& xml, const QString& type, const QString& id, const QString& name,
                 bool isDefault) {
    xml.writeStartElement(Ns::W, QStringLiteral("style"));
    xml.writeAttribute(Ns::W, QStringLiteral("type"), type);
    if (isDefault)
        xml.writeAttribute(Ns::W, QStringLiteral("default"), QStringLiteral("1"));
    xml.writeAttribute(Ns::W, QStringLiteral("styleId"), id);
    Val(xml, QStringLiteral("name"), name);
}

// Times New Roman and 宋体 at 12 points, no space after a paragraph, single line spacing.
void DocDefaults(QXmlStreamWriter& xml) {
    xml.writeStartElement(Ns::W, QStringLiteral("docDefaults"));
    xml.writeStartElement(Ns::W, QStringLiteral("rPrDefault"));
    xml.writeStartElement(Ns::W, QStringLiteral("rPr"));
    xml.writeEmptyElement(Ns::W, QStringLiteral("rFonts"));
    xml.writeAttribute(Ns::W, QStringLiteral("ascii"), QStringLiteral("Times New Roman"));
    xml.writeAttribute(Ns::W, QStringLiteral("hAnsi"), QStringLiteral("Times New Roman"));
    xml.writeAttribute(Ns::W, QStringLiteral("eastAsia"), QStringLiteral("宋体"));
    xml.writeAttribute(Ns::W, QStringLiteral("cs"), QStringLiteral("Times New Roman"));
    Val(xml, QStringLiteral("sz"), QStringLiteral("24"));
    Val(xml, QStringLiteral("szCs"), QStringLiteral("24"));
    xml.writeEmptyElement(Ns::W, QStringLiteral("lang"));
    xml.writeAttribute(Ns::W, QStringLiteral("val"), QStringLiteral("en-US"));
    xml.writeAttribute(Ns::W, QStringLiteral("eastAsia"), QStringLiteral("zh-CN"));
    xml.writeAttribute(Ns::W, QStringLiteral("bidi"), QStringLiteral("ar-SA"));
    xml.writeEndElement(); // rPr
    xml.writeEndElement(); // rPrDefault
    xml.writeStartElement(Ns::W, QStringLiteral("pPrDefault"));
    xml.writeStartElement(Ns::W, QStringLiteral("pPr"));
    xml.writeEmptyElement(Ns::W, QStringLiteral("spacing"));
    xml.writeAttribute(Ns::W, QStringLiteral("after"), QStringLiteral("0"));
    xml.writeAttribute(Ns::W, QStringLiteral("line"), QStringLiteral("240"));
    xml.writeAttribute(Ns::W, QStringLiteral("lineRule"), QStringLiteral("auto"));
    xml.writeEndElement(); // pPr
    xml.writeEndElement(); // pPrDefault
    xml.writeEndElement(); // docDefaults
}

// The plain table style and the grid style: single lines around and between all cells.
void TableStyles(QXmlStreamWriter& xml) {
    StyleHeader(xml, QStringLiteral("table"), QStringLiteral("TableNormal"), QStringLiteral("Normal Table"),
                true);
    Val(xml, QStringLiteral("uiPriority"), QStringLiteral("99"));
    xml.writeEmptyElement(Ns::W, QStringLiteral("semiHidden"));
    xml.writeEmptyElement(Ns::W, QStringLiteral("unhideWhenUsed"));
    xml.writeStartElement(Ns::W, QStringLiteral("tblPr"));
    Width(xml, QStringLiteral("tblInd"), 0);
    xml.writeStartElement(Ns::W, QStringLiteral("tblCellMar"));
    Width(xml, QStringLiteral("top"), 0);
    Width(xml, QStringLiteral("left"), 108);
    Width(xml, QStringLiteral("bottom"), 0);
    Width(xml, QStringLiteral("right"), 108);
    xml.writeEndElement();
    xml.writeEndElement(); // tblPr
    xml.writeEndElement();

    StyleHeader(xml, QStringLiteral("table"), QStringLiteral("TableGrid"), QStringLiteral("Table Grid"),
                false);
    Val(xml, QStringLiteral("basedOn"), QStringLiteral("TableNormal"));
    Val(xml, QStringLiteral("uiPriority"), QStringLiteral("59"));
    xml.writeStartElement(Ns::W, QStringLiteral("tblPr"));
    xml.writeStartElement(Ns::W, QStringLiteral("tblBorders"));
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
        xml.writeEmptyElement(Ns::W, QString::fromLatin1(side));
        xml.writeAttribute(Ns::W, QStringLiteral("val"), QStringLiteral("single"));
        xml.writeAttribute(Ns::W, QStringLiteral("sz"), QStringLiteral("4"));
        xml.writeAttribute(Ns::W, QStringLiteral("space"), QStringLiteral("0"));
        xml.writeAttribute(Ns::W, QStringLiteral("color"), QStringLiteral("auto"));
    }
    xml.writeEndElement(); // tblBorders
    xml.writeEndElement(); // tblPr
    xml.writeEndElement();
}

} // namespace

QByteArray DocxPackageParts::ContentTypes() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    Start(xml);
    xml.writeDefaultNamespace(Ns::ContentTypes);
    xml.writeStartElement(Ns::ContentTypes, QStringLiteral("Types"));
    const std::pair<const char*, const char*> defaults[] = {
        {"jpeg", "image/jpeg"},
        {"png", "image/png"},
        {"rels", "application/vnd.openxmlformats-package.relationships+xml"},
        {"xml", "application/xml"},
    };
    for (const auto& [extension, type] : defaults) {
        xml.writeEmptyElement(Ns::ContentTypes, QStringLiteral("Default"));
        xml.writeAttribute(QStringLiteral("Extension"), QString::fromLatin1(extension));
        xml.writeAttribute(QStringLiteral("ContentType"), QString::fromLatin1(type));
    }
    const std::pair<const char*, const char*> overrides[] = {
        {"/word/document.xml",
         "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"},
        {"/word/styles.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"},
        {"/word/settings.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"},
    };
    for (const auto& [part, type] : overrides) {
        xml.writeEmptyElement(Ns::ContentTypes, QStringLiteral("Override"));
        xml.writeAttribute(QStringLiteral("PartName"), QString::fromLatin1(part));
        xml.writeAttribute(QStringLiteral("ContentType"), QString::fromLatin1(type));
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray DocxPackageParts::PackageRelationships() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    Start(xml);
    xml.writeDefaultNamespace(Ns::PackageRelationships);
    xml.writeStartElement(Ns::PackageRelationships, QStringLiteral("Relationships"));
    Relationship(xml, QStringLiteral("rId1"), QStringLiteral("officeDocument"),
                 QStringLiteral("word/document.xml"));
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray DocxPackageParts::DocumentRelationships(const std::vector<Media>& media) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    Start(xml);
    xml.writeDefaultNamespace(Ns::PackageRelationships);
    xml.writeStartElement(Ns::PackageRelationships, QStringLiteral("Relationships"));
    Relationship(xml, QStringLiteral("rId1"), QStringLiteral("styles"), QStringLiteral("styles.xml"));
    Relationship(xml, QStringLiteral("rId2"), QStringLiteral("settings"), QStringLiteral("settings.xml"));
    for (const Media& item : media)
        Relationship(xml, item.relationshipId, QStringLiteral("image"), item.target);
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray DocxPackageParts::Styles() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    Start(xml);
    xml.writeNamespace(Ns::W, QStringLiteral("w"));
    xml.writeStartElement(Ns::W, QStringLiteral("styles"));

    DocDefaults(xml);

    StyleHeader(xml, QStringLiteral("paragraph"), QStringLiteral("Normal"), QStringLiteral("Normal"), true);
    xml.writeEmptyElement(Ns::W, QStringLiteral("qFormat"));
    xml.writeEndElement();

    StyleHeader(xml, QStringLiteral("character"), QStringLiteral("DefaultParagraphFont"),
                QStringLiteral("Default Paragraph Font"), true);
    Val(xml, QStringLiteral("uiPriority"), QStringLiteral("1"));
    xml.writeEmptyElement(Ns::W, QStringLiteral("semiHidden"));
    xml.writeEmptyElement(Ns::W, QStringLiteral("unhideWhenUsed"));
    xml.writeEndElement();

    TableStyles(xml);

    xml.writeEndElement(); // styles
    xml.writeEndDocument();
    return bytes;
}

QByteArray DocxPackageParts::Settings() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    Start(xml);
    xml.writeNamespace(Ns::W, QStringLiteral("w"));
    xml.writeStartElement(Ns::W, QStringLiteral("settings"));
    Val(xml, QStringLiteral("defaultTabStop"), QStringLiteral("420"));
    Val(xml, QStringLiteral("characterSpacingControl"), QStringLiteral("compressPunctuation"));
    xml.writeStartElement(Ns::W, QStringLiteral("compat"));
    xml.writeEmptyElement(Ns::W, QStringLiteral("compatSetting"));
    xml.writeAttribute(Ns::W, QStringLiteral("name"), QStringLiteral("compatibilityMode"));
    xml.writeAttribute(Ns::W, QStringLiteral("uri"),
                       QStringLiteral("http://schemas.microsoft.com/office/word"));
    xml.writeAttribute(Ns::W, QStringLiteral("val"), QStringLiteral("15"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

} // namespace Word
