#include "baseinfo/CBaseInfoHistory.h"

#include <QTest>

class TestBaseInfoHistory : public QObject {
    Q_OBJECT

private slots:
    void rememberPutsNewTextsInFrontOnce();
    void rememberKeepsAtMostTen();
    void absorbAppendsStoredValuesNotYetHeld();
};

void TestBaseInfoHistory::rememberPutsNewTextsInFrontOnce() {
    CBaseInfoHistory history;
    history.Remember(0, "甲");
    history.Remember(0, "乙");
    history.Remember(0, "甲"); // already held: stays where it is
    history.Remember(0, "");   // empty: nothing
    history.Remember(0, "ab");
    history.Remember(0, "AB"); // comparison is case-sensitive
    QCOMPARE(history.Entries(0), (QStringList{"AB", "ab", "乙", "甲"}));
    // Fields are independent.
    QVERIFY(history.Entries(1).isEmpty());
    history.Remember(7, "甲");
    QCOMPARE(history.Entries(7), QStringList{"甲"});
}

void TestBaseInfoHistory::rememberKeepsAtMostTen() {
    CBaseInfoHistory history;
    for (int i = 1; i <= 12; ++i) {
        history.Remember(2, QString::number(i));
    }
    QCOMPARE(history.Entries(2), (QStringList{"12", "11", "10", "9", "8", "7", "6", "5", "4", "3"}));
    // A text already held does not push anything out.
    history.Remember(2, "7");
    QCOMPARE(history.Entries(2).size(), CBaseInfoHistory::kMaxEntries);
    QCOMPARE(history.Entries(2).last(), QString("3"));
}

void TestBaseInfoHistory::absorbAppendsStoredValuesNotYetHeld() {
    CBaseInfoHistory history;
    history.Remember(3, "新");
    history.Absorb(3, {"旧", "新", "", "旧", "更旧"});
    QCOMPARE(history.Entries(3), (QStringList{"新", "旧", "更旧"}));

    QStringList many;
    for (int i = 0; i < 15; ++i) {
        many.append(QString("v%1").arg(i));
    }
    history.Absorb(3, many);
    QCOMPARE(history.Entries(3).size(), CBaseInfoHistory::kMaxEntries);
    QCOMPARE(history.Entries(3).mid(3, 2), (QStringList{"v0", "v1"}));

    history.Clear();
    QVERIFY(history.Entries(3).isEmpty());
}

QTEST_GUILESS_MAIN(TestBaseInfoHistory)
#include "tst_baseinfohistory.moc"
