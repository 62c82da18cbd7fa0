#pragma once

#include <QString>
#include <QStringList>

// The least work a report of n records can do: read its 3n picture files and write as many bytes
// as the report holds into one file, made durable the way the report's save makes it.
class CopyLimit {
public:
    // The picture files of the first `records` records of a method's table, in report order.
    static bool PictureFiles(const QString& dataSet, int method, int records, QStringList* files,
                             QString* error);

    // Reads the files in large blocks and writes them to `target`, then zeros up to `bytes` when
    // the pictures are fewer bytes. A plain copy stops there. A durable one makes the file durable
    // as a report's save does: writes a temporary file beside `target`, fsyncs it, renames it over
    // `target` and fsyncs the folder. Returns 0, or errno of the first failure.
    static int Copy(const QStringList& files, const QString& target, qint64 bytes, bool durable);

    // The least that checking each picture when it is inserted can cost: learn its kind and size,
    // open it, read its head (a small file whole) and close it. Returns 0, or errno of a failure.
    static int Check(const QStringList& files);

private:
    // Writes the copy to `out`, fsyncs it when durable and closes it.
    static int WriteCopy(int out, const QStringList& files, qint64 bytes, bool durable);
};
