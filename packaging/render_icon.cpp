// Build-time tool: renders the scalable application icon into the PNG sizes of the hicolor theme
// with Qt's own SVG renderer, so the package needs no other image tool.
//
//   lumbex_render_icon ICON.svg OUTPUT_FOLDER SIZE...
//
// writes OUTPUT_FOLDER/<SIZE>x<SIZE>/apps/<name of ICON>.png for each size.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <cstdio>

namespace {

bool renderOne(const QString& svg, int size, const QString& path) {
    QImageReader reader(svg, "svg");
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull() || image.size() != QSize(size, size)) {
        std::fprintf(stderr, "lumbex_render_icon: cannot render %s at %d: %s\n", qPrintable(svg),
                     size, qPrintable(reader.errorString()));
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && image.save(&out, "PNG") && out.commit();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 3) {
        std::fputs("usage: lumbex_render_icon ICON.svg OUTPUT_FOLDER SIZE...\n", stderr);
        return 2;
    }
    const QString name = QFileInfo(args[0]).completeBaseName();
    for (const QString& word : args.mid(2)) {
        bool ok = false;
        const int size = word.toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "lumbex_render_icon: not a size: %s\n", qPrintable(word));
            return 2;
        }
        const QString path =
            QStringLiteral("%1/%2x%2/apps/%3.png").arg(args[1]).arg(size).arg(name);
        if (!renderOne(args[0], size, path))
            return 1;
    }
    return 0;
}
