#include "platform/audio_files.h"
#include "support/temporary_folder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

namespace lumbex {
namespace {

const char kUnreadable[] =
    "This audio file couldn’t be read. Choose another recording, or keep typing.";

std::vector<float> ramp(qint64 frames, int channels) {
    std::vector<float> samples;
    for (qint64 i = 0; i < frames * channels; ++i)
        samples.push_back(float((i % 200) - 100) / 400.0f);
    return samples;
}

// Writes a file with libsndfile itself, as another program would have.
void writeWith(const QString& path, int format, int rate, int channels, qint64 frames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const auto samples = ramp(frames, channels);
    ASSERT_EQ(sf_writef_float(file, samples.data(), frames), frames);
    sf_close(file);
}

std::string openMessage(const QString& path) {
    try {
        openAudioFile(path);
    } catch (const LumbexError& error) {
        return error.message().toStdString();
    }
    return "(opened)";
}

struct KindCase {
    const char* name;
    int format;
    int rate;
    int channels;
};

class AudioFileKinds : public testing::TestWithParam<KindCase> {};

TEST_P(AudioFileKinds, OpensAndReadsEveryFrame) {
    test::TemporaryFolder folder;
    const QString path = folder.path("input");
    writeWith(path, GetParam().format, GetParam().rate, GetParam().channels, 10000);
    const auto input = openAudioFile(path);
    EXPECT_EQ(input->format(), (AudioFormat{double(GetParam().rate), GetParam().channels}));
    EXPECT_EQ(input->frameCount(), 10000);
    qint64 total = 0;
    while (true) {
        const AudioBuffer buffer = input->read(4096);
        if (buffer.frames() == 0)
            break;
        EXPECT_EQ(buffer.format, input->format());
        total += buffer.frames();
    }
    EXPECT_EQ(total, 10000);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AudioFileKinds,
    testing::Values(KindCase{"wav_16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16000, 1},
                    KindCase{"wav_float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2},
                    KindCase{"caf_24", SF_FORMAT_CAF | SF_FORMAT_PCM_24, 44100, 2},
                    KindCase{"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050, 1},
                    KindCase{"ogg_vorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1},
                    KindCase{"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 8000, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AudioFilesTest, StoredCafKeepsRateChannelsAndSamples) {
    test::TemporaryFolder folder;
    const QString path = folder.path("audio.caf");
    const AudioFormat format{44100, 2};
    auto output = createCafFile(path, format);
    const AudioBuffer buffer{format, ramp(3000, 2)};
    output->write(buffer);
    output->write(buffer);
    output->close();
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    const auto input = openAudioFile(path);
    EXPECT_EQ(input->format(), format);
    EXPECT_EQ(input->frameCount(), 6000);
    const AudioBuffer back = input->read(3000);
    for (size_t i = 0; i < back.samples.size(); ++i)
        ASSERT_NEAR(back.samples[i], buffer.samples[i], 1.0 / 32768) << i;
    // 16-bit PCM: two bytes a sample after a header of at most a page.
    EXPECT_LE(QFile(path).size(), 6000 * 2 * 2 + 8192);
}

TEST(AudioFilesTest, AFileLeftOpenByACrashDeclaresWhatItHolds) {
    test::TemporaryFolder folder;
    const QString path = folder.path("audio.caf");
    const AudioFormat format{16000, 1};
    auto output = createCafFile(path, format);
    output->write({format, ramp(16000, 1)});
    output->write({format, ramp(8000, 1)});
    // A copy taken before close() is what a killed process leaves on disk.
    ASSERT_TRUE(QFile::copy(path, folder.path("crashed.caf")));
    const auto input = openAudioFile(folder.path("crashed.caf"));
    EXPECT_EQ(input->frameCount(), 24000);
    EXPECT_EQ(input->read(30000).frames(), 24000);
}

TEST(AudioFilesTest, ATruncatedCafEndsBeforeItsDeclaredFrames) {
    test::TemporaryFolder folder;
    const QString path = folder.path("audio.caf");
    const AudioFormat format{16000, 1};
    auto output = createCafFile(path, format);
    output->write({format, ramp(16000, 1)});
    output->close();
    QFile file(path);
    ASSERT_TRUE(file.resize(file.size() - 10000));
    EXPECT_EQ(openMessage(path), kUnreadable);
    const auto input = openCafPcmFile(path);
    EXPECT_EQ(input->frameCount(), 16000);
    qint64 total = 0;
    for (AudioBuffer b = input->read(4096); b.frames() > 0; b = input->read(4096))
        total += b.frames();
    EXPECT_EQ(total, 16000 - 5000);
}

TEST(AudioFilesTest, PcmCafReaderReadsWhatLibsndfileWrites) {
    test::TemporaryFolder folder;
    for (const int subtype : {SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT,
                              SF_FORMAT_DOUBLE}) {
        for (const int endian : {SF_ENDIAN_FILE, SF_ENDIAN_LITTLE}) {
            const QString path = folder.path(QStringLiteral("%1-%2.caf").arg(subtype).arg(endian));
            writeWith(path, SF_FORMAT_CAF | subtype | endian, 44100, 2, 5000);
            const auto reference = openAudioFile(path);
            const auto input = openCafPcmFile(path);
            EXPECT_EQ(input->format(), reference->format());
            EXPECT_EQ(input->frameCount(), 5000);
            const AudioBuffer a = reference->read(6000);
            const AudioBuffer b = input->read(6000);
            EXPECT_EQ(a.samples, b.samples) << subtype << " " << endian;
            EXPECT_EQ(input->read(10).frames(), 0);
        }
    }
    const QString wav = folder.path("x.wav");
    writeWith(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16000, 1, 100);
    EXPECT_THROW(openCafPcmFile(wav), LumbexError);
    EXPECT_THROW(openCafPcmFile(folder.write("short.caf", "caff")), LumbexError);
}

TEST(AudioFilesTest, RefusesWhatIsNoReadableAudioFile) {
    test::TemporaryFolder folder;
    const QString garbage = folder.write("garbage.wav", QByteArray(5000, 'x'));
    const QString empty = folder.write("empty.wav", "");
    const QString real = folder.path("real.wav");
    writeWith(real, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16000, 1, 100);
    const QString link = folder.path("link.wav");
    ASSERT_TRUE(QFile::link(real, link));
    const QString fifo = folder.path("fifo.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {garbage, empty, link, fifo, folder.path(), folder.path("none")})
        EXPECT_EQ(openMessage(path), kUnreadable) << path.toStdString();
    EXPECT_EQ(openMessage(real), "(opened)");
}

TEST(AudioFilesTest, CreatingNeverReplacesAnything) {
    test::TemporaryFolder folder;
    const QString path = folder.write("audio.caf", "keep");
    EXPECT_THROW(createCafFile(path, {16000, 1}), LumbexError);
    EXPECT_EQ(test::fileBytes(path), "keep");
}

} // namespace
} // namespace lumbex
