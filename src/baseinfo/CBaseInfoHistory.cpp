#include "baseinfo/CBaseInfoHistory.h"

CBaseInfoHistory* CBaseInfoHistory::GetInstance() {
    // Only the GUI thread uses it; a function-local static is created once and lives to exit.
    static CBaseInfoHistory history;
    return &history;
}

void CBaseInfoHistory::Remember(int field, const QString& text) {
    QStringList& entries = m_arrEntries.at(field);
    if (text.isEmpty() || entries.contains(text, Qt::CaseSensitive)) {
        return;
    }
    entries.prepend(text);
    if (entries.size() > kMaxEntries) {
        entries.removeLast();
    }
}

void CBaseInfoHistory::Absorb(int field, const QStringList& values) {
    QStringList& entries = m_arrEntries.at(field);
    for (const QString& value : values) {
        if (entries.size() >= kMaxEntries) {
            break;
        }
        if (!value.isEmpty() && !entries.contains(value, Qt::CaseSensitive)) {
            entries.append(value);
        }
    }
}

void CBaseInfoHistory::Clear() {
    for (QStringList& entries : m_arrEntries) {
        entries.clear();
    }
}
