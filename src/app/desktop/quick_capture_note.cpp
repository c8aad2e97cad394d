#include "app/desktop/quick_capture_note.h"

#include "model/image_import.h"
#include "model/note_library.h"
#include "model/note_package.h"
#include "model/schema_level.h"

namespace lumbex {

std::shared_ptr<QuickCaptureNote> QuickCaptureNote::start(NoteLibrary& library,
                                                          const QByteArray& png, QSize size,
                                                          const QString& name, QObject* context,
                                                          Failure failed) {
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    contents.note.title = name;
    appendStoredPng(contents, png, size, name);
    contents.note.schemaVersion =
        std::max(contents.note.schemaVersion, minimumSchemaVersion(contents.note));

    std::shared_ptr<QuickCaptureNote> created(new QuickCaptureNote(std::move(failed)));
    created->note_ = contents.note;
    library.createInBackground(std::move(contents), context,
                               [created](const QString& path, const std::optional<QString>& error) {
                                   created->finished(path, error);
                               });
    return created;
}

void QuickCaptureNote::open(Opener opener) {
    if (path_)
        return opener(*path_);
    if (error_)
        return failed_(*error_);
    waiting_.push_back(std::move(opener));
}

void QuickCaptureNote::finished(const QString& path, const std::optional<QString>& error) {
    if (error) {
        error_ = error;
        waiting_.clear();
        return failed_(*error);
    }
    path_ = path;
    for (const Opener& opener : std::exchange(waiting_, {}))
        opener(path);
}

} // namespace lumbex
