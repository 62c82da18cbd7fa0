// zolt-screenshot OUTDIR WORKDIR: makes a sample data set in WORKDIR, opens it in the main window
// as a user would (the folder chooser answered from a script), ticks a few records, opens the
// preview and saves both windows as OUTDIR/main-window.png and OUTDIR/preview.png. It prints the
// data set's folder on stdout, for the report screenshot.

#include "DemoDataSet.h"
#include "app/CRecordListModel.h"
#include "app/CRecordPreviewDlg.h"
#include "app/CRecordPreviewLauncher.h"
#include "app/CRecordPreviewPictureView.h"
#include "app/CZOLTDlg.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QTableView>
#include <QTextStream>
#include <QThread>

#include <functional>

namespace {

// Runs the event loop until 'done' holds or a few seconds have passed.
bool WaitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return true;
}

// Lets pending paints and resizes settle before a window is grabbed.
void Settle() {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        err << "usage: zolt-screenshot OUTDIR WORKDIR\n";
        return 2;
    }
    const QString outDir = arguments.at(1);
    QDir().mkpath(outDir);

    DemoDataSet::Options options;
    options.outDir = arguments.at(2);
    options.name = QStringLiteral("110kV城南变电站局放检测");
    options.records = 12;
    options.seed = 7;
    options.replace = true;
    QString folder;
    QString error;
    if (!DemoDataSet::Generate(options, &folder, &error)) {
        err << "zolt-screenshot: " << error << "\n";
        return 1;
    }

    ScriptedPrompts prompts;
    prompts.folders << folder;
    CZOLTDlg window(&prompts);
    window.showNormal();
    window.setGeometry(40, 40, 1180, 660);
    window.findChild<QComboBox*>(QStringLiteral("1011"))->setCurrentIndex(1); // TEV
    window.findChild<QPushButton*>(QStringLiteral("1010"))->click();
    CRecordListModel* model = window.RecordModel();
    if (model->rowCount() == 0) {
        err << "zolt-screenshot: the data set did not open\n";
        return 1;
    }
    for (const int row : {0, 2, 3, 6, 7}) {
        model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole);
    }
    window.findChild<QTableView*>(QStringLiteral("1012"))->setCurrentIndex(model->index(3, 0));
    Settle();
    if (!window.grab().save(QDir(outDir).filePath(QStringLiteral("main-window.png")))) {
        err << "zolt-screenshot: cannot write main-window.png\n";
        return 1;
    }

    auto* launcher = window.findChild<CRecordPreviewLauncher*>();
    launcher->Open(3);
    CRecordPreviewDlg* preview = launcher->Preview();
    preview->resize(1320, 470);
    const bool loaded = WaitFor([preview] {
        return preview->PictureView(0)->HasPicture() && preview->PictureView(1)->HasPicture() &&
               preview->PictureView(2)->HasPicture();
    });
    if (!loaded) {
        err << "zolt-screenshot: the preview's pictures did not load\n";
        return 1;
    }
    Settle();
    if (!preview->grab().save(QDir(outDir).filePath(QStringLiteral("preview.png")))) {
        err << "zolt-screenshot: cannot write preview.png\n";
        return 1;
    }
    QTextStream(stdout) << folder << "\n";
    return 0;
}
