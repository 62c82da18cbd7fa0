#include "CReportCommand.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Pictures in formats other than PNG and JPEG are converted with Qt's image classes, which
    // need a GUI application object; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CReportCommand command;
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const int code = command.Execute(arguments, out, err);
    out.flush();
    err.flush();
    return code;
}
