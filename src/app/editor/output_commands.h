#pragma once

#include "core/ids.h"

#include <QByteArray>
#include <functional>
#include <memory>

namespace lumbex {

class ClipboardWatch;
class EditorContext;
class ImageOutput;

// What leaves the window: the rendered active image or the selected annotation on the clipboard,
// the exported image file, the pinned image, and the sampled colour or the measurement as text.
// Every picture comes from the window's one ImageOutput.
class OutputCommands {
public:
    // `commitEditing` ends typing in the inspector before the note is read.
    OutputCommands(EditorContext& context, ClipboardWatch& clipboard,
                   std::function<void()> commitEditing);
    ~OutputCommands();

    void copyImage();
    // Copy or Cut of the selected annotation; without one, Copy copies the image.
    void copyAnnotation(bool cut);
    void exportImage();
    // "Export Review PDF…": asks where, then writes the reader PDF of the note in the background.
    void exportReviewPdf();
    void pinImage();
    void copySampledColor();
    void copyMeasurement();

    // Receives the rendered PNG of "Pin Image" and the image it shows.
    std::function<void(const QByteArray& png, const Id& mediaID)> onPin;

private:
    void writeReviewPdf(const QString& path);

    EditorContext& context_;
    std::function<void()> commitEditing_;
    std::unique_ptr<ImageOutput> imageOutput_;
};

} // namespace lumbex
