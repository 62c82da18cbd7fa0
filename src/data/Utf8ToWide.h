#pragma once

#include <QString>

// Decodes UTF-8 text read from SQLite. A malformed sequence becomes U+FFFD, never an error;
// a null pointer (an SQL NULL cell) gives empty text.
QString Utf8ToWide(const char* text);
