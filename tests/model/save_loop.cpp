// Saves one package over and over until killed: each round renames the note, and every third
// round adds an image or removes one. Prints "ready" once the package is open, so that the
// killing test knows saves are under way. Usage: save_loop <package>
#include "core/error.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "model/package_saver.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cstdio>

using namespace lumbex;

namespace {

QByteArray pngOf(int round) {
    QImage image(32 + round % 17, 24, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(round * 37 % 360, 200, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

void editImages(NotePackageContents& contents, int round) {
    if (contents.note.media.size() < 3) {
        appendImage(contents, pngOf(round), QStringLiteral("Round %1").arg(round));
        return;
    }
    const Id last = contents.note.media.back().id;
    removeImage(contents.note, last);
    contents.originals.erase(last);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: save_loop <package>\n", stderr);
        return 2;
    }
    const QString package = QString::fromLocal8Bit(argv[1]);
    try {
        sweepStaleSaves(package);
        NotePackageContents contents = readNotePackage(package);
        std::puts("ready");
        std::fflush(stdout);
        KnownOriginals known;
        for (const Media& media : contents.note.media)
            known.inPackage.insert(media.id);
        for (int round = 1;; ++round) {
            contents.note.title = QStringLiteral("Loop %1").arg(round);
            ++contents.note.revision;
            if (round % 3 == 0)
                editImages(contents, round);
            for (const Media& media : contents.note.media)
                known.digests.emplace(media.id, media.sha256);
            savePackage(contents, package, known);
            known.inPackage.clear();
            for (const Media& media : contents.note.media)
                known.inPackage.insert(media.id);
        }
    } catch (const LumbexError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
