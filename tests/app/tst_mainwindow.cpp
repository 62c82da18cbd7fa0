#include "app/CAboutDlg.h"
#include "app/CZOLTApp.h"
#include "app/CZOLTDlg.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTranslator>

namespace {

template <typename T> T* Control(QWidget& window, const char* id) {
    T* control = window.findChild<T*>(QString::fromLatin1(id));
    if (control == nullptr) {
        qFatal("control %s missing", id);
    }
    return control;
}

// Checks the anchored layout rule for the current size of the window.
void VerifyAnchoredLayout(CZOLTDlg& window) {
    const CZOLTDlg::AnchoredMargins& m = CZOLTDlg::Margins();
    const int width = window.width();
    const int height = window.height();
    const QRect list = Control<QTableView>(window, "1012")->geometry();
    const QRect progress = Control<QProgressBar>(window, "1017")->geometry();
    const QRect group = Control<QGroupBox>(window, "1022")->geometry();
    QCOMPARE(list.topLeft(), QPoint(m.listLeft, m.listTop));
    QCOMPARE(list.width(), qMax(0, width - m.listRight - m.listLeft));
    QCOMPARE(list.height(), qMax(0, height - m.listBottom - m.listTop));
    QCOMPARE(progress.topLeft(), QPoint(m.progressLeft, m.progressTop));
    QCOMPARE(progress.width(), qMax(0, width - m.progressRight - m.progressLeft));
    QCOMPARE(progress.height(), m.progressHeight);
    QCOMPARE(group.topLeft(), QPoint(m.groupLeft, m.groupTop));
    QCOMPARE(group.width(), qMax(0, width - m.groupRight - m.groupLeft));
    QCOMPARE(group.height(), qMax(0, height - m.groupBottom - m.groupTop));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void controlsTextsAndStates() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        QCOMPARE(window.windowTitle(), QStringLiteral("ZOLT V2.0"));
        QVERIFY(!window.windowIcon().isNull());
        QVERIFY(window.windowState() & Qt::WindowMaximized);

        auto* combo = Control<QComboBox>(window, "1011");
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QStringLiteral("US巡检"));
        QCOMPARE(combo->itemText(1), QStringLiteral("TEV巡检"));
        QCOMPARE(combo->itemText(2), QStringLiteral("HFCT巡检"));
        QCOMPARE(combo->currentIndex(), 0);
        QVERIFY(!combo->isEditable());

        QCOMPARE(Control<QPushButton>(window, "1010")->text(), QStringLiteral("打开文件夹"));
        QCOMPARE(Control<QPushButton>(window, "1009")->text(), QStringLiteral("生成报告"));
        QCOMPARE(Control<QPushButton>(window, "1015")->text(), QStringLiteral("全选"));
        QCOMPARE(Control<QPushButton>(window, "1016")->text(), QStringLiteral("重选"));
        QCOMPARE(Control<QGroupBox>(window, "1022")->title(), QStringLiteral("检测数据"));
        QVERIFY(Control<QLineEdit>(window, "1014")->text().isEmpty());

        QStringList labels;
        for (QLabel* label : window.findChildren<QLabel*>()) {
            labels << label->text();
        }
        QVERIFY(labels.contains(QStringLiteral("提示：请选择保存数据的文件夹")));
        QStringList groups;
        for (QGroupBox* group : window.findChildren<QGroupBox*>()) {
            groups << group->title();
        }
        QVERIFY(groups.contains(QStringLiteral("检测方法")));

        // Enabled states after start-up.
        QVERIFY(combo->isEnabled());
        QVERIFY(Control<QPushButton>(window, "1010")->isEnabled());
        QVERIFY(!Control<QPushButton>(window, "1009")->isEnabled());
        QVERIFY(Control<QTableView>(window, "1012")->isEnabled());
        QVERIFY(Control<QPushButton>(window, "1015")->isEnabled());
        QVERIFY(Control<QPushButton>(window, "1016")->isEnabled());
        QVERIFY(Control<QProgressBar>(window, "1017")->isHidden());
        QCOMPARE(Control<QProgressBar>(window, "1017")->minimum(), 0);
        QCOMPARE(Control<QProgressBar>(window, "1017")->maximum(), 99);

        // The list ticks rows, one whole row at a time.
        auto* list = Control<QTableView>(window, "1012");
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(list->showGrid());
    }

    void tabOrderFollowsTheTemplate() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The filter field comes last, after the template's controls.
        const QStringList expected = {"1011", "1014", "1010", "1009", "1015", "1016", "1012", "recordFilter"};
        QWidget* widget = Control<QComboBox>(window, "1011");
        QStringList order;
        for (int i = 0; i < expected.size(); ++i) {
            order << widget->objectName();
            do {
                widget = widget->nextInFocusChain();
            } while (widget->objectName().isEmpty() || !(widget->focusPolicy() & Qt::TabFocus));
        }
        QCOMPARE(order, expected);
    }

    void layoutFollowsTheWindowAtEverySize() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        VerifyAnchoredLayout(window); // maximised

        const QRect openButton = Control<QPushButton>(window, "1010")->geometry();
        const QRect combo = Control<QComboBox>(window, "1011")->geometry();
        const QRect filterBar = Control<QWidget>(window, "recordFilterBar")->geometry();
        // The filter sits beside 全选 and 重选, clear of them, in the row the progress bar takes
        // while a report is written.
        QVERIFY(!filterBar.intersects(Control<QPushButton>(window, "1016")->geometry()));
        QVERIFY(filterBar.bottom() < Control<QGroupBox>(window, "1022")->geometry().top());
        window.showNormal();
        for (const QSize size :
             {QSize(1200, 900), QSize(640, 480), QSize(300, 200), QSize(60, 40), QSize(1, 1)}) {
            window.resize(size);
            QCoreApplication::processEvents();
            VerifyAnchoredLayout(window);
            // Nothing else moves or changes size.
            QCOMPARE(Control<QPushButton>(window, "1010")->geometry(), openButton);
            QCOMPARE(Control<QComboBox>(window, "1011")->geometry(), combo);
            QCOMPARE(Control<QWidget>(window, "recordFilterBar")->geometry(), filterBar);
        }
        // The stretched controls keep their template margins: what the list leaves on the right
        // equals what the group box leaves, and the list ends where the group box ends.
        const CZOLTDlg::AnchoredMargins& m = CZOLTDlg::Margins();
        QVERIFY(m.listRight > 0 && m.listBottom > 0 && m.progressRight > 0);
        QCOMPARE(m.listRight, m.groupRight);
        QCOMPARE(m.listBottom, m.groupBottom);
    }

    void returnAndEscapeCloseNothing() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy finished(&window, &QDialog::finished);
        for (const char* id : {"1014", "1012", "1011"}) {
            QWidget* control = window.findChild<QWidget*>(QString::fromLatin1(id));
            control->setFocus();
            QTest::keyClick(control, Qt::Key_Return);
            QTest::keyClick(control, Qt::Key_Enter);
            QTest::keyClick(control, Qt::Key_Escape);
        }
        QTest::keyClick(&window, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QVERIFY(window.isVisible());
        QCOMPARE(finished.count(), 0);
        QVERIFY(prompts.folderTitles.isEmpty()); // Return did not press "打开文件夹"
    }

    void editedFolderTextIsNeverUsed() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        auto* edit = Control<QLineEdit>(window, "1014");
        edit->setText(QStringLiteral("/somewhere/else"));
        QVERIFY(window.DataFolder().isEmpty());
    }

    void aboutBoxFromContextMenuAndF1() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QList<QAction*> actions = window.actions();
        QVERIFY(actions.size() >= 2);
        QVERIFY(actions.at(actions.size() - 2)->isSeparator());
        QCOMPARE(actions.last()->text(), QStringLiteral("关于 ZOLT(&A)..."));
        QCOMPARE(window.contextMenuPolicy(), Qt::ActionsContextMenu);

        QString seenTitle;
        QString seenVersion;
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (about != nullptr) {
                seenTitle = about->windowTitle();
                if (auto* label = about->findChild<QLabel*>(QStringLiteral("versionText"))) {
                    seenVersion = label->text();
                }
                QTest::keyClick(about, Qt::Key_Return); // closes it
            }
        });
        QTest::keyClick(&window, Qt::Key_F1);
        QCOMPARE(seenTitle, QStringLiteral("关于 ZOLT"));
        QCOMPARE(seenVersion, QStringLiteral("ZOLT V1.1"));
        QVERIFY(window.isVisible());
    }

    void standardButtonsSpeakChinese() {
        QTranslator translator;
        QVERIFY(CZOLTApp::InstallQtTranslation(translator));
        QMessageBox box(QMessageBox::Question, QStringLiteral("友情提示"),
                        QStringLiteral("报告已完成，是否立即查看？"), QMessageBox::Yes | QMessageBox::No);
        QVERIFY2(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("是")),
                 qPrintable(box.button(QMessageBox::Yes)->text()));
        QVERIFY(box.button(QMessageBox::No)->text().contains(QStringLiteral("否")));
        QCoreApplication::removeTranslator(&translator);
    }

    void proposedReportNames() {
        const QDateTime august(QDate(2020, 8, 6), QTime(9, 5, 59));
        QCOMPARE(CZOLTDlg::ProposedReportName(0, august), QStringLiteral("US局部放电检测报告202008060905"));
        const QDateTime january(QDate(2021, 1, 2), QTime(3, 4, 0));
        QCOMPARE(CZOLTDlg::ProposedReportName(1, january), QStringLiteral("TEV局部放电检测报告202101020304"));
        QCOMPARE(CZOLTDlg::ProposedReportName(2, january),
                 QStringLiteral("HFCT局部放电检测报告202101020304"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
