#pragma once

#include "model/note_document.h"

#include <QBuffer>
#include <QImage>
#include <memory>

namespace lumbex::test {

// A note with one small image (a note saves once it holds one) and `linked` as its first note.
inline std::unique_ptr<NoteDocument> noteWithLinkedText(const QString& folder, const QString& body,
                                                        Id& linked) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    auto document = NoteDocument::fromCapturePNG(png, QStringLiteral("Screen"), folder);
    document->change(QStringLiteral("Add Note"), [&](CaptureNote& note) {
        LinkedNote note_ = LinkedNote::make();
        note_.body = body;
        linked = note_.id;
        note.notes.push_back(note_);
    });
    return document;
}

} // namespace lumbex::test
