#include "run_benchmarks.h"

#include <QGuiApplication>

// Benchmarks decode images and measure text, which need a GUI application.
int main(int argc, char** argv) {
    return lumbex::bench::runBenchmarks<QGuiApplication>(argc, argv);
}
