#include "core/error.h"
#include "core/ids.h"
#include "fuzz/corpus.h"
#include "fuzz/text_mutations.h"
#include "platform/recording_media.h"

#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>
#include <utility>

namespace lumbex::fuzz {
namespace {

using Named = std::pair<QString, QByteArray>;

constexpr qint64 kStart = 1'000'000'000;
// Boxes whose size and content steer the demuxer: where mutations do the most.
constexpr const char* kBoxTypes[] = {"moov", "trak", "mdia", "minf", "stbl", "stsd", "avcC",
                                     "esds", "hdlr", "mdhd", "mvex", "trex", "moof", "traf",
                                     "tfhd", "tfdt", "trun", "mdat", "mfra", "tfra"};

// A short movie from the writer: pictures that change, sound on one of two declared tracks, with
// half-second fragments.
QByteArray writtenSegment(bool withSound) {
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("seed.mov"));
    MovieSettings settings;
    settings.path = path;
    settings.width = 64;
    settings.height = 48;
    settings.videoBitRate = 300'000;
    settings.fragmentSeconds = 1;
    if (withSound)
        settings.audio = {RecordingAudio::System, RecordingAudio::Microphone};
    const auto writer = openMovieWriter(settings);
    writer->startSession(kStart);
    for (qint64 t = 0; t < 1'500'000; t += 100'000) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(int(t / 10'000) % 360, 255, 255));
        writer->appendVideo({picture, kStart + t});
        if (withSound) {
            AudioSample sound{std::vector<float>(9600, 0.1f), kStart + t};
            writer->appendAudio(RecordingAudio::System, sound);
        }
    }
    writer->endSession(kStart + 1'400'000 + kRecordingFrameMicroseconds);
    if (!writer->finish())
        throw std::logic_error("the seed movie could not be written");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::logic_error("the seed movie could not be read");
    return file.readAll();
}

std::vector<Named> checkedSeeds() {
    std::vector<Named> seeds{{QStringLiteral("segment with sound"), writtenSegment(true)},
                             {QStringLiteral("silent segment"), writtenSegment(false)}};
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("check.mov"));
    for (const auto& [name, bytes] : seeds) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            throw std::logic_error("a seed could not be written to a file");
        file.close();
        try {
            inspectRecordingSegment(path, newId());
        } catch (const LumbexError& error) {
            throw std::logic_error(QStringLiteral("seed %1 is not valid: %2")
                                       .arg(name, error.message())
                                       .toStdString());
        }
    }
    return seeds;
}

// Each box's size field set to values that point nowhere sensible.
void boxSizes(const QString& name, const QByteArray& movie, const Visit& visit) {
    for (const char* type : kBoxTypes) {
        const qsizetype at = movie.indexOf(type);
        if (at < 4)
            continue;
        for (const quint32 size : {0u, 1u, 7u, 8u, 0x7fffffffu, 0xffffffffu}) {
            QByteArray bytes = movie;
            for (int i = 0; i < 4; ++i)
                bytes[at - 4 + i] = char(size >> (24 - 8 * i));
            visit(QStringLiteral("%1 with %2 size %3").arg(name, QLatin1String(type)).arg(size),
                  bytes);
        }
    }
}

} // namespace

TargetFiles targetFiles() {
    return {QStringLiteral("segment_file"), QStringLiteral(".mov")};
}

std::vector<QByteArray> seedInputs() {
    std::vector<QByteArray> seeds;
    for (const auto& [name, bytes] : checkedSeeds())
        seeds.push_back(bytes);
    return seeds;
}

void generateCorpus(quint64 seed, const Visit& visit) {
    Random random(seed);
    for (const auto& [name, bytes] : checkedSeeds()) {
        visit(name, bytes);
        blindMutations(name, bytes, random, visit);
        boxSizes(name, bytes, visit);
    }
}

} // namespace lumbex::fuzz
