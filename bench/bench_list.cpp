// Record list loading: a record table of 100,000 records x 20 columns is read with ReadTable,
// handed to CRecordListModel and shown in a table view through the list's sorting, filtering
// proxy; then every row is ticked and unticked, the list is sorted by a number and by a text
// column, a filter is typed one keystroke at a time, and one tick is counted.
// Prints the times (best and median of several runs) and the peak resident memory, and last a
// "result:" line of medians for zolt-bench to read.
//
//   zolt-bench-list [RECORDS] [RUNS]

#include "DemoDataSet.h"
#include "app/CRecordListModel.h"
#include "app/RecordListProxy.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "data/ResultTable.h"

#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>
#include <vector>

namespace {

long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Ms(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

// Processor time of this process: unlike the wall clock, it does not grow when other programs
// share the machine.
double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Series {
    const char* name;
    std::vector<double> values;

    void Print() {
        std::sort(values.begin(), values.end());
        std::printf("  %-34s best %9.2f ms   median %9.2f ms\n", name, values.front(), Median());
    }

    double Median() {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0 : values[values.size() / 2];
    }
};

// Made in a child process, so that the generator's own memory does not count as the list's peak.
bool MakeDataSet(const QString& outDir, int records, QString* folder) {
    *folder = outDir + CDataSetLayout::kSeparator + DemoDataSet::DefaultName();
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        DemoDataSet::Options options;
        options.outDir = outDir;
        options.records = records;
        options.pictures = false;
        _exit(DemoDataSet::Generate(options, nullptr, nullptr) ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct SelectionSeries {
    Series sortNumber{"sort by a number column (有效值)", {}};
    Series sortText{"sort by a text column (设备名称)", {}};
    Series restore{"table order again", {}};
    Series keystroke{"worst filter keystroke", {}};
    Series tick{"tick one + count line", {}};
    // Processor time of the same steps, which other programs on the machine do not inflate.
    Series sortNumberCpu{"  sort by number, processor time", {}};
    Series sortTextCpu{"  sort by text, processor time", {}};
    Series keystrokeCpu{"  worst keystroke, processor time", {}};
};

// Each step is timed with the view brought up to date, as a user would wait for it.
void MeasureSelection(App::RecordListProxy& proxy, QTableView& table, SelectionSeries& series) {
    QElapsedTimer timer;
    double cpuStart = 0;
    double cpu = 0;
    const auto start = [&] {
        timer.restart();
        cpuStart = CpuMs();
    };
    const auto settle = [&] {
        table.viewport()->repaint();
        QCoreApplication::processEvents();
        cpu = CpuMs() - cpuStart;
        return Ms(timer);
    };
    start();
    proxy.SortBy(6, Qt::AscendingOrder);
    series.sortNumber.values.push_back(settle());
    series.sortNumberCpu.values.push_back(cpu);
    start();
    proxy.SortBy(1, Qt::AscendingOrder);
    series.sortText.values.push_back(settle());
    series.sortTextCpu.values.push_back(cpu);
    start();
    proxy.ClearSort();
    series.restore.values.push_back(settle());

    // A name typed into the filter, and a text that matches nothing (every keystroke a full search
    // until the first one empties the list).
    double worst = 0;
    double worstCpu = 0;
    for (const QString& text : {QStringLiteral("城南线间"), QStringLiteral("zqxj")}) {
        for (qsizetype length = 1; length <= text.size(); ++length) {
            start();
            proxy.SetFilterText(text.left(length));
            worst = std::max(worst, settle());
            worstCpu = std::max(worstCpu, cpu);
        }
        proxy.SetFilterText(QString());
    }
    series.keystroke.values.push_back(worst);
    series.keystrokeCpu.values.push_back(worstCpu);

    timer.restart();
    proxy.setData(proxy.index(0, 0), Qt::Checked, Qt::CheckStateRole);
    const QString line = proxy.CountLine();
    series.tick.values.push_back(Ms(timer));
    if (line.isEmpty() || proxy.CheckedCount() != 1) {
        std::fprintf(stderr, "tick not counted\n");
        std::exit(1);
    }
    proxy.setData(proxy.index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
}

struct LoadSeries {
    Series query{"ReadTable", {}};
    Series load{"SetResultTable", {}};
    Series view{"view shown and painted", {}};
    Series total{"folder chosen to list painted", {}};
    Series totalCpu{"  the same, processor time", {}};
    Series selectAll{"SetAllChecked(true)", {}};
    Series clearAll{"SetAllChecked(false)", {}};
    Series gather{"CheckedRows + cells of ticked rows", {}};
    Series release{"Clear (frees the table)", {}};
    int rows = 0;
    int columns = 0;
};

// One run up to the list painted: read, hand to the model, show. False when the data set cannot be
// read.
bool MeasureLoad(const QString& folder, CRecordListModel& model, QTableView& table, LoadSeries& series) {
    QElapsedTimer all;
    all.start();
    const double cpuStart = CpuMs();
    QElapsedTimer timer;
    timer.start();
    Common::CNkSQLiteOper db;
    Data::ResultTable result;
    if (!db.OpenReadOnly(CDataSetLayout::DatabasePath(folder)) ||
        !db.ReadTable(CDataSetLayout::RecordTable(0), &result)) {
        return false;
    }
    series.rows = result.Rows();
    series.columns = result.Columns();
    series.query.values.push_back(Ms(timer));

    timer.restart();
    model.SetResultTable(std::move(result));
    series.load.values.push_back(Ms(timer));

    timer.restart();
    table.show();
    table.repaint();
    QCoreApplication::processEvents();
    series.view.values.push_back(Ms(timer));
    series.total.values.push_back(Ms(all));
    series.totalCpu.values.push_back(CpuMs() - cpuStart);
    return true;
}

// Every row ticked, the ticked rows' report cells gathered as the generate button does, every row
// unticked. False when the gathering found nothing.
bool MeasureTicks(CRecordListModel& model, const QString& pictureFolder, LoadSeries& series) {
    QElapsedTimer timer;
    timer.start();
    model.SetAllChecked(true);
    series.selectAll.values.push_back(Ms(timer));

    timer.restart();
    qsizetype characters = 0;
    for (int row : model.CheckedRows()) {
        const auto refs =
            CDataSetLayout::GatherRecord(0, pictureFolder, [&](int c) { return model.CellText(row, c); });
        characters += refs.strValue.size() + refs.strPicture1.size();
    }
    series.gather.values.push_back(Ms(timer));

    timer.restart();
    model.SetAllChecked(false);
    series.clearAll.values.push_back(Ms(timer));
    return characters != 0;
}

void PrintResults(LoadSeries& list, SelectionSeries& selection, int runs, long baseRss, long peakRss) {
    std::printf("record list: %d rows x %d columns, %d runs\n", list.rows, list.columns, runs);
    for (Series* series : {&list.query, &list.load, &list.view, &list.total, &list.totalCpu, &list.selectAll,
                           &list.clearAll, &list.gather, &list.release, &selection.sortNumber,
                           &selection.sortText, &selection.restore, &selection.keystroke, &selection.tick,
                           &selection.sortNumberCpu, &selection.sortTextCpu, &selection.keystrokeCpu}) {
        if (!series->values.empty()) {
            series->Print();
        }
    }
    std::printf("  peak RSS: %.1f MiB (%.1f MiB before the first load)\n", peakRss / 1024.0,
                baseRss / 1024.0);
    std::printf("result: rows=%d columns=%d load_ms=%.3f load_cpu_ms=%.3f select_all_ms=%.3f "
                "clear_all_ms=%.3f peak_rss_kib=%ld sort_number_ms=%.3f sort_text_ms=%.3f "
                "filter_keystroke_ms=%.3f tick_count_ms=%.4f sort_number_cpu_ms=%.3f sort_text_cpu_ms=%.3f "
                "filter_keystroke_cpu_ms=%.3f\n",
                list.rows, list.columns, list.total.Median(), list.totalCpu.Median(), list.selectAll.Median(),
                list.clearAll.Median(), peakRss, selection.sortNumber.Median(), selection.sortText.Median(),
                selection.keystroke.Median(), selection.tick.Median(), selection.sortNumberCpu.Median(),
                selection.sortTextCpu.Median(), selection.keystrokeCpu.Median());
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    QTemporaryDir dir;
    QString folder;
    QElapsedTimer timer;
    timer.start();
    if (!dir.isValid() || !MakeDataSet(dir.path(), records, &folder)) {
        std::fprintf(stderr, "cannot make the data set\n");
        return 1;
    }
    std::printf("data set: %d records per table, made in %.0f ms (not measured below)\n", records, Ms(timer));

    QApplication application(argc, argv);
    const long baseRss = PeakRssKiB();

    LoadSeries list;
    CRecordListModel model;
    App::RecordListProxy proxy(&model);
    SelectionSeries selection;
    QTableView table;
    table.resize(1200, 700);
    table.setModel(&proxy);
    const QString pictureFolder = CDataSetLayout::PictureFolder(folder, 0);
    for (int run = 0; run < runs; ++run) {
        if (!MeasureLoad(folder, model, table, list)) {
            std::fprintf(stderr, "cannot read the data set\n");
            return 1;
        }
        if (!MeasureTicks(model, pictureFolder, list)) {
            return 1;
        }
        MeasureSelection(proxy, table, selection);
        if (run + 1 < runs) {
            timer.restart();
            model.Clear();
            list.release.values.push_back(Ms(timer));
            table.hide();
        }
    }
    PrintResults(list, selection, runs, baseRss, PeakRssKiB());
    return 0;
}
