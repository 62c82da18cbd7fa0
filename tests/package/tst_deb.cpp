// Builds the Debian package from this build tree, checks it with lintian, installs it on the
// machine, writes a report with the installed programs, reads their manual pages and removes the
// package again. Needs root; the machine is left as it was found, also when a check fails.

#include "support/DocxBody.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
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

// The options a program's --help lists: the first column of its indented lines that start with
// a dash ("  -h, --help   Displays ...", "  --data FOLDER   the test data set folder").
QStringList HelpOptions(const QString& help) {
    static const QRegularExpression entry(QStringLiteral("^ {1,6}-"));
    static const QRegularExpression columns(QStringLiteral("\\s{2,}"));
    static const QRegularExpression option(QStringLiteral("(?:^|[\\s,])(--?[A-Za-z0-9][A-Za-z0-9-]*)"));
    QStringList options;
    for (const QString& line : help.split(QLatin1Char('\n'))) {
        if (!entry.match(line).hasMatch()) {
            continue;
        }
        const QString first = line.trimmed().split(columns).first();
        for (auto it = option.globalMatch(first); it.hasNext();) {
            options << it.next().captured(1);
        }
    }
    options.removeDuplicates();
    return options;
}

// A page as man shows it, as plain text with ASCII hyphens, lines wide enough not to be broken.
Result ShowManualPage(const QString& page) {
    Result shown = Run(QStringLiteral("env"), {"MANWIDTH=250", "man", "--warnings", "-l", page});
    shown.out.remove(QRegularExpression(QStringLiteral(".\\x08")));
    for (const QChar dash : {QChar(0x2010), QChar(0x2011), QChar(0x2212)}) {
        shown.out.replace(dash, QLatin1Char('-'));
    }
    return shown;
}

bool Mentions(const QString& text, const QString& word) {
    return text.contains(
        QRegularExpression(QStringLiteral("(?<![\\w-])%1(?![\\w-])").arg(QRegularExpression::escape(word))));
}

// Removes the package when it goes out of scope, whatever the test reached.
class InstalledPackage {
public:
    ~InstalledPackage() {
        if (m_installed) {
            Remove();
        }
    }
    void MarkInstalled() { m_installed = true; }
    Result Remove() {
        m_installed = false;
        return Run(QStringLiteral("dpkg"), {"--purge", kPackage});
    }

private:
    bool m_installed = false;
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
        // The window needs Qt's X11 platform plugin: its package must come with the package's
        // Depends or Recommends, whichever package holds it in this Debian release.
        const QString xcb =
            QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/libqxcb.so");
        const Result owner = Run(QStringLiteral("dpkg-query"), {"-S", xcb});
        if (owner.exitCode == 0) {
            const QString holder = owner.out.section(QLatin1Char(':'), 0, 0).trimmed();
            const QStringList recommends = PackageNames(ControlField(m_deb, QStringLiteral("Recommends")));
            QVERIFY2(depends.contains(holder) || recommends.contains(holder),
                     qPrintable(QStringLiteral("%1 comes with %2, which the package neither depends on nor "
                                               "recommends")
                                    .arg(xcb, holder)));
        } else {
            qInfo("%s is not from a Debian package; the platform plugin's package is not checked",
                  qPrintable(xcb));
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
                                 "/usr/share/icons/hicolor/256x256/apps/io.github.zolt.ZOLT.png",
                                 "/usr/share/doc/zolt/changelog.gz", "/usr/share/doc/zolt/copyright",
                                 "/usr/share/man/man1/zolt.1.gz", "/usr/share/man/man1/zolt-report.1.gz",
                                 "/usr/share/man/man1/zolt-demo-data.1.gz"}) {
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

    void lintianFindsNoErrorsOrWarnings() {
        if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty()) {
            QSKIP("lintian is missing: install it (scripts/install-deps.sh does) to check the package");
        }
        const Result lintian = Run(QStringLiteral("lintian"), {"--no-tag-display-limit", m_deb}, 600000);
        QVERIFY2(lintian.exitCode == 0 || lintian.exitCode == 1, qPrintable(lintian.Describe()));
        QStringList findings;
        for (const QString& line : lintian.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line.startsWith(QStringLiteral("E: ")) || line.startsWith(QStringLiteral("W: "))) {
                findings << line;
            }
        }
        QVERIFY2(findings.isEmpty(), qPrintable(QStringLiteral("lintian:\n") + findings.join('\n')));
        QCOMPARE(lintian.exitCode, 0);
    }

    void changelogAndCopyright() {
        const QString root = m_dir.filePath(QStringLiteral("contents"));
        const Result extracted = Run(QStringLiteral("dpkg-deb"), {"-x", m_deb, root});
        QVERIFY2(extracted.exitCode == 0, qPrintable(extracted.Describe()));
        const QString doc = root + QStringLiteral("/usr/share/doc/zolt/");

        // A changelog in Debian's format with an entry for this version.
        const Result changelog = Run(QStringLiteral("gzip"), {"-dc", doc + QStringLiteral("changelog.gz")});
        QVERIFY2(changelog.exitCode == 0, qPrintable(changelog.Describe()));
        QVERIFY2(changelog.out.contains(
                     QRegularExpression(QStringLiteral("^zolt \\(%1\\) [a-zA-Z-]+; urgency=\\w+$")
                                            .arg(QRegularExpression::escape(QStringLiteral(ZOLT_VERSION))),
                                        QRegularExpression::MultilineOption)),
                 qPrintable(changelog.out.left(2000)));
        if (!QStandardPaths::findExecutable(QStringLiteral("dpkg-parsechangelog")).isEmpty()) {
            QFile plain(m_dir.filePath(QStringLiteral("changelog")));
            QVERIFY(plain.open(QIODevice::WriteOnly));
            plain.write(changelog.out.toUtf8());
            plain.close();
            const Result parsed =
                Run(QStringLiteral("dpkg-parsechangelog"), {"-l", plain.fileName(), "--all"});
            QVERIFY2(parsed.exitCode == 0 && parsed.err.isEmpty(), qPrintable(parsed.Describe()));
        }

        // The copyright file in Debian's machine-readable format, each License named and stated.
        QFile copyright(doc + QStringLiteral("copyright"));
        QVERIFY(copyright.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString text = QString::fromUtf8(copyright.readAll());
        QVERIFY(text.startsWith(
            QStringLiteral("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")));
        QVERIFY(text.contains(
            QRegularExpression(QStringLiteral("^Files: \\*$"), QRegularExpression::MultilineOption)));
        QVERIFY(text.contains(
            QRegularExpression(QStringLiteral("^Copyright: .*\\S"), QRegularExpression::MultilineOption)));
        static const QRegularExpression licence(QStringLiteral("^License: (\\S+)$"),
                                                QRegularExpression::MultilineOption);
        QStringList named;
        QStringList stated;
        for (auto it = licence.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            // A License line followed by its text states it; a License line alone names it.
            const bool withText = text.mid(match.capturedEnd(), 2) == QStringLiteral("\n ");
            (withText ? stated : named) << match.captured(1);
        }
        QVERIFY(!named.isEmpty());
        for (const QString& name : named) {
            QVERIFY2(stated.contains(name), qPrintable(QStringLiteral("licence %1 is not stated").arg(name)));
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

        // The manual pages: man finds and shows each without a warning; the pages of the programs
        // with options name every option the installed program's --help lists.
        for (const char* name : {"zolt", "zolt-report", "zolt-demo-data"}) {
            const QString program = QString::fromLatin1(name);
            const QString page = QStringLiteral("/usr/share/man/man1/%1.1.gz").arg(program);
            const Result found = Run(QStringLiteral("man"), {"-w", program});
            QVERIFY2(found.exitCode == 0 && found.out.trimmed() == page, qPrintable(found.Describe()));
            const Result shown = ShowManualPage(page);
            QVERIFY2(shown.exitCode == 0 && shown.err.isEmpty(), qPrintable(shown.Describe()));
            for (const char* section :
                 {"NAME", "SYNOPSIS", "DESCRIPTION", "EXIT STATUS", "FILES", "SEE ALSO"}) {
                QVERIFY2(
                    shown.out.contains(QRegularExpression(QStringLiteral("^%1$").arg(QLatin1String(section)),
                                                          QRegularExpression::MultilineOption)),
                    qPrintable(QStringLiteral("%1(1) lacks %2").arg(program, QLatin1String(section))));
            }
            QVERIFY2(Mentions(shown.out, QStringLiteral("AE_RECORD")), qPrintable(program));
            if (program == QLatin1String("zolt")) {
                QVERIFY(Mentions(shown.out, QStringLiteral("ZOLT.DB3")));
                continue;
            }
            QVERIFY2(shown.out.contains(QRegularExpression(QStringLiteral("^EXAMPLES$"),
                                                           QRegularExpression::MultilineOption)),
                     qPrintable(program));
            const Result help = Run(QStringLiteral("/usr/bin/") + program, {"--help"});
            QVERIFY2(help.exitCode == 0, qPrintable(help.Describe()));
            const QStringList options = HelpOptions(help.out);
            QVERIFY2(options.contains(QStringLiteral("--help")) &&
                         options.contains(QStringLiteral("--version")),
                     qPrintable(program + QStringLiteral(": ") + options.join(' ')));
            for (const QString& option : options) {
                QVERIFY2(
                    Mentions(shown.out, option),
                    qPrintable(
                        QStringLiteral("%1(1) does not name %2, which --help lists").arg(program, option)));
            }
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
