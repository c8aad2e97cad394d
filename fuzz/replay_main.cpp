#include "fuzz/corpus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Runs the fuzz target on every input without libFuzzer, so that any compiler and the sanitizer
// build can run it as a test: on a corpus generated from a fixed seed, or on saved inputs given
// as files and folders (a libFuzzer corpus or crash file).
class Replay {
public:
    void run(const QString& label, const QByteArray& input) {
        try {
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()),
                                   size_t(input.size()));
            ++passed_;
        } catch (const std::exception& error) {
            fail(label, input, QString::fromUtf8(error.what()));
        } catch (...) {
            fail(label, input, QStringLiteral("an exception of unknown type"));
        }
    }

    void runPath(const QString& path) {
        const QFileInfo info(path);
        if (info.isDir()) {
            for (const QFileInfo& entry : QDir(path).entryInfoList(QDir::Files, QDir::Name))
                runPath(entry.filePath());
            return;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            ++failed_;
            return;
        }
        run(path, file.readAll());
    }

    int finish() const {
        std::printf("%d passed, %d failed\n", passed_, failed_);
        return failed_ == 0 ? 0 : 1;
    }

private:
    // Saves the input in the working folder, so that it can be replayed by name.
    void fail(const QString& label, const QByteArray& input, const QString& what) {
        const lumbex::fuzz::TargetFiles files = lumbex::fuzz::targetFiles();
        const QString saved =
            QStringLiteral("%1_failure_%2%3").arg(files.name).arg(++failed_).arg(files.extension);
        QFile file(saved);
        if (file.open(QIODevice::WriteOnly))
            file.write(input);
        std::fprintf(stderr, "FAILED %s: %s (input saved as %s)\n", qPrintable(label.left(200)),
                     qPrintable(what), qPrintable(saved));
    }

    int passed_ = 0;
    int failed_ = 0;
};

constexpr quint64 kCorpusSeed = 0x5eed'0001;

// A starting corpus for libFuzzer: the valid seed inputs, one file each.
int writeSeeds(const QString& folder) {
    QDir().mkpath(folder);
    const QString extension = lumbex::fuzz::targetFiles().extension;
    int index = 0;
    for (const QByteArray& seed : lumbex::fuzz::seedInputs()) {
        QFile file(QDir(folder).filePath(QStringLiteral("seed_%1%2").arg(index++).arg(extension)));
        if (!file.open(QIODevice::WriteOnly) || file.write(seed) != seed.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    return 0;
}

} // namespace

// <target>_fuzz_replay                        replays the generated corpus
// <target>_fuzz_replay <file or folder>...    replays saved inputs
// <target>_fuzz_replay --write-seeds <folder> writes the seed inputs
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Replay replay;
    const QStringList paths = app.arguments().mid(1);
    try {
        if (paths.size() == 2 && paths[0] == QStringLiteral("--write-seeds"))
            return writeSeeds(paths[1]);
        if (paths.isEmpty())
            lumbex::fuzz::generateCorpus(
                kCorpusSeed,
                [&](const QString& label, const QByteArray& input) { replay.run(label, input); });
        for (const QString& path : paths)
            replay.runPath(path);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return replay.finish();
}
