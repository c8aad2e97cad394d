#include "cloud/review_content.h"

#include "canvas/rendering.h"
#include "cloud/review_pages.h"
#include "core/error.h"
#include "model/image_content.h"
#include "model/image_files.h"
#include "records/recording_time.h"

#include <QDateTime>
#include <QPainter>
#include <QTimeZone>
#include <cmath>

namespace lumbex {
namespace {

// Room kept under a note's heading for each flag line.
constexpr double kFlagLineHeight = 16;

QString timeSpan(const RecordingRange& range) {
    return recordingTimeLabel(range.start) + QStringLiteral("–") + recordingTimeLabel(range.end);
}

void writeRecording(ReviewPages& pages, const ScreenRecording& recording) {
    pages.heading(QStringLiteral("Recording"), 0);
    if (const auto notice = recording.recoveryNotice())
        pages.text(QStringLiteral("Recording recovery: ") + *notice, 12, false, false, 14);
    pages.text(QStringLiteral("Source ") + timeSpan(recording.selectedRange()) +
                   QStringLiteral(". Pauses are excluded. Output starts at 00:00.000.\nOnly the "
                                  "pictured frames are shown here. Open the MP4 alongside this "
                                  "PDF to review motion."),
               12, false, false, 14);
}

bool isLocationNote(const CaptureNote& note, const LinkedNote& linked) {
    return !linked.timeRange && linked.markID && note.mark(*linked.markID);
}

QString noteHeading(const CaptureNote& note, const LinkedNote& linked, int number) {
    const QString prefix = QString::number(number) + QStringLiteral(". ");
    if (linked.timeRange)
        return prefix + QStringLiteral("Time note · ") + timeSpan(*linked.timeRange);
    if (isLocationNote(note, linked))
        return prefix + QStringLiteral("Location note");
    return prefix + QStringLiteral("Unlinked note");
}

QStringList noteFlags(const CaptureNote& note, const LinkedNote& linked) {
    QStringList flags;
    if (!linked.included)
        flags << QStringLiteral("Excluded from agent request");
    if (isLocationNote(note, linked)) {
        const Media* image = note.image(note.mark(*linked.markID)->mediaID);
        if (image && !isFrameCurrent(note, *image))
            flags << QStringLiteral("Earlier frame note · Image needs review");
    }
    if (linked.timeRange) {
        const auto& recording = note.screenRecording;
        const RecordingRange selected = recording ? recording->selectedRange() : RecordingRange{};
        if (!recording || linked.timeRange->start < selected.start ||
            linked.timeRange->end > selected.end)
            flags << QStringLiteral("This note extends outside the exported recording range.");
    }
    return flags;
}

void writeNotes(ReviewPages& pages, const CaptureNote& note) {
    for (size_t i = 0; i < note.notes.size(); ++i) {
        const LinkedNote& linked = note.notes[i];
        if (linked.body.trimmed().isEmpty())
            continue;
        const QStringList flags = noteFlags(note, linked);
        pages.heading(noteHeading(note, linked, int(i) + 1),
                      kFlagLineHeight * double(flags.size()));
        if (!flags.isEmpty())
            pages.text(flags.join(QLatin1Char('\n')), 11, false, true, 6);
        pages.text(linked.body, 16, false, false, 14);
    }
}

} // namespace

QString reviewDate(Date date) {
    const auto seconds = qint64(std::floor(date + kReferenceDateUnixSeconds));
    return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc())
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QImage reviewPicture(const CaptureNote& note, const Media& media, const QByteArray& original) {
    QImage decoded;
    try {
        decoded = ImageFiles::image(original);
    } catch (const LumbexError&) {
        throw LumbexError(QStringLiteral(
            "An original image is missing. The previous mobile review has been kept."));
    }
    const std::vector<Mark> marks = note.marksOn(media.id);
    const int longest = int(std::ceil(ReviewPage::pictureDensity *
                                      std::max(ReviewPage::column, ReviewPage::pictureHeight)));
    const QImage rendered =
        Rendering::render(decoded, media, marks, note.numbers(marks), false, std::nullopt, longest);
    // The page is white: flattening here lets the PDF store an opaque picture.
    QImage flat(rendered.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, rendered);
    return flat;
}

void layOutReview(ReviewPages& pages, const CaptureNote& note, const std::vector<Media>& visible,
                  const std::vector<QImage>& pictures) {
    pages.page();
    pages.text(note.title, 24, true, false, 14);
    pages.text(QStringLiteral("Created ") + reviewDate(note.createdAt) +
                   QStringLiteral("\nUpdated ") + reviewDate(note.modifiedAt) +
                   QStringLiteral("\nRevision ") + QString::number(note.revision),
               11, false, true, 14);
    if (!note.general.trimmed().isEmpty()) {
        pages.heading(QStringLiteral("General note"), 0);
        pages.text(note.general, 16, false, false, 14);
    }
    if (note.screenRecording)
        writeRecording(pages, *note.screenRecording);
    for (size_t i = 0; i < visible.size(); ++i) {
        pages.picture(pictures.at(i), QStringLiteral("Image ") + QString::number(i + 1));
        if (const auto& frame = visible[i].recordingFrame)
            pages.text(QStringLiteral("Source ") + recordingTimeLabel(frame->sourceTime), 11, false,
                       true, 14);
    }
    writeNotes(pages, note);
    const auto omitted = note.media.size() - visible.size();
    if (omitted > 0)
        pages.text(QString::number(omitted) +
                       QStringLiteral(" earlier recording frame(s) are omitted because they "
                                      "predate the current edits or are outside the trim. Their "
                                      "original files remain in the editable note."),
                   11, false, true, 14);
}

} // namespace lumbex
