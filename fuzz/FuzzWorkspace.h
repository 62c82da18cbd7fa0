#pragma once

#include <QString>

// What every fuzz target shares: a scratch folder for the files of one input (in memory-backed
// /dev/shm when there is one, so that fuzzing does not wear the disk), and the failure that
// libFuzzer records as a crash.
class FuzzWorkspace {
public:
    // The process's scratch folder, created on first use and removed at exit.
    static QString Folder();
    // Makes sure a QCoreApplication exists (image plugins are found through it).
    static void EnsureApplication();
    // Reports `what` and aborts when `ok` is false.
    static void Require(bool ok, const char* what, const QString& detail = QString());
};
