#pragma once

#include <QImage>
#include <memory>

namespace lumbex {

class NoteDocument;
class NoteLibrary;

// The mock project-cards page of the sample note: drawn in memory, no customer data.
QImage practiceImage();
// "Sample · Project Cards": the practice image with one location pin on its button, the pin's
// note and a general note, new in `library`. Throws LumbexError ("The practice image could not
// be created.").
std::unique_ptr<NoteDocument> makePracticeNote(NoteLibrary& library);

} // namespace lumbex
