// lumbex_test_animation X Y WIDTH HEIGHT FPS: a window whose whole picture moves FPS times a
// second (scrolling text rows over bands and boxes), like a screen where something plays, for
// recording tests and benchmarks. Prints its window id once it has been painted.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QTimer>
#include <cstdio>

namespace {

class AnimationWindow : public QRasterWindow {
public:
    explicit AnimationWindow(int fps) {
        connect(&tick_, &QTimer::timeout, this, [this] {
            ++frame_;
            update();
        });
        tick_.start(1000 / fps);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int w = width();
        const int h = height();
        for (int band = 0; band < h; band += 40)
            painter.fillRect(0, band, w, 40,
                             QColor::fromHsv((band / 40 * 23 + frame_ * 3) % 360, 90, 230));
        painter.setPen(Qt::black);
        const int shift = (frame_ * 7) % 24;
        for (int row = -1; row * 24 < h; ++row)
            painter.drawText(8 + (row * 13 + frame_ * 5) % 97, row * 24 + 20 - shift,
                             QStringLiteral("frame %1 row %2 · the quick brown fox jumps over "
                                            "the lazy dog 0123456789")
                                 .arg(frame_)
                                 .arg(row));
        for (int box = 0; box < 6; ++box) {
            const int x = (frame_ * (box + 3) * 4 + box * 300) % std::max(1, w - 120);
            const int y = (frame_ * (box + 2) * 3 + box * 150) % std::max(1, h - 90);
            painter.fillRect(x, y, 120, 90, QColor::fromHsv(box * 60, 200, 200));
        }
        if (!announced_) {
            announced_ = true;
            QTimer::singleShot(100, this, [this] {
                std::printf("%llu\n", static_cast<unsigned long long>(winId()));
                std::fflush(stdout);
            });
        }
    }

private:
    QTimer tick_;
    int frame_ = 0;
    bool announced_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6)
        return 2;
    AnimationWindow window(std::max(1, args[5].toInt()));
    window.setTitle(QStringLiteral("Lumbex test animation"));
    window.setGeometry(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());
    window.show();
    return app.exec();
}
