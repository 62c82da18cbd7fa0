#include "report/CCommonFont.h"
#include "report/CCommonPage.h"
#include "report/CReport.h"
#include "report/CReportParam.h"
#include "report/SingletonHolder.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

std::atomic<int> g_slowConstructed{0};

struct Slow {
    Slow() {
        ++g_slowConstructed;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
};

} // namespace

class TestReportParam : public QObject {
    Q_OBJECT
private slots:
    void singletonsAreCreatedOnceUnderContention() {
        // First calls of the real accessors, raced from many threads.
        std::vector<std::thread> threads;
        std::vector<const void*> seen(24);
        for (int i = 0; i < 24; ++i) {
            threads.emplace_back([i, &seen] {
                switch (i % 3) {
                case 0:
                    seen[i] = CCommonFont::GetInstance();
                    break;
                case 1:
                    seen[i] = CCommonPage::GetInstance();
                    break;
                default:
                    seen[i] = CReportParam::GetInstance();
                    break;
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        for (int i = 0; i < 24; ++i) {
            const void* expected = i % 3 == 0   ? static_cast<const void*>(CCommonFont::GetInstance())
                                   : i % 3 == 1 ? static_cast<const void*>(CCommonPage::GetInstance())
                                                : static_cast<const void*>(CReportParam::GetInstance());
            QCOMPARE(seen[i], expected);
        }
    }

    void holderConstructsExactlyOnce() {
        // A slow constructor widens the window in which a second thread could slip in.
        Report::SingletonHolder<Slow> holder;
        std::vector<std::thread> threads;
        std::vector<Slow*> seen(8);
        for (int i = 0; i < 8; ++i) {
            threads.emplace_back([i, &seen, &holder] { seen[i] = holder.Get(); });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        QCOMPARE(g_slowConstructed.load(), 1);
        for (Slow* instance : seen) {
            QCOMPARE(instance, holder.Get());
        }
    }

    void defaults() {
        const FontInfo font;
        QVERIFY(font.m_strName.isEmpty());
        QCOMPARE(font.m_fSize, 12.0f);
        QCOMPARE(font.m_bBold, 0);
        const MarginInfo margins;
        QCOMPARE(margins.m_fTop, 67.0f);
        QCOMPARE(margins.m_fBottom, 67.0f);
        QCOMPARE(margins.m_fLeft, 57.0f);
        QCOMPARE(margins.m_fRight, 57.0f);

        const BaseInfoRecord alone;
        QVERIFY(alone.m_strInspector.isEmpty() && alone.m_strHumidity.isEmpty());
    }

    void reportFontsAndMargins() {
        const CCommonFont* fonts = CCommonFont::GetInstance();
        QCOMPARE(fonts->m_titleFont.m_strName, QStringLiteral("宋体"));
        QCOMPARE(fonts->m_titleFont.m_fSize, 24.0f);
        QCOMPARE(fonts->m_titleFont.m_bBold, 1);
        QCOMPARE(fonts->m_headingFont.m_fSize, 18.0f);
        QCOMPARE(fonts->m_headingFont.m_bBold, 1);
        QCOMPARE(fonts->m_textFont.m_fSize, 13.0f);
        QCOMPARE(fonts->m_textFont.m_bBold, 0);
        const MarginInfo& margins = CCommonPage::GetInstance()->m_margins;
        QCOMPARE(margins.m_fTop, 67.0f);
        QCOMPARE(margins.m_fBottom, 67.0f);
        QCOMPARE(margins.m_fLeft, 42.0f);
        QCOMPARE(margins.m_fRight, 42.0f);
    }

    void baseInfoStartsAsSpaces() {
        // Runs before anything confirms the basic information in this process.
        const BaseInfoRecord& info = CReportParam::GetInstance()->m_baseInfo;
        for (const QString* field : {&info.m_strInspector, &info.m_strPlace, &info.m_strInstrument,
                                     &info.m_strDate, &info.m_strEquipName, &info.m_strEquipType,
                                     &info.m_strModel, &info.m_strTemperature, &info.m_strHumidity}) {
            QCOMPARE(*field, QStringLiteral(" "));
        }
    }

    void methodRecordsAreReplacedPerMethod() {
        CReportParam* param = CReportParam::GetInstance();
        MethodRecords first;
        first.m_arrValue = {QStringLiteral("1mV"), QStringLiteral("2mV")};
        first.m_arrPicture1 = first.m_arrPicture2 =
            first.m_arrPicture3 = {QStringLiteral("a"), QStringLiteral("b")};
        *param->RecordsOf(0) = first;
        MethodRecords second;
        second.m_arrValue = {QStringLiteral("3dB")};
        second.m_arrPicture1 = second.m_arrPicture2 = second.m_arrPicture3 = {QStringLiteral("c")};
        *param->RecordsOf(1) = second;
        *param->RecordsOf(0) = MethodRecords();
        QCOMPARE(param->m_usRecords.Count(), 0);
        QCOMPARE(param->m_tevRecords.m_arrValue, QStringList{QStringLiteral("3dB")});
        QVERIFY(param->RecordsOf(3) == nullptr);
        QVERIFY(param->RecordsOf(-1) == nullptr);
    }

    void progressPercentages() {
        QList<int> twelve;
        for (int i = 0; i < 12; ++i) {
            twelve.append(CReport::ProgressPercent(i, 12));
        }
        QCOMPARE(twelve, (QList<int>{0, 8, 16, 25, 33, 41, 50, 58, 66, 75, 83, 91}));
        // Just below the whole number in double precision.
        QCOMPARE(CReport::ProgressPercent(29, 100), 28);
        QCOMPARE(CReport::ProgressPercent(57, 100), 56);
        QCOMPARE(CReport::ProgressPercent(58, 100), 57);
        QCOMPARE(CReport::ProgressPercent(30, 100), 30);
        QCOMPARE(CReport::ProgressPercent(2, 3), 66);
        QCOMPARE(CReport::ProgressPercent(0, 0), 0);
    }
};

QTEST_GUILESS_MAIN(TestReportParam)
#include "tst_reportparam.moc"
