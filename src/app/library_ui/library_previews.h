#pragma once

#include "library/library_entry.h"
#include "library/preview_cache.h"

#include <QImage>
#include <QObject>
#include <QThreadPool>
#include <QUuid>
#include <optional>
#include <set>

namespace lumbex {

// The previews of the notes library: a memory cache, and one worker ("Lumbex Library Previews")
// that renders one preview at a time at low priority. Requests belong to a generation; starting a
// new one drops queued renders, and results of an older generation are thrown away. GUI thread.
class LibraryPreviews : public QObject {
    Q_OBJECT
public:
    enum class State { Ready, Preparing, Unavailable };

    explicit LibraryPreviews(QObject* parent = nullptr);
    // Waits for the render in progress; its result is dropped.
    ~LibraryPreviews() override;

    // What the row of `entry` shows now; `image` receives a ready preview.
    State state(const LibraryEntry& entry, QImage* image = nullptr);
    // Queues a render of the entry's preview unless it is cached, failed or queued already.
    // `original` holds the open document's bytes of the image when the note is open.
    void request(const LibraryEntry& entry, std::optional<QByteArray> original);
    // Drops queued renders; results still running are ignored.
    void newGeneration();
    int renderedCount() const { return rendered_; }

signals:
    // A preview of this key became ready or failed.
    void changed(const QString& key);

private:
    void finish(const QUuid& generation, const QString& key, const QImage& image);

    PreviewCache cache_;
    std::set<QString> queued_;
    std::set<QString> failed_;
    QUuid generation_;
    QThreadPool queue_;
    int rendered_ = 0;
};

} // namespace lumbex
