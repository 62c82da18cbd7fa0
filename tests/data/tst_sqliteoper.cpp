#include "DemoDataSet.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "data/ResultTable.h"
#include "support/DemoDataSets.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>

using Common::CNkSQLiteOper;

namespace {

struct Table {
    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    bool ok = false;

    Table() = default;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    ~Table() { sqlite3_free_table(result); }

    QByteArray Cell(int row, int column) const { return QByteArray(result[(row + 1) * columns + column]); }
    bool IsNull(int row, int column) const { return result[(row + 1) * columns + column] == nullptr; }
};

void Query(CNkSQLiteOper& db, const char* table, Table& out) {
    out.result = reinterpret_cast<char**>(1); // must be overwritten
    out.rows = out.columns = -1;
    out.ok = db.QueryTable(table, &out.result, &out.rows, &out.columns);
}

int RowCount(CNkSQLiteOper& db, const char* table) {
    Table t;
    Query(db, table, t);
    return t.ok ? t.rows : -1;
}

bool MakeDatabase(const QString& path, int rows = 2) {
    CNkSQLiteOper db;
    QList<QVariantList> data;
    for (int i = 0; i < rows; ++i) {
        data.append({i + 1, QStringLiteral("城南%1").arg(i), 12.5, QVariant()});
    }
    return db.Open(path) &&
           DemoDataSet::WriteTable(db.GetHandle(), QStringLiteral("T"),
                                   {{"id", "INTEGER"}, {"name", "TEXT"}, {"value", "REAL"}, {"note", "TEXT"}},
                                   data, nullptr);
}

// Runs 'check' where file permissions apply: as root in a child process that became 'nobody'.
bool RunUnprivileged(const std::function<bool()>& check) {
#ifdef Q_OS_WIN
    return check(); // no root that permissions do not bind
#else
    if (geteuid() != 0) {
        return check();
    }
    const pid_t child = fork();
    if (child == 0) {
        const bool ok = setgid(65534) == 0 && setuid(65534) == 0 && geteuid() != 0 && check();
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

void SetTreePermissions(const QString& folder, bool writable) {
    const QFileDevice::Permissions read =
        QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const QFileDevice::Permissions exec =
        QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    const QFileDevice::Permissions write = writable ? QFileDevice::WriteOwner : QFileDevice::Permissions();
    const auto snapshot = DemoDataSets::Snapshot(folder);
    for (auto it = snapshot.begin(); it != snapshot.end(); ++it) {
        const bool isDir = it.value() == "<dir>";
        QFile::setPermissions(folder + '/' + it.key(),
                              read | write | (isDir ? exec : QFileDevice::Permissions()));
    }
    QFile::setPermissions(folder, read | exec | write);
}

} // namespace

class TestSQLiteOper : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_baseConnections = CNkSQLiteOper::OpenConnectionCount();
    }
    void cleanup() { QCOMPARE(CNkSQLiteOper::OpenConnectionCount(), m_baseConnections); }

    void openCreatesMissingFileOnlyWhenWritable() {
        const QString path = m_dir->filePath("new.db3");
        {
            CNkSQLiteOper db;
            QVERIFY(!db.IsOpen());
            QVERIFY(!db.OpenReadOnly(path));
            QVERIFY(!db.IsOpen());
            QVERIFY(db.GetHandle() == nullptr);
            QVERIFY(!QFile::exists(path));

            QVERIFY(db.Open(path));
            QVERIFY(db.IsOpen());
            QVERIFY(db.GetHandle() != nullptr);
            QCOMPARE(CNkSQLiteOper::OpenConnectionCount(), m_baseConnections + 1);
            QVERIFY(QFile::exists(path));
        }
        QCOMPARE(CNkSQLiteOper::OpenConnectionCount(), m_baseConnections);
    }

    void openClosesTheOldConnectionFirst() {
        QVERIFY(MakeDatabase(m_dir->filePath("a.db3")));
        CNkSQLiteOper db;
        QVERIFY(db.Open(m_dir->filePath("a.db3")));
        QVERIFY(db.OpenReadOnly(m_dir->filePath("a.db3")));
        QCOMPARE(CNkSQLiteOper::OpenConnectionCount(), m_baseConnections + 1);
        QCOMPARE(RowCount(db, "T"), 2);

        // The new file cannot be opened: the old connection is gone all the same.
        QVERIFY(!db.Open(m_dir->filePath("no such folder/b.db3")));
        QVERIFY(!db.IsOpen());
        QVERIFY(db.GetHandle() == nullptr);
        QCOMPARE(CNkSQLiteOper::OpenConnectionCount(), m_baseConnections);
        QCOMPARE(RowCount(db, "T"), -1);

        QVERIFY(db.OpenReadOnly(m_dir->filePath("a.db3")));
        QVERIFY(!db.OpenReadOnly(m_dir->filePath("missing.db3")));
        QVERIFY(!db.IsOpen());
    }

    void closeIsIdempotent() {
        QVERIFY(MakeDatabase(m_dir->filePath("a.db3")));
        CNkSQLiteOper db;
        db.Close();
        QVERIFY(!db.IsOpen());
        QVERIFY(db.Open(m_dir->filePath("a.db3")));
        db.Close();
        db.Close();
        QVERIFY(!db.IsOpen());
        QVERIFY(db.GetHandle() == nullptr);
        QCOMPARE(CNkSQLiteOper::OpenConnectionCount(), m_baseConnections);
    }

    void queryTableResults() {
        QVERIFY(MakeDatabase(m_dir->filePath("a.db3")));
        QVERIFY(DemoDataSets::Execute(m_dir->filePath("a.db3"), {"CREATE TABLE EMPTY_T(a, b, c)"}));
        CNkSQLiteOper db;

        Table closed;
        Query(db, "T", closed);
        QVERIFY(!closed.ok);
        QVERIFY(closed.result == nullptr);
        QCOMPARE(closed.rows, 0);
        QCOMPARE(closed.columns, 0);

        QVERIFY(db.OpenReadOnly(m_dir->filePath("a.db3")));
        Table t;
        Query(db, "T", t);
        QVERIFY(t.ok);
        QCOMPARE(t.rows, 2);
        QCOMPARE(t.columns, 4);
        QCOMPARE(QByteArray(t.result[0]), QByteArray("id"));
        QCOMPARE(QByteArray(t.result[3]), QByteArray("note"));
        QCOMPARE(t.Cell(1, 0), QByteArray("2"));
        QCOMPARE(t.Cell(1, 1), QStringLiteral("城南1").toUtf8());
        QCOMPARE(t.Cell(0, 2), QByteArray("12.5")); // SQLite's text form of a number
        QVERIFY(t.IsNull(0, 3));

        for (const char* bad : {"NO_SUCH_TABLE", "", "T WHERE", static_cast<const char*>(nullptr)}) {
            Table failed;
            Query(db, bad, failed);
            QVERIFY2(!failed.ok, bad);
            QVERIFY(failed.result == nullptr);
            QCOMPARE(failed.rows, 0);
            QCOMPARE(failed.columns, 0);
        }

        // No rows: no column names either.
        Table empty;
        Query(db, "EMPTY_T", empty);
        QVERIFY(empty.ok);
        QCOMPARE(empty.rows, 0);
        QCOMPARE(empty.columns, 0);
    }

    // ReadTable must give exactly QueryTable's cells: REAL values of every kind, rendered on another
    // thread in batches, integers, text, BLOBs with a zero byte, NULL, over enough rows for many
    // batches; the same failures; no names for a table without rows.
    void readTableMatchesQueryTable() {
        const QString path = m_dir->filePath("r.db3");
        {
            CNkSQLiteOper db;
            QVERIFY(db.Open(path));
            sqlite3* h = db.GetHandle();
            QCOMPARE(sqlite3_exec(h,
                                  "CREATE TABLE R(i INTEGER, r REAL, t TEXT, b BLOB, x); CREATE TABLE E(a);"
                                  "BEGIN",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_stmt* insert = nullptr;
            QCOMPARE(sqlite3_prepare_v2(h, "INSERT INTO R VALUES(?1, ?2, ?3, ?4, ?5)", -1, &insert, nullptr),
                     SQLITE_OK);
            const double specials[] = {0.1,
                                       1.0,
                                       -0.0,
                                       1e300,
                                       -1e-300,
                                       123456789.123456789,
                                       1.0 / 3,
                                       std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity(),
                                       9007199254740993.0,
                                       4.0,
                                       5e-324,
                                       1e15,
                                       1e16,
                                       0.5};
            QRandomGenerator random(7);
            for (int row = 0; row < 20000; ++row) {
                double real = 0;
                if (row < int(std::size(specials))) {
                    real = specials[row];
                } else {
                    do {
                        const quint64 bits = random.generate64();
                        std::memcpy(&real, &bits, sizeof real);
                    } while (std::isnan(real));
                }
                sqlite3_bind_int64(insert, 1, qint64(random.generate64()));
                if (row % 7 == 3) {
                    sqlite3_bind_null(insert, 2);
                } else {
                    sqlite3_bind_double(insert, 2, real);
                }
                sqlite3_bind_text(insert, 3, row % 5 == 0 ? "城南" : "", -1, SQLITE_STATIC);
                sqlite3_bind_blob(insert, 4, "ab\0cd", 5, SQLITE_STATIC);
                sqlite3_bind_double(insert, 5, row * 0.25); // a REAL in a column without type
                QCOMPARE(sqlite3_step(insert), SQLITE_DONE);
                sqlite3_reset(insert);
            }
            sqlite3_finalize(insert);
            QCOMPARE(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        CNkSQLiteOper db;
        Data::ResultTable read;
        QVERIFY(!db.ReadTable("R", &read)); // not open
        QVERIFY(db.OpenReadOnly(path));
        Table queried;
        Query(db, "R", queried);
        QVERIFY(queried.ok);
        QVERIFY(db.ReadTable("R", &read));
        QCOMPARE(read.Rows(), queried.rows);
        QCOMPARE(read.Columns(), queried.columns);
        for (int cell = 0; cell < (queried.rows + 1) * queried.columns; ++cell) {
            const char* expected = queried.result[cell];
            const char* actual = read.Data()[cell];
            QVERIFY2(expected == nullptr ? actual == nullptr
                                         : actual != nullptr && qstrcmp(expected, actual) == 0,
                     qPrintable(QStringLiteral("cell %1: %2 / %3").arg(cell).arg(expected).arg(actual)));
        }
        for (const char* bad : {"NO_SUCH_TABLE", "", "R WHERE", static_cast<const char*>(nullptr)}) {
            QVERIFY2(!db.ReadTable(bad, &read), bad);
            QVERIFY(read.Data() == nullptr && read.Rows() == 0 && read.Columns() == 0);
        }
        QVERIFY(db.ReadTable("E", &read));
        QCOMPARE(read.Rows(), 0);
        QCOMPARE(read.Columns(), 0);
    }

    void secondWrapperLeavesTheFirstUsable() {
        const QString folder = DemoDataSets::Good(m_dir->path(), "set", 3);
        QVERIFY(!folder.isEmpty());
        CNkSQLiteOper mainDb;
        QVERIFY(mainDb.OpenReadOnly(CDataSetLayout::DatabasePath(folder)));
        {
            // Like the basic-information store: made, used and destroyed while the data set is open.
            CNkSQLiteOper store;
            QVERIFY(store.Open(m_dir->filePath("ZOLT.DB3")));
            QVERIFY(sqlite3_exec(store.GetHandle(), "CREATE TABLE IF NOT EXISTS BASE_INFO(a)", nullptr,
                                 nullptr, nullptr) == SQLITE_OK);
            QCOMPARE(CNkSQLiteOper::OpenConnectionCount(), m_baseConnections + 2);
        }
        {
            CNkSQLiteOper idle; // never opened
        }
        QCOMPARE(RowCount(mainDb, "TEV_RECORD"), 3);
        QCOMPARE(RowCount(mainDb, "HFCT_RECORD"), 3);
        mainDb.Close();
        {
            CNkSQLiteOper last; // shuts the library down: nothing is open any more
        }
        // A later wrapper brings it up again.
        CNkSQLiteOper again;
        QVERIFY(again.OpenReadOnly(CDataSetLayout::DatabasePath(folder)));
        QCOMPARE(RowCount(again, "AE_RECORD"), 3);
    }

    void pathsAreTakenLiterally_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("question mark") << "a?mode=ro.db3";
        QTest::newRow("hash") << "a#b.db3";
        QTest::newRow("percent escape") << "%41%2F.db3"; // would name "A/.db3" if decoded
        QTest::newRow("spaces and Chinese") << "城南 变电站 数据.db3";
        QTest::newRow("file: prefix") << "file:x.db3";
        QTest::newRow("ampersand, equals") << "a&vfs=none=1.db3";
    }
    void pathsAreTakenLiterally() {
        QFETCH(QString, name);
#ifdef Q_OS_WIN
        for (const QChar c : QStringLiteral("<>:\"|?*")) {
            if (name.contains(c))
                QSKIP(qPrintable(QStringLiteral("Windows file names cannot hold '%1'").arg(c)));
        }
#endif
        const QString oldCurrent = QDir::currentPath();
        for (const bool relative : {false, true}) {
            QTemporaryDir dir;
            QVERIFY(QDir::setCurrent(dir.path()));
            const QString path = relative ? name : dir.filePath(name);
            const bool made = MakeDatabase(path, 3);
            QDir::setCurrent(oldCurrent);
            QVERIFY(made);
            // Exactly one file, of exactly that name.
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{name});
            CNkSQLiteOper db;
            QVERIFY(QDir::setCurrent(dir.path()));
            const bool opened = db.OpenReadOnly(path);
            QDir::setCurrent(oldCurrent);
            QVERIFY(opened);
            QCOMPARE(RowCount(db, "T"), 3);
        }
    }

    // A data set is only read: no file in it is added, removed or changed, and the records still
    // waiting in a -wal journal are seen.
    void readOnlyLeavesEveryFileAlone_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("records"); // AE_RECORD rows expected; -1: the query fails
        QTest::newRow("rollback journal") << "plain" << 3;
        QTest::newRow("WAL with -wal and -shm") << "wal" << 6;
        QTest::newRow("WAL with -wal, no -shm") << "wal-no-shm" << 6;
        QTest::newRow("WAL database, journal merged") << "wal-merged" << 6;
        QTest::newRow("empty file beside a stray -wal") << "empty-with-wal" << -1;
        QTest::newRow("not a database") << "not-sqlite" << -1;
        // Rolling the journal back would change the database: the records stay unread instead.
        QTest::newRow("interrupted transaction") << "hot-journal" << -1;
    }
    void readOnlyLeavesEveryFileAlone() {
        QFETCH(QString, kind);
        QFETCH(int, records);
        const QString folder = MakeSet(kind);
        QVERIFY(!folder.isEmpty());
        const QString database = CDataSetLayout::DatabasePath(folder);
        const auto before = DemoDataSets::Snapshot(folder);
        {
            CNkSQLiteOper first;
            CNkSQLiteOper second; // two readers at once
            QVERIFY(first.OpenReadOnly(database));
            QVERIFY(second.OpenReadOnly(database));
            QCOMPARE(RowCount(first, "AE_RECORD"), records);
            QCOMPARE(RowCount(second, "TEV_RECORD"), records);
            QCOMPARE(DemoDataSets::Snapshot(folder), before); // also while open
            // Writes through the lent handle are refused.
            QVERIFY(sqlite3_exec(first.GetHandle(), "CREATE TABLE X(a)", nullptr, nullptr, nullptr) !=
                    SQLITE_OK);
            sqlite3_exec(first.GetHandle(), "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
            QCOMPARE(DemoDataSets::Snapshot(folder), before);
            first.Close();
            QCOMPARE(RowCount(second, "HFCT_RECORD"), records);
        }
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }

    // Read-only media: nothing can be created next to the database, yet the -wal is read.
    void readOnlyFolder_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("records");
        QTest::newRow("rollback journal") << "plain" << 3;
        QTest::newRow("WAL with -wal and -shm") << "wal" << 6;
        QTest::newRow("WAL with -wal, no -shm") << "wal-no-shm" << 6;
        QTest::newRow("WAL database, journal merged") << "wal-merged" << 6;
    }
    void readOnlyFolder() {
        QFETCH(QString, kind);
        QFETCH(int, records);
        const QString folder = MakeSet(kind);
        QVERIFY(!folder.isEmpty());
        const QString database = CDataSetLayout::DatabasePath(folder);
#ifdef Q_OS_WIN
        // A folder's read-only attribute binds nothing there: read-only media show as files that
        // carry it (as copied from a disc), and the snapshot below sees anything made beside them.
        const QString readOnly = database;
#else
        const QString readOnly = folder;
#endif
        SetTreePermissions(m_dir->path(), false);
        const auto before = DemoDataSets::Snapshot(folder);
        const bool read = RunUnprivileged([&] {
            CNkSQLiteOper db;
            return !QFileInfo(readOnly).isWritable() && db.OpenReadOnly(database) &&
                   RowCount(db, "AE_RECORD") == records && RowCount(db, "HFCT_RECORD") == records;
        });
        SetTreePermissions(m_dir->path(), true);
        QVERIFY(read);
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }

    void directoryIsNoDatabase() {
        const QString folder = DemoDataSets::DatabaseIsDirectory(m_dir->path());
        QVERIFY(!folder.isEmpty());
        CNkSQLiteOper db;
        QVERIFY(!db.OpenReadOnly(CDataSetLayout::DatabasePath(folder)));
        QVERIFY(!db.Open(CDataSetLayout::DatabasePath(folder)));
        QVERIFY(!db.IsOpen());
    }

private:
    QString MakeSet(const QString& kind) {
        const QString parent = m_dir->path();
        if (kind == "plain") {
            return DemoDataSets::Good(parent, DemoDataSets::AwkwardName(), 3);
        }
        if (kind == "wal" || kind == "wal-no-shm") {
            return DemoDataSets::WalPending(parent, kind == "wal");
        }
        if (kind == "wal-merged") {
            const QString folder = DemoDataSets::WalPending(parent, true);
            // A read-write connection merges the journal on close and deletes it.
            CNkSQLiteOper db;
            if (folder.isEmpty() || !db.Open(CDataSetLayout::DatabasePath(folder)) ||
                RowCount(db, "AE_RECORD") != 6) {
                return QString();
            }
            db.Close();
            return QFile::exists(CDataSetLayout::DatabasePath(folder) + "-wal") ? QString() : folder;
        }
        if (kind == "empty-with-wal") {
            const QString folder = DemoDataSets::EmptyDatabaseFile(parent);
            QFile wal(CDataSetLayout::DatabasePath(folder) + "-wal");
            return wal.open(QIODevice::WriteOnly) && wal.write(QByteArray(4096, 'w')) == 4096 ? folder
                                                                                              : QString();
        }
        if (kind == "hot-journal") {
            // The files of a writer that stopped in the middle of a transaction.
            const QString source = DemoDataSets::Good(parent + "/source", "set", 300);
            const QString folder = parent + "/set";
            CNkSQLiteOper db;
            if (source.isEmpty() || !QDir().mkpath(folder) ||
                !db.Open(CDataSetLayout::DatabasePath(source)) ||
                sqlite3_exec(db.GetHandle(),
                             "PRAGMA cache_size=1; BEGIN; UPDATE AE_RECORD SET \"设备名称\" = 'changed'",
                             nullptr, nullptr, nullptr) != SQLITE_OK) {
                return QString();
            }
            for (const char* suffix : {"", "-journal"}) {
                if (!QFile::copy(CDataSetLayout::DatabasePath(source) + suffix,
                                 CDataSetLayout::DatabasePath(folder) + suffix)) {
                    return QString();
                }
            }
            sqlite3_exec(db.GetHandle(), "ROLLBACK", nullptr, nullptr, nullptr);
            return QFileInfo(CDataSetLayout::DatabasePath(folder) + "-journal").size() > 0 ? folder
                                                                                           : QString();
        }
        if (kind == "not-sqlite") {
            return DemoDataSets::NotSqlite(parent);
        }
        return QString();
    }

    std::unique_ptr<QTemporaryDir> m_dir; // fresh for every test function and data row
    int m_baseConnections = 0;
};

QTEST_MAIN(TestSQLiteOper)
#include "tst_sqliteoper.moc"
