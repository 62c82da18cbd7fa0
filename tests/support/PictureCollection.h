#pragma once

#include <QList>
#include <QString>

// Picture files as instruments, cameras and office tools write them, made here (Qt's writers,
// libpng, libjpeg and a few byte edits), never taken from elsewhere: every kind that Word and
// LibreOffice show, and the kinds that are no picture at all.
class PictureCollection {
public:
    struct Entry {
        QString name; // what the variant is, for failure messages
        QString path;
        QString refusal; // part of the refusal message; empty for a picture that must go in
    };

    // Writes the collection into `folder`; empty when a file could not be written.
    static QList<Entry> Write(const QString& folder);
    static QList<Entry> Shown(const QList<Entry>& entries);
    static QList<Entry> Refused(const QList<Entry>& entries);
};
