// Transcribes audio files as `lumbex voice transcribe` does, optionally with a note's words
// (`--words FILE`: the note's texts, one a line), printing one line per file: its transcript, the
// wall seconds of loading the model and of the whole file, and the CPU seconds of the whole
// file. For bench/voice_transcription_bench.py.
#include "platform/audio_files.h"
#include "platform/pocketsphinx_speech.h"
#include "voice/audio_transcription.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <ctime>

using namespace lumbex;

static double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    SpeechVocabulary vocabulary;
    if (args.size() >= 2 && args[0] == u"--words") {
        QFile file(args[1]);
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        vocabulary = SpeechVocabulary::fromTexts(QString::fromUtf8(file.readAll()).split(u'\n'));
        args = args.mid(2);
    }
    const LocalSpeechFactory load = pocketsphinxSpeechFactory(vocabulary);
    for (const QString& path : args) {
        double loading = 0;
        const LocalSpeechFactory timedLoad = [&](const QString& locale, bool file,
                                                 LocalSpeech::Status status,
                                                 LocalSpeech::Transcript transcript) {
            QElapsedTimer timer;
            timer.start();
            auto speech = load(locale, file, std::move(status), std::move(transcript));
            loading = double(timer.nsecsElapsed()) / 1e9;
            return speech;
        };
        const double cpuBefore = cpuSeconds();
        QElapsedTimer timer;
        timer.start();
        QString text;
        try {
            text = transcribeAudioFile(path, openAudioFile, timedLoad).text.trimmed();
        } catch (const LumbexError&) {
        }
        std::printf("%s\t%.3f\t%.3f\t%.3f\n", text.toUtf8().constData(), loading,
                    double(timer.nsecsElapsed()) / 1e9, cpuSeconds() - cpuBefore);
        std::fflush(stdout);
    }
    return 0;
}
