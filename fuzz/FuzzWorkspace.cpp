#include "FuzzWorkspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

QString FuzzWorkspace::Folder() {
    static const std::unique_ptr<QTemporaryDir> folder = [] {
        const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                : QDir::tempPath();
        auto dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/zolt-fuzz-XXXXXX"));
        Require(dir->isValid(), "scratch folder", dir->errorString());
        return dir;
    }();
    return folder->path();
}

void FuzzWorkspace::EnsureApplication() {
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "zolt-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

void FuzzWorkspace::Require(bool ok, const char* what, const QString& detail) {
    if (ok)
        return;
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s%s%s\n", what, detail.isEmpty() ? "" : ": ",
                 qPrintable(detail));
    std::abort();
}
