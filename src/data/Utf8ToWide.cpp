#include "data/Utf8ToWide.h"

QString Utf8ToWide(const char* text) {
    if (text == nullptr) {
        return QString();
    }
    return QString::fromUtf8(text);
}
