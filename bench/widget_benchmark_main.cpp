#include "run_benchmarks.h"

#include <QApplication>

// Benchmarks that drive widgets need a QApplication.
int main(int argc, char** argv) {
    return lumbex::bench::runBenchmarks<QApplication>(argc, argv);
}
