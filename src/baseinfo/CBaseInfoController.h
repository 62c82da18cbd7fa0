#pragma once

#include "baseinfo/CBaseInfoStore.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

class CBaseInfoHistory;
class IUserPrompts;
class QWidget;

// What the basic-information dialog does, without the widgets: offer the stored and remembered
// values, and on confirmation hand the record to the report parameters and store it.
// Fields are indexed in table column order, which is also the order of the dialog's rows.
class CBaseInfoController {
public:
    static constexpr int kFieldCount = CBaseInfoStore::kTextColumnCount;

    struct FieldOffer {
        QStringList items; // the drop-down list: stored values first, then the rest of the history
        QString text;      // what the box shows: the first stored value, or nothing
    };
    using Offers = std::array<FieldOffer, kFieldCount>;
    using Texts = std::array<QString, kFieldCount>;

    CBaseInfoController(IUserPrompts* prompts, CBaseInfoHistory* history);

    // Reads the store; warns `owner` when it cannot be opened.
    Offers Load(QWidget* owner);

    // The report parameters get the record first, whatever happens to the store; warns `owner`
    // when the store cannot be written. Returns whether the record was stored.
    bool Confirm(QWidget* owner, const Texts& texts, const QDate& date);

    static BaseInfoRecord MakeRecord(const Texts& texts, const QDate& date);

    // "2020年8月6日": no leading zeros.
    static QString FormatDate(const QDate& date);

private:
    void Warn(QWidget* owner, const QString& text);

    IUserPrompts* m_pPrompts;
    CBaseInfoHistory* m_pHistory;
};
