#pragma once

#include <QByteArray>
#include <benchmark/benchmark.h>

namespace lumbex::bench {

// Runs the registered benchmarks inside an application of type App (QGuiApplication for images
// and text, QApplication for widgets) on the offscreen platform, so no display is needed, unless
// QT_QPA_PLATFORM names another (xcb under Xvfb, to time painting through a real X server).
template <typename App> int runBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace lumbex::bench
