// bench_desktop_window: covers the X screen with a realistic desktop (windows, text, gradients)
// so that screenshot tools are timed on what they meet in use, then prints "ready".
#include "screenshot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

class DesktopWindow : public QRasterWindow {
public:
    explicit DesktopWindow(QImage picture) : picture_(std::move(picture)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawImage(0, 0, picture_);
        if (!announced_) {
            announced_ = true;
            QTimer::singleShot(200, [] {
                std::puts("ready");
                std::fflush(stdout);
            });
        }
    }

private:
    QImage picture_;
    bool announced_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QImage desktop =
        QImage::fromData(lumbex::bench::screenshotPng(2))
            .scaled(screen.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    DesktopWindow window(desktop);
    window.setFlags(Qt::FramelessWindowHint);
    window.setGeometry(screen);
    window.show();
    return app.exec();
}
