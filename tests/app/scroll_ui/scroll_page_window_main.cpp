// lumbex_scroll_page_window X Y WIDTH HEIGHT PAGE_WIDTH PAGE_HEIGHT SEED: a window whose viewport
// scrolls through `textPage(PAGE_WIDTH, PAGE_HEIGHT, SEED)` shown at one pixel per pixel. Prints
// the viewport's desktop rectangle ("x y width height") once the window has been painted.
#include "support/scroll_pages.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 8)
        return 2;
    auto* page = new QLabel;
    page->setPixmap(QPixmap::fromImage(
        lumbex::test::textPage(args[5].toInt(), args[6].toInt(), args[7].toUInt())));
    page->setMargin(0);
    QScrollArea window;
    window.setWindowTitle(QStringLiteral("Long Page"));
    window.setFrameShape(QFrame::NoFrame);
    window.setWidget(page);
    window.setGeometry(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());
    window.show();
    // The window manager places and paints the frame first; the viewport's position is final
    // once it has.
    QTimer::singleShot(700, &window, [&window] {
        const QPoint origin = window.viewport()->mapToGlobal(QPoint(0, 0));
        std::printf("%d %d %d %d\n", origin.x(), origin.y(), window.viewport()->width(),
                    window.viewport()->height());
        std::fflush(stdout);
    });
    return app.exec();
}
