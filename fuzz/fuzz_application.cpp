#include <QGuiApplication>

// libFuzzer's own main() calls this once before the first input: text measurement during
// validation needs a GUI application, on the offscreen platform so that no display is needed.
// The application lives until the process ends.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static const QGuiApplication* const application = new QGuiApplication(*argc, *argv);
    Q_UNUSED(application);
    return 0;
}
