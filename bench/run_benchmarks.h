#pragma once

#include <QByteArray>
#include <benchmark/benchmark.h>

namespace lumbex::bench {

// Runs the registered benchmarks inside an application of type App (QGuiApplication for images
// and text, QApplication for widgets) on the offscreen platform, so no display is needed.
template <typename App> int runBenchmarks(int argc, char** argv) {
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
