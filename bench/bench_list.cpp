// Record list loading: a record table of 100,000 records x 20 columns is read with QueryTable,
// handed to CRecordListModel and shown in a table view; then every row is ticked and unticked.
// Prints the times (best and median of several runs) and the peak resident memory, and last a
// "result:" line of medians for zolt-bench to read.
//
//   zolt-bench-list [RECORDS] [RUNS]

#include "DemoDataSet.h"
#include "app/CRecordListModel.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"

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
#include <ctime>
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
        options.strOutDir = outDir;
        options.nRecords = records;
        options.bPictures = false;
        _exit(DemoDataSet::Generate(options, nullptr, nullptr) ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
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

    Series query{"QueryTable (sqlite3_get_table)", {}};
    Series load{"SetResultTable", {}};
    Series view{"view shown and painted", {}};
    Series total{"folder chosen to list painted", {}};
    Series totalCpu{"  the same, processor time", {}};
    Series selectAll{"SetAllChecked(true)", {}};
    Series clearAll{"SetAllChecked(false)", {}};
    Series gather{"CheckedRows + cells of ticked rows", {}};
    Series release{"Clear (frees the table)", {}};
    int columns = 0;
    int rows = 0;

    Common::CNkSQLiteOper db;
    CRecordListModel model;
    QTableView table;
    table.resize(1200, 700);
    table.setModel(&model);
    const QString pictureFolder = CDataSetLayout::PictureFolder(folder, 0);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer all;
        all.start();
        const double cpuStart = CpuMs();
        timer.restart();
        char** result = nullptr;
        if (!db.OpenReadOnly(CDataSetLayout::DatabasePath(folder)) ||
            !db.QueryTable(CDataSetLayout::RecordTable(0), &result, &rows, &columns)) {
            std::fprintf(stderr, "cannot read the data set\n");
            return 1;
        }
        query.values.push_back(Ms(timer));

        timer.restart();
        model.SetResultTable(result, rows, columns);
        load.values.push_back(Ms(timer));

        timer.restart();
        table.show();
        table.repaint();
        QCoreApplication::processEvents();
        view.values.push_back(Ms(timer));
        total.values.push_back(Ms(all));
        totalCpu.values.push_back(CpuMs() - cpuStart);

        timer.restart();
        model.SetAllChecked(true);
        selectAll.values.push_back(Ms(timer));

        // What the generate button does with the ticks: value and picture cells of every ticked row.
        timer.restart();
        qsizetype characters = 0;
        for (int row : model.CheckedRows()) {
            const auto refs =
                CDataSetLayout::GatherRecord(0, pictureFolder, [&](int c) { return model.CellText(row, c); });
            characters += refs.strValue.size() + refs.strPicture1.size();
        }
        gather.values.push_back(Ms(timer));
        if (characters == 0) {
            return 1;
        }

        timer.restart();
        model.SetAllChecked(false);
        clearAll.values.push_back(Ms(timer));

        if (run + 1 < runs) {
            timer.restart();
            model.Clear();
            release.values.push_back(Ms(timer));
            table.hide();
        }
    }
    const long peakRss = PeakRssKiB();

    std::printf("record list: %d rows x %d columns, %d runs\n", rows, columns, runs);
    for (Series* series :
         {&query, &load, &view, &total, &totalCpu, &selectAll, &clearAll, &gather, &release}) {
        if (!series->values.empty()) {
            series->Print();
        }
    }
    std::printf("  peak RSS: %.1f MiB (%.1f MiB before the first load)\n", peakRss / 1024.0,
                baseRss / 1024.0);
    std::printf("result: rows=%d columns=%d load_ms=%.3f load_cpu_ms=%.3f select_all_ms=%.3f "
                "clear_all_ms=%.3f peak_rss_kib=%ld\n",
                rows, columns, total.Median(), totalCpu.Median(), selectAll.Median(), clearAll.Median(),
                peakRss);
    return 0;
}
