#include "app/editor/request_summary.h"

#include "core/error.h"
#include "request/request_plan.h"

#include <QFileInfo>

namespace lumbex {
namespace {

QString counted(int count, const char* singular, const char* plural) {
    return QString::number(count) + QLatin1Char(' ') +
           QLatin1String(count == 1 ? singular : plural);
}

} // namespace

QString requestCounts(int noteCount, int imageCount) {
    return counted(noteCount, "note", "notes") + QStringLiteral(" · ") +
           counted(imageCount, "image", "images");
}

QString previewSummary(int noteCount, int imageCount, bool reviewOnly) {
    return requestCounts(noteCount, imageCount) + QStringLiteral(" · ") +
           (reviewOnly ? QStringLiteral("Review only") : QStringLiteral("Make changes"));
}

RequestSummary RequestSummary::make(const CaptureNote& note, const Id& activeImage,
                                    const ProjectFolderState& folder, bool preparing) {
    RequestSummary summary;
    const std::optional<QString> folderName =
        folder.folder ? std::optional(QFileInfo(*folder.folder).fileName()) : std::nullopt;
    if (folderName)
        summary.title = *folderName;
    else
        summary.title = folder.broken ? QStringLiteral("Reconnect project…")
                                      : QStringLiteral("Choose project…");

    int noteCount = 0;
    int imageCount = 0;
    const bool hasRequest = note.hasRequest();
    try {
        const RequestPlan plan = RequestPlan::build(note, activeImage);
        noteCount = plan.noteCount();
        imageCount = int(plan.media().size());
    } catch (const LumbexError&) {
        if (hasRequest)
            summary.title = folderName.value_or(QStringLiteral("Request")) +
                            QStringLiteral(" · Check note links and included images");
    }

    if (folder.folder)
        summary.toolTip = *folder.folder;
    else
        summary.toolTip =
            folder.broken ? QStringLiteral("The project folder is unavailable. Choose it again.")
                          : QStringLiteral("Choose the project folder for this request");
    summary.toolTip += QLatin1Char('\n') + requestCounts(noteCount, imageCount);
    if (note.reviewOnly)
        summary.toolTip += QStringLiteral(" · Review only");
    summary.canCopy = hasRequest && !preparing;
    return summary;
}

} // namespace lumbex
