#include "app/CZOLTApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    CZOLTApp app(application);
    return app.InitInstance();
}
