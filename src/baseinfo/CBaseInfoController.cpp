#include "baseinfo/CBaseInfoController.h"

#include "baseinfo/CBaseInfoHistory.h"
#include "baseinfo/IUserPrompts.h"
#include "report/CReportParam.h"

CBaseInfoController::CBaseInfoController(IUserPrompts* prompts, CBaseInfoHistory* history)
    : m_pPrompts(prompts), m_pHistory(history) {}

CBaseInfoController::Offers CBaseInfoController::Load(QWidget* owner) {
    const CBaseInfoStore::LoadResult loaded = CBaseInfoStore().Load();
    if (!loaded.bReadable) {
        Warn(owner, QStringLiteral("未找到基本信息数据库！"));
    }

    Offers offers;
    for (int field = 0; field < kFieldCount; ++field) {
        const QStringList& stored = loaded.arrColumns[field];
        m_pHistory->Absorb(field, stored);
        FieldOffer& offer = offers[field];
        // Every stored value in row order, duplicates included: another tool may have written
        // several rows and each of them is offered.
        offer.items = stored;
        for (const QString& entry : m_pHistory->Entries(field)) {
            if (!stored.contains(entry, Qt::CaseSensitive)) {
                offer.items.append(entry);
            }
        }
        if (!stored.isEmpty()) {
            offer.text = stored.first();
        }
    }
    return offers;
}

bool CBaseInfoController::Confirm(QWidget* owner, const Texts& texts, const QDate& date) {
    const BaseInfoRecord record = MakeRecord(texts, date);
    CReportParam::GetInstance()->m_baseInfo = record;
    for (int field = 0; field < kFieldCount; ++field) {
        m_pHistory->Remember(field, texts[field]);
    }
    const bool stored = CBaseInfoStore().Save(record);
    if (!stored) {
        Warn(owner, QStringLiteral("打开信息库失败！"));
    }
    return stored;
}

BaseInfoRecord CBaseInfoController::MakeRecord(const Texts& texts, const QDate& date) {
    BaseInfoRecord record;
    for (int field = 0; field < kFieldCount; ++field) {
        record.*CBaseInfoStore::kColumnFields[field] = texts[field];
    }
    record.m_strDate = FormatDate(date);
    return record;
}

QString CBaseInfoController::FormatDate(const QDate& date) {
    return QStringLiteral("%1年%2月%3日").arg(date.year()).arg(date.month()).arg(date.day());
}

void CBaseInfoController::Warn(QWidget* owner, const QString& text) {
    if (m_pPrompts) {
        m_pPrompts->Message(owner, text, QStringLiteral("警告"), IUserPrompts::Icon::Warning);
    }
}
