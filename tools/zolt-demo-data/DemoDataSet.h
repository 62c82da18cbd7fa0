#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;

// Writes sample test data sets: OUTDIR/NAME with NAME.db3 (record tables AE_RECORD, TEV_RECORD,
// HFCT_RECORD) and the picture folders NAME-US, NAME-TEV, NAME-HFCT with synthetic waveform,
// continuous, PRPD and PRPS plots. The same options give the same bytes.
// Drawing text needs a QGuiApplication; without one the plots carry no labels.
class DemoDataSet {
public:
    struct Options {
        QString outDir;
        QString name = DefaultName();
        int records = 24; // per record table
        quint32 seed = 1;
        QString format = "png";  // png, jpg or bmp
        bool pictures = true;    // false: the database only (benchmarks)
        bool instrument = false; // noisy instrument screenshots of 100 to 150 KB (PNG only)
        bool replace = false;    // replace an existing data set of that name
    };

    struct Column {
        QString name;
        QString type; // declared SQL type, may be empty
    };

    enum class PlotKind { Waveform, Continuous, Prpd, Prps };

    static QString DefaultName();
    static QStringList Formats();

    // Writes the data set; on success *folderPath is OUTDIR/NAME. Refuses to touch an existing
    // folder of that name unless replace is set.
    static bool Generate(const Options& options, QString* folderPath, QString* error);

    // Creates a table and inserts rows in one transaction. A null QVariant is stored as NULL,
    // a QByteArray as TEXT with exactly those bytes (also when they are not UTF-8), integers and
    // doubles as numbers, everything else as UTF-8 text.
    static bool WriteTable(sqlite3* db, const QString& table, const QList<Column>& columns,
                           const QList<QVariantList>& rows, QString* error);

    // The record table layouts the generator writes.
    static QList<Column> UsColumns();
    static QList<Column> TevColumns();
    static QList<Column> HfctColumns();

    // One synthetic plot; 'level' (0..1) scales the discharge activity.
    static QImage DrawPlot(PlotKind kind, quint32 seed, double level, const QSize& size = QSize(400, 300));
    // A plot as an instrument's screen capture shows it: dark, larger, with sensor noise in every
    // pixel, so that a PNG of it takes 100 to 150 KB as real captures do. Same seed, same pixels.
    static QImage InstrumentScreen(const QImage& plot, quint32 seed);
    // Encoded image bytes without timestamps; format as in Formats().
    static QByteArray Encode(const QImage& image, const QString& format);
};
