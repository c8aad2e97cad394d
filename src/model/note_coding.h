#pragma once

#include "core/json_read.h"
#include "records/capture_note.h"

#include <QByteArray>
#include <QJsonObject>

namespace lumbex {

// The JSON form of note records: keys are the field names, optional fields are left out when
// absent, and null reads as absent. Decoding failures name the key path and the expectation.
QJsonObject encodeNote(const CaptureNote& note);
CaptureNote decodeNote(const JsonObjectNode& object);

QJsonObject encodeMedia(const Media& media);
QJsonObject encodeMark(const Mark& mark);
QJsonObject encodeLinkedNote(const LinkedNote& note);

// note.json: pretty-printed, keys sorted.
QByteArray encodeNoteJson(const CaptureNote& note);
CaptureNote decodeNoteJson(const QByteArray& bytes);

// What a copied annotation carries on the clipboard.
QByteArray encodeAnnotationClipboard(const AnnotationClipboard& clipboard);
AnnotationClipboard decodeAnnotationClipboard(const QByteArray& bytes);

} // namespace lumbex
