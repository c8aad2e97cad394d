#pragma once

#include "core/error.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

namespace lumbex {

// Thrown by a reading that was cancelled; its message is what the recognition window shows.
class RecognitionCancelled : public LumbexError {
public:
    RecognitionCancelled() : LumbexError(QStringLiteral("Cancelled")) {}
};

// A word or line an engine read, with its box in pixels of the image it was given (origin at
// the top-left, y growing downwards).
struct EngineWord {
    QString text;
    QRect box;
    // How sure the engine is of the word, 0 to 100.
    double confidence = 100;
};

struct EngineLine {
    QString text;
    QRect box;
    // The line's words in reading order, each with its own box.
    std::vector<EngineWord> words;
};

// How the engine should find lines in the image it is given.
enum class PageLayout {
    // The image is one line of text.
    SingleLine,
    // The image is one block of text lines (a terminal, a paragraph).
    SingleBlock,
    // The engine finds blocks and columns itself.
    Automatic,
};

// Which of its languages an engine reads with.
enum class ReadingLanguages {
    // Its first language alone: fast, and right for most screens.
    First,
    // All of them, the others before the first: slower, for text the first reads with little
    // confidence (probably another script).
    All,
};

// An optical character reader. One instance per reading thread; read() blocks the calling
// thread, cancel() and resume() may be called from any other.
class TextEngine {
public:
    virtual ~TextEngine() = default;

    // The lines of text in `image` (8-bit grey, dark text on a light background reads best).
    // Throws RecognitionCancelled after cancel(), LumbexError when the engine fails.
    virtual std::vector<EngineLine> read(const QImage& image, PageLayout layout,
                                         ReadingLanguages languages) = 0;
    // Makes a running read() end early and every later one throw RecognitionCancelled, until
    // resume().
    virtual void cancel() = 0;
    // Lets later reads run again after cancel(), with what the engine has loaded kept.
    virtual void resume() = 0;
};

} // namespace lumbex
