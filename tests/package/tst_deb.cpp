// Builds the Debian package from this build tree, installs it on the machine, writes a report
// with the installed programs and removes the package again. Needs root; the machine is left as
// it was found, also when a check fails.

#include "support/DocxBody.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <unistd.h>

namespace {

const QString kPackage = QStringLiteral("zolt");

struct Result {
    int exitCode = -1; // -1: did not start or did not finish in time, -2: crashed
    QString out;
    QString err;
    QString Describe() const { return QStringLiteral("exit %1\n%2\n%3").arg(exitCode).arg(out, err); }
};

Result Run(const QString& program, const QStringList& arguments, int timeoutMs = 180000) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DEBIAN_FRONTEND"), QStringLiteral("noninteractive"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Result result;
    if (!process.waitForStarted(10000)) {
        result.err = process.errorString();
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        result.err = QStringLiteral("timed out");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

bool IsInstalled(const QString& package) {
    const Result status = Run(QStringLiteral("dpkg-query"), {"-W", "-f=${Status}", package});
    return status.exitCode == 0 && status.out.contains(QStringLiteral("install ok installed"));
}

// Every package dpkg knows with its state; equal lists before and after mean nothing was left.
QStringList PackageStates() {
    QStringList lines = Run(QStringLiteral("dpkg-query"), {"-W", "-f=${Package} ${Version} ${Status}\n"})
                            .out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

QString ControlField(const QString& deb, const QString& field) {
    return Run(QStringLiteral("dpkg-deb"), {"-f", deb, field}).out.trimmed();
}

// Package names of a Depends-style field, without versions and alternatives' bars.
QStringList PackageNames(const QString& field) {
    QStringList names;
    for (const QString& part : field.split(QRegularExpression(QStringLiteral("[,|]")), Qt::SkipEmptyParts)) {
        names << part.trimmed().section(QLatin1Char(' '), 0, 0);
    }
    return names;
}

// Removes the package when it goes out of scope, whatever the test reached.
class InstalledPackage {
public:
    ~InstalledPackage() {
        if (m_bInstalled) {
            Remove();
        }
    }
    void MarkInstalled() { m_bInstalled = true; }
    Result Remove() {
        m_bInstalled = false;
        return Run(QStringLiteral("dpkg"), {"--purge", kPackage});
    }

private:
    bool m_bInstalled = false;
};

} // namespace

class TestDebPackage : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_deb;
    // Two runs of this test at once (two build trees) would remove each other's package.
    QLockFile m_lock{QDir::temp().filePath(QStringLiteral("zolt-package-test.lock"))};

private slots:
    void initTestCase() {
        if (geteuid() != 0) {
            QSKIP("installing the .deb needs root: run the suite as root to check the package");
        }
        for (const char* tool : {"dpkg", "dpkg-deb", "dpkg-query", "apt-get"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                QSKIP(qPrintable(QStringLiteral("%1 is missing: not a Debian system").arg(tool)));
            }
        }
        if (IsInstalled(kPackage)) {
            QSKIP("a zolt package is installed on this machine already; the test does not replace it");
        }
        for (const char* program : {"zolt", "zolt-report", "zolt-demo-data"}) {
            if (QFileInfo::exists(QStringLiteral("/usr/bin/") + QString::fromLatin1(program))) {
                QSKIP(qPrintable(QStringLiteral("/usr/bin/%1 exists outside the package manager; the "
                                                "test would overwrite it")
                                     .arg(program)));
            }
        }
        QVERIFY(m_dir.isValid());
        m_lock.setStaleLockTime(0);
        QVERIFY2(m_lock.tryLock(240000), "another package test holds the lock");

        // The package comes from this build tree's install rules, in a folder of its own.
        const Result cpack = Run(QStringLiteral(ZOLT_CPACK_COMMAND),
                                 {"-G", "DEB", "--config",
                                  QStringLiteral(ZOLT_BINARY_DIR "/CPackConfig.cmake"), "-B", m_dir.path()});
        QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.Describe()));
        const QStringList debs = QDir(m_dir.path()).entryList({QStringLiteral("zolt_*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        m_deb = m_dir.filePath(debs.first());
    }

    void packageNamesWhatItNeeds() {
        QCOMPARE(ControlField(m_deb, QStringLiteral("Package")), kPackage);
        QVERIFY(ControlField(m_deb, QStringLiteral("Version")).startsWith(QStringLiteral(ZOLT_VERSION)));
        const QStringList depends = PackageNames(ControlField(m_deb, QStringLiteral("Depends")));
        for (const char* needed : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libsqlite3-0", "libzip4",
                                   "libc6", "libstdc++6", "qt6-translations-l10n"}) {
            QVERIFY2(depends.contains(QString::fromLatin1(needed)),
                     qPrintable(QStringLiteral("Depends lacks %1: %2").arg(needed, depends.join(", "))));
        }
        // Development packages would drag a compiler's worth of headers onto a user's machine.
        for (const QString& name : depends) {
            QVERIFY2(!name.endsWith(QStringLiteral("-dev")), qPrintable(name));
        }

        const QStringList contents =
            Run(QStringLiteral("dpkg-deb"), {"-c", m_deb}).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const auto holds = [&](const QString& path) {
            return std::any_of(contents.begin(), contents.end(), [&](const QString& line) {
                return line.endsWith(QStringLiteral(" .") + path);
            });
        };
        for (const char* path : {"/usr/bin/zolt", "/usr/bin/zolt-report", "/usr/bin/zolt-demo-data",
                                 "/usr/share/applications/io.github.zolt.ZOLT.desktop",
                                 "/usr/share/icons/hicolor/16x16/apps/io.github.zolt.ZOLT.png",
                                 "/usr/share/icons/hicolor/48x48/apps/io.github.zolt.ZOLT.png",
                                 "/usr/share/icons/hicolor/256x256/apps/io.github.zolt.ZOLT.png"}) {
            QVERIFY2(holds(QString::fromLatin1(path)), path);
        }
        // Nothing of the build tree (tests, libraries, headers) goes into the package.
        for (const QString& line : contents) {
            const QString path = line.section(QLatin1Char(' '), -1);
            QVERIFY2(path.startsWith(QStringLiteral("./usr/bin/")) ||
                         path.startsWith(QStringLiteral("./usr/share/")) || path == QStringLiteral("./usr/"),
                     qPrintable(path));
        }
    }

    void installWriteReportAndRemove() {
        const QStringList before = PackageStates();
        QVERIFY(!before.isEmpty());

        // Everything the package needs must be on the machine already: the test installs nothing else.
        const Result simulated =
            Run(QStringLiteral("apt-get"), {"install", "-s", "--no-install-recommends", m_deb}, 120000);
        QVERIFY2(simulated.exitCode == 0, qPrintable(simulated.Describe()));
        QStringList others;
        for (const QString& line : simulated.out.split(QLatin1Char('\n'))) {
            if (line.startsWith(QStringLiteral("Inst ")) &&
                line.section(QLatin1Char(' '), 1, 1) != kPackage) {
                others << line.section(QLatin1Char(' '), 1, 1);
            }
        }
        QVERIFY2(others.isEmpty(),
                 qPrintable(QStringLiteral("installing would also bring: ") + others.join(", ")));

        InstalledPackage installed;
        installed.MarkInstalled(); // from here on a failure still removes whatever got in
        const Result install =
            Run(QStringLiteral("apt-get"),
                {"install", "-y", "-q", "--no-install-recommends", "-o", "DPkg::Lock::Timeout=120", m_deb},
                300000);
        QVERIFY2(install.exitCode == 0, qPrintable(install.Describe()));
        QVERIFY(IsInstalled(kPackage));

        QVERIFY(QFileInfo(QStringLiteral("/usr/bin/zolt")).isExecutable());
        const Result ldd = Run(QStringLiteral("ldd"), {QStringLiteral("/usr/bin/zolt")});
        QVERIFY2(ldd.exitCode == 0 && !ldd.out.contains(QStringLiteral("not found")),
                 qPrintable(ldd.Describe()));
        if (!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty()) {
            const Result validate =
                Run(QStringLiteral("desktop-file-validate"),
                    {QStringLiteral("/usr/share/applications/io.github.zolt.ZOLT.desktop")});
            QVERIFY2(validate.exitCode == 0 && validate.out.isEmpty(), qPrintable(validate.Describe()));
        }

        // The installed programs, not the build tree's, make a data set and write its report.
        const Result demo = Run(QStringLiteral("/usr/bin/zolt-demo-data"),
                                {m_dir.path(), "--name", "安装 测试", "--records", "4", "--seed", "3"});
        QVERIFY2(demo.exitCode == 0, qPrintable(demo.Describe()));
        const QString data = m_dir.filePath(QStringLiteral("安装 测试"));
        const QString docx = m_dir.filePath(QStringLiteral("installed.docx"));
        const QString doc = m_dir.filePath(QStringLiteral("installed.doc"));
        for (const QString& out : {docx, doc}) {
            const Result report =
                Run(QStringLiteral("/usr/bin/zolt-report"),
                    {"--data", data, "--method", "tev", "--out", out, "--inspector", "李工"});
            QVERIFY2(report.exitCode == 0 && report.err.isEmpty(), qPrintable(report.Describe()));
        }
        const DocxBody body(docx);
        QVERIFY2(body.Error().isEmpty(), qPrintable(body.Error()));
        QCOMPARE(body.Elements().first().paragraph.Text(), QStringLiteral("TEV局部放电检测报告"));
        bool inspector = false;
        int dataRows = 0;
        int pictures = 0;
        for (const DocxBody::Element& element : body.Elements()) {
            inspector = inspector || element.paragraph.Text() == QStringLiteral("检测人员：李工");
            if (element.isTable && element.table.gridColumns == 14) {
                dataRows += element.table.rows.size() - 1;
                for (const QList<DocxBody::Cell>& row : element.table.rows) {
                    for (const DocxBody::Cell& cell : row) {
                        pictures += cell.Pictures().size();
                    }
                }
            }
        }
        QVERIFY(inspector);
        QCOMPARE(dataRows, 4);
        QCOMPARE(pictures, 12);
        QFile binary(doc);
        QVERIFY(binary.open(QIODevice::ReadOnly));
        QCOMPARE(binary.read(8), QByteArray::fromHex("d0cf11e0a1b11ae1")); // a compound file

        const Result removed = installed.Remove();
        QVERIFY2(removed.exitCode == 0, qPrintable(removed.Describe()));
        QVERIFY(!IsInstalled(kPackage));
        for (const char* path : {"/usr/bin/zolt", "/usr/bin/zolt-report", "/usr/bin/zolt-demo-data",
                                 "/usr/share/applications/io.github.zolt.ZOLT.desktop"}) {
            QVERIFY2(!QFileInfo::exists(QString::fromLatin1(path)), path);
        }
        QCOMPARE(PackageStates(), before);
    }
};

QTEST_GUILESS_MAIN(TestDebPackage)
#include "tst_deb.moc"
