#pragma once

#include "recognition/image_recognition.h"

#include <QDataStream>
#include <QImage>
#include <functional>
#include <optional>

namespace lumbex {

// A bitmap a command-line run hands to the running application to read with its warm engines,
// and the answer, as they travel over the single-instance socket. The request starts with a
// one-word argument list so that the socket's other messages (arguments to open) stay as they are.

// The first and only argument of a reading request.
inline const QString kReadingRequestWord = QStringLiteral("--read-bitmap");

struct ReadingRequest {
    QImage bitmap;
    bool qrOnly = false;
};

// The socket a running application listens on, for this user, settings folder and display.
QString instanceSocketName();

// The largest request body the application accepts: a bitmap of two 8K screens.
constexpr qint64 kMostReadingRequestBytes = qint64(2) * 7680 * 4320 * 4 + 1024;

// A request travels as its argument list, the size of its body, then the body.
QByteArray encodedReadingRequest(const QImage& bitmap, bool qrOnly);
// The request in a body, or none when it is not a valid one.
std::optional<ReadingRequest> decodedReadingRequest(const QByteArray& body);

// Reads `request` with `engines` on a background thread and gives `answer` the bytes to send
// back, on the calling (GUI) thread.
void answerReadingRequest(const RecognitionEngines& engines, ReadingRequest request,
                          QObject* context, std::function<void(const QByteArray&)> answer);

// What the running application read, or none when no application answers (or it went away
// mid-reading). Throws LumbexError with the application's message when its reading failed.
std::optional<RecognitionResult> readInRunningInstance(const QImage& bitmap, bool qrOnly);

} // namespace lumbex
