#include "app/CRecordListModel.h"
#include "app/CZOLTDlg.h"
#include "app/RecordListProxy.h"
#include "app/WindowSettings.h"
#include "data/CNkSQLiteOper.h"
#include "report/CReportParam.h"
#include "support/DemoDataSets.h"
#include "support/ScriptedPrompts.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

QPushButton* Button(CZOLTDlg& window, const char* id) {
    return window.findChild<QPushButton*>(QString::fromLatin1(id));
}

QString FolderName(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Column names of a record table, straight from SQLite.
QStringList ColumnNames(const QString& folder, const char* table) {
    Common::CNkSQLiteOper db;
    QStringList names;
    if (!db.OpenReadOnly(folder + QLatin1Char('/') + FolderName(folder) + QStringLiteral(".db3"))) {
        return names;
    }
    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    if (db.QueryTable(table, &result, &rows, &columns)) {
        for (int c = 0; c < columns; ++c) {
            names << QString::fromUtf8(result[c]);
        }
    }
    sqlite3_free_table(result);
    return names;
}

void ChooseFolder(CZOLTDlg& window, ScriptedPrompts& prompts, const QString& folder) {
    prompts.folders << folder;
    QTest::mouseClick(Button(window, "1010"), Qt::LeftButton);
}

void ClickHeader(CZOLTDlg& window, int column) {
    QHeaderView* header = window.findChild<QTableView*>(QStringLiteral("1012"))->horizontalHeader();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}

int CheckedCount(const CRecordListModel& model) {
    int count = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        count += model.IsChecked(row) ? 1 : 0;
    }
    return count;
}

} // namespace

class TestFolderFlow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_good;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_good = DemoDataSets::Good(m_dir.path());
        QVERIFY(!m_good.isEmpty());
    }

    void goodFolderFillsTheList() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ChooseFolder(window, prompts, m_good);

        QCOMPARE(prompts.folderTitles, QStringList{QStringLiteral("选择数据文件夹：")});
        QVERIFY(prompts.messages.isEmpty());
        QVERIFY(window.HasDataSet());
        QCOMPARE(window.DataFolder(), m_good);
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("1014"))->text(),
                 QDir::toNativeSeparators(m_good));
        const QString name = FolderName(m_good);
        QCOMPARE(window.UsPicFolder(), m_good + QLatin1Char('/') + name + QStringLiteral("-US"));
        QCOMPARE(window.TevPicFolder(), m_good + QLatin1Char('/') + name + QStringLiteral("-TEV"));
        QCOMPARE(window.HfctPicFolder(), m_good + QLatin1Char('/') + name + QStringLiteral("-HFCT"));

        const CRecordListModel& model = *window.RecordModel();
        const QStringList captions = ColumnNames(m_good, "AE_RECORD");
        QVERIFY(captions.size() >= 17);
        QCOMPARE(model.columnCount(), captions.size());
        QCOMPARE(model.rowCount(), 5);
        for (int c = 0; c < captions.size(); ++c) {
            QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), captions[c]);
        }
        QCOMPARE(CheckedCount(model), 0);
        QVERIFY(Button(window, "1009")->isEnabled());

        // Equal widths: the list's client width divided by the number of columns.
        auto* list = window.findChild<QTableView*>(QStringLiteral("1012"));
        const int expectedWidth = list->viewport()->width() / captions.size();
        for (int c = 0; c < captions.size(); ++c) {
            QCOMPARE(list->horizontalHeader()->sectionSize(c), expectedWidth);
        }

        // Select-all and clear reach every row; the generate button keeps its state.
        QTest::mouseClick(Button(window, "1015"), Qt::LeftButton);
        QCOMPARE(CheckedCount(model), 5);
        QTest::mouseClick(Button(window, "1016"), Qt::LeftButton);
        QCOMPARE(CheckedCount(model), 0);
        QVERIFY(Button(window, "1009")->isEnabled());

        // The same folder again reloads it: ticks are gone.
        QTest::mouseClick(Button(window, "1015"), Qt::LeftButton);
        ChooseFolder(window, prompts, m_good);
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(CheckedCount(model), 0);

        // Changing the method lists the other table.
        window.findChild<QComboBox*>(QStringLiteral("1011"))->setCurrentIndex(1);
        QCOMPARE(model.columnCount(), ColumnNames(m_good, "TEV_RECORD").size());
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), ColumnNames(m_good, "TEV_RECORD").first());
    }

    void secondFolderWithoutDatabase() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        ChooseFolder(window, prompts, m_good);
        QVERIFY(Button(window, "1009")->isEnabled());
        const QString empty = DemoDataSets::NoDatabase(m_dir.path());
        ChooseFolder(window, prompts, empty);

        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages[0].text, QStringLiteral("未在当前文件夹下找到检测数据！"));
        QCOMPARE(prompts.messages[0].caption, QStringLiteral("错误"));
        QCOMPARE(prompts.messages[0].icon, IUserPrompts::Icon::Error);
        QVERIFY(!window.HasDataSet());
        QCOMPARE(window.RecordModel()->rowCount(), 0);
        QCOMPARE(window.RecordModel()->columnCount(), 0);
        QVERIFY(!Button(window, "1009")->isEnabled());
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("1014"))->text(),
                 QDir::toNativeSeparators(empty));

        // Select-all, clear and a change of method do nothing without a data set.
        QTest::mouseClick(Button(window, "1015"), Qt::LeftButton);
        QTest::mouseClick(Button(window, "1016"), Qt::LeftButton);
        window.findChild<QComboBox*>(QStringLiteral("1011"))->setCurrentIndex(2);
        QCOMPARE(window.RecordModel()->rowCount(), 0);
        QCOMPARE(prompts.messages.size(), 1);
    }

    void cancelChangesNothing() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        ChooseFolder(window, prompts, m_good);
        window.RecordModel()->setData(window.RecordModel()->index(1, 0), Qt::Checked, Qt::CheckStateRole);
        ChooseFolder(window, prompts, QString()); // cancelled
        QCOMPARE(window.DataFolder(), m_good);
        QVERIFY(window.HasDataSet());
        QVERIFY(window.RecordModel()->IsChecked(1));
        QVERIFY(Button(window, "1009")->isEnabled());
        QVERIFY(prompts.messages.isEmpty());
    }

    void badDatabasesListNothing_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        // An SQLite open of a file that is not a database succeeds; the query then fails silently.
        QTest::newRow("not SQLite") << DemoDataSets::NotSqlite(m_dir.path()) << QString();
        QTest::newRow("empty file") << DemoDataSets::EmptyDatabaseFile(m_dir.path()) << QString();
        QTest::newRow("missing table") << DemoDataSets::MissingTable(m_dir.path()) << QString();
        QTest::newRow("directory named like the database")
            << DemoDataSets::DatabaseIsDirectory(m_dir.path()) << QStringLiteral("打开检测数据失败！");
    }
    void badDatabasesListNothing() {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        QVERIFY(!folder.isEmpty());
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        ChooseFolder(window, prompts, folder);
        QCOMPARE(window.RecordModel()->rowCount(), 0);
        QCOMPARE(window.RecordModel()->columnCount(), 0);
        QVERIFY(!Button(window, "1009")->isEnabled());
        QCOMPARE(prompts.MessageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    void emptyTableGivesNoColumnsAndKeepsTheButton() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        ChooseFolder(window, prompts, DemoDataSets::EmptyTable(m_dir.path()));
        QCOMPARE(window.RecordModel()->columnCount(), 0);
        QVERIFY(!Button(window, "1009")->isEnabled());
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("1011"));
        combo->setCurrentIndex(1); // TEV has rows
        QCOMPARE(window.RecordModel()->rowCount(), 3);
        QVERIFY(Button(window, "1009")->isEnabled());
        combo->setCurrentIndex(0); // back to the empty table: the button stays enabled
        QCOMPARE(window.RecordModel()->rowCount(), 0);
        QVERIFY(Button(window, "1009")->isEnabled());
    }

    void nullAndMalformedCells() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        ChooseFolder(window, prompts, DemoDataSets::NullCells(m_dir.path()));
        const CRecordListModel& model = *window.RecordModel();
        QCOMPARE(model.rowCount(), 3);
        for (int c = 0; c < model.columnCount(); ++c) {
            QCOMPARE(model.data(model.index(1, c)).toString(), QString()); // every cell NULL
        }
        ChooseFolder(window, prompts, DemoDataSets::MalformedUtf8(m_dir.path()));
        QCOMPARE(model.rowCount(), 3);
        const QString cell = model.data(model.index(0, 1)).toString();
        QVERIFY2(cell.startsWith(QLatin1Char('A')) && cell.endsWith(QLatin1Char('B')), qPrintable(cell));
        QVERIFY(cell.contains(QChar(0xFFFD)));
        QVERIFY(model.headerData(model.columnCount() - 1, Qt::Horizontal).toString().contains(QChar(0xFFFD)));
    }

    void sortFilterAndTheReportOrder() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ChooseFolder(window, prompts, m_good);
        const CRecordListModel& model = *window.RecordModel();
        App::RecordListProxy& proxy = *window.RecordProxy();
        auto* header = window.findChild<QTableView*>(QStringLiteral("1012"))->horizontalHeader();
        const int valueColumn = 6;

        // Records by value, highest first, worked out here from the cells themselves.
        QList<int> byValue = {0, 1, 2, 3, 4};
        std::stable_sort(byValue.begin(), byValue.end(), [&](int a, int b) {
            return model.CellText(a, valueColumn).toDouble() > model.CellText(b, valueColumn).toDouble();
        });
        ClickHeader(window, valueColumn);
        ClickHeader(window, valueColumn);
        QCOMPARE(proxy.SortColumn(), valueColumn);
        QCOMPARE(header->sortIndicatorSection(), valueColumn);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        for (int row = 0; row < 5; ++row) {
            QCOMPARE(proxy.SourceRow(row), byValue[row]);
        }
        // The two highest ticked in the list, then hidden by a filter that matches nothing.
        proxy.setData(proxy.index(1, 0), Qt::Checked, Qt::CheckStateRole);
        proxy.setData(proxy.index(0, 0), Qt::Checked, Qt::CheckStateRole);
        auto* filter = window.findChild<QLineEdit*>(QStringLiteral("recordFilter"));
        auto* count = window.findChild<QLabel*>(QStringLiteral("recordCount"));
        QTest::keyClicks(filter, QStringLiteral("no such record"));
        QCOMPARE(count->text(), QStringLiteral("显示 5 / 共 5 条，已选 2 条")); // filtered after a pause
        // 全选 does not wait for the pause: it acts on what the field says, here on nothing.
        QTest::mouseClick(Button(window, "1015"), Qt::LeftButton);
        QCOMPARE(count->text(), QStringLiteral("显示 0 / 共 5 条，已选 2 条"));
        QTest::mouseClick(Button(window, "1016"), Qt::LeftButton);
        QCOMPARE(model.CheckedCount(), 2);
        filter->setText(QStringLiteral("nothing either"));
        QTRY_COMPARE(proxy.FilterText(), QStringLiteral("nothing either"));

        // The report takes both, hidden as they are, in the list's order.
        QTest::mouseClick(Button(window, "1009"), Qt::LeftButton); // save dialog cancelled
        const MethodRecords& records = CReportParam::GetInstance()->m_usRecords;
        QCOMPARE(records.m_arrValue,
                 QStringList({model.CellText(byValue[0], valueColumn) + model.CellText(byValue[0], 10),
                              model.CellText(byValue[1], valueColumn) + model.CellText(byValue[1], 10)}));

        // Esc in the filter clears it; the window stays open.
        filter->setFocus();
        QTest::keyClick(filter, Qt::Key_Escape);
        QVERIFY(filter->text().isEmpty());
        QVERIFY(window.isVisible());
        QCOMPARE(count->text(), QStringLiteral("显示 5 / 共 5 条，已选 2 条"));
        // The third click on the header gives the table's order back.
        ClickHeader(window, valueColumn);
        QCOMPARE(proxy.SortColumn(), -1);
        QVERIFY(!header->isSortIndicatorShown());
        QCOMPARE(proxy.SourceRow(0), 0);
    }

    void remembersMethodFolderAndPlacement() {
#ifdef Q_OS_WIN
        // There the settings are in the registry, which setPath does not move: a key of the test's
        // own, emptied first (platform_filereplacer reads the program's key back).
        QCoreApplication::setOrganizationName(QStringLiteral("ZOLT 测试"));
        QCoreApplication::setApplicationName(QStringLiteral("folderflow"));
        App::WindowSettings().Store()->clear();
#else
        QTemporaryDir config;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        QCoreApplication::setOrganizationName(QStringLiteral("应用程序向导生成的本地应用程序"));
        QCoreApplication::setApplicationName(QStringLiteral("ZOLT"));
#endif
        {
            App::WindowSettings settings;
            ScriptedPrompts prompts;
            CZOLTDlg window(&prompts);
            window.UseSettings(&settings);
            QVERIFY(window.windowState() & Qt::WindowMaximized); // nothing remembered yet
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            ChooseFolder(window, prompts, m_good);
            ChooseFolder(window, prompts, QString());
            QCOMPARE(prompts.folderStarts, QStringList({QString(), m_good}));
            window.findChild<QComboBox*>(QStringLiteral("1011"))->setCurrentIndex(2);
            window.showNormal();
            window.resize(640, 480);
            QCoreApplication::processEvents();
        }
#ifdef Q_OS_WIN
        QVERIFY(!App::WindowSettings().Store()->allKeys().isEmpty());
#else
        QVERIFY(QFile::exists(config.filePath(QStringLiteral("应用程序向导生成的本地应用程序/ZOLT.conf"))));
#endif
        {
            App::WindowSettings settings;
            ScriptedPrompts prompts;
            CZOLTDlg window(&prompts);
            window.UseSettings(&settings);
            QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("1011"))->currentIndex(), 2);
            QVERIFY(!window.HasDataSet()); // offered, not opened
            QVERIFY(!(window.windowState() & Qt::WindowMaximized));
            QCOMPARE(window.size(), QSize(640, 480));
            ChooseFolder(window, prompts, QString());
            QCOMPARE(prompts.folderStarts, QStringList{m_good});
        }
#ifdef Q_OS_WIN
        App::WindowSettings().Store()->clear();
#endif
    }

    void dataSetFilesStayByteIdentical_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("records");
        QTest::newRow("good") << DemoDataSets::Good(m_dir.path(), QStringLiteral("hash good")) << 5;
        // The records only in the -wal file are listed too.
        QTest::newRow("WAL pending") << DemoDataSets::WalPending(m_dir.path(), true) << 6;
        QTest::newRow("WAL without shm")
            << DemoDataSets::WalPending(m_dir.path(), false, QStringLiteral("wal2")) << 6;
    }
    void dataSetFilesStayByteIdentical() {
        QFETCH(QString, folder);
        QFETCH(int, records);
        QVERIFY(!folder.isEmpty());
        const auto before = DemoDataSets::Snapshot(folder);
        {
            ScriptedPrompts prompts;
            CZOLTDlg window(&prompts);
            ChooseFolder(window, prompts, folder);
            QCOMPARE(window.RecordModel()->rowCount(), records);
            auto* combo = window.findChild<QComboBox*>(QStringLiteral("1011"));
            combo->setCurrentIndex(1);
            combo->setCurrentIndex(2);
            ChooseFolder(window, prompts, folder);
        }
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }
};

QTEST_MAIN(TestFolderFlow)
#include "tst_folderflow.moc"
