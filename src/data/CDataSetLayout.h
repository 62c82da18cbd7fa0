#pragma once

#include "data/Method.h"

#include <QString>

#include <functional>

// Where a test data set keeps its parts, and which cells of a record the report reads.
// A data set is a folder P named N holding the database P/N.db3 and the picture folders
// P/N-US, P/N-TEV and P/N-HFCT. Paths are joined with '/' and are otherwise kept as given.
// The overloads taking an int accept the combo box's method index (0 US, 1 TEV, 2 HFCT); any
// other index selects nothing.
class CDataSetLayout {
public:
    static constexpr QChar kSeparator = u'/';

    // Cell positions (counted from 0) that the report reads from a record; -1 for none.
    struct ReportColumns {
        int nValueFirst = -1;
        int nValueSecond = -1; // appended to the first part without a separator
        int nPicture1 = -1;
        int nPicture2 = -1;
        int nPicture3 = -1;

        bool IsValid() const { return nValueFirst >= 0; }
        // Columns a record table needs so that every position exists.
        int MinimumColumns() const { return nPicture3 + 1; }
    };

    // What the report takes from one record.
    struct RecordRefs {
        QString strValue;
        QString strPicture1; // full paths
        QString strPicture2;
        QString strPicture3;
    };

    // Text after the last separator, or all of the path when it has none; "/" gives "".
    static QString FolderName(const QString& folderPath);
    static QString DatabasePath(const QString& folderPath);
    static QString PictureFolder(const QString& folderPath, Method method);
    // Empty for an index that selects no method.
    static QString PictureFolder(const QString& folderPath, int method);
    // The presence test before opening: any entry of that exact name (no wildcards) counts, so a
    // directory named like the database is found and then fails to open.
    static bool DatabaseExists(const QString& databasePath);

    // "AE_RECORD", "TEV_RECORD", "HFCT_RECORD".
    static const char* RecordTable(Method method);
    // "" for an index that selects no method.
    static const char* RecordTable(int method);
    static ReportColumns Columns(Method method);
    static ReportColumns Columns(int method);

    // The picture folder + separator + the cell text, unchanged. An empty cell (or a NULL one, or
    // a column the row does not have) names no picture: the path is empty, and such a picture is
    // reported missing.
    static QString PicturePath(const QString& pictureFolder, const QString& cellText);

    // Value text and picture paths of one record. cellText(column) gives a cell's text, empty for
    // a NULL cell or a column the table does not have.
    static RecordRefs GatherRecord(Method method, const QString& pictureFolder,
                                   const std::function<QString(int column)>& cellText);
    // Empty for an index that selects no method.
    static RecordRefs GatherRecord(int method, const QString& pictureFolder,
                                   const std::function<QString(int column)>& cellText);
};
