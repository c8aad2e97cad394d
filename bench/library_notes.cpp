// Writes a notes library for bench/library_vs_grep.py: library_notes FOLDER COUNT.
#include "library_corpus.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: library_notes FOLDER COUNT\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int count = QByteArray(argv[2]).toInt();
    const lumbex::bench::LibraryCorpus corpus;
    for (int i = 0; i < count; ++i)
        corpus.writePackage(folder, i);
    return 0;
}
