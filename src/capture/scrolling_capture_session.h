#pragma once

#include "capture/scroll_capture_work.h"
#include "capture/scroll_frame_source.h"
#include "model/note_package.h"

#include <QImage>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace lumbex {

struct ScrollCaptureTiming {
    int frameIntervalMs = 250;
    qint64 settleMs = 1500;        // how long frames may fail to match before the capture stops
    qint64 maxDurationMs = 300000; // five minutes
};

// A scrolling capture without its windows: the user picks the scrolling area, scrolls, and the
// session grabs the area four times a second and joins the grabs on the work's thread; or it
// joins image files in file-name order. When frames stop matching for 1.5 seconds, the source
// fails, the displays change, the computer goes to sleep or five minutes pass, it stops in
// review and offers to keep what was joined (a partial capture), to start again, or to discard.
// Finishing builds the note (the stitched image and every source frame) and hands it on.
// Lives on one thread (the GUI thread in the app); `changed` tells the panel to refresh.
class ScrollingCaptureSession : public QObject {
    Q_OBJECT
public:
    enum class Phase { Idle, Selecting, Capturing, Review, Saving };

    // What the floating panel shows: its texts and button states, no layout.
    struct Panel {
        QImage preview; // the last joined frame
        QString detail;
        QString progress;
        QString finishTitle;
        bool finishEnabled = false;
        bool retryVisible = false;
        QString cancelTitle;
    };

    // Creates the finished note (in the library) and, with `show`, opens it; throws LumbexError
    // when it cannot.
    using NoteSink = std::function<void(const NotePackageContents& note, bool show)>;
    // Milliseconds on a monotonic clock.
    using Clock = std::function<qint64()>;

    explicit ScrollingCaptureSession(NoteSink saveNote, ScrollCaptureTiming timing = {},
                                     Clock clock = {});
    ~ScrollingCaptureSession() override;

    // The capture picker's prompt in its scrolling mode.
    static QString pickerPrompt();
    // The open panel of "Stitch Scroll Images…": its message and its button.
    static QString importPanelMessage();
    static QString importButtonTitle();

    // "Scrolling Capture…": resets and asks for the scrolling area (`selectionRequested`).
    void begin();
    // The area was chosen: starts grabbing it. Only while selecting.
    void start(std::unique_ptr<ScrollFrameSource> area);
    // "Stitch Scroll Images…" with the files the user chose, joined in file-name order; the
    // note is saved and shown when the last one is joined.
    void importFiles(const QStringList& files);

    void cancel();
    // The Finish / Keep Partial button.
    void finish();
    // Start Again: discards the frames and asks for a new area.
    void retry();
    void displaysChanged();
    void systemWillSleep();
    // Quitting: saves what was joined without showing it; throws LumbexError when it cannot.
    void finishForTermination();

    Phase phase() const { return phase_; }
    const Panel& panel() const { return panel_; }
    int frameCount() const { return frameCount_; }
    const std::optional<QString>& issue() const { return issue_; }
    bool imported() const { return imported_; }

signals:
    void changed();
    // Show the capture picker in its scrolling mode; it answers with `start` or `cancel`.
    void selectionRequested();
    // The session is over: close the panel and picker and restore hidden windows.
    void ended();

private:
    void reset(bool imported);
    void grabNext();
    void scheduleGrab();
    void grabbed(const ScrollCaptureWork::Appended& result);
    void importNext();
    void imported(const ScrollCaptureWork::Appended& result);
    void update(const ScrollCaptureWork::Appended& result);
    void interrupt(const QString& message);
    void save(bool partial, bool show);
    void saved(const ScrollCaptureWork::Rendered& rendered, bool partial, bool show);
    void storeNote(const ScrollStitcher& stitcher, bool partial, const QByteArray& png, bool show);
    void offerToKeep(const QString& detail);
    void cleanUp();
    void setPhase(Phase phase);

    NoteSink saveNote_;
    ScrollCaptureTiming timing_;
    Clock clock_;

    Phase phase_ = Phase::Idle;
    Panel panel_;
    ScrollCaptureWork work_{this};
    std::unique_ptr<ScrollFrameSource> area_;
    QStringList pendingFiles_;
    qint64 startedAt_ = 0;
    std::optional<qint64> mismatchSince_;
    std::optional<QImage> lastUnmatched_;
    std::optional<QString> issue_;
    bool imported_ = false;
    int frameCount_ = 0;
    // Bumped at every reset, so that a grab scheduled for an earlier run never fires.
    quint64 run_ = 0;
};

} // namespace lumbex
