#pragma once

#include "core/latest_work.h"
#include "recognition/image_recognition.h"

#include <QObject>
#include <optional>

namespace lumbex {

// Everything the recognition window shows; the window only draws it.
struct RecognitionWindowState {
    enum class Phase { Reading, Finished, Stale, Closed };

    Phase phase = Phase::Reading;
    QString message;
    QString output;
    bool copyEnabled = false;
    bool layoutEnabled = false;
    // "Cancel" while reading, "Done" once an outcome arrived.
    QString dismissTitle;
};

// One reading shown in a recognition window, without the window: it reads the bitmap that
// `source` produces on a background thread, and drops an outcome that arrives after closing,
// after a newer attempt, or for an image that is no longer the one shown. Lives on the GUI
// thread.
class RecognitionSession : public QObject {
    Q_OBJECT

public:
    // `source` produces the bitmap (may throw LumbexError; it runs on the background thread and
    // must not touch live documents); `stillCurrent` tells whether the image read is still the
    // one shown; `didRecognize` receives a successful result.
    RecognitionSession(bool qrOnly, RecognitionEngines engines, std::function<QImage()> source,
                       std::function<bool()> stillCurrent,
                       std::function<void(const RecognitionResult&)> didRecognize,
                       QObject* parent = nullptr);
    ~RecognitionSession() override;

    const RecognitionWindowState& state() const { return state_; }
    bool isQrReading() const { return qrOnly_; }
    // The accessibility label of the output view.
    QString outputLabel() const;

    // Starts the reading (once, right after construction).
    void start();
    // The "Text" | "Code" choice.
    void setCodeLayout(bool codeLayout);
    // What "Copy Text" puts on the clipboard, or none when the image changed meanwhile (the
    // state then says so). The window reports how writing the clipboard went.
    std::optional<QString> textToCopy();
    void copyFinished(bool succeeded);
    // Called on every refresh of the editor: a reading of an image that changed is cancelled
    // and its result dropped. A reading is never restarted here.
    void invalidateIfNeeded();
    // The window closed: cancels the worker; later outcomes are dropped silently.
    void close();

signals:
    void changed();

private:
    void finish(const WorkOutcome<RecognitionResult>& outcome);
    void showStale();
    QString shownText() const;

    bool qrOnly_;
    RecognitionEngines engines_;
    std::function<QImage()> source_;
    std::function<bool()> stillCurrent_;
    std::function<void(const RecognitionResult&)> didRecognize_;
    std::shared_ptr<ImageRecognition> worker_;
    std::optional<RecognitionResult> result_;
    bool codeLayout_ = false;
    RecognitionWindowState state_;
    // Dropped when the window closes.
    LatestWork reading_{this};
};

} // namespace lumbex
