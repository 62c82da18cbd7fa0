#pragma once

// Shared by the basic-information tests: a private working directory (the store is opened by its
// bare name there) and direct access to "ZOLT.DB3" as another program would have it.

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Makes a fresh temporary directory the working directory until destroyed.
class ScopedWorkDir {
public:
    ScopedWorkDir() : m_previous(QDir::currentPath()), m_dir(std::make_unique<QTemporaryDir>()) {
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir::setCurrent(m_dir->path()));
    }
    ~ScopedWorkDir() { QDir::setCurrent(m_previous); }
    QString Path() const { return m_dir->path(); }

private:
    QString m_previous;
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace baseinfo_test {

inline const QStringList kColumnNames = {"检测人员", "检测地点", "检测仪器", "仪器型号", "设备名称",
                                         "设备类型", "当天温度", "当天湿度", "检测日期"};

// Runs SQL on "ZOLT.DB3" in the working directory, as another program would.
inline bool Exec(const QString& sql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open("ZOLT.DB3", &db) == SQLITE_OK &&
              sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

inline bool CreateTable() {
    return Exec("CREATE TABLE BASE_INFO ([检测人员] TEXT, [检测地点] TEXT, [检测仪器] TEXT, [仪器型号] TEXT, "
                "[设备名称] TEXT, [设备类型] TEXT, [当天温度] TEXT, [当天湿度] TEXT, [检测日期] TEXT)");
}

// Results of one query, each cell as "type:text" so that NULL, '' and numbers stay apart.
inline QList<QStringList> Query(const QString& sql) {
    QList<QStringList> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("ZOLT.DB3", &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                const int type = sqlite3_column_type(statement, column);
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
                const QString prefix = type == SQLITE_NULL   ? "null:"
                                       : type == SQLITE_TEXT ? "text:"
                                                             : "other:";
                row.append(prefix + QString::fromUtf8(text));
            }
            rows.append(row);
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

// The stored rows as plain texts (type prefixes removed); empty when the table cannot be read.
inline QList<QStringList> StoredRows() {
    QList<QStringList> rows = Query("SELECT * FROM BASE_INFO");
    for (QStringList& row : rows) {
        for (QString& cell : row) {
            cell = cell.section(':', 1);
        }
    }
    return rows;
}

inline QByteArray FileBytes(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline const QByteArray kNotADatabase = QByteArray("Basic information, typed by hand.\n").repeated(40);

} // namespace baseinfo_test
