#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Good and hostile test data sets for tests. Every maker writes a data set folder P under
// 'parent' (P = parent/name, with P/N.db3 and the picture folders P/N-US, P/N-TEV, P/N-HFCT as far
// as the case has them) and returns P, or an empty string when it could not be made.
// Rows are counted from 0 in the order the record tables list them.
class DemoDataSets {
public:
    // A folder name with spaces, Chinese characters and the URI-special '?', '#', '%'.
    static QString AwkwardName();

    // A complete data set from the generator: three tables of 'records' rows with pictures.
    static QString Good(const QString& parent, const QString& name = AwkwardName(), int records = 5,
                        const QString& format = QStringLiteral("png"));

    // Picture folders but no database file.
    static QString NoDatabase(const QString& parent, const QString& name = QStringLiteral("无数据库"));
    // N.db3 is a text file.
    static QString NotSqlite(const QString& parent, const QString& name = QStringLiteral("not sqlite"));
    // N.db3 exists with zero bytes.
    static QString EmptyDatabaseFile(const QString& parent, const QString& name = QStringLiteral("空文件"));
    // N.db3 is a directory.
    static QString DatabaseIsDirectory(const QString& parent, const QString& name = QStringLiteral("dir db"));
    // AE_RECORD is missing; TEV_RECORD and HFCT_RECORD hold 3 records each.
    static QString MissingTable(const QString& parent, const QString& name = QStringLiteral("缺表"));
    // AE_RECORD exists without rows; TEV_RECORD and HFCT_RECORD hold 3 records each.
    static QString EmptyTable(const QString& parent, const QString& name = QStringLiteral("空表"));

    // Fewer columns than the report reads, 3 records each: AE_RECORD has 8 columns (value first
    // part only), TEV_RECORD 10 (value and unit, no pictures), HFCT_RECORD 12 (no picture 3).
    static QString ShortRows(const QString& parent, const QString& name = QStringLiteral("短行"));

    // 3 records per table. Row 0: the value's first part (column 6) and picture 2 are NULL;
    // row 1: every cell is NULL; row 2 is complete.
    static QString NullCells(const QString& parent, const QString& name = QStringLiteral("空值"));

    // 3 records per table with invalid UTF-8 stored as TEXT. Row 0: column 1 holds the bytes
    // "A\xFF\xFE" "B", column 6 (value) "12.\xC3"; row 1: column 3 holds "\xE5\x9F" followed by
    // "点" (a cut sequence). AE_RECORD's last column is named "备\xFF注". Row 2 is untouched.
    static QString MalformedUtf8(const QString& parent, const QString& name = QStringLiteral("坏编码"));

    // 3 records per table. Row 0: column 1 = SpecialText(), value column 6 = "1<2&3", the unit
    // column = "\"dB\"'", picture 1 named HostilePictureName() (a real picture). Row 1: column 3 =
    // ControlText(), column 6 = "5" U+0007 U+001B ".0".
    static QString SpecialCharacters(const QString& parent, const QString& name = QStringLiteral("特殊字符"));
    static QString SpecialText(); // XML-special characters and U+FFFE
    static QString ControlText(); // U+0001 .. U+001F
    // XML-special characters in a file name: "波形 & <1>.png", on Windows, whose names cannot hold
    // '<' and '>', "波形 & '1'.png".
    static QString HostilePictureName();

    // 3 records per table. Row 0: column 1 = 10,000 × "长", column 6 (value) = 10,000 × "1",
    // the last column 10,000 × "x", picture 3 a name of 10,000 characters (no such file).
    static QString LongCells(const QString& parent, const QString& name = QStringLiteral("长单元格"));

    // Picture 1 of every method (PNG set, 6 records per table) per row:
    enum BadPictureRow {
        kGoodPicture,
        kMissingPicture,
        kTextPicture,
        kZeroBytePicture,
        kJpegNamedPng,
        kCutPng
    };
    static QString BadPictures(const QString& parent, const QString& name = QStringLiteral("坏图片"));

    // A WAL-mode database whose -wal holds records that are not in the main file: the main file
    // has 3 records per table, the -wal raises that to 6. keepShm false removes the -shm file.
    static QString WalPending(const QString& parent, bool keepShm = true,
                              const QString& name = QStringLiteral("WAL 未合并"));

    // A good data set whose folder has no permissions at all. Root still reads it. Call
    // RestorePermissions before the folder is removed.
    static QString Unreadable(const QString& parent, const QString& name = QStringLiteral("无权限"));
    static void RestorePermissions(const QString& folder);

    // Runs SQL statements on a database (read-write); false at the first that fails.
    static bool Execute(const QString& databasePath, const QStringList& statements);

    // Every file and folder below 'folder' (hidden ones too): relative path to the SHA-256 of the
    // file's bytes, or "<dir>". Two equal snapshots mean nothing was added, removed or changed.
    static QMap<QString, QByteArray> Snapshot(const QString& folder);
};
