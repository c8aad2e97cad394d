#include "recording/recording_export_choice.h"

#include "core/error.h"
#include "recording/recording_gif_timing.h"

#include <QLocale>

namespace lumbex {

RecordingComposition composeRecordingExport(const ScreenRecording& recording,
                                            const QString& directory,
                                            const RecordingExportChoice& choice,
                                            const SegmentPicturesOpener& open) {
    return RecordingComposition::make(recording, directory, choice.longestSide,
                                      choice.format == RecordingExportFormat::MP4, open);
}

QString recordingExportSummary(const RecordingComposition& composition,
                               const RecordingExportChoice& choice) {
    const RecordingOutputSize& size = composition.size();
    QString summary = QStringLiteral("%1 × %2 px").arg(size.width).arg(size.height);
    const bool gif = choice.format == RecordingExportFormat::GIF;
    if (!gif) {
        summary += QStringLiteral(" · 30 fps");
    } else {
        summary += QStringLiteral(" · %1 fps").arg(choice.gif.fps);
        try {
            const RecordingGIFTiming timing(composition.duration(), choice.gif.fps);
            summary += QStringLiteral(" · %1 frames").arg(timing.frameCount());
        } catch (const LumbexError& error) {
            summary += QStringLiteral(" · ") + error.message();
        }
        summary += choice.gif.loop ? QStringLiteral(" · Loops") : QStringLiteral(" · Plays once");
    }
    if (gif || !composition.hasAudio())
        summary += QStringLiteral("\nNo audio");
    if (gif && composition.duration() > kLongGIFMicroseconds)
        summary += QStringLiteral("\nLong GIF. Trim to a shorter range or choose MP4.");
    return summary;
}

QString recordingEstimateText(qint64 bytes, const RecordingComposition& composition,
                              RecordingExportFormat format) {
    QString text = QStringLiteral("Estimated ") + QLocale::c().formattedDataSize(bytes);
    if (format == RecordingExportFormat::MP4)
        text += composition.hasAudio() ? QStringLiteral(" · Audio included")
                                       : QStringLiteral(" · Audio unavailable");
    return text;
}

QString recordingEstimateBasis(RecordingExportFormat format) {
    return format == RecordingExportFormat::MP4
               ? QStringLiteral("Based on the output settings. Static recordings can be much "
                                "smaller.")
               : QStringLiteral("Based on up to five sampled frames. Motion and colors can change "
                                "the actual file size.");
}

std::optional<qint64> estimateRecordingExport(const RecordingComposition& composition,
                                              const RecordingExportChoice& choice,
                                              const RecordingExportMedia& media) {
    if (choice.format == RecordingExportFormat::MP4)
        return estimateRecordingMP4(composition, media);
    return estimateRecordingGIF(composition, choice.gif, media);
}

bool runRecordingExport(const RecordingComposition& composition, const QString& destination,
                        const RecordingExportChoice& choice, const RecordingExportMedia& media,
                        const std::atomic<bool>& cancelled, const ExportProgress& progress) {
    if (choice.format == RecordingExportFormat::MP4)
        return exportRecordingMP4(composition, destination, media, cancelled, progress);
    return exportRecordingGIF(composition, destination, choice.gif, media, cancelled, progress);
}

} // namespace lumbex
