// The main window on the platform's own window system, not Qt's offscreen one: under Windows (Wine
// with a display, scripts/test-windows.sh) it opens a data set, writes a .doc and a .docx report, and
// carries "关于 ZOLT(&A)..." in its native system menu, whose choice shows the About box. With
// ZOLT_SCREENSHOT_DIR set it leaves a picture of itself there. Elsewhere the window manager owns the
// system menu; the same flows run offscreen in app_reportjob.

#include "app/CAboutDlg.h"
#include "app/CRecordListModel.h"
#include "app/CZOLTDlg.h"
#include "baseinfo/CBaseInfoSetDlg.h"
#include "support/DemoDataSets.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QPushButton* Button(QWidget& window, const char* id) {
    return window.findChild<QPushButton*>(QString::fromLatin1(id));
}

} // namespace

class TestNativeWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QStringLiteral("windows"))
            QSKIP("needs Windows' own window system (Wine with a display: scripts/test-windows.sh)");
    }

    void opensADataSetAndWritesBothFormats() {
        QTemporaryDir dir;
        const QString data = DemoDataSets::Good(dir.path(), QStringLiteral("城南 变电站"), 4);
        QVERIFY(!data.isEmpty());
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.findChild<QComboBox*>(QStringLiteral("1011"))->setCurrentIndex(1); // TEV
        prompts.folders << data;
        QTest::mouseClick(Button(window, "1010"), Qt::LeftButton);
        QCOMPARE(window.RecordModel()->rowCount(), 4);
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("1014"))->text(),
                 QDir::toNativeSeparators(data));
        QTest::mouseClick(Button(window, "1015"), Qt::LeftButton); // 全选

        for (const QString& name : {QStringLiteral("报告 一.doc"), QStringLiteral("报告 二.docx")}) {
            const QString path = dir.filePath(name);
            prompts.saveFiles << path;
            prompts.baseInfoScripts << [&prompts](QWidget* owner) {
                CBaseInfoSetDlg dialog(&prompts, owner);
                QTimer::singleShot(0, &dialog,
                                   [&dialog] { QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton); });
                return dialog.exec() == QDialog::Accepted;
            };
            QTest::mouseClick(Button(window, "1009"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(Button(window, "1009")->isEnabled(), 60000);
            QVERIFY2(QFileInfo(path).size() > 10000, qPrintable(name));
        }
        const QString shots = qEnvironmentVariable("ZOLT_SCREENSHOT_DIR");
        if (!shots.isEmpty()) {
            QTest::qWait(500);
            // The window's own area: with no window manager on the virtual display, its frame is
            // not drawn.
            const QRect area = window.geometry();
            const QPixmap shot =
                window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
            QVERIFY(shot.save(shots + QStringLiteral("/main-window-wine.png")));
        }
    }

    void systemMenuCarriesTheAboutEntry() {
#ifdef Q_OS_WIN
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const HWND hwnd = reinterpret_cast<HWND>(window.winId());
        const HMENU menu = GetSystemMenu(hwnd, FALSE);
        QVERIFY(menu != nullptr);
        const int count = GetMenuItemCount(menu);
        QVERIFY(count >= 2);
        wchar_t text[64] = {};
        QVERIFY(GetMenuStringW(menu, UINT(count - 1), text, 64, MF_BYPOSITION) > 0);
        QCOMPARE(QString::fromWCharArray(text), QStringLiteral("关于 ZOLT(&A)..."));
        QCOMPARE(GetMenuState(menu, UINT(count - 2), MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));

        // Chosen, it shows the About box; the context menu does not carry the entry twice. The box
        // runs its own event loop, so it is seen and closed from a timer that fires inside it.
        bool shown = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&shown] {
            if (auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
                shown = true;
                box->close();
            }
        });
        watch.start(50);
        const UINT id = GetMenuItemID(menu, count - 1);
        PostMessageW(hwnd, WM_SYSCOMMAND, id, 0);
        QTRY_VERIFY_WITH_TIMEOUT(shown, 10000);
        watch.stop();
        const QAction* about = window.findChild<QAction*>(QStringLiteral("actionAbout"));
        QVERIFY(about != nullptr && !window.actions().contains(const_cast<QAction*>(about)));
#endif
    }
};

QTEST_MAIN(TestNativeWindow)
#include "tst_nativewindow.moc"
