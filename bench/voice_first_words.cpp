// Live dictation latency: how long after speech starts reaching the default microphone the first
// volatile words are in the note's text. Plays a raw 16 kHz mono speech file into the sound
// server's default sink (which the bench's server loops back as its default microphone) once the
// session listens, through the real session, writer and pocketsphinx recogniser. Prints one line
// per run: "latency SECONDS" (speech onset written to the server → first words in the note) or
// "missed", then "audio SECONDS": how much audio after the onset the recogniser needs before its
// first words when fed as fast as it takes it, the part of the latency no machine speed removes.
// For bench/voice_first_words.py.
//
// usage: voice_first_words SPEECH.raw RUNS
#include "app/voice_note_services.h"
#include "model/note_document.h"
#include "platform/pocketsphinx_speech.h"
#include "platform/sound_output.h"
#include "voice/audio_converter.h"
#include "voice/voice_session.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

using namespace lumbex;

namespace {

// The first 10 ms window louder than this (RMS, full scale 1) is where the speech starts.
constexpr double kOnsetLevel = 0.03;

struct Speech {
    AudioBuffer mono;          // 16 kHz, as recorded
    std::vector<float> stereo; // 48 kHz, interleaved
    qint64 onsetFrame = 0;     // at 48 kHz
};

Speech loadSpeech(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    AudioBuffer mono{{16000, 1}, {}};
    const auto* samples = reinterpret_cast<const qint16*>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size() / 2; ++i)
        mono.samples.push_back(float(samples[i]) / 32768.0f);
    Speech speech;
    for (std::size_t at = 0; at + 160 <= mono.samples.size(); at += 160) {
        double sum = 0;
        for (std::size_t i = at; i < at + 160; ++i)
            sum += double(mono.samples[i]) * mono.samples[i];
        if (std::sqrt(sum / 160) > kOnsetLevel) {
            speech.onsetFrame = qint64(at) * 3;
            break;
        }
    }
    speech.mono = mono;
    AudioConverter converter({16000, 1}, {double(kRecordingAudioRate), 1});
    AudioBuffer out = converter.convert(mono);
    const AudioBuffer tail = converter.finish();
    out.samples.insert(out.samples.end(), tail.samples.begin(), tail.samples.end());
    for (float sample : out.samples) {
        speech.stereo.push_back(sample);
        speech.stereo.push_back(sample);
    }
    return speech;
}

QByteArray blankPng() {
    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// The recogniser with a stopwatch: when the audio past the onset reached it, and when it gave
// its first words.
class TimedSpeech : public LocalSpeech {
public:
    TimedSpeech(std::unique_ptr<LocalSpeech> inner, const QElapsedTimer& clock, double onset)
        : inner_(std::move(inner)), clock_(clock), onset_(onset) {}
    AudioFormat format() const override { return inner_->format(); }
    void append(const AudioBuffer& buffer) override {
        seconds_ += double(buffer.frames()) / buffer.format.sampleRate;
        inner_->append(buffer);
        // The microphone's stream carries the silence before playing started too, so the onset
        // is found by loudness, as the listener would.
        if (arrivedNs < 0) {
            double sum = 0;
            for (float sample : buffer.samples)
                sum += double(sample) * sample;
            if (!buffer.samples.empty() &&
                std::sqrt(sum / double(buffer.samples.size())) > onset_) {
                arrivedNs = clock_.nsecsElapsed();
                arrivedAudio = seconds_;
            }
        }
    }
    void finish() override { inner_->finish(); }
    void cancel() override { inner_->cancel(); }

    std::atomic<qint64> arrivedNs{-1};
    std::atomic<qint64> wordsNs{-1};
    std::atomic<double> arrivedAudio{0};
    std::atomic<double> wordsAudio{0};

private:
    std::unique_ptr<LocalSpeech> inner_;
    const QElapsedTimer& clock_;
    double onset_;
    double seconds_ = 0;
};

// One dictation: seconds from the onset to the first words, or none.
std::optional<double> measure(const Speech& speech, const QString& folder) {
    auto document = NoteDocument::fromCapturePNG(blankPng(), QStringLiteral("Bench"), folder);
    VoiceServices services = systemVoiceServices(document->note());
    services.draftsRoot = folder + QStringLiteral("/Voice Drafts");
    QElapsedTimer clock;
    clock.start();
    std::atomic<TimedSpeech*> timed{nullptr};
    services.makeSpeech = [&, make = services.makeSpeech](
                              const QString& locale, bool file, LocalSpeech::Status status,
                              LocalSpeech::Transcript transcript) -> std::unique_ptr<LocalSpeech> {
        auto made = std::make_unique<TimedSpeech>(
            make(locale, file, std::move(status),
                 [&timed, &clock, transcript](const VoiceTranscript& result) {
                     TimedSpeech* speech = timed;
                     if (speech && speech->wordsNs < 0 && !result.text.trimmed().isEmpty()) {
                         speech->wordsNs = clock.nsecsElapsed();
                         speech->wordsAudio = result.range ? result.range->end : -1;
                     }
                     transcript(result);
                 }),
            clock, kOnsetLevel);
        timed = made.get();
        return made;
    };
    auto session =
        VoiceSession::make(*document, std::nullopt, {-1, 0}, QStringLiteral("en-US"), services);
    std::atomic<qint64> onsetNs{-1};
    std::atomic<bool> stopPlaying{false};
    std::thread player;
    std::optional<qint64> wordsNs;
    session->onChange = [&] {
        if (!player.joinable() && session->phase() == VoiceSession::Phase::Recording &&
            session->message().startsWith(QStringLiteral("Listening"))) {
            player = std::thread([&] {
                const std::unique_ptr<SoundOutput> output = openPulseAudioOutput();
                const std::size_t slice = std::size_t(kRecordingAudioRate / 50) * 2;
                for (std::size_t at = 0; at < speech.stereo.size() && !stopPlaying; at += slice) {
                    const std::size_t end = std::min(speech.stereo.size(), at + slice);
                    // The write that holds the onset starts when the onset is at most one
                    // buffer away from being heard: counting from here never flatters.
                    if (onsetNs < 0 && qint64(end / 2) > speech.onsetFrame)
                        onsetNs = clock.nsecsElapsed();
                    output->write(std::vector<float>(speech.stereo.begin() + qint64(at),
                                                     speech.stereo.begin() + qint64(end)));
                }
                output->drain();
            });
        }
        if (!wordsNs && onsetNs >= 0 && !document->note().general.trimmed().isEmpty())
            wordsNs = clock.nsecsElapsed();
    };
    session->start();
    while (!wordsNs && clock.elapsed() < 30000 && session->isBusy())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    session->stop();
    while (session->isBusy() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    stopPlaying = true;
    if (player.joinable())
        player.join();
    if (!wordsNs)
        return std::nullopt;
    if (TimedSpeech* speech = timed)
        std::fprintf(stderr,
                     "onset at recogniser %.3f, words from recogniser %.3f after %.3f s of "
                     "audio\n",
                     double(speech->arrivedNs - onsetNs) / 1e9,
                     double(speech->wordsNs - onsetNs) / 1e9,
                     speech->wordsAudio - speech->arrivedAudio);
    return double(*wordsNs - onsetNs) / 1e9;
}

// Seconds of audio after the onset when the first words come out of the recogniser.
std::optional<double> audioNeeded(const Speech& speech) {
    std::mutex mutex;
    std::optional<double> firstEnd;
    const auto recogniser = pocketsphinxSpeechFactory()(
        QStringLiteral("en-US"), true, [](const QString&) {},
        [&](const VoiceTranscript& result) {
            const std::lock_guard lock(mutex);
            if (!firstEnd && result.range && !result.text.trimmed().isEmpty())
                firstEnd = result.range->end;
        });
    // In the 20 ms pieces the microphone delivers.
    for (std::size_t at = 0; at < speech.mono.samples.size(); at += 320) {
        const std::size_t end = std::min(speech.mono.samples.size(), at + 320);
        recogniser->append(
            {speech.mono.format, std::vector<float>(speech.mono.samples.begin() + qint64(at),
                                                    speech.mono.samples.begin() + qint64(end))});
    }
    recogniser->finish();
    const std::lock_guard lock(mutex);
    if (!firstEnd)
        return std::nullopt;
    return *firstEnd - double(speech.onsetFrame) / kRecordingAudioRate;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2)
        return 2;
    const Speech speech = loadSpeech(args[0]);
    if (speech.stereo.empty())
        return 2;
    const int runs = args[1].toInt();
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir folder;
        const auto latency = measure(speech, folder.path());
        if (latency)
            std::printf("latency %.3f\n", *latency);
        else
            std::printf("missed\n");
        std::fflush(stdout);
    }
    if (const auto audio = audioNeeded(speech))
        std::printf("audio %.3f\n", *audio);
    return 0;
}
