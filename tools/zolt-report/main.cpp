#include "CReportCommand.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Image reading and conversion need Qt's plugins, not a display.
    QCoreApplication application(argc, argv);
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
