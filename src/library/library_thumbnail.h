#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>
#include <vector>

namespace lumbex {

// What a note's preview in the library is drawn from: the image shown, its marks and their badge
// numbers, and a key that changes whenever any of them changes.
struct LibraryThumbnail {
    Media media;
    std::vector<Mark> marks;
    MarkNumbers numbers;
    // SHA-256 (lower-case hex) of the JSON of the image record, its marks and their numbers.
    QString key;

    static constexpr int kPreviewSize = 176;
    static constexpr qint64 kMaxOriginalBytes = qint64(512) << 20;

    friend bool operator==(const LibraryThumbnail&, const LibraryThumbnail&) = default;

    // The first current image (else the first image) of a note that passes its checks; none for
    // a note without images, one that fails validation or a stale recording frame.
    static std::optional<LibraryThumbnail> make(const CaptureNote& note);

    // The preview from the image's original bytes: at most 176 pixels on the longer side. Throws
    // LumbexError when the bytes are not the image's.
    QImage render(const QByteArray& original) const;
    // The same from `original` when given, else from the image's file in the package's assets.
    QImage render(const QString& package, const std::optional<QByteArray>& original) const;
};

} // namespace lumbex
