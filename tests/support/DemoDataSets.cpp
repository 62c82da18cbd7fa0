#include "support/DemoDataSets.h"

#include "DemoDataSet.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"

#include <sqlite3.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace {

QString FolderIn(const QString& parent, const QString& name) {
    return parent + CDataSetLayout::kSeparator + name;
}

bool MakeFolders(const QString& folder) {
    bool ok = QDir().mkpath(folder);
    for (int method = 0; method < 3; ++method) {
        ok = ok && QDir().mkpath(CDataSetLayout::PictureFolder(folder, method));
    }
    return ok;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString Quoted(const QString& identifier) {
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

const char* const kTables[] = {"AE_RECORD", "TEV_RECORD", "HFCT_RECORD"};

QList<DemoDataSet::Column> ColumnsOf(int method) {
    switch (method) {
    case 0:
        return DemoDataSet::UsColumns();
    case 1:
        return DemoDataSet::TevColumns();
    default:
        return DemoDataSet::HfctColumns();
    }
}

// Column index -> quoted name in a table made by the generator.
QString ColumnName(int method, int column) {
    return Quoted(ColumnsOf(method).at(column).name);
}

// SET clause for a cell of row 'row' (rowid row + 1 in a fresh generated table).
QString Update(int method, int column, const QString& sqlValue, int row) {
    return QStringLiteral("UPDATE %1 SET %2 = %3 WHERE rowid = %4")
        .arg(QLatin1String(kTables[method]), ColumnName(method, column), sqlValue)
        .arg(row + 1);
}

QString SqlText(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// Raw bytes as a TEXT value, valid UTF-8 or not.
QString SqlBytes(const QByteArray& bytes) {
    return QStringLiteral("CAST(X'%1' AS TEXT)").arg(QString::fromLatin1(bytes.toHex()));
}

QString PictureCell(const QString& database, int method, int column, int row) {
    Common::CNkSQLiteOper db;
    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    QString cell;
    if (db.Open(database) && db.QueryTable(kTables[method], &result, &rows, &columns) && row < rows &&
        column < columns) {
        cell = QString::fromUtf8(result[(row + 1) * columns + column]);
    }
    sqlite3_free_table(result);
    return cell;
}

} // namespace

QString DemoDataSets::HostilePictureName() {
#ifdef Q_OS_WIN
    return QStringLiteral("波形 & '1'.png");
#else
    return QStringLiteral("波形 & <1>.png");
#endif
}

QString DemoDataSets::AwkwardName() {
#ifdef Q_OS_WIN
    // '?' is one of the characters Windows names cannot hold; '&' and '%' mean something to its shell.
    return QStringLiteral("城南 变电站 #1 &50% 检测");
#else
    return QStringLiteral("城南 变电站 #1 ?50% 检测");
#endif
}

QString DemoDataSets::Good(const QString& parent, const QString& name, int records, const QString& format) {
    DemoDataSet::Options options;
    options.outDir = parent;
    options.name = name;
    options.records = records;
    options.format = format;
    QString folder;
    return DemoDataSet::Generate(options, &folder, nullptr) ? folder : QString();
}

QString DemoDataSets::NoDatabase(const QString& parent, const QString& name) {
    const QString folder = FolderIn(parent, name);
    return MakeFolders(folder) ? folder : QString();
}

QString DemoDataSets::NotSqlite(const QString& parent, const QString& name) {
    const QString folder = FolderIn(parent, name);
    const QByteArray text("This is an instrument log, not a database.\n"
                          "It is long enough to fill a database header and then some more, so that\n"
                          "SQLite has to read it before it can tell.\n");
    return MakeFolders(folder) && WriteBytes(CDataSetLayout::DatabasePath(folder), text) ? folder : QString();
}

QString DemoDataSets::EmptyDatabaseFile(const QString& parent, const QString& name) {
    const QString folder = FolderIn(parent, name);
    return MakeFolders(folder) && WriteBytes(CDataSetLayout::DatabasePath(folder), QByteArray()) ? folder
                                                                                                 : QString();
}

QString DemoDataSets::DatabaseIsDirectory(const QString& parent, const QString& name) {
    const QString folder = FolderIn(parent, name);
    return MakeFolders(folder) && QDir().mkpath(CDataSetLayout::DatabasePath(folder)) ? folder : QString();
}

QString DemoDataSets::MissingTable(const QString& parent, const QString& name) {
    const QString folder = Good(parent, name, 3);
    return !folder.isEmpty() &&
                   Execute(CDataSetLayout::DatabasePath(folder), {QStringLiteral("DROP TABLE AE_RECORD")})
               ? folder
               : QString();
}

QString DemoDataSets::EmptyTable(const QString& parent, const QString& name) {
    const QString folder = Good(parent, name, 3);
    return !folder.isEmpty() &&
                   Execute(CDataSetLayout::DatabasePath(folder), {QStringLiteral("DELETE FROM AE_RECORD")})
               ? folder
               : QString();
}

QString DemoDataSets::ShortRows(const QString& parent, const QString& name) {
    const QString folder = Good(parent, name, 3);
    if (folder.isEmpty()) {
        return QString();
    }
    const int keep[] = {8, 10, 12};
    QStringList statements;
    for (int method = 0; method < 3; ++method) {
        QStringList kept;
        for (int column = 0; column < keep[method]; ++column) {
            kept.append(ColumnName(method, column));
        }
        const QString table = QLatin1String(kTables[method]);
        statements << QStringLiteral("ALTER TABLE %1 RENAME TO old_table").arg(table)
                   << QStringLiteral("CREATE TABLE %1 AS SELECT %2 FROM old_table ORDER BY rowid")
                          .arg(table, kept.join(QLatin1String(", ")))
                   << QStringLiteral("DROP TABLE old_table");
    }
    return Execute(CDataSetLayout::DatabasePath(folder), statements) ? folder : QString();
}

QString DemoDataSets::NullCells(const QString& parent, const QString& name) {
    const QString folder = Good(parent, name, 3);
    if (folder.isEmpty()) {
        return QString();
    }
    const int picture2[] = {15, 11, 11};
    QStringList statements;
    for (int method = 0; method < 3; ++method) {
        statements << Update(method, 6, QStringLiteral("NULL"), 0)
                   << Update(method, picture2[method], QStringLiteral("NULL"), 0);
        for (int column = 0; column < ColumnsOf(method).size(); ++column) {
            statements << Update(method, column, QStringLiteral("NULL"), 1);
        }
    }
    return Execute(CDataSetLayout::DatabasePath(folder), statements) ? folder : QString();
}

QString DemoDataSets::MalformedUtf8(const QString& parent, const QString& name) {
    const QString folder = Good(parent, name, 3);
    if (folder.isEmpty()) {
        return QString();
    }
    QStringList statements;
    for (int method = 0; method < 3; ++method) {
        statements << Update(method, 1,
                             SqlBytes("A\xFF\xFE"
                                      "B"),
                             0)
                   << Update(method, 6, SqlBytes("12.\xC3"), 0)
                   << Update(method, 3, SqlBytes(QByteArray("\xE5\x9F") + QStringLiteral("点").toUtf8()), 1);
    }
    if (!Execute(CDataSetLayout::DatabasePath(folder), statements)) {
        return QString();
    }
    // A column name that is not UTF-8 either; sqlite3_exec takes the bytes as they are.
    Common::CNkSQLiteOper db;
    if (!db.Open(CDataSetLayout::DatabasePath(folder))) {
        return QString();
    }
    const QByteArray rename = QByteArray("ALTER TABLE AE_RECORD RENAME COLUMN ") +
                              Quoted(DemoDataSet::UsColumns().last().name).toUtf8() + " TO \"" +
                              QStringLiteral("备").toUtf8() + "\xFF" + QStringLiteral("注").toUtf8() + "\"";
    return sqlite3_exec(db.GetHandle(), rename.constData(), nullptr, nullptr, nullptr) == SQLITE_OK
               ? folder
               : QString();
}

QString DemoDataSets::SpecialText() {
    return QStringLiteral("<b>&amp;</b> & < > \" ' ]]> ") + QChar(0xFFFE) + QStringLiteral(" 结束");
}

QString DemoDataSets::ControlText() {
    QString text;
    for (ushort c = 1; c < 0x20; ++c) {
        text.append(QChar(c));
    }
    return text;
}

QString DemoDataSets::SpecialCharacters(const QString& parent, const QString& name) {
    const QString folder = Good(parent, name, 3);
    if (folder.isEmpty()) {
        return QString();
    }
    const QString database = CDataSetLayout::DatabasePath(folder);
    const int unit[] = {10, 9, 9};
    const int picture1[] = {14, 10, 10};
    const QString pictureName = HostilePictureName();
    QStringList statements;
    for (int method = 0; method < 3; ++method) {
        const QString pictureFolder = CDataSetLayout::PictureFolder(folder, method);
        const QString oldName = PictureCell(database, method, picture1[method], 0);
        if (oldName.isEmpty() || !QFile::rename(CDataSetLayout::PicturePath(pictureFolder, oldName),
                                                CDataSetLayout::PicturePath(pictureFolder, pictureName))) {
            return QString();
        }
        statements << Update(method, 1, SqlText(SpecialText()), 0)
                   << Update(method, 6, SqlText(QStringLiteral("1<2&3")), 0)
                   << Update(method, unit[method], SqlText(QStringLiteral("\"dB\"'")), 0)
                   << Update(method, picture1[method], SqlText(pictureName), 0)
                   << Update(method, 3, SqlText(ControlText()), 1)
                   << Update(method, 6,
                             SqlText(QStringLiteral("5") + QChar(0x07) + QChar(0x1B) + QStringLiteral(".0")),
                             1);
    }
    return Execute(database, statements) ? folder : QString();
}

QString DemoDataSets::LongCells(const QString& parent, const QString& name) {
    const QString folder = Good(parent, name, 3);
    if (folder.isEmpty()) {
        return QString();
    }
    const int picture3[] = {16, 12, 12};
    QStringList statements;
    for (int method = 0; method < 3; ++method) {
        const int last = static_cast<int>(ColumnsOf(method).size()) - 1;
        statements << Update(method, 1, SqlText(QString(10000, QChar(0x957F))), 0)
                   << Update(method, 6, SqlText(QString(10000, QLatin1Char('1'))), 0)
                   << Update(method, last, SqlText(QString(10000, QLatin1Char('x'))), 0)
                   << Update(method, picture3[method],
                             SqlText(QString(9996, QLatin1Char('p')) + QStringLiteral(".png")), 0);
    }
    return Execute(CDataSetLayout::DatabasePath(folder), statements) ? folder : QString();
}

QString DemoDataSets::BadPictures(const QString& parent, const QString& name) {
    const QString folder = Good(parent, name, 6);
    if (folder.isEmpty()) {
        return QString();
    }
    const QString database = CDataSetLayout::DatabasePath(folder);
    const int picture1[] = {14, 10, 10};
    const QByteArray jpeg = DemoDataSet::Encode(
        DemoDataSet::DrawPlot(DemoDataSet::PlotKind::Waveform, 5, 0.5), QStringLiteral("jpg"));
    for (int method = 0; method < 3; ++method) {
        const QString pictureFolder = CDataSetLayout::PictureFolder(folder, method);
        auto path = [&](int row) {
            return CDataSetLayout::PicturePath(pictureFolder,
                                               PictureCell(database, method, picture1[method], row));
        };
        QFile good(path(kCutPng));
        if (!good.open(QIODevice::ReadOnly)) {
            return QString();
        }
        const QByteArray png = good.readAll();
        good.close();
        if (!QFile::remove(path(kMissingPicture)) ||
            !WriteBytes(path(kTextPicture), "not a picture, just text\n") ||
            !WriteBytes(path(kZeroBytePicture), QByteArray()) || !WriteBytes(path(kJpegNamedPng), jpeg) ||
            !WriteBytes(path(kCutPng), png.left(png.size() / 2))) {
            return QString();
        }
    }
    return folder;
}

QString DemoDataSets::WalPending(const QString& parent, bool keepShm, const QString& name) {
    const QString folder = Good(parent, name, 3);
    if (folder.isEmpty()) {
        return QString();
    }
    const QString database = CDataSetLayout::DatabasePath(folder);
    {
        Common::CNkSQLiteOper db;
        if (!db.Open(database)) {
            return QString();
        }
        sqlite3* handle = db.GetHandle();
        // Closing would otherwise checkpoint the journal into the main file and delete it.
        sqlite3_db_config(handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        QByteArray sql("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
        for (const char* table : kTables) {
            sql += QByteArray("INSERT INTO ") + table + " SELECT * FROM " + table + ";";
        }
        if (sqlite3_exec(handle, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            return QString();
        }
    }
    if (!QFile::exists(database + QStringLiteral("-wal"))) {
        return QString();
    }
    if (!keepShm) {
        QFile::remove(database + QStringLiteral("-shm"));
    }
    return folder;
}

QString DemoDataSets::Unreadable(const QString& parent, const QString& name) {
    const QString folder = Good(parent, name, 3);
    return !folder.isEmpty() && QFile::setPermissions(folder, QFileDevice::Permissions()) ? folder
                                                                                          : QString();
}

void DemoDataSets::RestorePermissions(const QString& folder) {
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool DemoDataSets::Execute(const QString& databasePath, const QStringList& statements) {
    Common::CNkSQLiteOper db;
    if (!db.Open(databasePath)) {
        return false;
    }
    sqlite3_exec(db.GetHandle(), "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    for (const QString& statement : statements) {
        if (sqlite3_exec(db.GetHandle(), statement.toUtf8().constData(), nullptr, nullptr, nullptr) !=
            SQLITE_OK) {
            qWarning("DemoDataSets: %s: %s", qPrintable(statement), sqlite3_errmsg(db.GetHandle()));
            return false;
        }
    }
    return true;
}

QMap<QString, QByteArray> DemoDataSets::Snapshot(const QString& folder) {
    QMap<QString, QByteArray> snapshot;
    const QDir root(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        QByteArray digest("<dir>");
        if (!info.isDir() && !info.isFile()) {
            digest = "<special>"; // a pipe would block the open, a device never end
        } else if (!info.isDir()) {
            QFile file(path);
            digest = "<unreadable>";
            if (file.open(QIODevice::ReadOnly)) {
                QCryptographicHash hash(QCryptographicHash::Sha256);
                hash.addData(&file);
                digest = hash.result().toHex();
            }
        }
        snapshot.insert(root.relativeFilePath(path), digest);
    }
    return snapshot;
}
