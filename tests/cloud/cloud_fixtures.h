#pragma once

#include "cloud/prepared_revision.h"
#include "core/error.h"
#include "core/files.h"
#include "model/image_import.h"
#include "support/qt_printers.h"
#include "support/test_images.h"

#include <functional>
#include <gtest/gtest.h>

namespace lumbex::test {

inline void expectMessage(const std::function<void()>& action, const QString& message) {
    try {
        action();
        ADD_FAILURE() << "no failure, expected: " << message.toStdString();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), message);
    }
}

// Reader files that cost nothing: every image is visible and the PDF is a short text.
inline ReaderFileWriters fakeReaderWriters(int* pdfs = nullptr) {
    ReaderFileWriters writers;
    writers.visibleMedia = [](const CaptureNote& note) { return note.media; };
    writers.writePDF = [pdfs](const CaptureNote& note, const std::map<Id, QByteArray>&,
                              const QString& revisionText, const QString& path) {
        if (pdfs)
            ++*pdfs;
        writeNewFileDurably(path, "%PDF " + note.title.toUtf8() + " " + revisionText.toUtf8());
    };
    return writers;
}

inline CloudSnapshotInput noteWithTwoImages() {
    CloudSnapshotInput input;
    input.note = CaptureNote::make();
    input.note.title = "Login: bug";
    input.note.revision = 4;
    appendImage(input, solidPng(40, 30, Qt::darkCyan), "One");
    appendImage(input, solidPng(20, 10, Qt::red), "Two");
    return input;
}

} // namespace lumbex::test
