#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

class NoteLibrary;

// The note a quick capture becomes at once, so that Edit and the library find it. Its package is
// written on a worker thread while the panel already shows the capture; opening the note before
// the package exists opens it when it does.
class QuickCaptureNote {
public:
    using Opener = std::function<void(const QString& packagePath)>;
    using Failure = std::function<void(const QString& message)>;

    // Starts creating the note of the captured PNG (as stored, `size` pixels) in `library`; a
    // failed creation is reported through `failed`, on the library's thread, unless `context` is
    // gone by then.
    static std::shared_ptr<QuickCaptureNote> start(NoteLibrary& library, const QByteArray& png,
                                                   QSize size, const QString& name,
                                                   QObject* context, Failure failed);

    const CaptureNote& note() const { return note_; }
    // Whether the package is written.
    bool created() const { return path_.has_value(); }
    // Opens the package now, or once it is written; a failed creation reports its message again.
    void open(Opener opener);

private:
    explicit QuickCaptureNote(Failure failed) : failed_(std::move(failed)) {}
    void finished(const QString& path, const std::optional<QString>& error);

    Failure failed_;
    CaptureNote note_;
    std::optional<QString> path_;
    std::optional<QString> error_;
    std::vector<Opener> waiting_;
};

} // namespace lumbex
