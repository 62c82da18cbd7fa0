#include "DemoDataSet.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

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
    parser.setApplicationDescription(QStringLiteral(
        "Writes a sample partial-discharge test data set OUTDIR/NAME: NAME.db3 with the record "
        "tables AE_RECORD, TEV_RECORD and HFCT_RECORD, and the picture folders NAME-US, "
        "NAME-TEV and NAME-HFCT."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("OUTDIR"),
                                 QStringLiteral("Folder in which the data set is made."));
    const DemoDataSet::Options defaults;
    const QCommandLineOption nameOption(
        QStringLiteral("name"),
        QStringLiteral("Name of the data set folder (default: %1).").arg(defaults.strName),
        QStringLiteral("NAME"), defaults.strName);
    const QCommandLineOption recordsOption(
        QStringLiteral("records"),
        QStringLiteral("Records per record table (default: %1).").arg(defaults.nRecords), QStringLiteral("N"),
        QString::number(defaults.nRecords));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"),
        QStringLiteral("Seed of the generated values and plots (default: %1).").arg(defaults.nSeed),
        QStringLiteral("S"), QString::number(defaults.nSeed));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("Picture format: png, jpg or bmp (default: png)."),
                                          QStringLiteral("FORMAT"), defaults.strFormat);
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         QStringLiteral("Replace a data set of that name made before."));
    const QCommandLineOption instrumentOption(
        QStringLiteral("instrument-pictures"),
        QStringLiteral("Noisy instrument screenshots of 100 to 150 KB instead of small plots (png only)."));
    parser.addOptions({nameOption, recordsOption, seedOption, formatOption, forceOption, instrumentOption});
    parser.process(application);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        err << "zolt-demo-data: give exactly one OUTDIR\n\n" << parser.helpText();
        return 2;
    }
    DemoDataSet::Options options;
    options.strOutDir = positional.first();
    options.strName = parser.value(nameOption);
    options.strFormat = parser.value(formatOption).toLower();
    options.bReplace = parser.isSet(forceOption);
    options.bInstrument = parser.isSet(instrumentOption);
    bool recordsOk = false;
    options.nRecords = parser.value(recordsOption).toInt(&recordsOk);
    bool seedOk = false;
    options.nSeed = parser.value(seedOption).toUInt(&seedOk);
    if (!recordsOk || options.nRecords < 0) {
        err << "zolt-demo-data: --records needs a whole number of at least 0\n";
        return 2;
    }
    if (!seedOk) {
        err << "zolt-demo-data: --seed needs a whole number from 0 to 4294967295\n";
        return 2;
    }
    if (!DemoDataSet::Formats().contains(options.strFormat)) {
        err << "zolt-demo-data: --format must be png, jpg or bmp\n";
        return 2;
    }
    if (options.bInstrument && options.strFormat != QLatin1String("png")) {
        err << "zolt-demo-data: --instrument-pictures are png pictures\n";
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
