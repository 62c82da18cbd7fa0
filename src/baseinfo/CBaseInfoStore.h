#pragma once

#include "report/BaseInfoRecord.h"

#include <QString>
#include <QStringList>

#include <array>

// The last confirmed basic information, kept as the single row of table BASE_INFO in "ZOLT.DB3" in
// the working directory. Other tools read that file, so its table name, column names, column order
// and one-row content stay fixed.
class CBaseInfoStore {
public:
    static constexpr int kColumnCount = 9;
    // The leading text columns that are offered again; the date is not.
    static constexpr int kTextColumnCount = 8;

    // The record's fields in table column order.
    static constexpr std::array<QString BaseInfoRecord::*, kColumnCount> kColumnFields{
        &BaseInfoRecord::m_strInspector,   &BaseInfoRecord::m_strPlace,     &BaseInfoRecord::m_strInstrument,
        &BaseInfoRecord::m_strModel,       &BaseInfoRecord::m_strEquipName, &BaseInfoRecord::m_strEquipType,
        &BaseInfoRecord::m_strTemperature, &BaseInfoRecord::m_strHumidity,  &BaseInfoRecord::m_strDate};

    struct LoadResult {
        // False when the file could not be opened or is not a readable database.
        bool bReadable = false;
        // Non-empty values of each of the first eight columns, in row order, duplicates kept.
        std::array<QStringList, kTextColumnCount> arrColumns;
    };

    static QString FileName();

    LoadResult Load() const;

    // Replaces the stored row with `record`, creating the table when the file has none. Either the
    // new row is stored or the table is left as it was; false when the store could not be written.
    bool Save(const BaseInfoRecord& record) const;
};
