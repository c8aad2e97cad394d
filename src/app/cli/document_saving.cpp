#include "app/cli/document_saving.h"

#include "core/error.h"

#include <QEventLoop>

namespace lumbex::cli {

void saveNow(NoteDocument& document) {
    std::optional<QString> error;
    QEventLoop loop;
    document.save([&](const std::optional<QString>& failure) {
        error = failure;
        loop.quit();
    });
    if (document.isSaving())
        loop.exec();
    if (error)
        throw LumbexError(*error);
}

} // namespace lumbex::cli
