#pragma once

class QApplication;

// The application: prepares Qt (translations, icon, names) and runs the main window modally.
class CZOLTApp {
public:
    explicit CZOLTApp(QApplication& application);

    // The whole life of the program; returns the process exit code.
    int InitInstance();

private:
    QApplication& m_application;
};
