// zolt-bench: the speed and memory of ZOLT's own programs, measured from outside as a user meets
// them, in one table.
//
//   report   zolt-report writing n ticked records (three pictures each) as .docx and .doc, once
//            on small drawn plots and once on noisy instrument screenshots of 100 to 150 KB: wall
//            time, processor time and peak resident memory of the process; the copy limit (read
//            the same pictures, write as many bytes) plain and durable (temporary file, fsync,
//            rename, as a report's save) and the report's ratio to each; and the fixed costs that
//            the copy does not have: checking each picture once when it is inserted, and starting
//            zolt-report at all (--version)
//   list     zolt-bench-list: a record table of R records x 20 columns loaded into the record
//            list and shown, then select-all
//   start-up zolt's start-up (zolt-bench-startup, the same code with a hook that closes the window
//            once shown) with QT_QPA_PLATFORM=offscreen, from exec to its window shown
//
// Each figure is the median of --runs runs after one unmeasured warm-up run.

#include "ChildProcess.h"
#include "CopyLimit.h"
#include "SampleSet.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

const QString kDataSetName = QStringLiteral("zolt-bench-data");
const QString kSmall = QStringLiteral("small");
const QString kLarge = QStringLiteral("large");
const QByteArray kShownMarker = "zolt: main window shown";

QStringList AllFormats() {
    return {QStringLiteral("docx"), QStringLiteral("doc"), QStringLiteral("template"), QStringLiteral("tags"),
            QStringLiteral("chart")};
}

struct Settings {
    std::vector<int> sizes{10, 100, 1000};
    // "template": .docx from the shipped template of the built-in layout (zolt-report --template);
    // "tags": the same with every figure, condition and block tag added; "chart": the same with a
    // chart of the values with a threshold added.
    QStringList formats = AllFormats();
    QStringList pictures{kSmall, kLarge};
    int runs = 5;
    int listRecords = 100000;
    bool measureList = true;
    bool measureStartup = true;
    QString jsonPath;
    QString workDir;
    // A Windows build folder (scripts/build-windows.sh): the report rows run its zolt-report.exe
    // under Wine through the build's wine-run.sh, so that the figures compare with this build's.
    QString windowsBuild;
};

struct ReportCase {
    QString pictures; // kSmall or kLarge
    QString format;
    int records = 0;
    SampleSet wallMs;
    SampleSet cpuMs;
    long peakRssKiB = 0; // the largest of the runs
    qint64 bytes = 0;
    bool formatMatches = true; // the file starts as its format does
    SampleSet copyMs;          // plain copy
    SampleSet durableMs;       // durable copy
    SampleSet checkMs;
    SampleSet startMs;

    double Ratio() const { return copyMs.Median() > 0 ? wallMs.Median() / copyMs.Median() : 0; }
    double DurableRatio() const { return durableMs.Median() > 0 ? wallMs.Median() / durableMs.Median() : 0; }
    // What a report costs at the very least, as a multiple of the durable copy: the copy itself
    // plus the picture checks and the program's start.
    double FloorRatio() const {
        const double copy = durableMs.Median();
        return copy > 0 ? (copy + checkMs.Median() + startMs.Median()) / copy : 0;
    }
};

struct ListCase {
    int rows = 0;
    int columns = 0;
    double loadMs = 0;
    double loadCpuMs = 0;
    double selectAllMs = 0;
    double clearAllMs = 0;
    long peakRssKiB = 0;
    // Sorting, filtering and tick counting on the loaded list.
    double sortNumberMs = 0;
    double sortTextMs = 0;
    double filterKeystrokeMs = 0; // the slowest keystroke of a typed filter
    double tickCountMs = 0;
    double sortNumberCpuMs = 0;
    double sortTextCpuMs = 0;
    double filterKeystrokeCpuMs = 0;
};

struct StartupCase {
    SampleSet shownMs;
    SampleSet cpuMs; // of the whole short life, closing included
    long peakRssKiB = 0;
};

struct Target {
    QString name;
    QString measured;
    QString limit;
    bool met = false;
};

QString Program(const char* path) {
    return QString::fromLocal8Bit(path);
}

// zolt-report as the report rows start it: this build's, or a Windows build's under Wine.
ChildProcess::Result RunReport(const Settings& settings, const QStringList& arguments) {
    if (settings.windowsBuild.isEmpty()) {
        return ChildProcess::Run(Program(ZOLT_BENCH_REPORT), arguments, {});
    }
    return ChildProcess::Run(
        settings.windowsBuild + QStringLiteral("/wine-run.sh"),
        QStringList{settings.windowsBuild + QStringLiteral("/bin/zolt-report.exe")} + arguments, {});
}

QString LoadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("?");
    }
    return QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 2);
}

// Ends the benchmark through main, so that the temporary folder is removed.
[[noreturn]] void Fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

// Under Wine every program start would otherwise also start a wineserver and the prefix's services:
// a persistent server with its services started for the whole benchmark leaves in the rows what a
// Windows start costs. The services outlive the program that starts them and keep its output open,
// so they are started by one whose output nobody reads.
void RunQuietly(const QString& program, const QStringList& arguments, const QString& prefix) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix);
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(120'000)) {
        Fail(program + QStringLiteral(" did not run (scripts/install-deps.sh --windows installs Wine)"));
    }
}

void KeepWineServer(const Settings& settings, bool keep) {
    if (settings.windowsBuild.isEmpty()) {
        return;
    }
    const QString prefix = settings.windowsBuild + QStringLiteral("/wineprefix");
    if (!keep) {
        RunQuietly(QStringLiteral("wineserver"), {QStringLiteral("-k")}, prefix);
        return;
    }
    RunQuietly(QStringLiteral("wineserver"), {QStringLiteral("-p")}, prefix);
    RunQuietly(settings.windowsBuild + QStringLiteral("/wine-run.sh"),
               {QStringLiteral("cmd"), QStringLiteral("/c"), QStringLiteral("exit")}, prefix);
}

bool ParseNumber(const QString& text, int least, int* value) {
    bool ok = false;
    *value = text.toInt(&ok);
    if (!ok || *value < least) {
        std::fprintf(stderr, "zolt-bench: '%s' is not a whole number of at least %d\n", qPrintable(text),
                     least);
        return false;
    }
    return true;
}

// A comma-separated list of some of `allowed`, e.g. "docx,doc".
bool ParseChoices(const QString& value, const QStringList& allowed, const char* what, QStringList* chosen) {
    *chosen = value.toLower().split(QLatin1Char(','));
    for (const QString& choice : *chosen) {
        if (!allowed.contains(choice)) {
            std::fprintf(stderr, "zolt-bench: unknown %s '%s' (%s)\n", what, qPrintable(choice),
                         qPrintable(allowed.join(QStringLiteral(" or "))));
            return false;
        }
    }
    return true;
}

// "100,10,100" -> {10, 100}; false after a message when a part is not a number of at least 1.
bool ParseSizes(const QString& text, std::vector<int>* sizes) {
    sizes->clear();
    for (const QString& part : text.split(QLatin1Char(','))) {
        int size = 0;
        if (!ParseNumber(part, 1, &size)) {
            return false;
        }
        sizes->push_back(size);
    }
    std::sort(sizes->begin(), sizes->end());
    sizes->erase(std::unique(sizes->begin(), sizes->end()), sizes->end());
    return true;
}

std::optional<Settings> ParseSettings(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures report writing, record listing and start-up."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this text."));
    const QCommandLineOption sizes(QStringLiteral("sizes"),
                                   QStringLiteral("Ticked records per report (default 10,100,1000)."),
                                   QStringLiteral("N,N,..."));
    const QCommandLineOption formats(QStringLiteral("formats"),
                                     QStringLiteral("Report formats (default docx,doc,template,tags,chart)."),
                                     QStringLiteral("F,F"));
    const QCommandLineOption pictures(
        QStringLiteral("pictures"),
        QStringLiteral("Picture sets (default small,large): small drawn plots, large noisy instrument "
                       "screenshots of 100 to 150 KB."),
        QStringLiteral("P,P"));
    const QCommandLineOption runs(QStringLiteral("runs"),
                                  QStringLiteral("Measured runs per case (default 5)."), QStringLiteral("N"));
    const QCommandLineOption listRecords(
        QStringLiteral("list-records"),
        QStringLiteral("Records of the list case (default 100000; 0 skips it)."), QStringLiteral("N"));
    const QCommandLineOption noStartup(QStringLiteral("no-startup"),
                                       QStringLiteral("Skip the start-up case."));
    const QCommandLineOption quick(QStringLiteral("quick"),
                                   QStringLiteral("Smallest sizes, one run: proves the benchmark works."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Also write the figures as JSON."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption workDir(QStringLiteral("work-dir"),
                                     QStringLiteral("Folder for the data sets and reports (default: a new "
                                                    "temporary folder, removed at the end)."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption windows(
        QStringLiteral("windows"),
        QStringLiteral(
            "Run the report rows with the zolt-report.exe of the Windows build in DIR under Wine."),
        QStringLiteral("DIR"));
    parser.addOptions(
        {help, sizes, formats, pictures, runs, listRecords, noStartup, quick, json, workDir, windows});
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "zolt-bench: %s\n\n%s",
                     qPrintable(parser.errorText().isEmpty() ? QStringLiteral("no positional arguments")
                                                             : parser.errorText()),
                     qPrintable(parser.helpText()));
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        std::printf("%s", qPrintable(parser.helpText()));
        std::exit(0);
    }

    Settings settings;
    if (parser.isSet(quick)) {
        settings.sizes = {10};
        settings.runs = 1;
        settings.listRecords = 1000;
    }
    if (parser.isSet(sizes) && !ParseSizes(parser.value(sizes), &settings.sizes)) {
        return std::nullopt;
    }
    if ((parser.isSet(formats) &&
         !ParseChoices(parser.value(formats), AllFormats(), "format", &settings.formats)) ||
        (parser.isSet(pictures) &&
         !ParseChoices(parser.value(pictures), {kSmall, kLarge}, "picture set", &settings.pictures))) {
        return std::nullopt;
    }
    if (parser.isSet(runs) && !ParseNumber(parser.value(runs), 1, &settings.runs)) {
        return std::nullopt;
    }
    if (parser.isSet(listRecords) && !ParseNumber(parser.value(listRecords), 0, &settings.listRecords)) {
        return std::nullopt;
    }
    settings.measureList = settings.listRecords > 0;
    settings.measureStartup = !parser.isSet(noStartup);
    settings.jsonPath = parser.value(json);
    settings.workDir = parser.value(workDir);
    settings.windowsBuild = QDir(parser.value(windows)).absolutePath();
    if (!parser.isSet(windows)) {
        settings.windowsBuild.clear();
    }
    return settings;
}

QString MakeDataSet(const QString& workDir, int records, const QString& pictures) {
    ChildProcess::Options options;
    options.environment[QByteArrayLiteral("QT_QPA_PLATFORM")] = QByteArrayLiteral("offscreen");
    const QString name = kDataSetName + QLatin1Char('-') + pictures;
    QStringList arguments{workDir,
                          QStringLiteral("--name"),
                          name,
                          QStringLiteral("--records"),
                          QString::number(records),
                          QStringLiteral("--seed"),
                          QStringLiteral("1"),
                          QStringLiteral("--force")};
    if (pictures == kLarge) {
        arguments << QStringLiteral("--instrument-pictures");
    }
    const ChildProcess::Result made = ChildProcess::Run(Program(ZOLT_BENCH_DEMO_DATA), arguments, options);
    if (!made.Succeeded()) {
        Fail(QStringLiteral("zolt-demo-data: ") + made.Describe());
    }
    std::printf("data set %s: %d records per table with 3 pictures each, made in %.1f s (not measured)\n",
                qPrintable(pictures), records, made.wallMs / 1000);
    return workDir + QLatin1Char('/') + name;
}

// A .doc is a compound file, a .docx a zip package.
bool StartsAsItsFormat(const QString& path, const QString& format) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray head = file.read(4);
    return head ==
           (format == QLatin1String("doc") ? QByteArray("\xD0\xCF\x11\xE0") : QByteArray("PK\x03\x04"));
}

ReportCase MeasureReport(const Settings& settings, const QString& dataSet, const QString& pictureSet,
                         const QString& format, int records) {
    ReportCase result;
    result.pictures = pictureSet;
    result.format = format;
    result.records = records;
    const bool withTags = format == QLatin1String("tags");
    const bool withChart = format == QLatin1String("chart");
    const bool fromTemplate = format == QLatin1String("template") || withTags || withChart;
    const QString fileFormat = fromTemplate ? QStringLiteral("docx") : format;
    const QString out =
        QFileInfo(dataSet).path() + QStringLiteral("/report-%1-%2.%3").arg(records).arg(format, fileFormat);
    const QString copy = QFileInfo(dataSet).path() + QStringLiteral("/copy-%1.bin").arg(records);
    QStringList arguments{QStringLiteral("--data"),   dataSet,
                          QStringLiteral("--method"), QStringLiteral("us"),
                          QStringLiteral("--rows"),   QStringLiteral("1-%1").arg(records),
                          QStringLiteral("--out"),    out};
    if (withTags) {
        // A given number: the counter would grow a ZOLT.DB3 in the working directory.
        arguments << QStringLiteral("--template") << QStringLiteral(ZOLT_BENCH_TAGS_TEMPLATE)
                  << QStringLiteral("--number") << QStringLiteral("ZJ-2024-0001");
    } else if (withChart) {
        arguments << QStringLiteral("--template") << QStringLiteral(ZOLT_BENCH_CHART_TEMPLATE);
    } else if (fromTemplate) {
        arguments << QStringLiteral("--template") << QStringLiteral(ZOLT_BENCH_TEMPLATE);
    }
    QStringList pictures;
    QString error;
    if (!CopyLimit::PictureFiles(dataSet, 0, records, &pictures, &error)) {
        Fail(error);
    }

    // Report and copy take turns, so that both meet the same state of a shared machine.
    for (int run = 0; run <= settings.runs; ++run) {
        const ChildProcess::Result report = RunReport(settings, arguments);
        if (!report.Succeeded() || !QFileInfo(out).isFile()) {
            Fail(QStringLiteral("zolt-report (%1 records, .%2): ").arg(records).arg(format) +
                 report.Describe());
        }
        if (report.output.contains("warning")) {
            Fail(QStringLiteral("zolt-report warned: ") + QString::fromLocal8Bit(report.output.left(600)));
        }
        result.bytes = QFileInfo(out).size();
        result.formatMatches = StartsAsItsFormat(out, fileFormat);
        const ChildProcess::Result copied = ChildProcess::RunFunction(
            [&] { return CopyLimit::Copy(pictures, copy, result.bytes, false); }, {});
        const ChildProcess::Result durable = ChildProcess::RunFunction(
            [&] { return CopyLimit::Copy(pictures, copy, result.bytes, true); }, {});
        if (!copied.Succeeded() || !durable.Succeeded()) {
            Fail(QStringLiteral("copy limit: ") + copied.Describe() + QLatin1Char(' ') + durable.Describe());
        }
        const ChildProcess::Result checked =
            ChildProcess::RunFunction([&] { return CopyLimit::Check(pictures); }, {});
        if (!checked.Succeeded()) {
            Fail(QStringLiteral("picture checks: ") + checked.Describe());
        }
        const ChildProcess::Result started = RunReport(settings, {QStringLiteral("--version")});
        if (!started.Succeeded()) {
            Fail(QStringLiteral("zolt-report --version: ") + started.Describe());
        }
        if (run == 0) {
            continue; // warm-up: caches filled, libraries loaded
        }
        result.wallMs.Add(report.wallMs);
        result.cpuMs.Add(report.cpuMs);
        result.peakRssKiB = std::max(result.peakRssKiB, report.peakRssKiB);
        result.copyMs.Add(copied.wallMs);
        result.durableMs.Add(durable.wallMs);
        result.checkMs.Add(checked.wallMs);
        result.startMs.Add(started.wallMs);
    }
    QFile::remove(copy);
    return result;
}

// zolt-bench-list prints its medians on a line "result: key=value ...".
ListCase MeasureList(const Settings& settings) {
    ChildProcess::Options options;
    options.environment[QByteArrayLiteral("QT_QPA_PLATFORM")] = QByteArrayLiteral("offscreen");
    const ChildProcess::Result run = ChildProcess::Run(
        Program(ZOLT_BENCH_LIST),
        {QString::number(settings.listRecords), QString::number(std::max(3, settings.runs))}, options);
    if (!run.Succeeded()) {
        Fail(QStringLiteral("zolt-bench-list: ") + run.Describe());
    }
    QHash<QString, QString> values;
    for (const QByteArray& line : run.output.split('\n')) {
        if (line.startsWith("result: ")) {
            for (const QString& pair :
                 QString::fromLatin1(line.mid(8)).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                values.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
            }
        }
    }
    const QStringList needed{QStringLiteral("rows"),          QStringLiteral("columns"),
                             QStringLiteral("load_ms"),       QStringLiteral("load_cpu_ms"),
                             QStringLiteral("select_all_ms"), QStringLiteral("clear_all_ms"),
                             QStringLiteral("peak_rss_kib")};
    for (const QString& key : needed) {
        if (!values.contains(key)) {
            Fail(QStringLiteral("zolt-bench-list gave no %1; its output:\n").arg(key) +
                 QString::fromLocal8Bit(run.output.right(1000)));
        }
    }
    ListCase result;
    result.rows = values.value(QStringLiteral("rows")).toInt();
    result.columns = values.value(QStringLiteral("columns")).toInt();
    result.loadMs = values.value(QStringLiteral("load_ms")).toDouble();
    result.loadCpuMs = values.value(QStringLiteral("load_cpu_ms")).toDouble();
    result.selectAllMs = values.value(QStringLiteral("select_all_ms")).toDouble();
    result.clearAllMs = values.value(QStringLiteral("clear_all_ms")).toDouble();
    result.peakRssKiB = values.value(QStringLiteral("peak_rss_kib")).toLong();
    result.sortNumberMs = values.value(QStringLiteral("sort_number_ms")).toDouble();
    result.sortTextMs = values.value(QStringLiteral("sort_text_ms")).toDouble();
    result.filterKeystrokeMs = values.value(QStringLiteral("filter_keystroke_ms")).toDouble();
    result.tickCountMs = values.value(QStringLiteral("tick_count_ms")).toDouble();
    result.sortNumberCpuMs = values.value(QStringLiteral("sort_number_cpu_ms")).toDouble();
    result.sortTextCpuMs = values.value(QStringLiteral("sort_text_cpu_ms")).toDouble();
    result.filterKeystrokeCpuMs = values.value(QStringLiteral("filter_keystroke_cpu_ms")).toDouble();
    if (result.rows != settings.listRecords) {
        Fail(QStringLiteral("zolt-bench-list listed %1 rows, not %2")
                 .arg(result.rows)
                 .arg(settings.listRecords));
    }
    return result;
}

StartupCase MeasureStartup(const Settings& settings, const QString& workDir) {
    StartupCase result;
    ChildProcess::Options options;
    options.environment[QByteArrayLiteral("QT_QPA_PLATFORM")] = QByteArrayLiteral("offscreen");
    options.workingDirectory = workDir; // where the program keeps its basic information
    // ... and its remembered window, which the user's own settings must not receive.
    options.environment[QByteArrayLiteral("XDG_CONFIG_HOME")] = workDir.toLocal8Bit();
    options.marker = kShownMarker;
    options.timeoutMs = 60'000;
    for (int run = 0; run <= settings.runs; ++run) {
        const ChildProcess::Result started = ChildProcess::Run(Program(ZOLT_BENCH_GUI), {}, options);
        if (!started.Succeeded() || started.markerMs < 0) {
            Fail(QStringLiteral("zolt did not show its window: ") + started.Describe());
        }
        if (run == 0) {
            continue;
        }
        result.shownMs.Add(started.markerMs);
        result.cpuMs.Add(started.cpuMs);
        result.peakRssKiB = std::max(result.peakRssKiB, started.peakRssKiB);
    }
    return result;
}

double MiB(double kib) {
    return kib / 1024;
}

void AddTarget(std::vector<Target>* targets, const QString& name, double value, const QString& unit,
               double limit) {
    targets->push_back({name, QStringLiteral("%1 %2").arg(value, 0, 'f', 2).arg(unit),
                        QStringLiteral("< %1 %2").arg(limit).arg(unit), value < limit});
}

// The report targets of one picture set. Small plots keep the earlier limits against the durable
// copy; instrument screenshots, where the picture bytes dominate, are held closer to it.
void AddReportTargets(std::vector<Target>* targets, const std::vector<ReportCase>& reports,
                      const QString& pictures) {
    const auto find = [&](const QString& format, int records) -> const ReportCase* {
        for (const ReportCase& report : reports) {
            if (report.pictures == pictures && report.format == format && report.records == records) {
                return &report;
            }
        }
        return nullptr;
    };
    const bool large = pictures == kLarge;
    const auto add = [&](const QString& format, const QString& what, double value, const QString& unit,
                         double limit) {
        AddTarget(targets, QStringLiteral("%1 .%2 %3").arg(pictures, format, what), value, unit, limit);
    };
    for (const QString& format : {QStringLiteral("docx"), QStringLiteral("doc")}) {
        const ReportCase* small = find(format, 10);
        const ReportCase* hundred = find(format, 100);
        const ReportCase* thousand = find(format, 1000);
        if (thousand != nullptr) {
            add(format, QStringLiteral("n=1000 / durable copy"), thousand->DurableRatio(),
                QStringLiteral("x"), large ? 1.2 : 1.5);
            add(format, QStringLiteral("n=1000 peak RSS"), MiB(thousand->peakRssKiB), QStringLiteral("MiB"),
                64);
        }
        if (hundred != nullptr) {
            add(format, QStringLiteral("n=100 time"), hundred->wallMs.Median() / 1000, QStringLiteral("s"),
                large ? 0.15 : 0.3);
        }
        if (!large && small != nullptr && thousand != nullptr) {
            // Memory independent of n: a thousand records may add the document model's few KiB per
            // record, far below their pictures (about 50 KiB per record).
            add(format, QStringLiteral("peak RSS n=1000 - n=10"),
                MiB(thousand->peakRssKiB - small->peakRssKiB), QStringLiteral("MiB"), 4);
        }
        if (!large && hundred != nullptr && thousand != nullptr) {
            add(format, QStringLiteral("n=1000 / n=100"),
                thousand->wallMs.Median() / hundred->wallMs.Median(), QStringLiteral("x"), 12);
        }
    }
    const ReportCase* docx = find(QStringLiteral("docx"), 1000);
    const ReportCase* doc = find(QStringLiteral("doc"), 1000);
    if (large && docx != nullptr && doc != nullptr) {
        // "No slower" within the noise of a shared machine: 2 %.
        AddTarget(targets, QStringLiteral("%1 .doc / .docx n=1000").arg(pictures),
                  doc->wallMs.Median() / docx->wallMs.Median(), QStringLiteral("x"), 1.02);
    }
    // A report from the built-in layout's template costs about what the built-in report does.
    const ReportCase* filled = find(QStringLiteral("template"), 1000);
    if (docx != nullptr && filled != nullptr) {
        AddTarget(targets, QStringLiteral("%1 .template / .docx n=1000 cpu").arg(pictures),
                  filled->cpuMs.Median() / docx->cpuMs.Median(), QStringLiteral("x"), 1.2);
    }
    // The figure, condition and block tags cost little beside the records they go through.
    const ReportCase* tagged = find(QStringLiteral("tags"), 1000);
    if (filled != nullptr && tagged != nullptr) {
        AddTarget(targets, QStringLiteral("%1 .tags / .template n=1000 cpu").arg(pictures),
                  tagged->cpuMs.Median() / filled->cpuMs.Median(), QStringLiteral("x"), 1.2);
    }
    // A chart goes through the records once more and adds a few parts: under 5 % of the report.
    const ReportCase* charted = find(QStringLiteral("chart"), 1000);
    if (filled != nullptr && charted != nullptr) {
        AddTarget(targets, QStringLiteral("%1 .chart / .template n=1000 cpu").arg(pictures),
                  charted->cpuMs.Median() / filled->cpuMs.Median(), QStringLiteral("x"), 1.05);
    }
}

std::vector<Target> Targets(const Settings& settings, const std::vector<ReportCase>& reports,
                            const std::optional<ListCase>& list, const std::optional<StartupCase>& startup) {
    std::vector<Target> targets;
    for (const QString& pictures : settings.pictures) {
        AddReportTargets(&targets, reports, pictures);
    }
    if (list && list->rows >= 100000) {
        AddTarget(&targets, QStringLiteral("list %1 x %2 load").arg(list->rows).arg(list->columns),
                  list->loadMs / 1000, QStringLiteral("s"), 0.4);
        AddTarget(&targets, QStringLiteral("list peak RSS"), MiB(list->peakRssKiB), QStringLiteral("MiB"),
                  300);
        AddTarget(&targets, QStringLiteral("list select-all"), list->selectAllMs, QStringLiteral("ms"), 50);
        AddTarget(&targets, QStringLiteral("list sort, slower column"),
                  std::max(list->sortNumberMs, list->sortTextMs) / 1000, QStringLiteral("s"), 0.5);
        AddTarget(&targets, QStringLiteral("list filter, worst keystroke"), list->filterKeystrokeMs,
                  QStringLiteral("ms"), 100);
    }
    if (startup) {
        AddTarget(&targets, QStringLiteral("start-up to window shown"), startup->shownMs.Median() / 1000,
                  QStringLiteral("s"), 0.5);
    }
    return targets;
}

void PrintTable(const Settings& settings, const std::vector<ReportCase>& reports,
                const std::optional<ListCase>& list, const std::optional<StartupCase>& startup,
                const std::vector<Target>& targets) {
    std::printf("\n%-26s %9s %9s %9s %8s %8s %8s %6s %8s %6s %8s %8s %6s\n", "case", "median ms", "min ms",
                "cpu ms", "peak MiB", "out MiB", "copy ms", "ratio", "dur. ms", "ratio", "check ms",
                "start ms", "floor");
    for (const ReportCase& report : reports) {
        const QString name =
            QStringLiteral("%1 .%2 n=%3").arg(report.pictures, report.format).arg(report.records);
        std::printf("%-26s %9.1f %9.1f %9.1f %8.1f %8.1f %8.1f %6.2f %8.1f %6.2f %8.1f %8.1f %6.2f\n",
                    qPrintable(name), report.wallMs.Median(), report.wallMs.Min(), report.cpuMs.Median(),
                    MiB(report.peakRssKiB), report.bytes / 1048576.0, report.copyMs.Median(), report.Ratio(),
                    report.durableMs.Median(), report.DurableRatio(), report.checkMs.Median(),
                    report.startMs.Median(), report.FloorRatio());
    }
    if (list) {
        const QString name = QStringLiteral("list %1x%2 load+show").arg(list->rows).arg(list->columns);
        std::printf("%-26s %10.1f %10s %10.1f %9.1f\n", qPrintable(name), list->loadMs, "", list->loadCpuMs,
                    MiB(list->peakRssKiB));
        std::printf("%-26s %10.2f\n", "list select-all", list->selectAllMs);
        std::printf("%-26s %10.2f\n", "list clear-all", list->clearAllMs);
        std::printf("%-26s %10.1f %10s %10.1f\n", "list sort by number", list->sortNumberMs, "",
                    list->sortNumberCpuMs);
        std::printf("%-26s %10.1f %10s %10.1f\n", "list sort by text", list->sortTextMs, "",
                    list->sortTextCpuMs);
        std::printf("%-26s %10.1f %10s %10.1f\n", "list filter keystroke max", list->filterKeystrokeMs, "",
                    list->filterKeystrokeCpuMs);
        std::printf("%-26s %10.3f\n", "list tick + count", list->tickCountMs);
    }
    if (startup) {
        std::printf("%-26s %10.1f %10.1f %10.1f %9.1f\n", "start-up to window shown",
                    startup->shownMs.Median(), startup->shownMs.Min(), startup->cpuMs.Median(),
                    MiB(startup->peakRssKiB));
    }
    for (const ReportCase& report : reports) {
        if (!report.formatMatches) {
            std::printf(
                "note: the .%s report of %d records is not in that format (is its writer plugged in?)\n",
                qPrintable(report.format), report.records);
        }
    }
    std::printf(
        "(medians of %d runs; cpu ms = user + system time of the process; list: medians of its own "
        "runs, load times in-process;\n small = drawn plots, large = noisy instrument screenshots of "
        "100-150 KB; copy ms = the same bytes copied into one file,\n dur. ms = durably (temporary "
        "file, fsync, rename), ratios = report / copy; check ms = stat, open, read and close each\n "
        "picture once, as inserting it must; start ms = zolt-report --version;\n floor = (durable copy "
        "+ check + start) / durable copy, the least durable ratio any report can reach)\n",
        settings.runs);
    if (!targets.empty()) {
        std::printf("\n%-38s %14s %14s\n", "target", "measured", "limit");
        for (const Target& target : targets) {
            std::printf("%-38s %14s %14s  %s\n", qPrintable(target.name), qPrintable(target.measured),
                        qPrintable(target.limit), target.met ? "met" : "MISSED");
        }
    }
}

QJsonObject ToJson(const Settings& settings, const QString& loadBefore, const QString& loadAfter,
                   const std::vector<ReportCase>& reports, const std::optional<ListCase>& list,
                   const std::optional<StartupCase>& startup, const std::vector<Target>& targets) {
    QJsonObject root;
    root[QStringLiteral("runs")] = settings.runs;
    root[QStringLiteral("processors")] = int(sysconf(_SC_NPROCESSORS_ONLN));
    root[QStringLiteral("load_average_before")] = loadBefore;
    root[QStringLiteral("load_average_after")] = loadAfter;
    QJsonArray reportArray;
    for (const ReportCase& report : reports) {
        reportArray.append(QJsonObject{{QStringLiteral("pictures"), report.pictures},
                                       {QStringLiteral("format"), report.format},
                                       {QStringLiteral("records"), report.records},
                                       {QStringLiteral("wall_ms_median"), report.wallMs.Median()},
                                       {QStringLiteral("wall_ms_min"), report.wallMs.Min()},
                                       {QStringLiteral("cpu_ms_median"), report.cpuMs.Median()},
                                       {QStringLiteral("peak_rss_kib"), double(report.peakRssKiB)},
                                       {QStringLiteral("bytes"), double(report.bytes)},
                                       {QStringLiteral("format_matches"), report.formatMatches},
                                       {QStringLiteral("copy_ms_median"), report.copyMs.Median()},
                                       {QStringLiteral("ratio"), report.Ratio()},
                                       {QStringLiteral("durable_copy_ms_median"), report.durableMs.Median()},
                                       {QStringLiteral("durable_ratio"), report.DurableRatio()},
                                       {QStringLiteral("check_ms_median"), report.checkMs.Median()},
                                       {QStringLiteral("start_ms_median"), report.startMs.Median()},
                                       {QStringLiteral("floor_ratio"), report.FloorRatio()}});
    }
    root[QStringLiteral("report")] = reportArray;
    if (list) {
        root[QStringLiteral("list")] =
            QJsonObject{{QStringLiteral("rows"), list->rows},
                        {QStringLiteral("columns"), list->columns},
                        {QStringLiteral("load_ms"), list->loadMs},
                        {QStringLiteral("load_cpu_ms"), list->loadCpuMs},
                        {QStringLiteral("select_all_ms"), list->selectAllMs},
                        {QStringLiteral("clear_all_ms"), list->clearAllMs},
                        {QStringLiteral("sort_number_ms"), list->sortNumberMs},
                        {QStringLiteral("sort_text_ms"), list->sortTextMs},
                        {QStringLiteral("filter_keystroke_ms"), list->filterKeystrokeMs},
                        {QStringLiteral("tick_count_ms"), list->tickCountMs},
                        {QStringLiteral("sort_number_cpu_ms"), list->sortNumberCpuMs},
                        {QStringLiteral("sort_text_cpu_ms"), list->sortTextCpuMs},
                        {QStringLiteral("filter_keystroke_cpu_ms"), list->filterKeystrokeCpuMs},
                        {QStringLiteral("peak_rss_kib"), double(list->peakRssKiB)}};
    }
    if (startup) {
        root[QStringLiteral("startup")] =
            QJsonObject{{QStringLiteral("shown_ms_median"), startup->shownMs.Median()},
                        {QStringLiteral("shown_ms_min"), startup->shownMs.Min()},
                        {QStringLiteral("cpu_ms_median"), startup->cpuMs.Median()},
                        {QStringLiteral("peak_rss_kib"), double(startup->peakRssKiB)}};
    }
    QJsonArray targetArray;
    for (const Target& target : targets) {
        targetArray.append(QJsonObject{{QStringLiteral("name"), target.name},
                                       {QStringLiteral("measured"), target.measured},
                                       {QStringLiteral("limit"), target.limit},
                                       {QStringLiteral("met"), target.met}});
    }
    root[QStringLiteral("targets")] = targetArray;
    return root;
}

int Benchmark(const Settings& settings) {
    std::optional<QTemporaryDir> temporary;
    QString workDir = settings.workDir;
    if (workDir.isEmpty()) {
        temporary.emplace(QDir::tempPath() + QStringLiteral("/zolt-bench-XXXXXX"));
        if (!temporary->isValid()) {
            Fail(QStringLiteral("cannot make a temporary folder: ") + temporary->errorString());
        }
        workDir = temporary->path();
    } else if (!QDir().mkpath(workDir)) {
        Fail(QStringLiteral("cannot make %1").arg(workDir));
    }
    workDir = QFileInfo(workDir).absoluteFilePath();

    const QString loadBefore = LoadAverage();
    std::printf("zolt-bench: %ld processors, load average %s, %d runs per case after a warm-up run\n",
                sysconf(_SC_NPROCESSORS_ONLN), qPrintable(loadBefore), settings.runs);

    std::vector<ReportCase> reports;
    for (const QString& pictures : settings.pictures) {
        if (settings.sizes.empty() || settings.formats.isEmpty()) {
            break;
        }
        const QString dataSet = MakeDataSet(workDir, settings.sizes.back(), pictures);
        for (const QString& format : settings.formats) {
            for (int records : settings.sizes) {
                reports.push_back(MeasureReport(settings, dataSet, pictures, format, records));
                std::printf("  %s .%s n=%d: %.1f ms\n", qPrintable(pictures), qPrintable(format), records,
                            reports.back().wallMs.Median());
                std::fflush(stdout);
            }
        }
        // The next set's files take the place of these in the disk's cache.
        QDir(dataSet).removeRecursively();
    }
    std::optional<ListCase> list;
    if (settings.measureList) {
        list = MeasureList(settings);
        std::printf("  list %d records: %.1f ms\n", list->rows, list->loadMs);
    }
    std::optional<StartupCase> startup;
    if (settings.measureStartup) {
        startup = MeasureStartup(settings, workDir);
        std::printf("  start-up: %.1f ms\n", startup->shownMs.Median());
    }
    const QString loadAfter = LoadAverage();

    const std::vector<Target> targets = Targets(settings, reports, list, startup);
    PrintTable(settings, reports, list, startup, targets);
    std::printf("load average before %s, after %s\n", qPrintable(loadBefore), qPrintable(loadAfter));

    if (!settings.jsonPath.isEmpty()) {
        QFile file(settings.jsonPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(QJsonDocument(ToJson(settings, loadBefore, loadAfter, reports, list, startup, targets))
                           .toJson()) < 0) {
            Fail(QStringLiteral("cannot write %1").arg(settings.jsonPath));
        }
    }
    return 0;
}
} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const std::optional<Settings> settings = ParseSettings(arguments);
    if (!settings) {
        return 2;
    }
    KeepWineServer(*settings, true);
    int status = 1;
    try {
        status = Benchmark(*settings);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "zolt-bench: %s\n", failure.what());
    }
    KeepWineServer(*settings, false);
    return status;
}
