// zolt-bench-startup: zolt's own start-up, built for the start-up benchmark. Once the main window is
// on screen it says so and closes it. The shipped zolt has no such hook and reads no environment
// variable; this program is built beside it and never installed.
#include "app/CZOLTApp.h"
#include "app/CZOLTDlg.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The window paints while its first expose event is handled, so seeing it exposed on a later
    // pass of the event loop means it has been shown.
    auto* poll = new QTimer(&application);
    QObject::connect(poll, &QTimer::timeout, poll, [poll] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CZOLTDlg*>(widget);
            if (dialog != nullptr && dialog->windowHandle() != nullptr &&
                dialog->windowHandle()->isExposed()) {
                poll->stop();
                std::puts("zolt: main window shown");
                std::fflush(stdout);
                dialog->done(0);
                return;
            }
        }
    });
    poll->start(0);
    CZOLTApp app(application);
    return app.InitInstance();
}
