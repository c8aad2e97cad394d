#include "platform/pocketsphinx_speech.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"
#include "core/ids.h"
#include "platform/letter_sounds.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <pocketsphinx.h>
#include <set>
#include <thread>

namespace lumbex {
namespace {

constexpr double kRate = 16000;
constexpr size_t kLiveBacklog = 256;
// Partial hypotheses are asked for at most this often (seconds of audio): each one walks the
// whole search so far.
constexpr double kPartialSpacing = 0.25;
// Early in an utterance the search is short, so asking costs little, and the first words are the
// ones a person waits for: ask this often until the utterance is this long.
constexpr double kFirstPartialSpacing = 0.1;
constexpr double kEarlyUtterance = 1.5;
// The recogniser reports speech this long after it began and silence this long after it ended.
constexpr double kSpeechOnsetDelay = 0.3;
constexpr double kSpeechEndDelay = 0.45;
// Share of the note's own language model in the mixed probabilities. On developer phrases 0.03,
// 0.1 and 0.2 gave about the same gain; the mixing itself, not this share, costs some accuracy
// on speech unrelated to the note (bench/voice_transcription_bench.py).
constexpr float kNoteWeight = 0.1f;

QString unavailable() {
    return QStringLiteral("On-device transcription is unavailable for this language. You can keep "
                          "typing.");
}
QString notReady() {
    return QStringLiteral("The speech model is not ready. Try again when the language download has "
                          "finished.");
}
QString stopped() {
    return QStringLiteral("Transcription stopped unexpectedly. Your recorded audio has been kept.");
}
QString behind() {
    return QStringLiteral("Transcription could not keep up. Your recorded audio has been kept.");
}

// A unigram-and-bigram model in ARPA text of the note's phrases, every word equally likely and
// every observed successor equally likely after its word.
QByteArray noteLanguageModel(const SpeechVocabulary& vocabulary, const std::set<QString>& known) {
    std::map<QString, std::set<QString>> next;
    std::set<QString> words{QStringLiteral("<s>"), QStringLiteral("</s>")};
    for (const QStringList& phrase : vocabulary.phrases) {
        QString previous = QStringLiteral("<s>");
        for (const QString& word : phrase) {
            if (!known.contains(word))
                continue;
            words.insert(word);
            next[previous].insert(word);
            previous = word;
        }
        next[previous].insert(QStringLiteral("</s>"));
    }
    qsizetype bigrams = 0;
    for (const auto& [word, successors] : next)
        bigrams += qsizetype(successors.size());
    QByteArray arpa = "\\data\\\nngram 1=" + QByteArray::number(qsizetype(words.size())) +
                      "\nngram 2=" + QByteArray::number(bigrams) + "\n\n\\1-grams:\n";
    const double unigram = std::log10(1.0 / double(words.size() - 1));
    for (const QString& word : words)
        arpa += (word == u"<s>" ? QByteArray("-99") : QByteArray::number(unigram, 'f', 4)) + ' ' +
                word.toUtf8() + " 0.0000\n";
    arpa += "\n\\2-grams:\n";
    for (const auto& [word, successors] : next)
        for (const QString& successor : successors)
            arpa += QByteArray::number(std::log10(1.0 / double(successors.size())), 'f', 4) + ' ' +
                    word.toUtf8() + ' ' + successor.toUtf8() + '\n';
    arpa += "\n\\end\\\n";
    return arpa;
}

class PocketsphinxSpeech : public LocalSpeech {
public:
    PocketsphinxSpeech(bool fileInput, Status status, Transcript transcript,
                       const SpeechVocabulary& vocabulary, const QString& model)
        : fileInput_(fileInput), status_(std::move(status)), transcript_(std::move(transcript)) {
        const QString hmm = model + QStringLiteral("/en-us");
        const QString lm = model + QStringLiteral("/en-us.lm.bin");
        const QString dict = model + QStringLiteral("/cmudict-en-us.dict");
        if (!QFileInfo(hmm).isDir() || !QFileInfo(lm).isFile() || !QFileInfo(dict).isFile())
            throw LumbexError(notReady());
        const QByteArray hmmPath = encodeFileName(hmm);
        const QByteArray lmPath = encodeFileName(lm);
        const QByteArray dictPath = encodeFileName(dict);
        config_ = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmmPath.constData(), "-lm",
                              lmPath.constData(), "-dict", dictPath.constData(), "-logfn",
                              "/dev/null", nullptr);
        if (config_)
            decoder_ = ps_init(config_);
        if (!decoder_) {
            release();
            throw LumbexError(notReady());
        }
        if (!vocabulary.empty())
            learn(vocabulary);
        if (ps_start_utt(decoder_) < 0) {
            release();
            throw LumbexError(notReady());
        }
        worker_ = std::thread([this] { work(); });
    }

    ~PocketsphinxSpeech() override {
        cancel();
        if (worker_.joinable())
            worker_.join();
        release();
    }

    AudioFormat format() const override { return {kRate, 1}; }

    void append(const AudioBuffer& buffer) override {
        std::vector<int16> samples;
        samples.reserve(buffer.samples.size());
        for (const float sample : buffer.samples) {
            const float clipped = std::isfinite(sample) ? std::clamp(sample, -1.0f, 1.0f) : 0.0f;
            samples.push_back(int16(std::lrint(clipped * 32767.0f)));
        }
        const std::lock_guard lock(mutex_);
        if (cancelled_ || ended_ || failed_ || done_)
            throw LumbexError(stopped());
        if (!fileInput_ && queue_.size() >= kLiveBacklog)
            throw LumbexError(behind());
        queue_.push_back(std::move(samples));
        wake_.notify_all();
    }

    void finish() override {
        {
            std::unique_lock lock(mutex_);
            ended_ = true;
            wake_.notify_all();
            wake_.wait(lock, [this] { return done_ || cancelled_; });
            if (failed_ && !cancelled_)
                throw LumbexError(stopped());
        }
    }

    void cancel() override {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
        queue_.clear();
        wake_.notify_all();
    }

private:
    // The decoder keeps its own reference to the configuration: both are released.
    void release() {
        if (decoder_)
            ps_free(decoder_);
        if (config_)
            cmd_ln_free_r(config_);
        decoder_ = nullptr;
        config_ = nullptr;
    }

    void learn(const SpeechVocabulary& vocabulary) {
        std::set<QString> known;
        std::vector<std::pair<QByteArray, QByteArray>> additions;
        for (const QString& word : vocabulary.words()) {
            const QByteArray utf8 = word.toUtf8();
            if (char* phones = ps_lookup_word(decoder_, utf8.constData())) {
                std::free(phones);
                known.insert(word);
                continue;
            }
            const QString guessed = guessPhones(word);
            if (!guessed.isEmpty())
                additions.emplace_back(utf8, guessed.toLatin1());
        }
        for (size_t i = 0; i < additions.size(); ++i)
            if (ps_add_word(decoder_, additions[i].first.constData(),
                            additions[i].second.constData(), i + 1 == additions.size()) >= 0)
                known.insert(QString::fromUtf8(additions[i].first));
        if (known.empty())
            return;

        // The note's phrases as a second language model, mixed into the large one.
        const QString path =
            QDir(QDir::tempPath())
                .filePath(QStringLiteral("Lumbex-Vocabulary-%1.arpa").arg(idString(newId())));
        try {
            writeNewFileDurably(path, noteLanguageModel(vocabulary, known));
        } catch (const LumbexError&) {
            return;
        }
        ngram_model_t* note = ngram_model_read(config_, encodeFileName(path).constData(),
                                               NGRAM_ARPA, ps_get_logmath(decoder_));
        removePath(path);
        const char* search = ps_get_search(decoder_);
        ngram_model_t* main = search ? ps_get_lm(decoder_, search) : nullptr;
        if (!note || !main) {
            if (note)
                ngram_model_free(note);
            return;
        }
        ngram_model_t* models[] = {ngram_model_retain(main), note};
        char mainName[] = "main";
        char noteName[] = "note";
        char* names[] = {mainName, noteName};
        const float32 weights[] = {1.0f - kNoteWeight, kNoteWeight};
        ngram_model_t* mixed = ngram_model_set_init(config_, models, names, weights, 2);
        if (!mixed || ps_set_lm(decoder_, "note", mixed) < 0 || ps_set_search(decoder_, "note") < 0)
            return;
        ngram_model_free(mixed);
    }

    double seconds() const { return double(samples_) / kRate; }

    void deliver(const QString& text, bool isFinal, AudioTimeRange range) {
        VoiceTranscript result;
        result.text = text;
        result.fullText = finalText_ + text;
        result.segment = segment_;
        result.isFinal = isFinal;
        result.range = range;
        {
            const std::lock_guard lock(mutex_);
            if (cancelled_)
                return;
        }
        if (transcript_)
            transcript_(result);
        if (isFinal) {
            finalText_ += text;
            ++segment_;
        }
    }

    // The hypothesis as this segment's text: later segments start with a space so that the
    // whole transcript reads as one text.
    QString segmentText(const char* hypothesis) const {
        const QString words = QString::fromUtf8(hypothesis ? hypothesis : "").simplified();
        if (words.isEmpty())
            return {};
        return finalText_.isEmpty() ? words : u' ' + words;
    }

    bool endUtterance() {
        if (ps_end_utt(decoder_) < 0)
            return false;
        const QString text = segmentText(ps_get_hyp(decoder_, nullptr));
        if (!text.isEmpty())
            deliver(text, true,
                    {speechStart_, std::max(speechStart_ + 0.01, seconds() - kSpeechEndDelay)});
        inSpeech_ = false;
        lastPartial_.clear();
        return true;
    }

    void process(const std::vector<int16>& samples) {
        const double before = seconds();
        if (ps_process_raw(decoder_, samples.data(), samples.size(), FALSE, FALSE) < 0)
            throw LumbexError(stopped());
        samples_ += qint64(samples.size());
        const bool speaking = ps_get_in_speech(decoder_);
        if (speaking && !inSpeech_) {
            inSpeech_ = true;
            speechStart_ = std::max(0.0, std::min(before, seconds() - kSpeechOnsetDelay));
            // The recogniser has heard the onset delay of speech already: ask at once.
            nextPartial_ = seconds();
        } else if (!speaking && inSpeech_) {
            if (!endUtterance() || ps_start_utt(decoder_) < 0)
                throw LumbexError(stopped());
        }
        if (inSpeech_ && seconds() >= nextPartial_) {
            nextPartial_ =
                seconds() + (seconds() - speechStart_ < kEarlyUtterance ? kFirstPartialSpacing
                                                                        : kPartialSpacing);
            const QString text = segmentText(ps_get_hyp(decoder_, nullptr));
            if (!text.isEmpty() && text != lastPartial_) {
                lastPartial_ = text;
                deliver(text, false, {speechStart_, seconds()});
            }
        }
    }

    void work() {
        try {
            while (true) {
                std::vector<int16> samples;
                {
                    std::unique_lock lock(mutex_);
                    wake_.wait(lock, [this] { return cancelled_ || ended_ || !queue_.empty(); });
                    if (cancelled_)
                        break;
                    if (queue_.empty()) {
                        lock.unlock();
                        if (inSpeech_ || samples_ > 0)
                            if (!endUtterance())
                                throw LumbexError(stopped());
                        break;
                    }
                    samples = std::move(queue_.front());
                    queue_.pop_front();
                }
                process(samples);
            }
        } catch (const LumbexError& error) {
            bool report = false;
            {
                const std::lock_guard lock(mutex_);
                failed_ = true;
                queue_.clear();
                report = !cancelled_;
            }
            if (status_ && report)
                status_(error.message());
        }
        const std::lock_guard lock(mutex_);
        done_ = true;
        wake_.notify_all();
    }

    const bool fileInput_;
    const Status status_;
    const Transcript transcript_;
    cmd_ln_t* config_ = nullptr;
    ps_decoder_t* decoder_ = nullptr;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::vector<int16>> queue_;
    bool ended_ = false;
    bool cancelled_ = false;
    bool failed_ = false;
    bool done_ = false;

    // The worker's own state.
    qint64 samples_ = 0;
    bool inSpeech_ = false;
    double speechStart_ = 0;
    double nextPartial_ = 0;
    QString lastPartial_;
    QString finalText_;
    int segment_ = 0;

    std::thread worker_;
};

} // namespace

QString defaultSpeechModelFolder() {
    return QStringLiteral("/usr/share/pocketsphinx/model/en-us");
}

std::unique_ptr<LocalSpeech> makePocketsphinxSpeech(const QString& locale, bool fileInput,
                                                    LocalSpeech::Status status,
                                                    LocalSpeech::Transcript transcript,
                                                    const SpeechVocabulary& vocabulary,
                                                    const QString& modelFolder) {
    if (locale != u"en-US")
        throw LumbexError(unavailable());
    return std::make_unique<PocketsphinxSpeech>(
        fileInput, std::move(status), std::move(transcript), vocabulary,
        modelFolder.isEmpty() ? defaultSpeechModelFolder() : modelFolder);
}

LocalSpeechFactory pocketsphinxSpeechFactory(SpeechVocabulary vocabulary, QString modelFolder) {
    return [vocabulary = std::move(vocabulary), modelFolder = std::move(modelFolder)](
               const QString& locale, bool fileInput, LocalSpeech::Status status,
               LocalSpeech::Transcript transcript) {
        return makePocketsphinxSpeech(locale, fileInput, std::move(status), std::move(transcript),
                                      vocabulary, modelFolder);
    };
}

} // namespace lumbex
