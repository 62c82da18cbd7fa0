#include "DocumentChecker.h"

#include "support/DocReader.h"
#include "support/DocxPackage.h"

#include <QDir>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <cstdio>
#include <memory>

namespace {

// One compiled schema; libxml2 resolves its imports from the files beside it, never the network.
class Schema {
public:
    explicit Schema(const QString& path) {
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(QFile::encodeName(path).constData());
        if (parser == nullptr)
            return;
        xmlSchemaSetParserStructuredErrors(parser, &Schema::Ignore, nullptr);
        m_schema = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
    }
    ~Schema() {
        if (m_schema != nullptr)
            xmlSchemaFree(m_schema);
    }
    Schema(const Schema&) = delete;
    Schema& operator=(const Schema&) = delete;

    bool IsLoaded() const { return m_schema != nullptr; }

    QString Validate(const QByteArray& xml, const QString& part) const {
        xmlDocPtr document = xmlReadMemory(xml.constData(), int(xml.size()), nullptr, nullptr,
                                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        if (document == nullptr)
            return QStringLiteral("%1 is not well-formed XML").arg(part);
        xmlSchemaValidCtxtPtr context = xmlSchemaNewValidCtxt(m_schema);
        QString errors;
        xmlSchemaSetValidStructuredErrors(context, &Schema::Collect, &errors);
        const int result = xmlSchemaValidateDoc(context, document);
        xmlSchemaFreeValidCtxt(context);
        xmlFreeDoc(document);
        if (result == 0)
            return QString();
        return QStringLiteral("%1 is not valid: %2")
            .arg(part, errors.isEmpty() ? QStringLiteral("?") : errors);
    }

private:
    static void Ignore(void*, xmlErrorPtr) {}
    static void Collect(void* user, xmlErrorPtr error) {
        auto* errors = static_cast<QString*>(user);
        if (errors->size() < 2000 && error != nullptr && error->message != nullptr)
            *errors += QStringLiteral("line %1: %2").arg(error->line).arg(QString::fromUtf8(error->message));
    }

    xmlSchemaPtr m_schema = nullptr;
};

struct Schemas {
    std::unique_ptr<Schema> wml;
    std::unique_ptr<Schema> contentTypes;
    std::unique_ptr<Schema> relationships;
    bool loaded = false;
};

const Schemas& LoadedSchemas() {
    static const Schemas schemas = [] {
        Schemas s;
        QString folder = qEnvironmentVariable("ZOLT_SCHEMA_DIR");
        if (folder.isEmpty())
            folder = QStringLiteral(ZOLT_SOURCE_DIR "/../shared/ooxml-schemas");
        const QString wml = folder + QStringLiteral("/ISO-IEC29500-4_2016/wml.xsd");
        if (!QFileInfo::exists(wml)) {
            std::fprintf(stderr, "DocumentChecker: no schemas in %s; checking well-formedness only\n",
                         qPrintable(QDir::cleanPath(folder)));
            return s;
        }
        s.wml = std::make_unique<Schema>(wml);
        s.contentTypes =
            std::make_unique<Schema>(folder + QStringLiteral("/ecma/fouth-edition/opc-contentTypes.xsd"));
        s.relationships =
            std::make_unique<Schema>(folder + QStringLiteral("/ecma/fouth-edition/opc-relationships.xsd"));
        s.loaded = s.wml->IsLoaded() && s.contentTypes->IsLoaded() && s.relationships->IsLoaded();
        if (!s.loaded)
            std::fprintf(stderr,
                         "DocumentChecker: the schemas in %s do not load; checking well-formedness only\n",
                         qPrintable(QDir::cleanPath(folder)));
        return s;
    }();
    return schemas;
}

QString WellFormed(const QByteArray& xml, const QString& part) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return QStringLiteral("%1 is not well-formed: %2").arg(part, reader.errorString());
    return QString();
}

QString TextOfDocumentXml(const QByteArray& xml) {
    QString text;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("t"))
            text += reader.readElementText();
        else if (reader.name() == QLatin1String("tab"))
            text += u'\t';
        else if (reader.name() == QLatin1String("br"))
            text += u'\n';
    }
    return text;
}

QString Describe(const QString& kind, const QString& expected, const QString& found) {
    return QStringLiteral("%1 text differs: expected %2 characters, found %3")
        .arg(kind)
        .arg(expected.size())
        .arg(found.size());
}

} // namespace

bool DocumentChecker::HaveSchemas() {
    return LoadedSchemas().loaded;
}

QString DocumentChecker::CheckDocx(const QString& path, const QString* expectedText) {
    DocxPackage package(path);
    if (!package.IsOpen())
        return package.ErrorString();
    const QStringList names = package.EntryNames();
    if (names.isEmpty() || names.first() != QLatin1String("[Content_Types].xml"))
        return QStringLiteral("[Content_Types].xml is not the first entry");
    if (package.UsesZip64())
        return QStringLiteral("the package uses ZIP64");
    const Schemas& schemas = LoadedSchemas();
    for (const QString& name : names) {
        const Schema* schema = nullptr;
        if (name == QLatin1String("[Content_Types].xml"))
            schema = schemas.contentTypes.get();
        else if (name.endsWith(QLatin1String(".rels")))
            schema = schemas.relationships.get();
        else if (name.startsWith(QLatin1String("word/")) && name.endsWith(QLatin1String(".xml")))
            schema = schemas.wml.get();
        else
            continue;
        const QByteArray xml = package.Read(name);
        if (xml.isEmpty())
            return QStringLiteral("%1 cannot be read: %2").arg(name, package.ErrorString());
        const QString problem = schemas.loaded ? schema->Validate(xml, name) : WellFormed(xml, name);
        if (!problem.isEmpty())
            return problem;
    }
    if (expectedText != nullptr) {
        const QString found = TextOfDocumentXml(package.Read(QStringLiteral("word/document.xml")));
        if (found != *expectedText)
            return Describe(QStringLiteral(".docx"), *expectedText, found);
    }
    return QString();
}

QString DocumentChecker::CheckDoc(const QString& path, const QString* expectedText) {
    DocReader inspector;
    if (!inspector.Load(path) || !inspector.Problems().isEmpty())
        return QStringLiteral(".doc: ") + inspector.Problems().join(QStringLiteral("; "));
    if (!inspector.IsWordDocument())
        return QStringLiteral(".doc: no WordDocument stream");
    if (expectedText != nullptr) {
        QString found;
        for (const QChar c : inspector.Text()) {
            if (c == QChar(0x0D) || c == QChar(0x07))
                continue;
            found += c == QChar(0x0B) ? QChar(u'\n') : c;
        }
        if (found != *expectedText)
            return Describe(QStringLiteral(".doc"), *expectedText, found);
    }
    return QString();
}
