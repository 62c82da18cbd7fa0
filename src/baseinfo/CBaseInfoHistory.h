#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The values offered again in the eight text fields of the basic information. One history lives
// for the whole program, so that values confirmed earlier in the same run are still offered when
// the store could not keep them.
class CBaseInfoHistory {
public:
    static constexpr int kFieldCount = 8;
    static constexpr int kMaxEntries = 10;

    // The program's history.
    static CBaseInfoHistory* GetInstance();

    const QStringList& Entries(int field) const { return m_arrEntries.at(field); }

    // A confirmed text: put in front unless already held (exact comparison); the oldest entry goes
    // when that makes more than ten. Empty text changes nothing.
    void Remember(int field, const QString& text);

    // Values read from the store: appended in order when not yet held, up to ten entries.
    void Absorb(int field, const QStringList& values);

    void Clear();

private:
    std::array<QStringList, kFieldCount> m_arrEntries;
};
