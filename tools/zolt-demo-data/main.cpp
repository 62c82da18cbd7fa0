#include "DemoDataSet.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

struct OptionSet {
    QCommandLineOption name;
    QCommandLineOption records;
    QCommandLineOption seed;
    QCommandLineOption format;
    QCommandLineOption force;
    QCommandLineOption instrument;
};

OptionSet AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Writes a sample partial-discharge test data set OUTDIR/NAME: NAME.db3 with the record "
        "tables AE_RECORD, TEV_RECORD and HFCT_RECORD, and the picture folders NAME-US, "
        "NAME-TEV and NAME-HFCT."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("OUTDIR"),
                                 QStringLiteral("Folder in which the data set is made."));
    const DemoDataSet::Options defaults;
    OptionSet set{
        QCommandLineOption(QStringLiteral("name"),
                           QStringLiteral("Name of the data set folder (default: %1).").arg(defaults.name),
                           QStringLiteral("NAME"), defaults.name),
        QCommandLineOption(QStringLiteral("records"),
                           QStringLiteral("Records per record table (default: %1).").arg(defaults.records),
                           QStringLiteral("N"), QString::number(defaults.records)),
        QCommandLineOption(
            QStringLiteral("seed"),
            QStringLiteral("Seed of the generated values and plots (default: %1).").arg(defaults.seed),
            QStringLiteral("S"), QString::number(defaults.seed)),
        QCommandLineOption(QStringLiteral("format"),
                           QStringLiteral("Picture format: png, jpg or bmp (default: png)."),
                           QStringLiteral("FORMAT"), defaults.format),
        QCommandLineOption(QStringLiteral("force"),
                           QStringLiteral("Replace a data set of that name made before.")),
        QCommandLineOption(
            QStringLiteral("instrument-pictures"),
            QStringLiteral(
                "Noisy instrument screenshots of 100 to 150 KB instead of small plots (png only).")),
    };
    parser.addOptions({set.name, set.records, set.seed, set.format, set.force, set.instrument});
    return set;
}

// Fills `options` from the parsed command line; false after a message on a usage error.
bool ReadOptions(const QCommandLineParser& parser, const OptionSet& set, DemoDataSet::Options* options,
                 QTextStream& err) {
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        err << "zolt-demo-data: give exactly one OUTDIR\n\n" << parser.helpText();
        return false;
    }
    options->outDir = positional.first();
    options->name = parser.value(set.name);
    options->format = parser.value(set.format).toLower();
    options->replace = parser.isSet(set.force);
    options->instrument = parser.isSet(set.instrument);
    bool recordsOk = false;
    options->records = parser.value(set.records).toInt(&recordsOk);
    bool seedOk = false;
    options->seed = parser.value(set.seed).toUInt(&seedOk);
    if (!recordsOk || options->records < 0) {
        err << "zolt-demo-data: --records needs a whole number of at least 0\n";
        return false;
    }
    if (!seedOk) {
        err << "zolt-demo-data: --seed needs a whole number from 0 to 4294967295\n";
        return false;
    }
    if (!DemoDataSet::Formats().contains(options->format)) {
        err << "zolt-demo-data: --format must be png, jpg or bmp\n";
        return false;
    }
    if (options->instrument && options->format != QLatin1String("png")) {
        err << "zolt-demo-data: --instrument-pictures are png pictures\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    // The plots' labels need fonts, which come with a GUI application; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zolt-demo-data"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZOLT_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    const OptionSet set = AddOptions(parser);
    parser.process(application);
    DemoDataSet::Options options;
    if (!ReadOptions(parser, set, &options, err)) {
        return 2;
    }

    QString folder;
    QString error;
    if (!DemoDataSet::Generate(options, &folder, &error)) {
        err << "zolt-demo-data: " << error << "\n";
        return 1;
    }
    out << folder << "\n";
    return 0;
}
