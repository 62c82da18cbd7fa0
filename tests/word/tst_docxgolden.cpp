// The package's XML parts compared element by element with reviewed reference files in
// tests/word/golden/<case>/. Our output has no volatile values, so nothing is masked. To refresh the
// references after a deliberate change, run with ZOLT_UPDATE_GOLDEN=1 and review the diff.

#include "WordTestHelpers.h"
#include "support/DocxPackage.h"
#include "support/ExternalTools.h"
#include "word/CWordOper.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <QtTest>

#include <functional>

using namespace WordTest;

namespace {

// One token per start tag (with its attributes in a fixed order), text and end tag. Whitespace
// between elements is no content in these parts and is skipped.
QStringList Tokens(const QByteArray& xml, QString* error) {
    QStringList tokens;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            QStringList attributes;
            for (const QXmlStreamAttribute& a : reader.attributes())
                attributes << QStringLiteral("{%1}%2=\"%3\"")
                                  .arg(a.namespaceUri().toString(), a.name().toString(),
                                       a.value().toString());
            attributes.sort();
            tokens << QStringLiteral("<{%1}%2 %3>")
                          .arg(reader.namespaceUri().toString(), reader.name().toString(),
                               attributes.join(u' '));
        } else if (reader.isEndElement()) {
            tokens << QStringLiteral("</{%1}%2>")
                          .arg(reader.namespaceUri().toString(), reader.name().toString());
        } else if (reader.isCharacters() && !reader.isWhitespace()) {
            tokens << QStringLiteral("text:") + reader.text().toString();
        }
    }
    if (reader.hasError())
        *error = reader.errorString();
    return tokens;
}

QString GoldenPath(const QString& testCase, const QString& part) {
    QString file = part;
    file.replace(u'/', u'_');
    return QStringLiteral(ZOLT_TESTS_DIR "/word/golden/") + testCase + QLatin1Char('/') + file;
}

} // namespace

class TestDocxGolden : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void goldenParts_data();
    void goldenParts();
    void sameDocumentSameBytes();

private:
    QString Build(const QString& testCase, const QString& fileName);

    QTemporaryDir m_dir;
    QString m_png, m_bmp;
};

void TestDocxGolden::initTestCase() {
    m_png = MakePicture(m_dir.path(), QStringLiteral("plot.png"), "PNG");
    m_bmp = MakePicture(m_dir.path(), QStringLiteral("plot.bmp"), "BMP", 90, 60);
}

// The small documents of the reference files.
QString TestDocxGolden::Build(const QString& testCase, const QString& fileName) {
    CWordOper word;
    word.SetMessageHandler([](const QString&) {});
    word.Start();
    if (testCase == QLatin1String("text")) {
        MarginInfo margins;
        margins.m_fLeft = 42;
        margins.m_fRight = 42.5f;
        word.SetPageMargins(margins);
        word.AlignCenter();
        word.SetFont(Font(QStringLiteral("宋体"), 24, true));
        word.TypeText(QStringLiteral("标题 <&> \"quoted\""));
        word.TypeParagraph();
        FontInfo coloured = Font(QStringLiteral("Arial"), 10.5f, false);
        coloured.m_nColor = 0x0000FF; // red in Word's 0x00BBGGRR
        coloured.m_bItalic = 1;
        coloured.m_bUnderline = 1;
        word.SetFont(coloured);
        word.TypeText(QStringLiteral("tab\there\r\nnext line  two spaces"));
        word.TypeParagraph();
        word.TypeParagraph();
    } else if (testCase == QLatin1String("table")) {
        word.AlignCenter();
        word.SetFont(Font(QStringLiteral("宋体"), 13, false));
        word.AddTable(1, 14);
        word.TypeText(QStringLiteral("序号"));
        word.MoveRight();
        word.TypeText(QStringLiteral("有效值"));
        word.MoveRight();
        for (const QString& header :
             {QStringLiteral("波形图"), QStringLiteral("连续图"), QStringLiteral("PRPD图")}) {
            word.MergeCells();
            word.TypeText(header);
            word.MoveRight();
        }
        word.InsertRowsBelow(1);
        word.TypeText(QStringLiteral("1"));
        word.MoveRight();
        word.TypeText(QStringLiteral("12.5dB"));
        word.MoveRight();
        word.InsertPicture(m_png, 140, 100);
        if (!word.InsertPicture(m_dir.filePath(QStringLiteral("missing.png")), 140, 100))
            word.MoveRight();
        word.InsertPicture(m_bmp, 133, 95);
        word.MoveRight();
        word.TypeParagraph();
        word.TypeText(QStringLiteral("end"));
    }
    const QString path = m_dir.filePath(fileName);
    return word.SaveAs(path) ? path : QString();
}

void TestDocxGolden::goldenParts_data() {
    QTest::addColumn<QString>("testCase");
    QTest::addColumn<QStringList>("entries");
    // The document text comes last: it is written while the pictures go in.
    const QStringList fixed = {QStringLiteral("[Content_Types].xml"), QStringLiteral("_rels/.rels"),
                               QStringLiteral("word/styles.xml"), QStringLiteral("word/settings.xml"),
                               QStringLiteral("word/_rels/document.xml.rels")};
    const QStringList text = {QStringLiteral("word/document.xml")};
    QTest::newRow("empty") << QStringLiteral("empty") << fixed + text;
    QTest::newRow("text") << QStringLiteral("text") << fixed + text;
    QTest::newRow("table") << QStringLiteral("table")
                           << (fixed +
                               QStringList{QStringLiteral("word/media/image1.png"),
                                           QStringLiteral("word/media/image2.png")} +
                               text);
}

void TestDocxGolden::goldenParts() {
    QFETCH(QString, testCase);
    QFETCH(QStringList, entries);
    const QString path = Build(testCase, testCase + QStringLiteral(".docx"));
    QVERIFY(!path.isEmpty());
    DocxPackage package(path);
    QVERIFY2(package.IsOpen(), qPrintable(package.ErrorString()));
    // [Content_Types].xml first, then the parts in a fixed order.
    QCOMPARE(package.EntryNames(), entries);
    QVERIFY(!package.UsesZip64());
    for (const auto& [time, date] : package.EntryDosTimes()) {
        QCOMPARE(time, quint16(0));
        QCOMPARE(date, quint16(0x21)); // 1980-01-01
    }

    const bool update = qEnvironmentVariableIsSet("ZOLT_UPDATE_GOLDEN");
    for (const QString& part : entries) {
        if (!part.endsWith(QLatin1String(".xml")) && !part.endsWith(QLatin1String(".rels")))
            continue;
        const QByteArray actual = package.Read(part);
        const QString golden = GoldenPath(testCase, part);
        if (update) {
            QDir().mkpath(QFileInfo(golden).absolutePath());
            // Indented by xmllint, so that a reviewer can read the reference and its diffs.
            QTemporaryFile raw;
            QVERIFY(raw.open());
            raw.write(actual);
            raw.flush();
            QProcess xmllint;
            xmllint.start(QStringLiteral("xmllint"),
                          {QStringLiteral("--format"), QStringLiteral("--output"), golden, raw.fileName()});
            QVERIFY(xmllint.waitForFinished() && xmllint.exitCode() == 0);
            continue;
        }
        QFile file(golden);
        QVERIFY2(file.open(QIODevice::ReadOnly),
                 qPrintable(QStringLiteral("no reference file %1").arg(golden)));
        QString error;
        const QStringList expected = Tokens(file.readAll(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QStringList got = Tokens(actual, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        for (qsizetype i = 0; i < std::min(expected.size(), got.size()); ++i) {
            if (expected[i] != got[i])
                QFAIL(qPrintable(QStringLiteral("%1, element %2:\n  expected %3\n  got      %4")
                                     .arg(part)
                                     .arg(i)
                                     .arg(expected[i], got[i])));
        }
        QVERIFY2(
            expected.size() == got.size(),
            qPrintable(
                QStringLiteral("%1: %2 tokens, expected %3").arg(part).arg(got.size()).arg(expected.size())));
    }

    ZOLT_REQUIRE(ExternalTools::MissingForSchemas());
    const QString problems = ExternalTools::ValidateDocx(path);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void TestDocxGolden::sameDocumentSameBytes() {
    const QString first = Build(QStringLiteral("table"), QStringLiteral("first.docx"));
    const QString second = Build(QStringLiteral("table"), QStringLiteral("second.docx"));
    QFile a(first), b(second);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QVERIFY(a.readAll() == b.readAll());
}

QTEST_GUILESS_MAIN(TestDocxGolden)
#include "tst_docxgolden.moc"
