// lumbex_test_window X Y WIDTH HEIGHT COLOR TITLE: shows a window with known content (see
// test_window.h) on the X display and prints its window id once it has been painted.
#include "support/test_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QTimer>
#include <cstdio>

namespace {

class TestWindow : public QRasterWindow {
public:
    explicit TestWindow(QColor color) : color_(color) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawImage(0, 0, lumbex::test::testWindowContent(size(), color_));
        if (!announced_) {
            announced_ = true;
            // Printed after the paint has reached the server.
            QTimer::singleShot(100, this, [this] {
                std::printf("%llu\n", static_cast<unsigned long long>(winId()));
                std::fflush(stdout);
            });
        }
    }

private:
    QColor color_;
    bool announced_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 7)
        return 2;
    TestWindow window{QColor(args[5])};
    window.setTitle(args[6]);
    window.setGeometry(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());
    window.show();
    return app.exec();
}
