#pragma once

#include "platform/frame_layout.h"
#include "platform/recording_media.h"
#include "platform/segment_pictures.h"

#include <QImage>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

// Where the rendered frames of an export go: pictures at the output size in output time (0 is the
// start of the selected range), then `finish`. Nothing at the destination changes until `finish`
// has checked the written file; a writer destroyed before that removes everything it wrote. Used
// from one thread at a time.
class RecordingExportWriter {
public:
    virtual ~RecordingExportWriter() = default;

    // `image` (any format; at the output size, else scaled to fit on black) shows from
    // `outputTime` µs until the next frame or the end. Times must increase, the first is 0.
    // Throws the writer's "did not finish" message when encoding fails.
    virtual void addFrame(const QImage& image, qint64 outputTime) = 0;
    // `source` laid out by `layout` (at the output size) as the frame from `outputTime`. Writers
    // that can compose the decoded picture themselves do; the others take its rendered image.
    virtual void addPicture(const DecodedPicture& source, const FrameLayout& layout,
                            qint64 outputTime) {
        addFrame(renderFrame(source.image(), layout), outputTime);
    }
    // Sound of `kind`, its `time` in output µs. Writers without sound ignore it.
    virtual void addAudio(RecordingAudio kind, const AudioSample& sample) = 0;
    // Completes, checks and moves the file into place, replacing an earlier one only now. False,
    // changing nothing, when `cancelled` was set before the move; throws when the file failed.
    virtual bool finish(const std::atomic<bool>& cancelled) = 0;
};

struct MP4ExportSettings {
    QString destination;
    int width = 0;  // even
    int height = 0; // even
    int frameRate = 30;
    qint64 durationMicroseconds = 0;   // the selected range: the last frame shows until then
    std::vector<RecordingAudio> audio; // one AAC track per kind that was placed; none: silent
};

// H.264 (libx264, preset "veryfast") and AAC in an MP4 with its index in front (playable while
// it downloads). Written as ".Lumbex-<UUID>.mp4" beside the destination and read back before
// it replaces anything: its picture size must equal the output size and its length the range
// within 67,000 µs, else "The exported movie did not match the selected range or dimensions. The
// previous file has been kept."; it must hold audio exactly when `audio` names a kind, else "The
// exported audio did not match the selected sound options." Throws "MP4 export is unavailable."
// when the encoders cannot be prepared, and the system's reason when the file cannot be written.
std::unique_ptr<RecordingExportWriter> openMP4Export(const MP4ExportSettings& settings);

// The bytes an MP4 export with `settings` would take, from a short sample encode of `samples`
// (consecutive rendered frames, e.g. the first two seconds) scaled to the range; nothing when the
// encoder cannot tell.
std::optional<qint64> estimateMP4Bytes(const MP4ExportSettings& settings,
                                       const std::vector<QImage>& samples);

struct GIFExportSettings {
    QString destination;
    int width = 0;
    int height = 0;
    int fps = 10;
    qint64 durationMicroseconds = 0; // the selected range: the last frame shows until then
    bool loop = true;                // repeat forever, else play once
};

// A GIF with a palette of its own for every frame, each frame encoded and released before the
// next. Written as "output.gif" in a hidden folder ".Lumbex-<UUID>" beside the destination, which
// is removed in all cases. Throws "Choose up to 10 fps and a longest side of 960 pixels for GIF."
// or "The GIF file could not be created."; a failure later: "The GIF did not finish correctly.
// The previous file has been kept."
std::unique_ptr<RecordingExportWriter> openGIFExport(const GIFExportSettings& settings);

// The bytes of a GIF of `samples` (all at one size, each lasting `sampleDelayMicroseconds`)
// encoded in memory, scaled to `frameCount` frames. Throws "Choose a longest side of up to 960
// pixels for GIF." or "GIF size estimation is unavailable.".
qint64 estimateGIFBytes(const std::vector<QImage>& samples, qint64 sampleDelayMicroseconds,
                        bool loop, int frameCount);

} // namespace lumbex
