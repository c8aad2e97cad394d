#pragma once

#include "core/ids.h"
#include "core/latest_work.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

namespace lumbex {

class ClipboardWatch;
class NoteDocument;

// The one way an editor window produces a rendered picture of its active image (Copy Image, Copy
// of an annotation, Share, Export, Pin): the render runs on the thread pool from a snapshot of the
// note, and its bytes reach the completion only when nothing the person did since makes them stale
// (a newer render included).
class ImageOutput : public QObject {
    Q_OBJECT
public:
    struct Request {
        Id mediaID;
        bool jpeg = false;
        std::optional<Id> selectedID;
        // Check that nobody wrote to the clipboard while the picture was rendered.
        bool forClipboard = false;
    };

    ImageOutput(NoteDocument& document, ClipboardWatch& clipboard, std::function<Id()> activeImage,
                std::function<std::optional<Id>()> selection, QObject* parent = nullptr);

    void run(const Request& request, std::function<void(const QByteArray&)> completion);

    std::function<void(const QString&)> onStatus;
    std::function<void(const QString&)> onError;

private:
    NoteDocument& document_;
    ClipboardWatch& clipboard_;
    std::function<Id()> activeImage_;
    std::function<std::optional<Id>()> selection_;
    LatestWork rendering_{this};
};

} // namespace lumbex
