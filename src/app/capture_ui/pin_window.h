#pragma once

#include "app/capture_ui/pinned_source.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QSlider;

namespace lumbex {

class NoteDocument;

// A rendered snapshot of a note's image floating above other windows. It can be copied, dragged
// into another application as a PNG file in the Exports folder, made see-through, or followed
// back to its note. It closes by itself (and deletes itself) as soon as the source image would
// look different: a new crop, a redaction, other pixels, or the image gone.
class PinWindow : public QWidget {
    Q_OBJECT
public:
    // `png` is the rendered snapshot; `source` says what it shows; `document` is the note it
    // came from, watched for changes while it exists; `edit` opens that note.
    PinWindow(QByteArray png, const QString& title, PinnedSource source, NoteDocument* document,
              std::function<void()> edit);

    const QByteArray& png() const { return png_; }
    // True once the source changed and the pin closed.
    bool isInvalidated() const { return invalidated_; }
    QSlider& opacitySlider() { return *opacity_; }

    void copyImage();

private:
    void sourceChanged();

    QByteArray png_;
    QString title_;
    PinnedSource source_;
    QPointer<NoteDocument> document_;
    QSlider* opacity_;
    bool invalidated_ = false;
};

} // namespace lumbex
