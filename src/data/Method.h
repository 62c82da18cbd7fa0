#pragma once

#include <QString>

#include <optional>

// The detection method of a report: which record table, picture folder, columns and layout it uses.
// Everything that differs per method lives in one table (MethodInfo::Of); the rest of the program
// asks that table instead of switching on the method.
enum class Method { Us, Tev, Hfct };

struct MethodInfo {
    Method method;
    const char* recordTable;      // "AE_RECORD", ...
    const char16_t* folderSuffix; // picture folder: P/N + suffix
    // Cell positions (counted from 0) the report reads from a record.
    int valueFirst;
    int valueSecond; // appended to the first part without a separator
    int pictures[3];
    const char16_t* reportTitle;       // also the proposed file name's prefix
    const char16_t* pictureHeaders[3]; // the data table's picture column headers
    float pictureSizes[3][2];          // width, height in points
    const char* commandLineName;       // "us", "tev", "hfct"
    const char16_t* displayName;       // the method combo's text

    QString ReportTitle() const { return QString::fromUtf16(reportTitle); }
    QString PictureHeader(int index) const { return QString::fromUtf16(pictureHeaders[index]); }
    QString FolderSuffix() const { return QString::fromUtf16(folderSuffix); }
    // Columns a record table needs so that every position exists.
    int MinimumColumns() const { return pictures[2] + 1; }

    static const MethodInfo& Of(Method method);
    // All methods in the order of the main window's combo box (US, TEV, HFCT).
    static constexpr int kCount = 3;
    static const MethodInfo& At(int index); // index in [0, kCount)

    // The combo box index (or any int method parameter at an interface's edge) as a method.
    static std::optional<Method> FromIndex(int index);
    static int IndexOf(Method method) { return static_cast<int>(method); }
    // "us", "tev", "hfct" (any case) as a method.
    static std::optional<Method> FromCommandLineName(const QString& name);
};
