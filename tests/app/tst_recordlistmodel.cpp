#include "app/CRecordListModel.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "support/DemoDataSets.h"

#include <sqlite3.h>

#include <QAbstractItemModelTester>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

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

} // namespace

class TestRecordListModel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void init() {
        m_pModel = std::make_unique<CRecordListModel>();
        m_pTester = std::make_unique<QAbstractItemModelTester>(
            m_pModel.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void cleanup() {
        m_pTester.reset();
        m_pModel.reset();
    }

    void listsTheTableWithItsCaptions() {
        const QString folder = DemoDataSets::Good(m_dir.path(), "good", 4);
        QVERIFY(Load(*m_pModel, folder, 0));
        CRecordListModel& model = *m_pModel;
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
        QVERIFY(Load(*m_pModel, DemoDataSets::ShortRows(m_dir.path()), 0));
        QCOMPARE(m_pModel->columnCount(), 8);
        QCOMPARE(m_pModel->CellText(0, 14), QString());
        QCOMPARE(m_pModel->CellText(0, 8), QString());
        QCOMPARE(m_pModel->CellText(3, 0), QString());
        QCOMPARE(m_pModel->CellText(-1, 0), QString());
        QCOMPARE(m_pModel->ColumnCaption(8), QString());
        QVERIFY(!m_pModel->CellText(0, 6).isEmpty());
    }

    void hostileCells() {
        CRecordListModel& model = *m_pModel;
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
        CRecordListModel& model = *m_pModel;
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
        CRecordListModel& model = *m_pModel;
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
        SetSelect(*m_pModel, "SELECT 1 AS a, 'x' AS b UNION ALL SELECT 2, 'y' UNION ALL SELECT 3, 'z'");
        QTableView view;
        view.setModel(m_pModel.get());
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setCurrentIndex(m_pModel->index(1, 0));
        QTest::keyClick(&view, Qt::Key_Space);
        QCOMPARE(m_pModel->CheckedRows(), QList<int>{1});
        QTest::keyClick(&view, Qt::Key_Space);
        QVERIFY(m_pModel->CheckedRows().isEmpty());
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CRecordListModel> m_pModel;
    std::unique_ptr<QAbstractItemModelTester> m_pTester;
};

QTEST_MAIN(TestRecordListModel)
#include "tst_recordlistmodel.moc"
