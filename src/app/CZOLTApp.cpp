#include "app/CZOLTApp.h"

#include "app/CZOLTDlg.h"
#include "app/QtUserPrompts.h"
#include "app/WindowSettings.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

CZOLTApp::CZOLTApp(QApplication& application) : m_application(application) {}

bool CZOLTApp::InstallQtTranslation(QTranslator& translator) {
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator.load(QStringLiteral("qtbase_zh_CN"), translations) &&
        !translator.load(QStringLiteral("qtbase_zh_CN"), QStringLiteral(ZOLT_QT_TRANSLATIONS_DIR))) {
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}

int CZOLTApp::InitInstance() {
    QCoreApplication::setApplicationName(QStringLiteral("ZOLT"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZOLT_VERSION));
    // The settings key: the main window keeps its method, data folder and placement under it.
    QCoreApplication::setOrganizationName(QStringLiteral("应用程序向导生成的本地应用程序"));
    m_application.setWindowIcon(QIcon(QStringLiteral(":/icons/zolt.png")));
    // Lets desktops match the window to its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.zolt.ZOLT"));

    // Chinese texts on the standard buttons of message boxes and file dialogs.
    QTranslator qtTranslator;
    InstallQtTranslation(qtTranslator);

    App::QtUserPrompts prompts;
    App::WindowSettings settings;
    int result = 0;
    {
        CZOLTDlg dialog(&prompts);
        dialog.UseSettings(&settings);
        result = dialog.exec();
    }
    // A report job given up when the window closed finishes (without saving) before we exit.
    CBaseThread::JoinAbandonedWorkers();
    QCoreApplication::removeTranslator(&qtTranslator);
    (void)result; // the dialog's result does not decide anything
    return 0;
}
