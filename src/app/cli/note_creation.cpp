#include "app/cli/note_creation.h"

#include "model/app_folders.h"
#include "model/note_library.h"

#include <QSettings>

namespace lumbex::cli {

QString createUserNote(const NotePackageContents& contents, const QString& packagePath) {
    const std::unique_ptr<QSettings> settings = openSettings();
    NoteLibrary library(libraryFolder(), *settings);
    return library.create(contents, packagePath);
}

} // namespace lumbex::cli
