#include "app/reading_handover.h"

#include <QCryptographicHash>
#include <QFutureWatcher>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QtConcurrent>
#include <cstring>
#include <unistd.h>

namespace lumbex {
namespace {

constexpr int kConnectTimeoutMs = 1500;
// A reading waits behind the application's own; a 4K screen takes seconds.
constexpr int kAnswerTimeoutMs = 120000;

void writeBitmap(QDataStream& stream, const QImage& bitmap) {
    stream << qint32(bitmap.width()) << qint32(bitmap.height()) << qint32(bitmap.format())
           << bitmap.colorTable();
    const qsizetype rowBytes = (qsizetype(bitmap.width()) * bitmap.depth() + 7) / 8;
    QByteArray pixels;
    pixels.reserve(rowBytes * bitmap.height());
    for (int y = 0; y < bitmap.height(); ++y)
        pixels.append(reinterpret_cast<const char*>(bitmap.constScanLine(y)), rowBytes);
    stream << pixels;
}

bool readBitmap(QDataStream& stream, QImage& bitmap) {
    qint32 width = 0, height = 0, format = 0;
    QList<QRgb> colors;
    QByteArray pixels;
    stream >> width >> height >> format >> colors >> pixels;
    if (stream.status() != QDataStream::Ok || width <= 0 || height <= 0 ||
        qint64(width) * height * 4 > kMostReadingRequestBytes || format <= QImage::Format_Invalid ||
        format >= QImage::NImageFormats)
        return false;
    QImage image(width, height, QImage::Format(format));
    if (image.isNull())
        return false;
    const qsizetype rowBytes = (qsizetype(width) * image.depth() + 7) / 8;
    if (pixels.size() != rowBytes * height)
        return false;
    image.setColorTable(colors);
    for (int y = 0; y < height; ++y)
        memcpy(image.scanLine(y), pixels.constData() + rowBytes * y, size_t(rowBytes));
    bitmap = std::move(image);
    return true;
}

QByteArray encodedAnswer(const RecognitionResult& result) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << true << quint32(result.lines.size());
    for (const RecognizedLine& line : result.lines)
        stream << line.text << line.bounds.x << line.bounds.y << line.bounds.width
               << line.bounds.height;
    stream << quint32(result.codes.size());
    for (const QString& code : result.codes)
        stream << code;
    return bytes;
}

QByteArray encodedFailure(const QString& message) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << false << message;
    return bytes;
}

// The answer in `stream`, or none while it is incomplete. Throws the application's error.
std::optional<RecognitionResult> decodedAnswer(QDataStream& stream) {
    stream.startTransaction();
    bool succeeded = false;
    stream >> succeeded;
    if (!succeeded) {
        QString message;
        stream >> message;
        if (!stream.commitTransaction())
            return std::nullopt;
        throw LumbexError(message);
    }
    RecognitionResult result;
    quint32 count = 0;
    stream >> count;
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        RecognizedLine line;
        stream >> line.text >> line.bounds.x >> line.bounds.y >> line.bounds.width >>
            line.bounds.height;
        result.lines.push_back(std::move(line));
    }
    stream >> count;
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        QString code;
        stream >> code;
        result.codes.push_back(std::move(code));
    }
    if (!stream.commitTransaction())
        return std::nullopt;
    return result;
}

} // namespace

QString instanceSocketName() {
    const QByteArray identity =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toUtf8() + '|' +
        qgetenv("DISPLAY") + '|' + QByteArray::number(::getuid());
    return QStringLiteral("lumbex-") +
           QString::fromLatin1(
               QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(16));
}

QByteArray encodedReadingRequest(const QImage& bitmap, bool qrOnly) {
    QByteArray body;
    QDataStream bodyStream(&body, QIODevice::WriteOnly);
    bodyStream << qrOnly;
    writeBitmap(bodyStream, bitmap);
    QByteArray request;
    QDataStream stream(&request, QIODevice::WriteOnly);
    stream << QStringList{kReadingRequestWord} << qint64(body.size());
    request.append(body);
    return request;
}

std::optional<ReadingRequest> decodedReadingRequest(const QByteArray& body) {
    QDataStream stream(body);
    ReadingRequest request;
    stream >> request.qrOnly;
    if (stream.status() != QDataStream::Ok || !readBitmap(stream, request.bitmap) ||
        !stream.atEnd())
        return std::nullopt;
    return request;
}

void answerReadingRequest(const RecognitionEngines& engines, ReadingRequest request,
                          QObject* context, std::function<void(const QByteArray&)> answer) {
    auto* watcher = new QFutureWatcher<QByteArray>(context);
    QObject::connect(watcher, &QFutureWatcher<QByteArray>::finished, context,
                     [watcher, answer = std::move(answer)] {
                         watcher->deleteLater();
                         answer(watcher->result());
                     });
    watcher->setFuture(QtConcurrent::run([engines, request = std::move(request)] {
        try {
            ImageRecognition reading(engines);
            return encodedAnswer(reading.recognize(request.bitmap, request.qrOnly));
        } catch (const LumbexError& e) {
            return encodedFailure(e.message());
        } catch (const std::exception&) {
            return encodedFailure(QStringLiteral("Text recognition failed. Try again."));
        }
    }));
}

std::optional<RecognitionResult> readInRunningInstance(const QImage& bitmap, bool qrOnly) {
    QLocalSocket socket;
    socket.connectToServer(instanceSocketName());
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return std::nullopt;
    socket.write(encodedReadingRequest(bitmap, qrOnly));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(kConnectTimeoutMs))
            return std::nullopt;

    QDataStream in(&socket);
    while (socket.waitForReadyRead(kAnswerTimeoutMs))
        if (std::optional<RecognitionResult> result = decodedAnswer(in))
            return result;
    return std::nullopt;
}

} // namespace lumbex
