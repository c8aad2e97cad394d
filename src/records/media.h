#pragma once

#include "core/ids.h"
#include "core/rect.h"

#include <QString>
#include <optional>
#include <vector>

namespace lumbex {

struct Media;

// How an image is presented in a request. The raw values are also the labels shown.
enum class MediaRole { Current, Reference, After };
QString rawValue(MediaRole role);
std::optional<MediaRole> mediaRoleFromRaw(QStringView raw);

enum class BackgroundStyle { Solid, Gradient };
QString rawValue(BackgroundStyle style);
std::optional<BackgroundStyle> backgroundStyleFromRaw(QStringView raw);

// Decorative frame drawn around an exported image.
struct ImageBackground {
    BackgroundStyle style = BackgroundStyle::Solid;
    QString color = QStringLiteral("#E8EDF5");
    QString secondaryColor = QStringLiteral("#B6C9EF");
    double padding = 64;
    double cornerRadius = 16;
    bool shadow = true;

    friend bool operator==(const ImageBackground&, const ImageBackground&) = default;
};

struct RecognitionCache {
    QString imageKey;
    QString text;

    friend bool operator==(const RecognitionCache&, const RecognitionCache&) = default;
};

// An image taken from the note's screen recording at a source time.
struct RecordingFrame {
    qint64 sourceTime = 0;
    QString visualKey;

    friend bool operator==(const RecordingFrame&, const RecordingFrame&) = default;
};

// How a stitched image was assembled from source frames kept in the note.
struct ScrollCaptureInfo {
    struct Piece {
        Id mediaID;
        std::optional<qint64> offsetY;
        qint64 footerHeight = 0;

        friend bool operator==(const Piece&, const Piece&) = default;
    };

    bool partial = false;
    std::optional<QString> issue;
    std::vector<Piece> pieces;
    std::optional<bool> imported;

    friend bool operator==(const ScrollCaptureInfo&, const ScrollCaptureInfo&) = default;

    QString summary() const;
    // Checks the pieces against the note's images and the stitched image that owns this
    // information; throws LumbexError.
    void validate(const std::vector<Media>& images, const Media& owner) const;
};

struct Media {
    Id id;
    QString name;
    qint64 width = 0;
    qint64 height = 0;
    QString sha256;
    MediaRole role = MediaRole::Current;
    bool includeInRequest = false;
    std::optional<Rect> crop;
    std::optional<ImageBackground> background;
    std::optional<RecognitionCache> recognition;
    std::optional<RecordingFrame> recordingFrame;
    std::optional<ScrollCaptureInfo> scrollCapture;

    friend bool operator==(const Media&, const Media&) = default;

    Rect extent() const { return {0, 0, double(width), double(height)}; }
    Rect visibleRect() const { return crop.value_or(extent()); }
    QString filename() const { return idString(id) + QStringLiteral(".png"); }
};

} // namespace lumbex
