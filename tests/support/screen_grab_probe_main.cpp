// Takes one grab with the Wayland grabber built as the test asks, writes it as a PNG and prints
// its origin ("x,y"); a failure prints its message on standard error and exits 1. Run inside a
// test's Wayland session, as that session's user.
//
//     lumbex_screen_grab_probe copy|portal|failing-copy display N|area X,Y,W,H OUT.png
//
// "copy" is the grabber as the application opens it; "portal" has no output copier, so every grab
// asks the portal; "failing-copy" has a copier that reads the outputs but whose every copy fails.

#include "core/error.h"
#include "platform/portal_screen_grabber.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

// The real copier's outputs, with each copy failing as a frame the compositor gave up on.
class FailingCopier final : public lumbex::OutputCopier {
public:
    std::optional<std::vector<lumbex::WaylandOutput>> outputs() override {
        return real_->outputs();
    }
    std::optional<lumbex::OutputCopies> copy(const QStringList& names) override {
        std::optional<lumbex::OutputCopies> copies = real_->copy(names);
        if (copies)
            for (QImage& picture : copies->pictures)
                picture = QImage();
        return copies;
    }

private:
    std::unique_ptr<lumbex::OutputCopier> real_ = lumbex::waylandOutputCopier();
};

int usage() {
    std::fputs("usage: lumbex_screen_grab_probe copy|portal|failing-copy display N|area X,Y,W,H "
               "OUT.png\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 4)
        return usage();
    std::unique_ptr<lumbex::OutputCopier> copier;
    if (args[0] == u"copy")
        copier = lumbex::waylandOutputCopier();
    else if (args[0] == u"failing-copy")
        copier = std::make_unique<FailingCopier>();
    else if (args[0] != u"portal")
        return usage();
    try {
        const std::unique_ptr<lumbex::ScreenGrabber> screen =
            lumbex::openPortalScreenGrabber({}, std::move(copier));
        lumbex::ScreenGrab grab;
        if (args[1] == u"display") {
            const std::vector<lumbex::ScreenDisplay> displays = screen->displays();
            const qsizetype index = args[2].toInt();
            if (index < 0 || index >= qsizetype(displays.size()))
                throw lumbex::LumbexError(QStringLiteral("no display %1").arg(args[2]));
            grab = screen->grabDisplay(displays[size_t(index)]);
        } else if (args[1] == u"area") {
            const QStringList n = args[2].split(u',');
            if (n.size() != 4)
                return usage();
            grab = screen->grabArea(QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt()));
        } else {
            return usage();
        }
        if (!grab.image.save(args[3], "PNG"))
            throw lumbex::LumbexError(QStringLiteral("could not write %1").arg(args[3]));
        std::printf("%d,%d\n", grab.origin.x(), grab.origin.y());
    } catch (const lumbex::LumbexError& e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
