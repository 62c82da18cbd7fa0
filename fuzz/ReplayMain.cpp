// Runs a fuzz target over files without libFuzzer: every file named, and every file in every folder
// named, once each, in name order. A failed check aborts, so CTest sees the failure.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char* argv[]) {
    QStringList inputs;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QFile::decodeName(argv[i]);
        if (!QFileInfo::exists(argument))
            continue; // a folder of regression inputs that has none yet
        if (QFileInfo(argument).isDir()) {
            const QDir folder(argument);
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
                inputs << folder.filePath(name);
        } else {
            inputs << argument;
        }
    }
    for (const QString& input : inputs) {
        QFile file(input);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(input));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        std::fprintf(stderr, "%s\n", qPrintable(input));
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               std::size_t(bytes.size()));
    }
    std::fprintf(stderr, "%lld inputs, all passed\n", static_cast<long long>(inputs.size()));
    return 0;
}
