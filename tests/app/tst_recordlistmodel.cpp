#include "app/CRecordListModel.h"
#include "app/RecordListProxy.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "data/RecordSorter.h"
#include "support/DemoDataSets.h"

#include <sqlite3.h>

#include <QAbstractItemModelTester>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

bool UnderWine() {
#ifdef Q_OS_WIN
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

// Loads a record table the way the main window does: the model takes the result table over.
bool Load(CRecordListModel& model, const QString& folder, int method) {
    Common::CNkSQLiteOper db;
    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    if (!db.OpenReadOnly(CDataSetLayout::DatabasePath(folder))) {
        return false;
    }
    const bool ok = db.QueryTable(CDataSetLayout::RecordTable(method), &result, &rows, &columns);
    model.SetResultTable(result, rows, columns);
    return ok;
}

// A result table straight from sqlite3_get_table, as QueryTable delivers it.
struct Result {
    char** table = nullptr;
    int rows = 0;
    int columns = 0;
};

Result Select(const char* sql) {
    Result result;
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_get_table(db, sql, &result.table, &result.rows, &result.columns, nullptr);
    sqlite3_close(db);
    return result;
}

void SetSelect(CRecordListModel& model, const char* sql) {
    const Result result = Select(sql);
    model.SetResultTable(result.table, result.rows, result.columns);
}

// One column "v" whose rows hold the given cells (an invalid QString is NULL), and a column "n"
// with the row number from 1, so that an order can be read back as row numbers.
void SetColumn(CRecordListModel& model, const QStringList& cells) {
    QString sql;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        QString cell = cells[i];
        const QString literal =
            cell.isNull() ? QStringLiteral("NULL")
                          : QLatin1Char('\'') + cell.replace(QLatin1Char('\''), "''") + QLatin1Char('\'');
        sql +=
            (i == 0 ? QStringLiteral("SELECT %1 AS n, %2 AS v") : QStringLiteral(" UNION ALL SELECT %1, %2"))
                .arg(i + 1)
                .arg(literal);
    }
    SetSelect(model, sql.toUtf8().constData());
}

// The "n" of every shown row, top to bottom.
QList<int> ShownNumbers(const App::RecordListProxy& proxy) {
    QList<int> numbers;
    for (int row = 0; row < proxy.rowCount(); ++row) {
        numbers << proxy.index(row, 0).data().toInt();
    }
    return numbers;
}

} // namespace

class TestRecordListModel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void init() {
        m_model = std::make_unique<CRecordListModel>();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void cleanup() {
        m_tester.reset();
        m_model.reset();
    }

    void listsTheTableWithItsCaptions() {
        const QString folder = DemoDataSets::Good(m_dir.path(), "good", 4);
        QVERIFY(Load(*m_model, folder, 0));
        CRecordListModel& model = *m_model;
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.columnCount(), 20);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("序号"));
        QCOMPARE(model.headerData(19, Qt::Horizontal).toString(), QString("备注"));
        QCOMPARE(model.ColumnCaption(1), QString("设备名称"));
        QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(model.index(2, 0).data().toString(), QString("3"));
        QCOMPARE(model.CellText(0, 10), QString("mV"));
        QCOMPARE(model.index(0, 10).data().toString(), model.CellText(0, 10));
        QVERIFY(model.CellText(0, 1).contains(QRegularExpression("主变|GIS|电缆")));
        for (int row = 0; row < model.rowCount(); ++row) {
            QVERIFY(!model.IsChecked(row));
            QCOMPARE(model.index(row, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
            QVERIFY(model.flags(model.index(row, 0)) & Qt::ItemIsUserCheckable);
            QVERIFY(!(model.flags(model.index(row, 1)) & Qt::ItemIsUserCheckable));
            QVERIFY(!model.index(row, 1).data(Qt::CheckStateRole).isValid());
        }

        QVERIFY(Load(model, folder, 1));
        QCOMPARE(model.columnCount(), 15);
        QCOMPARE(model.CellText(1, 9), QString("dB"));
    }

    void cellsOutsideTheTableAreEmpty() {
        QVERIFY(Load(*m_model, DemoDataSets::ShortRows(m_dir.path()), 0));
        QCOMPARE(m_model->columnCount(), 8);
        QCOMPARE(m_model->CellText(0, 14), QString());
        QCOMPARE(m_model->CellText(0, 8), QString());
        QCOMPARE(m_model->CellText(3, 0), QString());
        QCOMPARE(m_model->CellText(-1, 0), QString());
        QCOMPARE(m_model->ColumnCaption(8), QString());
        QVERIFY(!m_model->CellText(0, 6).isEmpty());
    }

    void hostileCells() {
        CRecordListModel& model = *m_model;
        QVERIFY(Load(model, DemoDataSets::NullCells(m_dir.path()), 0));
        QCOMPARE(model.CellText(0, 6), QString());
        QCOMPARE(model.index(0, 6).data().toString(), QString());
        QCOMPARE(model.CellText(1, 0), QString());
        QVERIFY(!model.CellText(2, 6).isEmpty());

        QVERIFY(Load(model, DemoDataSets::MalformedUtf8(m_dir.path()), 0));
        const QChar bad(0xFFFD);
        QCOMPARE(model.CellText(0, 1), QString("A") + bad + bad + "B");
        QCOMPARE(model.CellText(0, 6), QString("12.") + bad);
        QVERIFY(model.CellText(1, 3).startsWith(bad));
        QVERIFY(model.CellText(1, 3).endsWith("点"));
        QCOMPARE(model.ColumnCaption(19), QString("备") + bad + "注");

        QVERIFY(Load(model, DemoDataSets::LongCells(m_dir.path()), 0));
        QCOMPARE(model.CellText(0, 1), QString(10000, QChar(0x957F)));
        QCOMPARE(model.index(0, 19).data().toString().size(), 10000);

        QVERIFY(Load(model, DemoDataSets::SpecialCharacters(m_dir.path()), 2));
        QCOMPARE(model.CellText(0, 1), DemoDataSets::SpecialText());
        QCOMPARE(model.CellText(1, 3), DemoDataSets::ControlText());
    }

    void emptyAndFailedQueries() {
        CRecordListModel& model = *m_model;
        QVERIFY(Load(model, DemoDataSets::Good(m_dir.path(), "for empty", 2), 0));
        QCOMPARE(model.rowCount(), 2);
        // A table without rows has no column names either: nothing is listed.
        QVERIFY(Load(model, DemoDataSets::EmptyTable(m_dir.path()), 0));
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QVERIFY(!Load(model, DemoDataSets::MissingTable(m_dir.path()), 0));
        QCOMPARE(model.columnCount(), 0);
        QVERIFY(Load(model, DemoDataSets::MissingTable(m_dir.path(), "again"), 1));
        QCOMPARE(model.rowCount(), 3);
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QVERIFY(!model.headerData(0, Qt::Horizontal).isValid());

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.SetAllChecked(true);
        QCOMPARE(changed.count(), 0);
        QVERIFY(!model.IsChecked(0));
        QVERIFY(model.CheckedRows().isEmpty());
    }

    void ticking() {
        CRecordListModel& model = *m_model;
        SetSelect(model, "SELECT 1 AS a, NULL AS b UNION ALL SELECT 2, 'x' UNION ALL SELECT 3, 'y'");
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(changed.count(), 1);
        QVERIFY(model.IsChecked(1));
        QCOMPARE(model.CheckedRows(), QList<int>{1});
        // Only column 0 carries the tick, and only ticked or unticked.
        QVERIFY(!model.setData(model.index(2, 1), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!model.setData(model.index(2, 0), Qt::PartiallyChecked, Qt::CheckStateRole));
        QVERIFY(!model.setData(model.index(2, 0), "yes", Qt::CheckStateRole));
        QVERIFY(!model.setData(model.index(2, 0), "2", Qt::EditRole));
        QVERIFY(!model.setData(QModelIndex(), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.CheckedRows(), QList<int>{1});
        QCOMPARE(changed.count(), 1);

        changed.clear();
        model.SetAllChecked(true);
        QCOMPARE(changed.count(), 1); // one signal for the whole range
        QCOMPARE(changed.first().at(0).toModelIndex(), model.index(0, 0));
        QCOMPARE(changed.first().at(1).toModelIndex(), model.index(2, 0));
        QCOMPARE(changed.first().at(2).value<QList<int>>(), QList<int>{Qt::CheckStateRole});
        QCOMPARE(model.CheckedRows(), QList<int>({0, 1, 2}));
        model.SetAllChecked(false);
        QVERIFY(model.CheckedRows().isEmpty());

        QVERIFY(model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(model.setData(model.index(2, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!model.IsChecked(2));

        // A new table starts unticked.
        model.SetAllChecked(true);
        SetSelect(model, "SELECT 1 AS a UNION ALL SELECT 2");
        QVERIFY(model.CheckedRows().isEmpty());
        QCOMPARE(model.CellText(1, 0), QString("2"));
    }

    void viewTogglesTheTick() {
        SetSelect(*m_model, "SELECT 1 AS a, 'x' AS b UNION ALL SELECT 2, 'y' UNION ALL SELECT 3, 'z'");
        QTableView view;
        view.setModel(m_model.get());
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setCurrentIndex(m_model->index(1, 0));
        QTest::keyClick(&view, Qt::Key_Space);
        QCOMPARE(m_model->CheckedRows(), QList<int>{1});
        QTest::keyClick(&view, Qt::Key_Space);
        QVERIFY(m_model->CheckedRows().isEmpty());
    }

    void leadingNumbers_data() {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("unit after it") << QByteArray("12.5dB") << true << 12.5;
        QTest::newRow("blanks and sign") << QByteArray(" \t-3 mV") << true << -3.0;
        QTest::newRow("plus") << QByteArray("+4") << true << 4.0;
        QTest::newRow("fraction only") << QByteArray(".5") << true << 0.5;
        QTest::newRow("exponent") << QByteArray("1e3pC") << true << 1000.0;
        QTest::newRow("too large") << QByteArray("1e999") << true << qInf();
        QTest::newRow("too large, negative") << QByteArray("-1e999") << true << -qInf();
        QTest::newRow("too small") << QByteArray("1e-999") << true << 0.0;
        QTest::newRow("digits beyond a double") << QByteArray(400, '9') << true << qInf();
        QTest::newRow("text") << QByteArray("GIS-2") << false << 0.0;
        QTest::newRow("nan is text") << QByteArray("nan") << false << 0.0;
        QTest::newRow("inf is text") << QByteArray("inf") << false << 0.0;
        QTest::newRow("sign alone") << QByteArray("-") << false << 0.0;
        QTest::newRow("dot alone") << QByteArray(".dB") << false << 0.0;
        QTest::newRow("fullwidth digit") << QByteArray("１２") << false << 0.0;
    }
    void leadingNumbers() {
        QFETCH(QByteArray, cell);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const std::optional<double> number = Data::RecordSorter::LeadingNumber(cell.constData());
        QCOMPARE(number.has_value(), isNumber);
        if (isNumber) {
            QCOMPARE(*number, value);
        }
    }

    void sortOrders_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QList<int>>("ascending");
        QTest::addColumn<QList<int>>("descending");
        QTest::newRow("numbers with units") << QStringList{"100dB", "12.5dB", "-3", "9", "12.5"}
                                            << QList<int>{3, 4, 2, 5, 1} << QList<int>{1, 2, 5, 4, 3};
        QTest::newRow("Chinese by pinyin") << QStringList{"上海", "北京", "天津", "安庆"}
                                           << QList<int>{4, 2, 1, 3} << QList<int>{3, 1, 2, 4};
        QTest::newRow("mixed, NULL and empty")
            << QStringList{"12", QString(), "abc", "", "3", "Abd"} << QList<int>{5, 1, 3, 6, 2, 4}
            << QList<int>{6, 3, 1, 5, 2, 4};
        QTest::newRow("ties keep table order")
            << QStringList{"b", "a", "b", "a"} << QList<int>{2, 4, 1, 3} << QList<int>{1, 3, 2, 4};
        QTest::newRow("numbers inside text")
            << QStringList{"GIS-10", "GIS-9", "GIS-100"} << QList<int>{2, 1, 3} << QList<int>{3, 1, 2};
#ifdef Q_OS_WIN
        // Windows' collation puts Latin letters before Chinese characters, ICU's Chinese puts them after.
        QTest::newRow("long cells, Latin before Chinese")
            << QStringList{QString(20000, QChar(u'长')), "x", "7"} << QList<int>{3, 2, 1}
            << QList<int>{1, 2, 3};
#else
        QTest::newRow("long cells, Chinese before Latin")
            << QStringList{QString(20000, QChar(u'长')), "x", "7"} << QList<int>{3, 1, 2}
            << QList<int>{2, 1, 3};
#endif
    }
    void sortOrders() {
        QFETCH(QStringList, cells);
        QFETCH(QList<int>, ascending);
        QFETCH(QList<int>, descending);
        if (QByteArray(QTest::currentDataTag()) == "Chinese by pinyin" && UnderWine())
            QSKIP("Wine's CompareStringEx orders Chinese characters by code point; Windows' zh-CN order is "
                  "pinyin");
        SetColumn(*m_model, cells);
        App::RecordListProxy proxy(m_model.get());
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(ShownNumbers(proxy), QList<int>({1, 2, 3, 4, 5, 6}).mid(0, cells.size()));
        proxy.CycleSort(1);
        QCOMPARE(proxy.SortOrder(), Qt::AscendingOrder);
        QCOMPARE(ShownNumbers(proxy), ascending);
        proxy.CycleSort(1);
        QCOMPARE(proxy.SortOrder(), Qt::DescendingOrder);
        QCOMPARE(ShownNumbers(proxy), descending);
        proxy.CycleSort(1); // the third click gives the table's order back
        QCOMPARE(proxy.SortColumn(), -1);
        QCOMPARE(ShownNumbers(proxy), QList<int>({1, 2, 3, 4, 5, 6}).mid(0, cells.size()));
    }

    void ticksStayWithTheirRecordsThroughSortAndFilter() {
        SetColumn(*m_model, {"30", "10", "20", "abc", "40"});
        App::RecordListProxy proxy(m_model.get());
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy counts(&proxy, &App::RecordListProxy::CountsChanged);
        QVERIFY(proxy.setData(proxy.index(1, 0), Qt::Checked, Qt::CheckStateRole)); // "10"
        QCOMPARE(counts.count(), 1);
        proxy.SortBy(1, Qt::DescendingOrder); // abc, 40, 30, 20, 10
        QCOMPARE(ShownNumbers(proxy), QList<int>({4, 5, 1, 3, 2}));
        QCOMPARE(proxy.index(4, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(proxy.setData(proxy.index(1, 0), Qt::Checked, Qt::CheckStateRole)); // "40"
        QVERIFY(m_model->IsChecked(4));
        // The report's order: every ticked record in the sorted order, hidden ones too.
        proxy.SetFilterText("40");
        QCOMPARE(ShownNumbers(proxy), QList<int>({5}));
        QCOMPARE(proxy.CheckedRowsInOrder(), (std::vector<int>{4, 1}));
        proxy.ClearSort();
        QCOMPARE(proxy.CheckedRowsInOrder(), (std::vector<int>{1, 4}));
        QCOMPARE(proxy.CountLine(), QStringLiteral("显示 1 / 共 5 条，已选 2 条"));
    }

    void filterMatchesAnyCellIgnoringCase_data() {
        QTest::addColumn<QStringList>("typed"); // keystrokes and edits, in order
        QTest::addColumn<QList<int>>("shown");  // after the last one
        QTest::newRow("nothing typed") << QStringList{""} << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
        QTest::newRow("ASCII, any case") << QStringList{"g", "gI", "giS"} << QList<int>{2, 3};
        QTest::newRow("Chinese") << QStringList{"异", "异常"} << QList<int>{1, 4};
        QTest::newRow("letters with case beyond ASCII") << QStringList{"ä"} << QList<int>{5};
        QTest::newRow("micro sign folds to mu") << QStringList{"μs"} << QList<int>{6};
        QTest::newRow("malformed cell shows U+FFFD") << QStringList{QString(QChar(0xFFFD))} << QList<int>{7};
        QTest::newRow("narrowed, then widened")
            << QStringList{"gis", "gis-", "gis-1", "gi"} << QList<int>{2, 3};
        QTest::newRow("edited in the middle") << QStringList{"常a", "常"} << QList<int>{1, 4};
        QTest::newRow("control characters") << QStringList{QStringLiteral("\x01\x1f")} << QList<int>{};
        QTest::newRow("10,000 characters") << QStringList{QString(10000, QLatin1Char('a'))} << QList<int>{};
        QTest::newRow("the number column too") << QStringList{"7"} << QList<int>{7};
        QTest::newRow("a long text, any case")
            << QStringList{"QUICK BROWN FOX JUMPS OVER THE LAZY"} << QList<int>{8};
        QTest::newRow("a long text that is not there")
            << QStringList{"quick brown fox jumps over the lazy cat"} << QList<int>{};
        QTest::newRow("U+0000") << QStringList{QString(QChar(0)), QString(1, QChar(0)) + "g"} << QList<int>{};
    }
    void filterMatchesAnyCellIgnoringCase() {
        QFETCH(QStringList, typed);
        QFETCH(QList<int>, shown);
        SetSelect(*m_model, "SELECT 1 AS n, '主变异常' AS v UNION ALL SELECT 2, 'GIS-1' UNION ALL "
                            "SELECT 3, 'gis-10' UNION ALL SELECT 4, '异常' UNION ALL SELECT 5, 'ÄRGER' "
                            "UNION ALL SELECT 6, '5µs' UNION ALL SELECT 7, CAST(X'41FF' AS TEXT) "
                            "UNION ALL SELECT 8, 'The quick brown fox jumps over the lazy dog'");
        App::RecordListProxy proxy(m_model.get());
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const QString& text : typed) {
            proxy.SetFilterText(text);
        }
        QCOMPARE(ShownNumbers(proxy), shown);
        QCOMPARE(proxy.CountLine(), QStringLiteral("显示 %1 / 共 8 条，已选 0 条").arg(shown.size()));
    }

    void selectAllAndClearActOnShownRecords() {
        SetColumn(*m_model, {"异常", "正常", "异常", "注意"});
        App::RecordListProxy proxy(m_model.get());
        proxy.SetFilterText("异常");
        proxy.SetShownChecked(true);
        QCOMPARE(m_model->CheckedRows(), QList<int>({0, 2}));
        QCOMPARE(m_model->CheckedCount(), 2);
        proxy.SetFilterText("");
        proxy.SetShownChecked(true);
        QCOMPARE(m_model->CheckedCount(), 4);
        proxy.SetFilterText("常");
        proxy.SetShownChecked(false);
        QCOMPARE(m_model->CheckedRows(), QList<int>{3});
        QCOMPARE(m_model->CheckedCount(), 1);
        QCOMPARE(proxy.CountLine(), QStringLiteral("显示 3 / 共 4 条，已选 1 条"));
        // A reload keeps the filter typed; the new records start unticked.
        SetColumn(*m_model, {"正常", "x"});
        QCOMPARE(ShownNumbers(proxy), QList<int>{1});
        QCOMPARE(proxy.CountLine(), QStringLiteral("显示 1 / 共 2 条，已选 0 条"));
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CRecordListModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_MAIN(TestRecordListModel)
#include "tst_recordlistmodel.moc"
