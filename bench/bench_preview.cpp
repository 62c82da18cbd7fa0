// Record preview: stepping through a long record list. A TEV table of RECORDS records with three
// 400 x 300 PNG pictures each is shown in the preview window, which is stepped forward:
//  - held key: one step every 1000/RATE ms (a keyboard's auto-repeat) from the first record to the
//    last; per step the time the GUI thread spends on the key press, and whether the record's three
//    pictures were on screen before the next step came;
//  - step and look: one step, then waiting until the three pictures show; forward through records
//    not seen before, then back over the last ones (from the cache).
// Prints the figures and last a "result:" line for scripts.
//
//   zolt-bench-preview [RECORDS] [RATE]

#include "DemoDataSet.h"
#include "app/CRecordListModel.h"
#include "app/CRecordPreviewCursor.h"
#include "app/CRecordPreviewDlg.h"
#include "app/CRecordPreviewLoader.h"
#include "app/CRecordPreviewPictureView.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * values.size()))];
}

bool AllShown(const CRecordPreviewDlg& preview) {
    return preview.PictureView(0)->HasPicture() && preview.PictureView(1)->HasPicture() &&
           preview.PictureView(2)->HasPicture();
}

// Milliseconds the GUI thread spent on one key press.
double Press(CRecordPreviewDlg& preview, Qt::Key key) {
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&preview, &press);
    QApplication::processEvents(); // the repaint the step causes
    return timer.nsecsElapsed() / 1e6;
}

// Milliseconds until the three pictures show; -1 after 10 s.
double WaitShown(const CRecordPreviewDlg& preview) {
    QElapsedTimer timer;
    timer.start();
    while (!AllShown(preview)) {
        if (timer.elapsed() > 10000) {
            return -1;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return timer.nsecsElapsed() / 1e6;
}

struct HeldKey {
    std::vector<double> pressMs;
    int inTime = 0;
    double seconds = 0;
    double shownAtEnd = 0;
};

// One step every 1000/RATE ms from the first record to the last.
HeldKey HoldKey(CRecordPreviewDlg& preview, int records, int rate) {
    HeldKey held;
    const double interval = 1000.0 / rate;
    QElapsedTimer clock;
    clock.start();
    for (int step = 1; step < records; ++step) {
        held.pressMs.push_back(Press(preview, Qt::Key_Right));
        const double due = step * interval;
        while (clock.nsecsElapsed() / 1e6 < due) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
            QThread::usleep(200);
        }
        held.inTime += AllShown(preview) ? 1 : 0;
    }
    held.seconds = clock.elapsed() / 1000.0;
    held.shownAtEnd = WaitShown(preview);
    return held;
}

// Step and look: records not seen yet (from the start again, the cache holds the end), then back
// over records just seen.
void StepAndLook(CRecordPreviewDlg& preview, int records, std::vector<double>* coldMs,
                 std::vector<double>* warmMs) {
    preview.Cursor()->SetRow(0);
    WaitShown(preview);
    const int looks = std::min(100, records - 1);
    for (int step = 0; step < looks; ++step) {
        Press(preview, Qt::Key_Right);
        coldMs->push_back(WaitShown(preview));
    }
    for (int step = 0; step < std::min(looks, 20); ++step) {
        Press(preview, Qt::Key_Left);
        warmMs->push_back(WaitShown(preview));
    }
}

void PrintResults(const HeldKey& held, const std::vector<double>& coldMs, const std::vector<double>& warmMs,
                  int records, int rate, int decoded) {
    const std::vector<double>& pressMs = held.pressMs;
    std::printf("held key, %d steps at %d per second (%.1f s):\n", records - 1, rate, held.seconds);
    std::printf("  GUI thread per key press          median %7.2f ms   99%% %7.2f ms   max %7.2f ms\n",
                Median(pressMs), Percentile(pressMs, 0.99),
                *std::max_element(pressMs.begin(), pressMs.end()));
    std::printf("  pictures on screen before the next step  %d of %d steps (%.1f%%)\n", held.inTime,
                records - 1, 100.0 * held.inTime / (records - 1));
    std::printf("  last record's pictures shown after %.2f ms\n", held.shownAtEnd);
    std::printf("step and look:\n");
    std::printf("  new record, pictures shown after  median %7.2f ms   90%% %7.2f ms\n", Median(coldMs),
                Percentile(coldMs, 0.9));
    std::printf("  back to a seen record             median %7.2f ms   max %7.2f ms\n", Median(warmMs),
                *std::max_element(warmMs.begin(), warmMs.end()));
    std::printf("  pictures decoded in all           %d\n", decoded);
    std::printf("result: press_median_ms=%.3f press_max_ms=%.3f in_time=%.3f cold_median_ms=%.3f "
                "warm_median_ms=%.3f\n",
                Median(pressMs), *std::max_element(pressMs.begin(), pressMs.end()),
                static_cast<double>(held.inTime) / (records - 1), Median(coldMs), Median(warmMs));
}

// The data set with pictures, its TEV table read into `model`; the folder, or empty after a message.
QString MakeAndLoad(const QString& outDir, int records, CRecordListModel& model) {
    DemoDataSet::Options options;
    options.outDir = outDir;
    options.name = QStringLiteral("preview");
    options.records = records;
    QString folder;
    QString error;
    std::printf("making %d records with pictures...\n", records);
    std::fflush(stdout);
    if (!DemoDataSet::Generate(options, &folder, &error)) {
        std::fprintf(stderr, "zolt-bench-preview: %s\n", qPrintable(error));
        return QString();
    }
    Common::CNkSQLiteOper db;
    char** table = nullptr;
    int rows = 0;
    int columns = 0;
    if (!db.OpenReadOnly(CDataSetLayout::DatabasePath(folder)) ||
        !db.QueryTable(CDataSetLayout::RecordTable(1), &table, &rows, &columns)) {
        std::fprintf(stderr, "zolt-bench-preview: cannot read the data set\n");
        return QString();
    }
    model.SetResultTable(table, rows, columns);
    return folder;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const int records = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
    const int rate = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;

    QTemporaryDir dir;
    CRecordListModel model;
    const QString folder = MakeAndLoad(dir.path(), records, model);
    if (folder.isEmpty()) {
        return 1;
    }
    const QString pictureFolder = CDataSetLayout::PictureFolder(folder, 1);
    CRecordPreviewDlg preview(
        &model, [] { return 1; }, [pictureFolder] { return pictureFolder; });
    preview.Open(0);
    if (WaitShown(preview) < 0) {
        std::fprintf(stderr, "zolt-bench-preview: the first record's pictures never showed\n");
        return 1;
    }
    const HeldKey held = HoldKey(preview, records, rate);
    std::vector<double> coldMs;
    std::vector<double> warmMs;
    StepAndLook(preview, records, &coldMs, &warmMs);
    PrintResults(held, coldMs, warmMs, records, rate, preview.Loader()->DecodeCount());
    return 0;
}
