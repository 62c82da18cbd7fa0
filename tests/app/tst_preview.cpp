// The record preview driven through the main window, headless: how it opens, steps, ticks in
// step with the list, shows missing pictures, and that it leaves the main window alone.

#include "app/CRecordListModel.h"
#include "app/CRecordPreviewCursor.h"
#include "app/CRecordPreviewDlg.h"
#include "app/CRecordPreviewLauncher.h"
#include "app/CRecordPreviewPictureView.h"
#include "app/CZOLTDlg.h"
#include "app/RecordListProxy.h"
#include "data/CDataSetLayout.h"
#include "support/DemoDataSets.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A main window with a data set open, shown as the user sees it.
struct Session {
    ScriptedPrompts prompts;
    CZOLTDlg window{&prompts};

    explicit Session(const QString& folder, int method = 0) {
        window.show();
        if (method != 0) {
            Combo()->setCurrentIndex(method);
        }
        prompts.folders << folder;
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("1010")), Qt::LeftButton);
    }
    QTableView* List() const { return window.findChild<QTableView*>(QStringLiteral("1012")); }
    QComboBox* Combo() const { return window.findChild<QComboBox*>(QStringLiteral("1011")); }
    CRecordListModel* Model() const { return window.RecordModel(); }
    CRecordPreviewLauncher* Launcher() const { return window.findChild<CRecordPreviewLauncher*>(); }
    CRecordPreviewDlg* Preview() const { return window.findChild<CRecordPreviewDlg*>(); }
    CRecordPreviewDlg* DoubleClick(int row, int column = 2) const {
        QTableView* list = List();
        const QRect cell = list->visualRect(list->model()->index(row, column));
        // What the window system sends for a double click: press, release, double click, release.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, cell.center());
        return Preview();
    }
    CDataSetLayout::RecordRefs Record(int row) const {
        const int method = Combo()->currentIndex();
        return CDataSetLayout::GatherRecord(
            method, CDataSetLayout::PictureFolder(window.DataFolder(), method),
            [this, row](int column) { return Model()->CellText(row, column); });
    }
};

// Geometry and enabled state of every widget of the main window, the preview excluded.
QStringList MainWindowState(const CZOLTDlg& window) {
    QStringList state;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->window() != &window) {
            continue;
        }
        const QRect g = widget->geometry();
        state << QStringLiteral("%1 %2 %3,%4 %5x%6 %7 %8")
                     .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName())
                     .arg(g.x())
                     .arg(g.y())
                     .arg(g.width())
                     .arg(g.height())
                     .arg(widget->isEnabled())
                     .arg(widget->isVisibleTo(&window));
    }
    QHeaderView* header = window.findChild<QTableView*>(QStringLiteral("1012"))->horizontalHeader();
    for (int c = 0; c < header->count(); ++c) {
        state << QString::number(header->sectionSize(c));
    }
    return state;
}

bool ShowsPictureOf(const CRecordPreviewPictureView* view, const QString& path) {
    const QImage expected(path);
    return view->HasPicture() && !expected.isNull() &&
           view->Picture().convertToFormat(QImage::Format_RGB32) ==
               expected.convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_data; // 8 records per table

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_data = DemoDataSets::Good(m_dir.path(), DemoDataSets::AwkwardName(), 8);
        QVERIFY(!m_data.isEmpty());
    }

    void opensOnDoubleClickWithTheRecordsPictures() {
        Session session(m_data, 1);
        QCOMPARE(session.Model()->rowCount(), 8);
        QVERIFY(session.Preview() == nullptr);

        CRecordPreviewDlg* preview = session.DoubleClick(2);
        QVERIFY(preview != nullptr);
        QVERIFY(preview->isVisible());
        QVERIFY(preview->isWindow());
        QVERIFY(!preview->isModal());
        QVERIFY(preview->window() != &session.window);
        QCOMPARE(preview->Cursor()->Row(), 2);
        QVERIFY2(preview->NumberText().startsWith(QStringLiteral("第 3 条 / 共 8 条")),
                 qPrintable(preview->NumberText()));
        QVERIFY(preview->NumberText().contains(session.Model()->CellText(2, 0)));
        const CDataSetLayout::RecordRefs record = session.Record(2);
        QCOMPARE(preview->ValueText(), QStringLiteral("数值：") + record.strValue);

        const QString pictures[3] = {record.strPicture1, record.strPicture2, record.strPicture3};
        for (int i = 0; i < 3; ++i) {
            CRecordPreviewPictureView* view = preview->PictureView(i);
            QTRY_VERIFY2(ShowsPictureOf(view, pictures[i]), qPrintable(pictures[i]));
            // Side by side, each large enough to read a PRPD plot.
            QVERIFY(view->width() >= 360 && view->height() >= 270);
            if (i > 0) {
                QVERIFY(view->x() > preview->PictureView(i - 1)->x());
                QCOMPARE(view->y(), preview->PictureView(i - 1)->y());
            }
        }

        // Double-clicking another row shows that record in the same window.
        session.DoubleClick(5);
        QCOMPARE(session.window.findChildren<CRecordPreviewDlg*>().size(), 1);
        QCOMPARE(preview->Cursor()->Row(), 5);
    }

    void followsTheListsOrderWhenSorted() {
        Session session(m_data);
        App::RecordListProxy* proxy = session.window.RecordProxy();
        proxy->SortBy(0, Qt::DescendingOrder); // 序号, highest first: list row 0 is the last record
        CRecordPreviewDlg* preview = session.DoubleClick(0);
        QVERIFY(preview != nullptr);
        QCOMPARE(preview->Cursor()->Row(), 7);
        QCOMPARE(preview->Cursor()->Record().strValue, session.Record(7).strValue);
        // The record shown in the preview is the list's current row, wherever the sort put it.
        QVERIFY(preview->Cursor()->SetRow(2));
        QCOMPARE(session.List()->currentIndex().row(), proxy->ProxyRow(2));
        QCOMPARE(proxy->ProxyRow(2), 5);
    }

    void contextMenuOffersThePreview() {
        Session session(m_data);
        QTableView* list = session.List();
        const QPoint onRow = list->visualRect(list->model()->index(4, 1)).center();

        // The real menu, as a right click brings it up.
        emit list->customContextMenuRequested(onRow);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr);
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList texts;
        for (const QAction* action : popup->actions()) {
            texts << action->text();
        }
        QCOMPARE(texts.first(), QStringLiteral("预览"));
        QVERIFY(texts.contains(QStringLiteral("关于 ZOLT(&A)..."))); // the window's own entry stays
        popup->actions().first()->trigger();
        popup->close();
        QVERIFY(session.Preview() != nullptr && session.Preview()->isVisible());
        QCOMPARE(session.Preview()->Cursor()->Row(), 4);

        // Below the last row there is no record to preview.
        session.Preview()->close();
        const QPoint belowRows(5, list->viewport()->height() - 2);
        QVERIFY(!list->indexAt(belowRows).isValid());
        std::unique_ptr<QMenu> menu(session.Launcher()->CreateContextMenu(belowRows));
        QAction* preview = menu->findChild<QAction*>(QStringLiteral("actionPreview"));
        QVERIFY(preview != nullptr && !preview->isEnabled());
    }

    void arrowKeysStepThroughTheListInStep() {
        Session session(m_data, 2);
        CRecordPreviewDlg* preview = session.DoubleClick(1);
        QVERIFY(preview != nullptr);
        QTableView* list = session.List();
        QCOMPARE(list->currentIndex().row(), 1);

        const struct {
            Qt::Key key;
            int row;
        } steps[] = {{Qt::Key_Right, 2}, {Qt::Key_Down, 3},  {Qt::Key_Left, 2},
                     {Qt::Key_Up, 1},    {Qt::Key_Up, 0},    {Qt::Key_Left, 0},
                     {Qt::Key_End, 7},   {Qt::Key_Right, 7}, {Qt::Key_Home, 0}};
        for (const auto& step : steps) {
            QTest::keyClick(preview, step.key);
            QCOMPARE(preview->Cursor()->Row(), step.row);
            QCOMPARE(list->currentIndex().row(), step.row); // the list shows where the preview is
            QVERIFY(preview->NumberText().startsWith(QStringLiteral("第 %1 条").arg(step.row + 1)));
            QCOMPARE(preview->ValueText(), QStringLiteral("数值：") + session.Record(step.row).strValue);
        }
        QVERIFY(session.window.isVisible()); // no key of the preview reaches the main window

        // Choosing a row in the list moves an open preview there.
        list->setCurrentIndex(list->model()->index(6, 3));
        QCOMPARE(preview->Cursor()->Row(), 6);
    }

    void steppingFastEndsOnTheRightPictures() {
        QTemporaryDir dir;
        const QString many = DemoDataSets::Good(dir.path(), QStringLiteral("多记录"), 40);
        QVERIFY(!many.isEmpty());
        Session session(many, 1);
        CRecordPreviewDlg* preview = session.DoubleClick(0);
        QVERIFY(preview != nullptr);
        for (int i = 0; i < 39; ++i) {
            QTest::keyClick(preview, Qt::Key_Right); // results of passed records arrive late
        }
        QCOMPARE(preview->Cursor()->Row(), 39);
        const CDataSetLayout::RecordRefs last = session.Record(39);
        const QString pictures[3] = {last.strPicture1, last.strPicture2, last.strPicture3};
        for (int i = 0; i < 3; ++i) {
            QTRY_VERIFY2(ShowsPictureOf(preview->PictureView(i), pictures[i]), qPrintable(pictures[i]));
        }
        QTest::qWait(100); // nothing late replaces them
        for (int i = 0; i < 3; ++i) {
            QVERIFY(ShowsPictureOf(preview->PictureView(i), pictures[i]));
        }
        // Not every passed record was read: the loader dropped what was no longer wanted.
        QVERIFY2(preview->Loader()->DecodeCount() < 3 * 40,
                 qPrintable(QString::number(preview->Loader()->DecodeCount())));
    }

    void spaceTicksInStepWithTheList() {
        Session session(m_data);
        CRecordPreviewDlg* preview = session.DoubleClick(3);
        QVERIFY(preview != nullptr);
        auto* tick = preview->findChild<QCheckBox*>(QStringLiteral("previewTick"));
        QVERIFY(tick != nullptr && !tick->isChecked());

        QTest::keyClick(preview, Qt::Key_Space);
        QCOMPARE(session.Model()->CheckedRows(), QList<int>{3});
        QVERIFY(tick->isChecked());
        QTest::keyClick(preview, Qt::Key_Right);
        QVERIFY(!tick->isChecked());
        QTest::keyClick(preview, Qt::Key_Space);
        QCOMPARE(session.Model()->CheckedRows(), (QList<int>{3, 4}));
        QTest::keyClick(preview, Qt::Key_Space);
        QCOMPARE(session.Model()->CheckedRows(), QList<int>{3});
        // Holding the bar does not flicker the tick: its repeats are not presses.
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(preview, &repeat);
        QCOMPARE(session.Model()->CheckedRows(), QList<int>{3});

        // Ticks made in the list, one by one or all at once, show in the preview.
        session.Model()->setData(session.Model()->index(4, 0), Qt::Checked, Qt::CheckStateRole);
        QVERIFY(tick->isChecked());
        QTest::mouseClick(session.window.findChild<QPushButton*>(QStringLiteral("1016")), Qt::LeftButton);
        QVERIFY(!tick->isChecked());
        QVERIFY(session.Model()->CheckedRows().isEmpty());

        // The tick box of the preview does the same as the space bar.
        tick->click();
        QCOMPARE(session.Model()->CheckedRows(), QList<int>{4});

        // While the list is disabled (a report is being written) the ticks stay as they are.
        session.List()->setEnabled(false);
        QTest::keyClick(preview, Qt::Key_Space);
        tick->click();
        QCOMPARE(session.Model()->CheckedRows(), QList<int>{4});
        QVERIFY(tick->isChecked());
        QTest::keyClick(preview, Qt::Key_Left); // looking is still allowed
        QCOMPARE(preview->Cursor()->Row(), 3);
    }

    void missingAndBrokenPicturesShowPlaceholders() {
        QTemporaryDir dir;
        const QString bad = DemoDataSets::BadPictures(dir.path());
        const QString nulls = DemoDataSets::NullCells(dir.path());
        QVERIFY(!bad.isEmpty() && !nulls.isEmpty());
        {
            Session session(bad, 1);
            CRecordPreviewDlg* preview = session.DoubleClick(DemoDataSets::kGoodPicture);
            QVERIFY(preview != nullptr);
            CRecordPreviewPictureView* first = preview->PictureView(0);
            QTRY_VERIFY(first->HasPicture());
            const struct {
                int row;
                const char* text;
            } cases[] = {{DemoDataSets::kMissingPicture, "图片缺失"},
                         {DemoDataSets::kTextPicture, "无法读取图片"},
                         {DemoDataSets::kZeroBytePicture, "无法读取图片"},
                         {DemoDataSets::kCutPng, "无法读取图片"}};
            for (const auto& c : cases) {
                preview->Cursor()->SetRow(c.row);
                const QString file = session.Record(c.row).strPicture1.section(QLatin1Char('/'), -1);
                QTRY_VERIFY2(first->PlaceholderText().startsWith(QString::fromUtf8(c.text)),
                             qPrintable(first->PlaceholderText()));
                QVERIFY(first->PlaceholderText().contains(file));
                QVERIFY(!first->HasPicture());
                QTRY_VERIFY(preview->PictureView(1)->HasPicture()); // the record's other pictures still show
            }
            preview->Cursor()->SetRow(DemoDataSets::kJpegNamedPng);
            QTRY_VERIFY(first->HasPicture());
        }
        {
            // Row 0 has no file name for picture 2; row 1 has no cells at all.
            Session session(nulls, 0);
            CRecordPreviewDlg* preview = session.DoubleClick(0);
            QVERIFY(preview != nullptr);
            QTRY_COMPARE(preview->PictureView(1)->PlaceholderText(),
                         QStringLiteral("没有图片\n（记录中无文件名）"));
            QTRY_VERIFY(preview->PictureView(0)->HasPicture());
            QTest::keyClick(preview, Qt::Key_Right);
            QCOMPARE(preview->ValueText(), QStringLiteral("数值："));
            for (int i = 0; i < 3; ++i) {
                QTRY_COMPARE(preview->PictureView(i)->PlaceholderText(),
                             QStringLiteral("没有图片\n（记录中无文件名）"));
            }
        }
    }

    void leavesTheMainWindowAlone() {
        Session session(m_data);
        session.window.showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&session.window));
        const QStringList before = MainWindowState(session.window);
        const QRect windowGeometry = session.window.geometry();

        CRecordPreviewDlg* preview = session.DoubleClick(0);
        QVERIFY(preview != nullptr);
        QTest::keyClick(preview, Qt::Key_Right);
        QTest::keyClick(preview, Qt::Key_Space);
        preview->resize(preview->size() + QSize(200, 100));
        QTest::keyClick(preview, Qt::Key_Escape); // closes the preview only
        QVERIFY(!preview->isVisible());
        QVERIFY(session.window.isVisible());

        QCOMPARE(MainWindowState(session.window), before);
        QCOMPARE(session.window.geometry(), windowGeometry);
    }

    void closesWithTheMainWindow() {
        QPointer<CRecordPreviewDlg> preview;
        {
            Session session(m_data);
            preview = session.DoubleClick(0);
            QVERIFY(preview && preview->isVisible());
            session.window.close();
            QVERIFY(!preview->isVisible());

            // Minimising is not closing.
            session.window.show();
            session.DoubleClick(1);
            session.window.showMinimized();
            QVERIFY(preview->isVisible());
        }
        QVERIFY(preview.isNull()); // gone with the window, its loader stopped
    }

    void reloadingTheListClosesThePreview() {
        Session session(m_data);
        CRecordPreviewDlg* preview = session.DoubleClick(2);
        QVERIFY(preview != nullptr);
        session.Combo()->setCurrentIndex(2); // another method: other records, other pictures
        QVERIFY(!preview->isVisible());
        QCOMPARE(preview->Cursor()->Row(), -1);

        // Opened again, it shows the new method's record.
        session.DoubleClick(2);
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->ValueText(), QStringLiteral("数值：") + session.Record(2).strValue);
        QVERIFY(session.Record(2).strPicture1.contains(QStringLiteral("-HFCT/")));
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
