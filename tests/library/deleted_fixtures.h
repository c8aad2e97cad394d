#pragma once

#include "core/error.h"
#include "core/files.h"
#include "library/deleted_notes_store.h"
#include "library/trash.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <functional>
#include <string>
#include <vector>

namespace lumbex::test {

inline std::string thrownMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& error) {
        return error.message().toStdString();
    }
    return {};
}

// Thrown by a step observer: the job stops right after that step, as a crash there would.
struct Interrupted {};

// Records what would have gone to the Trash and moves it aside so the folder is really gone.
class FakeTrash : public Trash {
public:
    explicit FakeTrash(QString folder) : folder_(std::move(folder)) {}
    QString moveToTrash(const QString& path) override {
        QDir().mkpath(folder_);
        const QString target = folder_ + u'/' + QString::number(trashed.size());
        renameNoReplace(path, target);
        trashed.push_back(path);
        return target;
    }
    std::vector<QString> trashed;

private:
    QString folder_;
};

// A library with one saved note, and the store beside it.
class DeletedNotesFixture {
public:
    TemporaryFolder folder;
    QString library = folder.path(QStringLiteral("Notes"));
    DeletedNotesStore store{library};
    NotePackageContents contents = [] {
        NotePackageContents c;
        c.note = CaptureNote::make();
        c.note.title = QStringLiteral("Checkout “total” bug");
        appendImage(c, solidPng(24, 16), QStringLiteral("shot"));
        return c;
    }();
    QString packagePath =
        library + QStringLiteral("/") + idString(contents.note.id) + QStringLiteral(".capturenote");

    DeletedNotesFixture() {
        QDir().mkpath(library);
        createNotePackage(contents, packagePath);
    }

    // The package's files, for comparing before and after.
    std::map<QString, QByteArray> tree(const QString& package) const { return treeOf(package); }

    // Stops the store right after `step`.
    void interruptAt(const std::string& step) {
        store.setStepObserver([step](const char* name) {
            if (step == name)
                throw Interrupted{};
        });
    }
    void runToEnd() { store.setStepObserver({}); }

    DeletedNote onlyEntry() const {
        const auto entries = store.load();
        if (entries.size() != 1)
            throw LumbexError(QStringLiteral("expected one entry"));
        return entries.front();
    }
};

} // namespace lumbex::test
