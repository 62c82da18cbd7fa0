#include "compose/ReportWriter.h"
#include "support/DocxBody.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What the job says at its end, as the window would see it.
class DoneSink : public IReportSink {
public:
    void PostProgress(int) override {}
    void ShowMessage(const QString&, const QString&) override {}
    void PostDone(bool saved, const QString& error) override {
        ++doneCalls;
        doneSaved = saved;
        doneError = error;
    }
    bool IsAbandoned() const override { return false; }

    int doneCalls = 0;
    bool doneSaved = false;
    QString doneError;
};

// One US record: its value in columns 7 and 11, its pictures in columns 15 to 17 (counted from 1),
// all three the same picture in `pictureFolder`.
Report::ReportRequest UsRequest(const QString& pictureFolder, const QString& target) {
    QImage image(80, 60, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 160));
    image.save(pictureFolder + QStringLiteral("/p.png"));
    QStringList cells;
    for (int column = 1; column <= 17; ++column) {
        cells.append(QStringLiteral("c%1").arg(column));
    }
    cells[6] = QStringLiteral("12.5");
    cells[10] = QStringLiteral("dB");
    cells[14] = cells[15] = cells[16] = QStringLiteral("p.png");
    Report::ReportRequest request;
    request.method = Method::Us;
    request.pictureFolder = pictureFolder;
    request.cells = {cells};
    request.target = target;
    return request;
}

} // namespace

// The one writer of a report request: it picks the built-in layout or the template, and ends every
// job with exactly one PostDone that says what its caller is told.
class TestReportWriter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void builtInReportTakesTheValueAndPicturesFromTheCells() {
        const QString target = m_dir.filePath(QStringLiteral("r.docx"));
        auto sink = std::make_shared<DoneSink>();
        QString error = QStringLiteral("stale");
        QVERIFY(Compose::ReportWriter::Write(UsRequest(m_dir.path(), target), sink, &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(sink->doneCalls, 1);
        QVERIFY(sink->doneSaved);
        int pictures = 0;
        bool valueFound = false;
        for (const DocxBody::Paragraph& paragraph : DocxBody(target).AllParagraphs()) {
            pictures += paragraph.PictureCount();
            valueFound = valueFound || paragraph.Text() == QStringLiteral("12.5dB");
        }
        QVERIFY(valueFound);
        QCOMPARE(pictures, 3);
    }

    void aFailedSaveIsTheCallersErrorAndTheSinksAlike() {
        const QString target = m_dir.filePath(QStringLiteral("no such folder/r.doc"));
        auto sink = std::make_shared<DoneSink>();
        QString error;
        QVERIFY(!Compose::ReportWriter::Write(UsRequest(m_dir.path(), target), sink, &error));
        QVERIFY2(error.contains(QStringLiteral("no such folder")), qPrintable(error));
        QCOMPARE(sink->doneCalls, 1);
        QVERIFY(!sink->doneSaved);
        QCOMPARE(sink->doneError, error);
    }

    void aTemplateRequestIsWrittenFromItsTemplateOnly() {
        // The built-in layout could write this target; the template named cannot be used.
        const QString target = m_dir.filePath(QStringLiteral("t.docx"));
        Report::ReportRequest request = UsRequest(m_dir.path(), target);
        request.templatePath = m_dir.filePath(QStringLiteral("missing.docx"));
        auto sink = std::make_shared<DoneSink>();
        QString error;
        QVERIFY(!Compose::ReportWriter::Write(request, sink, &error));
        QVERIFY2(error.contains(QStringLiteral("missing.docx")), qPrintable(error));
        QCOMPARE(sink->doneCalls, 1);
        QVERIFY(!QFile::exists(target));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestReportWriter)
#include "tst_reportwriter.moc"
