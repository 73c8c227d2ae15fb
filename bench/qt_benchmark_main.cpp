// The main of the benchmarks that need a QApplication (windows, the web engine).
#include <benchmark/benchmark.h>

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
