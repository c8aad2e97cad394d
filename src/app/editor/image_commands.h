#pragma once

#include <QByteArray>
#include <QString>

class QMimeData;

namespace lumbex {

class EditorContext;

// Images into and out of the note: imported files, the clipboard's image, images dropped on the
// canvas, and removing the active image. An added image becomes the active one.
class ImageCommands {
public:
    explicit ImageCommands(EditorContext& context);

    void importImage();
    void pasteImage();
    // True when the drop held image files or an image.
    bool dropImages(const QMimeData& data);
    void removeActiveImage();
    // Adds image bytes as they are (normalised by the document) and shows them.
    void append(const QByteArray& data, const QString& name);

private:
    EditorContext& context_;
};

} // namespace lumbex
