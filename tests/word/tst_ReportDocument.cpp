#include "WordTestHelpers.h"
#include "support/DocxPackage.h"
#include "support/ExternalTools.h"
#include "word/CWordOper.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace WordTest;

class ReportDocumentTest : public QObject {
    Q_OBJECT

private slots:
    void usReportValidates();
};

void ReportDocumentTest::usReportValidates() {
    QTemporaryDir dir;
    const QString png = MakePicture(dir.path(), QStringLiteral("a.png"), "PNG");
    const QString jpg = MakePicture(dir.path(), QStringLiteral("b.jpg"), "JPEG");
    const QString bmp = MakePicture(dir.path(), QStringLiteral("c.bmp"), "BMP");
    CWordOper word;
    QStringList messages;
    word.SetMessageHandler([&](const QString& m) { messages << m; });
    QVERIFY(word.Start());
    BuildUsReport(word, SampleBaseInfo(),
                  {{QStringLiteral("12.5dB"), png, jpg, bmp},
                   {QStringLiteral("3.1dB"), png, dir.filePath("none.png"), jpg}});
    const QString out = dir.filePath(QStringLiteral("r.docx"));
    QVERIFY(word.SaveAs(out));
    QCOMPARE(messages, QStringList{QStringLiteral("The image to be inserted does not exist!")});
    ZOLT_REQUIRE(ExternalTools::MissingForSchemas());
    const QString problems = ExternalTools::ValidateDocx(out);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

QTEST_GUILESS_MAIN(ReportDocumentTest)
#include "tst_ReportDocument.moc"
