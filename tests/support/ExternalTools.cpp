#include "support/ExternalTools.h"

#include "support/DocxPackage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace {

struct Run {
    bool started = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run Execute(const QString& program, const QStringList& arguments, int timeoutMs = 120000) {
    Run run;
    QProcess process;
    process.start(program, arguments);
    run.started = process.waitForStarted(30000);
    if (!run.started)
        return run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QString Describe(const QString& what, const Run& run) {
    if (!run.started)
        return QStringLiteral("%1 did not start").arg(what);
    return QStringLiteral("%1 failed (exit %2): %3%4")
        .arg(what)
        .arg(run.exitCode)
        .arg(QString::fromUtf8(run.err), QString::fromUtf8(run.out.left(2000)));
}

// The outside readers are Linux programs. Under Wine a Linux program can even be started, but it sees
// none of the Windows paths it is given; on Windows the tests skip what needs them.
QString MissingOnWindows(const QString& what) {
#ifdef Q_OS_WIN
    return QStringLiteral("needs %1, which the Windows build does not have (Linux only)").arg(what);
#else
    Q_UNUSED(what);
    return {};
#endif
}

QString MissingPrograms(const QStringList& programs) {
    if (const QString missing = MissingOnWindows(programs.join(u", ")); !missing.isEmpty())
        return missing;
    QStringList missing;
    for (const QString& program : programs)
        if (QStandardPaths::findExecutable(program).isEmpty())
            missing << program;
    if (missing.isEmpty())
        return {};
    return QStringLiteral("not installed: %1 (scripts/install-deps.sh installs it)").arg(missing.join(u", "));
}

const char* kPythonDocxScript = R"(
import json, sys, docx
d = docx.Document(sys.argv[1])
s = d.sections[0]
def pt(v): return 0 if v is None else v.pt
tables = []
for t in d.tables:
    rows = []
    for r in t.rows:
        cells, seen = [], set()
        for c in r.cells:
            if id(c._tc) in seen: continue
            seen.add(id(c._tc)); cells.append(c.text)
        rows.append(cells)
    tables.append(rows)
sizes = []
for shape in d.inline_shapes:
    pic = shape._inline.graphic.graphicData.pic
    if pic is None: continue  # a chart
    image = d.part.related_parts[pic.blipFill.blip.embed].image
    sizes.append("%dx%d" % (image.px_width, image.px_height))
print(json.dumps({"paragraphs": [p.text for p in d.paragraphs], "tables": tables,
    "inline": len(d.inline_shapes), "sizes": sizes, "w": pt(s.page_width), "h": pt(s.page_height),
    "top": pt(s.top_margin), "bottom": pt(s.bottom_margin), "left": pt(s.left_margin),
    "right": pt(s.right_margin)}))
)";

// A private profile per test process: LibreOffice refuses to share one between running instances.
QString ProfileArgument() {
    static QTemporaryDir profile(QDir::tempPath() + QStringLiteral("/zolt-lo-profile-XXXXXX"));
    return QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString();
}

} // namespace

QString ExternalTools::SchemaFolder() {
    const QString folder =
        QDir::cleanPath(QStringLiteral(ZOLT_SOURCE_DIR) + QStringLiteral("/../shared/ooxml-schemas"));
    return QFileInfo::exists(folder + QStringLiteral("/ISO-IEC29500-4_2016/wml.xsd")) ? folder : QString();
}

QString ExternalTools::MissingForSchemas() {
    if (SchemaFolder().isEmpty())
        return QStringLiteral("the OOXML schemas are absent: expected beside the source tree at "
                              "../shared/ooxml-schemas");
    return MissingPrograms({QStringLiteral("xmllint")});
}

QString ExternalTools::MissingForPythonDocx() {
    if (const QString missing = MissingOnWindows(QStringLiteral("python-docx")); !missing.isEmpty())
        return missing;
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/python3")))
        return QStringLiteral("not installed: /usr/bin/python3");
    const Run run =
        Execute(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import docx")});
    return run.exitCode == 0 ? QString() : QStringLiteral("not installed: python3-docx");
}

QString ExternalTools::MissingForPdf() {
    return MissingPrograms({QStringLiteral("soffice"), QStringLiteral("pdftotext"),
                            QStringLiteral("pdfimages"), QStringLiteral("pdftoppm")});
}

QString ExternalTools::MissingForCalc() {
    const QString missing = MissingPrograms({QStringLiteral("soffice")});
    if (!missing.isEmpty())
        return missing;
    // Calc is a library beside the program LibreOffice starts from.
    const QString program =
        QFileInfo(QStandardPaths::findExecutable(QStringLiteral("soffice"))).canonicalFilePath();
    return QFileInfo::exists(QFileInfo(program).dir().filePath(QStringLiteral("libsclo.so")))
               ? QString()
               : QStringLiteral(
                     "not installed: LibreOffice Calc (libreoffice-calc-nogui; scripts/install-deps.sh "
                     "installs it)");
}

QString ExternalTools::ValidateXml(const QString& xmlFile, const QString& schema) {
    const Run run = Execute(QStringLiteral("xmllint"),
                            {QStringLiteral("--noout"), QStringLiteral("--nonet"), QStringLiteral("--schema"),
                             SchemaFolder() + QLatin1Char('/') + schema, xmlFile});
    return run.exitCode == 0 ? QString()
                             : Describe(QStringLiteral("xmllint %1").arg(QFileInfo(xmlFile).fileName()), run);
}

QString ExternalTools::CheckWellFormed(const QString& xmlFile) {
    const Run run =
        Execute(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--nonet"), xmlFile});
    return run.exitCode == 0 ? QString() : Describe(QStringLiteral("xmllint (well-formedness)"), run);
}

QString ExternalTools::ValidateDocx(const QString& docxPath) {
    QTemporaryDir folder;
    DocxPackage package(docxPath);
    if (!package.IsOpen())
        return package.ErrorString();
    if (!package.ExtractTo(folder.path()))
        return QStringLiteral("cannot extract %1").arg(docxPath);
    const QString wml = QStringLiteral("ISO-IEC29500-4_2016/wml.xsd");
    QStringList problems;
    for (const QString& name : package.EntryNames()) {
        QString schema;
        if (name == QLatin1String("[Content_Types].xml"))
            schema = QStringLiteral("ecma/fouth-edition/opc-contentTypes.xsd");
        else if (name.endsWith(QLatin1String(".rels")))
            schema = QStringLiteral("ecma/fouth-edition/opc-relationships.xsd");
        else if (name.startsWith(QLatin1String("word/")) && name.endsWith(QLatin1String(".xml")))
            schema = wml;
        if (schema.isEmpty())
            continue;
        const QString problem = ValidateXml(folder.filePath(name), schema);
        if (!problem.isEmpty())
            problems << problem;
    }
    return problems.join(u'\n');
}

QString ExternalTools::ReadWithPythonDocx(const QString& docxPath, DocxView* view) {
    const Run run = Execute(QStringLiteral("/usr/bin/python3"),
                            {QStringLiteral("-c"), QString::fromUtf8(kPythonDocxScript), docxPath});
    if (run.exitCode != 0)
        return Describe(QStringLiteral("python-docx"), run);
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    *view = DocxView{};
    for (const QJsonValue& p : o.value(QStringLiteral("paragraphs")).toArray())
        view->paragraphs << p.toString();
    for (const QJsonValue& t : o.value(QStringLiteral("tables")).toArray()) {
        QList<QStringList> rows;
        for (const QJsonValue& r : t.toArray()) {
            QStringList cells;
            for (const QJsonValue& c : r.toArray())
                cells << c.toString();
            rows << cells;
        }
        view->tables << rows;
    }
    view->inlinePictures = o.value(QStringLiteral("inline")).toInt();
    for (const QJsonValue& size : o.value(QStringLiteral("sizes")).toArray())
        view->pictureSizes << size.toString();
    view->pageWidthPt = o.value(QStringLiteral("w")).toDouble();
    view->pageHeightPt = o.value(QStringLiteral("h")).toDouble();
    view->topMarginPt = o.value(QStringLiteral("top")).toDouble();
    view->bottomMarginPt = o.value(QStringLiteral("bottom")).toDouble();
    view->leftMarginPt = o.value(QStringLiteral("left")).toDouble();
    view->rightMarginPt = o.value(QStringLiteral("right")).toDouble();
    return {};
}

QString ExternalTools::ConvertToPdf(const QStringList& documents, const QString& outFolder,
                                    QStringList* pdfs) {
    QStringList arguments{QStringLiteral("--headless"),
                          QStringLiteral("--norestore"),
                          ProfileArgument(),
                          QStringLiteral("--convert-to"),
                          QStringLiteral("pdf"),
                          QStringLiteral("--outdir"),
                          outFolder};
    arguments << documents;
    const Run run = Execute(QStringLiteral("soffice"), arguments, 240000);
    pdfs->clear();
    QStringList missing;
    for (const QString& document : documents) {
        const QString pdf =
            QDir(outFolder).filePath(QFileInfo(document).completeBaseName() + QStringLiteral(".pdf"));
        if (QFileInfo::exists(pdf))
            *pdfs << pdf;
        else
            missing << pdf;
    }
    if (missing.isEmpty())
        return {};
    return Describe(QStringLiteral("soffice --convert-to pdf (no %1)").arg(missing.join(u", ")), run);
}

QString ExternalTools::PdfText(const QString& pdf, QString* text) {
    const Run run = Execute(QStringLiteral("pdftotext"),
                            {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (run.exitCode != 0)
        return Describe(QStringLiteral("pdftotext"), run);
    *text = QString::fromUtf8(run.out);
    return {};
}

QString ExternalTools::RenderPage(const QString& pdf, int page, QByteArray* image) {
    const QString number = QString::number(page);
    const Run run = Execute(QStringLiteral("pdftoppm"),
                            {QStringLiteral("-gray"), QStringLiteral("-r"), QStringLiteral("50"),
                             QStringLiteral("-f"), number, QStringLiteral("-l"), number, pdf});
    if (run.exitCode != 0 || run.out.isEmpty())
        return Describe(QStringLiteral("pdftoppm"), run);
    *image = run.out;
    return {};
}

QString ExternalTools::ConvertToCsv(const QString& spreadsheet, const QString& outFolder, QString* csv) {
    // Filter options: comma, double quote, UTF-8 (76).
    const Run run =
        Execute(QStringLiteral("soffice"),
                {QStringLiteral("--headless"), QStringLiteral("--norestore"), ProfileArgument(),
                 QStringLiteral("--convert-to"), QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
                 QStringLiteral("--outdir"), outFolder, spreadsheet},
                240000);
    QFile file(QDir(outFolder).filePath(QFileInfo(spreadsheet).completeBaseName() + QStringLiteral(".csv")));
    if (!file.open(QIODevice::ReadOnly))
        return Describe(QStringLiteral("soffice --convert-to csv (no %1)").arg(file.fileName()), run);
    *csv = QString::fromUtf8(file.readAll());
    return {};
}

QString ExternalTools::PdfImageCount(const QString& pdf, int* count) {
    const Run run = Execute(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    if (run.exitCode != 0)
        return Describe(QStringLiteral("pdfimages"), run);
    // Two header lines, then one line per image; soft masks (smask) belong to an image.
    *count = 0;
    const QList<QByteArray> lines = run.out.split('\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() > 2 && fields[2] == "image")
            ++*count;
    }
    return {};
}
