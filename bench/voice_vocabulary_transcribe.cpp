// Transcribes audio files as `lumbex voice transcribe` does, optionally with a note's words
// (`--words FILE`: the note's texts, one a line), printing one line per file: its transcript and
// the seconds spent after the model was loaded. For bench/voice_transcription_bench.py.
#include "platform/audio_files.h"
#include "platform/pocketsphinx_speech.h"
#include "voice/audio_transcription.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <cstdio>

using namespace lumbex;

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
    const LocalSpeechFactory factory = pocketsphinxSpeechFactory(vocabulary);
    for (const QString& path : args) {
        QElapsedTimer timer;
        timer.start();
        QString text;
        try {
            text = transcribeAudioFile(path, openAudioFile, factory).text.trimmed();
        } catch (const LumbexError&) {
        }
        std::printf("%s\t%.3f\n", text.toUtf8().constData(), double(timer.nsecsElapsed()) / 1e9);
        std::fflush(stdout);
    }
    return 0;
}
