#pragma once

#include "recording/recording_export.h"

#include <QString>
#include <optional>

namespace lumbex {

enum class RecordingExportFormat { MP4, GIF };

// What the export controls are set to.
struct RecordingExportChoice {
    RecordingExportFormat format = RecordingExportFormat::MP4;
    std::optional<int> longestSide = 1920; // nothing: the original size
    GIFOptions gif;
};

// Ranges longer than this make a GIF that is slow to write and large.
inline constexpr qint64 kLongGIFMicroseconds = 30'000'000;

// The composition an export with `choice` writes: H.264 needs even sizes, a GIF keeps the exact
// scaled size. Throws the composition's LumbexError.
RecordingComposition composeRecordingExport(const ScreenRecording& recording,
                                            const QString& directory,
                                            const RecordingExportChoice& choice,
                                            const SegmentPicturesOpener& open);

// The export details: the output size, "30 fps" or the GIF's rate, frame count and looping, "No
// audio" when none is exported and the long-GIF warning, one item a line.
QString recordingExportSummary(const RecordingComposition& composition,
                               const RecordingExportChoice& choice);

// "Estimated 1.2 MB", with what happens to the sound for an MP4.
QString recordingEstimateText(qint64 bytes, const RecordingComposition& composition,
                              RecordingExportFormat format);
// What an estimate is based on, shown under it.
QString recordingEstimateBasis(RecordingExportFormat format);

// The estimate of an export: bytes, or nothing when the encoder cannot tell. Throws LumbexError.
std::optional<qint64> estimateRecordingExport(const RecordingComposition& composition,
                                              const RecordingExportChoice& choice,
                                              const RecordingExportMedia& media);

// Runs the export to `destination`; false when cancelled. Throws LumbexError; the destination
// is untouched unless it succeeds.
bool runRecordingExport(const RecordingComposition& composition, const QString& destination,
                        const RecordingExportChoice& choice, const RecordingExportMedia& media,
                        const std::atomic<bool>& cancelled, const ExportProgress& progress);

} // namespace lumbex
