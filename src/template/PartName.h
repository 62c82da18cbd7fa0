#pragma once

#include <QString>

namespace Template {

// The rules a package part name keeps (the .docx package format's, and what unpacking the report
// anywhere needs): relative, '/'-separated, no empty, "." or ".." segment, no segment ending in a
// dot, no backslash, colon, NUL or other control character.
class PartName {
public:
    // Why `name` is not a valid part name; empty when it is. A folder entry (ending in '/') is judged
    // by its segments.
    static QString Problem(const QString& name);
};

} // namespace Template
