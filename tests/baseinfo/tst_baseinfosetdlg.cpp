#include "BaseInfoTestSupport.h"

#include "baseinfo/CDialogUnits.h"

#include "baseinfo/CBaseInfoHistory.h"
#include "baseinfo/CBaseInfoSetDlg.h"
#include "report/CReportParam.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace baseinfo_test;

namespace {

// Control ids in row order (the text fields in table column order, then the date).
const QStringList kFieldIds = {"1018", "1019", "1020", "1024", "1022", "1023", "1025", "1026"};

const QStringList kChineseValues = {"张三",   "北京 110kV 变电站", "局放巡检仪", "PD-71",
                                    "1#主变", "GIS 组合电器",      "25℃",        "60%"};

QComboBox* Combo(QDialog& dialog, const QString& id) {
    return dialog.findChild<QComboBox*>(id);
}

QDateEdit* DatePicker(QDialog& dialog) {
    return dialog.findChild<QDateEdit*>("1021");
}

QPushButton* OkButton(QDialog& dialog) {
    return dialog.findChild<QPushButton*>("1");
}

void Fill(QDialog& dialog, const QStringList& texts, const QDate& date) {
    for (int field = 0; field < kFieldIds.size(); ++field) {
        Combo(dialog, kFieldIds[field])->setEditText(texts.at(field));
    }
    DatePicker(dialog)->setDate(date);
}

QStringList ShownTexts(QDialog& dialog) {
    QStringList texts;
    for (const QString& id : kFieldIds) {
        texts.append(Combo(dialog, id)->currentText());
    }
    return texts;
}

QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items.append(combo->itemText(i));
    }
    return items;
}

QStringList RecordTexts(const BaseInfoRecord& record) {
    return {record.m_strInspector, record.m_strPlace,     record.m_strInstrument,  record.m_strModel,
            record.m_strEquipName, record.m_strEquipType, record.m_strTemperature, record.m_strHumidity};
}

BaseInfoRecord Untouched() {
    BaseInfoRecord record;
    for (QString* field : {&record.m_strInspector, &record.m_strPlace, &record.m_strInstrument,
                           &record.m_strDate, &record.m_strEquipName, &record.m_strEquipType,
                           &record.m_strModel, &record.m_strTemperature, &record.m_strHumidity}) {
        *field = "untouched";
    }
    return record;
}

BaseInfoRecord& ReportBaseInfo() {
    return CReportParam::GetInstance()->m_baseInfo;
}

} // namespace

class TestBaseInfoSetDlg : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void templateControlsInRowAndTabOrder();
    void firstRunOffersConfirmedValuesNextTime();
    void preparedEmptyTable();
    void emptyValueLeavesTheBoxEmpty();
    void dateIsWrittenWithoutLeadingZeros();
    void returnAndEscapeCloseNothing();
    void closeBoxStoresNothing();
    void unusableStoreWarnsButReportGetsValues_data();
    void unusableStoreWarnsButReportGetsValues();
    void tableOfSeveralRowsOffersEveryValue();
    void historyOffersEarlierConfirmations();

private:
    std::unique_ptr<ScopedWorkDir> m_dir;
    ScriptedPrompts m_prompts;
    CBaseInfoHistory m_history;
};

void TestBaseInfoSetDlg::init() {
    m_dir = std::make_unique<ScopedWorkDir>();
    m_prompts = ScriptedPrompts();
    m_history.Clear();
    ReportBaseInfo() = Untouched();
}

void TestBaseInfoSetDlg::cleanup() {
    m_dir.reset();
}

void TestBaseInfoSetDlg::templateControlsInRowAndTabOrder() {
    CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
    QCOMPARE(dialog.windowTitle(), QString("基本信息"));
    QCOMPARE(OkButton(dialog)->text(), QString("确定"));
    QVERIFY(OkButton(dialog)->isDefault());
    // The template's 8-point font (smaller than the main window's 9), and dialog units measured
    // with that font, so the controls keep their template size at any screen font.
    QCOMPARE(dialog.font().pointSize(), 8);
    const CDialogUnits units(dialog.font());
    QCOMPARE(dialog.size(), QSize(units.ToX(307), units.ToY(349)));

    QList<QWidget*> controls;
    for (const QString& id : kFieldIds) {
        QComboBox* combo = Combo(dialog, id);
        QVERIFY2(combo, qPrintable(id));
        QVERIFY(combo->isEditable());
        controls.append(combo);
    }
    QDateEdit* date = DatePicker(dialog);
    QVERIFY(date);
    QVERIFY(date->calendarPopup());
    QCOMPARE(date->date(), QDate::currentDate());
    controls.append(date);
    controls.append(OkButton(dialog));

    // Rows go down the dialog in order, each beside its label, all inside the window.
    const QStringList labels = {"检测人员", "检测地点", "检测仪器", "仪器型号", "设备名称",
                                "设备类型", "当天温度", "当天湿度", "检测日期"};
    for (int row = 0; row < controls.size(); ++row) {
        const QRect geometry = controls[row]->geometry();
        QVERIFY(dialog.rect().contains(geometry));
        if (row > 0) {
            QVERIFY(geometry.top() > controls[row - 1]->geometry().bottom());
        }
        if (row < labels.size()) {
            QLabel* label = nullptr;
            for (QLabel* candidate : dialog.findChildren<QLabel*>()) {
                if (candidate->text() == labels[row]) {
                    label = candidate;
                }
            }
            QVERIFY2(label, qPrintable(labels[row]));
            QCOMPARE(label->geometry().top(), geometry.top());
            QVERIFY(label->geometry().right() < geometry.left());
        }
    }

    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    for (QWidget* control : controls) {
        const auto focusIn = [control] {
            QWidget* focus = QApplication::focusWidget();
            return focus == control || control->isAncestorOf(focus);
        };
        QVERIFY2(focusIn(), qPrintable(control->objectName()));
        // Tab first walks through the date's sections, then leaves the picker.
        for (int presses = 0; presses < 5 && focusIn(); ++presses) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }
}

void TestBaseInfoSetDlg::firstRunOffersConfirmedValuesNextTime() {
    QVERIFY(!QFile::exists("ZOLT.DB3"));
    {
        CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
        QVERIFY(m_prompts.messages.isEmpty());
        for (const QString& id : kFieldIds) {
            QCOMPARE(Combo(dialog, id)->currentText(), QString());
            QCOMPARE(Combo(dialog, id)->count(), 0);
        }
        QCOMPARE(DatePicker(dialog)->date(), QDate::currentDate());

        Fill(dialog, kChineseValues, QDate::currentDate());
        dialog.show();
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(RecordTexts(ReportBaseInfo()), kChineseValues);
    const QDate today = QDate::currentDate();
    QCOMPARE(ReportBaseInfo().m_strDate,
             QString("%1年%2月%3日").arg(today.year()).arg(today.month()).arg(today.day()));
    QCOMPARE(StoredRows().size(), 1);

    // A new run of the program: only the store remembers.
    CBaseInfoHistory nextRun;
    CBaseInfoSetDlg dialog(&m_prompts, nullptr, &nextRun);
    QCOMPARE(ShownTexts(dialog), kChineseValues);
    for (int field = 0; field < kFieldIds.size(); ++field) {
        QCOMPARE(Items(Combo(dialog, kFieldIds[field])), QStringList{kChineseValues[field]});
    }
}

void TestBaseInfoSetDlg::preparedEmptyTable() {
    QVERIFY(CreateTable());
    CBaseInfoSetDlg first(&m_prompts, nullptr, &m_history);
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(ShownTexts(first), QStringList(kFieldIds.size(), QString()));
    Fill(first, kChineseValues, QDate(2021, 3, 4));
    OkButton(first)->click();

    CBaseInfoHistory nextRun;
    CBaseInfoSetDlg second(&m_prompts, nullptr, &nextRun);
    QCOMPARE(ShownTexts(second), kChineseValues);
    QCOMPARE(StoredRows(), QList<QStringList>{kChineseValues + QStringList{"2021年3月4日"}});
}

void TestBaseInfoSetDlg::emptyValueLeavesTheBoxEmpty() {
    QStringList values = kChineseValues;
    values[1] = "";
    {
        CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
        Fill(dialog, values, QDate::currentDate());
        OkButton(dialog)->click();
    }
    QCOMPARE(ReportBaseInfo().m_strPlace, QString(""));
    QCOMPARE(Query("SELECT [检测地点] FROM BASE_INFO"), QList<QStringList>{{"text:"}});

    CBaseInfoHistory nextRun;
    CBaseInfoSetDlg dialog(&m_prompts, nullptr, &nextRun);
    QCOMPARE(Combo(dialog, "1019")->currentText(), QString());
    QCOMPARE(Combo(dialog, "1019")->count(), 0);
    QCOMPARE(Combo(dialog, "1018")->currentText(), values[0]);
}

void TestBaseInfoSetDlg::dateIsWrittenWithoutLeadingZeros() {
    CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
    Fill(dialog, kChineseValues, QDate(2020, 8, 6));
    OkButton(dialog)->click();
    QCOMPARE(ReportBaseInfo().m_strDate, QString("2020年8月6日"));
    QCOMPARE(Query("SELECT [检测日期] FROM BASE_INFO"), QList<QStringList>{{"text:2020年8月6日"}});

    CBaseInfoSetDlg later(&m_prompts, nullptr, &m_history);
    // The stored date is not offered back; the picker starts at today.
    QCOMPARE(DatePicker(later)->date(), QDate::currentDate());
    Fill(later, kChineseValues, QDate(1999, 12, 31));
    OkButton(later)->click();
    QCOMPARE(ReportBaseInfo().m_strDate, QString("1999年12月31日"));
}

void TestBaseInfoSetDlg::returnAndEscapeCloseNothing() {
    CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
    Combo(dialog, "1018")->addItem("已有");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QSignalSpy finished(&dialog, &QDialog::finished);
    QSignalSpy clicked(OkButton(dialog), &QPushButton::clicked);

    QList<QWidget*> targets = {&dialog, DatePicker(dialog), OkButton(dialog)};
    for (const QString& id : kFieldIds) {
        targets.append(Combo(dialog, id)->lineEdit());
    }
    Combo(dialog, "1018")->lineEdit()->end(false);
    QTest::keyClicks(Combo(dialog, "1018")->lineEdit(), "xy");
    for (QWidget* target : targets) {
        target->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(target, key);
        }
    }
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(Combo(dialog, "1018")->currentText(), QString("已有xy"));
    // Return in an editable box must not add the typed text to its list.
    QCOMPARE(Items(Combo(dialog, "1018")), QStringList{"已有"});
    QCOMPARE(ReportBaseInfo(), Untouched());

    // Other keys still work, and the button still confirms.
    QTest::keyClick(Combo(dialog, "1018")->lineEdit(), Qt::Key_A);
    QCOMPARE(Combo(dialog, "1018")->currentText(), QString("已有xya"));
    QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(ReportBaseInfo().m_strInspector, QString("已有xya"));
}

void TestBaseInfoSetDlg::closeBoxStoresNothing() {
    QVERIFY(CreateTable());
    QVERIFY(Exec("INSERT INTO BASE_INFO VALUES ('a','b','c','d','e','f','g','h','i')"));
    CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
    Fill(dialog, kChineseValues, QDate(2020, 8, 6));
    QTimer::singleShot(0, &dialog, [&dialog] { dialog.close(); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));

    QCOMPARE(ReportBaseInfo(), Untouched());
    QCOMPARE(StoredRows(), (QList<QStringList>{{"a", "b", "c", "d", "e", "f", "g", "h", "i"}}));
    QVERIFY(m_history.Entries(0) == QStringList{"a"});
}

void TestBaseInfoSetDlg::unusableStoreWarnsButReportGetsValues_data() {
    QTest::addColumn<bool>("directory");
    QTest::newRow("not a database") << false;
    QTest::newRow("directory") << true;
}

void TestBaseInfoSetDlg::unusableStoreWarnsButReportGetsValues() {
    QFETCH(bool, directory);
    if (directory) {
        QVERIFY(QDir().mkdir("ZOLT.DB3"));
    } else {
        WriteFile("ZOLT.DB3", kNotADatabase);
    }

    CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].text, QString("未找到基本信息数据库！"));
    QCOMPARE(m_prompts.messages[0].caption, QString("警告"));
    QCOMPARE(m_prompts.messages[0].icon, IUserPrompts::Icon::Warning);
    QCOMPARE(ShownTexts(dialog), QStringList(kFieldIds.size(), QString()));

    Fill(dialog, kChineseValues, QDate(2020, 8, 6));
    QTimer::singleShot(0, &dialog, [&dialog] { QTest::mouseClick(OkButton(dialog), Qt::LeftButton); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));

    QCOMPARE(m_prompts.MessageTexts(), (QStringList{"未找到基本信息数据库！", "打开信息库失败！"}));
    QCOMPARE(m_prompts.messages[1].caption, QString("警告"));
    QCOMPARE(m_prompts.messages[1].icon, IUserPrompts::Icon::Warning);
    QCOMPARE(RecordTexts(ReportBaseInfo()), kChineseValues);
    QCOMPARE(ReportBaseInfo().m_strDate, QString("2020年8月6日"));
    if (!directory) {
        QCOMPARE(FileBytes("ZOLT.DB3"), kNotADatabase);
    }
}

void TestBaseInfoSetDlg::tableOfSeveralRowsOffersEveryValue() {
    QVERIFY(CreateTable());
    // Rows as another program may leave them: NULLs, empty cells, duplicates, a number, a date.
    QVERIFY(Exec("INSERT INTO BASE_INFO VALUES ('甲', NULL, 'X', '', '', '', 26.5, '', '2020年1月1日'),"
                 "('乙', '', 'Y', '', '', '', NULL, '', ''),"
                 "('甲', '站', 'X', '', '', '', '', '', '')"));
    CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(Items(Combo(dialog, "1018")), (QStringList{"甲", "乙", "甲"}));
    QCOMPARE(Items(Combo(dialog, "1019")), QStringList{"站"});
    QCOMPARE(Items(Combo(dialog, "1020")), (QStringList{"X", "Y", "X"}));
    QCOMPARE(Items(Combo(dialog, "1025")), QStringList{"26.5"});
    QCOMPARE(Combo(dialog, "1026")->count(), 0);
    QCOMPARE(ShownTexts(dialog), (QStringList{"甲", "站", "X", "", "", "", "26.5", ""}));
    QCOMPARE(DatePicker(dialog)->date(), QDate::currentDate());

    // Confirming leaves a single row.
    OkButton(dialog)->click();
    QCOMPARE(StoredRows().size(), 1);
}

void TestBaseInfoSetDlg::historyOffersEarlierConfirmations() {
    // The store keeps only the last row; values confirmed before it in this run are still offered.
    for (const QString& inspector : {QString("甲"), QString("乙")}) {
        CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
        Combo(dialog, "1018")->setEditText(inspector);
        OkButton(dialog)->click();
    }
    {
        CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
        QCOMPARE(Combo(dialog, "1018")->currentText(), QString("乙"));
        QCOMPARE(Items(Combo(dialog, "1018")), (QStringList{"乙", "甲"}));
    }

    // When the store cannot keep anything, the box stays empty but the list still offers them.
    QVERIFY(QFile::remove("ZOLT.DB3"));
    QVERIFY(QDir().mkdir("ZOLT.DB3"));
    CBaseInfoSetDlg dialog(&m_prompts, nullptr, &m_history);
    QCOMPARE(Combo(dialog, "1018")->currentText(), QString());
    QCOMPARE(Items(Combo(dialog, "1018")), (QStringList{"乙", "甲"}));

    // Without a history of its own the dialog uses the program's, which outlives it.
    CBaseInfoHistory::GetInstance()->Clear();
    {
        CBaseInfoSetDlg first(&m_prompts);
        Combo(first, "1018")->setEditText("丙");
        OkButton(first)->click();
    }
    CBaseInfoSetDlg second(&m_prompts);
    QCOMPARE(Items(Combo(second, "1018")), QStringList{"丙"});
    CBaseInfoHistory::GetInstance()->Clear();
}

QTEST_MAIN(TestBaseInfoSetDlg)
#include "tst_baseinfosetdlg.moc"
