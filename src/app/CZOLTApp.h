#pragma once

class QApplication;
class QTranslator;

// The application: prepares Qt (translations, icon, names) and runs the main window modally.
class CZOLTApp {
public:
    explicit CZOLTApp(QApplication& application);

    // The whole life of the program; returns the process exit code.
    int InitInstance();

    // Loads Qt's own Chinese translation (the texts of standard buttons and dialogs) into
    // `translator` and installs it; false when it cannot be found.
    static bool InstallQtTranslation(QTranslator& translator);

private:
    QApplication& m_application;
};
