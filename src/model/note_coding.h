#pragma once

#include "core/json_read.h"
#include "core/json_writer.h"
#include "records/capture_note.h"

#include <QByteArray>

namespace lumbex {

// The JSON form of note records: keys are the field names, optional fields are left out when
// absent, and null reads as absent. Decoding failures name the key path and the expectation.
void writeNote(JsonWriter& out, const CaptureNote& note);
CaptureNote decodeNote(const JsonObjectNode& object);

void writeMedia(JsonWriter& out, const Media& media);
void writeMark(JsonWriter& out, const Mark& mark);
void writeLinkedNote(JsonWriter& out, const LinkedNote& note);

// note.json: pretty-printed, keys sorted.
QByteArray encodeNoteJson(const CaptureNote& note);
CaptureNote decodeNoteJson(const QByteArray& bytes);

// The clipboard type a copied annotation travels under.
inline constexpr char kAnnotationClipboardType[] = "design.omek.lumbex.annotation";
// What a copied annotation carries on the clipboard.
QByteArray encodeAnnotationClipboard(const AnnotationClipboard& clipboard);
AnnotationClipboard decodeAnnotationClipboard(const QByteArray& bytes);

} // namespace lumbex
