// Arbitrary bytes as a test data set's database (and, optionally, its -wal journal): listing the
// records of each method and writing a report from them never crashes or hangs, and leaves every
// file of the data set as it was.
//
// Input: the first byte holds flags (bit 0: a -wal journal follows; bit 1: write the report as
// .doc). With bit 0 the next four bytes give the database's length (little-endian), the rest is
// the journal; otherwise all the rest is the database.

#include "DocumentChecker.h"
#include "FuzzWorkspace.h"
#include "app/CRecordListModel.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "report/BaseInfoRecord.h"
#include "report/CReport.h"
#include "report/IReportSink.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMap>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

class QuietSink : public IReportSink {
public:
    void PostProgress(int) override {}
    void ShowMessage(const QString&, const QString&) override {}
    void PostDone(bool, const QString&) override {}
    bool IsAbandoned() const override { return false; }
};

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QImage Plot() {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 0; x < image.width(); ++x)
        image.setPixel(x, (x * 7) % image.height(), qRgb(200, 0, 0));
    return image;
}

// The data set folder with pictures the seeds name: p1..p3 in PNG, JPEG and BMP, and a text
// file named like a picture.
QString DataSet() {
    static const QString folder = [] {
        FuzzWorkspace::EnsureApplication();
        const QString path = FuzzWorkspace::Folder() + QStringLiteral("/数据 集");
        for (int method = 0; method < 3; ++method) {
            const QString pictures = CDataSetLayout::PictureFolder(path, method);
            FuzzWorkspace::Require(QDir().mkpath(pictures), "picture folder", pictures);
            const QImage image = Plot();
            FuzzWorkspace::Require(image.save(pictures + QStringLiteral("/p1.png")) &&
                                       image.save(pictures + QStringLiteral("/p2.jpg")) &&
                                       image.save(pictures + QStringLiteral("/p3.bmp")) &&
                                       WriteFile(pictures + QStringLiteral("/bad.png"), "not a picture\n"),
                                   "sample pictures", pictures);
        }
        return path;
    }();
    return folder;
}

QMap<QString, QByteArray> Snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QByteArray digest("<dir>");
        if (!it.fileInfo().isDir()) {
            QFile file(path);
            digest = "<unreadable>";
            if (file.open(QIODevice::ReadOnly))
                digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
        }
        files.insert(path, digest);
    }
    return files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 1024 * 1024)
        return 0;
    const QString folder = DataSet();
    const QString database = CDataSetLayout::DatabasePath(folder);
    const std::uint8_t flags = data[0];
    const char* rest = reinterpret_cast<const char*>(data + 1);
    qsizetype restSize = qsizetype(size - 1);
    QByteArray databaseBytes(rest, restSize);
    QByteArray journal;
    if ((flags & 1) && restSize >= 4) {
        const quint32 declared = quint32(quint8(rest[0])) | (quint32(quint8(rest[1])) << 8) |
                                 (quint32(quint8(rest[2])) << 16) | (quint32(quint8(rest[3])) << 24);
        const qsizetype length = qMin<qsizetype>(declared, restSize - 4);
        databaseBytes = QByteArray(rest + 4, length);
        journal = QByteArray(rest + 4 + length, restSize - 4 - length);
    }
    FuzzWorkspace::Require(WriteFile(database, databaseBytes), "writing the database");
    if (!journal.isEmpty())
        FuzzWorkspace::Require(WriteFile(database + QStringLiteral("-wal"), journal), "writing the journal");
    const QMap<QString, QByteArray> before = Snapshot(folder);

    for (int method = 0; method < 3; ++method) {
        MethodRecords records;
        {
            Common::CNkSQLiteOper db;
            if (!db.OpenReadOnly(database))
                continue;
            char** result = nullptr;
            int rows = 0;
            int columns = 0;
            db.QueryTable(CDataSetLayout::RecordTable(method), &result, &rows, &columns);
            CRecordListModel model;
            model.SetResultTable(result, rows, columns);
            // Everything the list shows of the first rows, and the records of the first 20.
            for (int column = 0; column < model.columnCount(); ++column)
                model.headerData(column, Qt::Horizontal, Qt::DisplayRole);
            for (int row = 0; row < qMin(model.rowCount(), 200); ++row) {
                for (int column = 0; column < model.columnCount(); ++column)
                    model.data(model.index(row, column), Qt::DisplayRole);
                if (row < 20) {
                    const CDataSetLayout::RecordRefs record =
                        CDataSetLayout::GatherRecord(method, CDataSetLayout::PictureFolder(folder, method),
                                                     [&](int column) { return model.CellText(row, column); });
                    records.Append(record.strValue, record.strPicture1, record.strPicture2,
                                   record.strPicture3);
                }
            }
        }
        if (records.Count() == 0)
            continue;
        const QString out = FuzzWorkspace::Folder() +
                            ((flags & 2) ? QStringLiteral("/report.doc") : QStringLiteral("/report.docx"));
        CReport report(std::make_shared<QuietSink>());
        const BaseInfoRecord info;
        const bool saved = method == 0   ? info.BuildUsReport(report, out, records)
                           : method == 1 ? info.BuildTevReport(report, out, records)
                                         : info.BuildHfctReport(report, out, records);
        FuzzWorkspace::Require(saved, "writing the report", report.GetFailure());
        const QString problem =
            (flags & 2) ? DocumentChecker::CheckDoc(out) : DocumentChecker::CheckDocx(out);
        FuzzWorkspace::Require(problem.isEmpty(), "the report", problem);
        QFile::remove(out);
    }

    const QMap<QString, QByteArray> after = Snapshot(folder);
    FuzzWorkspace::Require(after == before, "the data set changed",
                           QStringList(after.keys()).join(u',') + QStringLiteral(" vs ") +
                               QStringList(before.keys()).join(u','));
    QFile::remove(database);
    QFile::remove(database + QStringLiteral("-wal"));
    return 0;
}
