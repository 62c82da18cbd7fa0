#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Reads a .docx (or any zip) package for tests: its entries in archive order, the bytes of a part,
// and the facts of the zip records a reader depends on.
class DocxPackage {
public:
    explicit DocxPackage(const QString& path);
    ~DocxPackage();
    DocxPackage(const DocxPackage&) = delete;
    DocxPackage& operator=(const DocxPackage&) = delete;

    bool IsOpen() const { return m_zip != nullptr; }
    QString ErrorString() const { return m_error; }

    QStringList EntryNames() const; // in archive order
    bool Contains(const QString& name) const;
    // The uncompressed bytes of an entry; empty (and a message in ErrorString) when it is absent.
    QByteArray Read(const QString& name);
    // Writes every entry below `folder` (created as needed), e.g. for xmllint.
    bool ExtractTo(const QString& folder);

    // True when any local or central header carries a ZIP64 extra field (0x0001).
    bool UsesZip64() const;
    // The DOS date and time of every entry, as stored: {time, date}.
    std::vector<std::pair<quint16, quint16>> EntryDosTimes() const;

private:
    QString m_path;
    struct zip* m_zip = nullptr;
    QString m_error;
};
