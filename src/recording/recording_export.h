#pragma once

#include "platform/recording_export.h"
#include "platform/segment_sound.h"
#include "recording/recording_composition.h"

#include <atomic>
#include <functional>
#include <optional>

namespace lumbex {

// The media services an export runs on, so that the composition's logic stays apart from the
// encoders and decoders that implement them.
struct RecordingExportMedia {
    std::function<std::unique_ptr<RecordingExportWriter>(const MP4ExportSettings&)> openMP4;
    std::function<std::unique_ptr<RecordingExportWriter>(const GIFExportSettings&)> openGIF;
    std::function<std::optional<qint64>(const MP4ExportSettings&, const std::vector<QImage>&)>
        estimateMP4;
    std::function<qint64(const std::vector<QImage>&, qint64, bool, int)> estimateGIF;
    SegmentSoundReader readSound;
};

// How far an export has come, from 0 to 1.
using ExportProgress = std::function<void(double)>;

struct GIFOptions {
    int fps = 10;
    bool loop = true;
};

// Writes the composed movie to `destination` as MP4: every rendered picture, and the sound of
// every placed audio kind. `cancelled` is checked between pictures; false when it was set, the
// destination untouched. Throws the first failure's LumbexError, the destination untouched.
bool exportRecordingMP4(const RecordingComposition& composition, const QString& destination,
                        const RecordingExportMedia& media, const std::atomic<bool>& cancelled,
                        const ExportProgress& progress);

// Writes the composed movie to `destination` as a GIF timed by RecordingGIFTiming; as above.
bool exportRecordingGIF(const RecordingComposition& composition, const QString& destination,
                        GIFOptions options, const RecordingExportMedia& media,
                        const std::atomic<bool>& cancelled, const ExportProgress& progress);

// The bytes of the MP4 export, from its first two seconds encoded; nothing when the encoder
// cannot tell.
std::optional<qint64> estimateRecordingMP4(const RecordingComposition& composition,
                                           const RecordingExportMedia& media);

// The bytes of the GIF export, from up to five of its frames encoded. Throws the timing's or the
// encoder's message.
qint64 estimateRecordingGIF(const RecordingComposition& composition, GIFOptions options,
                            const RecordingExportMedia& media);

} // namespace lumbex
