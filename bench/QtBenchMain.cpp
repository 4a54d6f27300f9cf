// main() of the benchmark programs that draw or show widgets: the
// application lives on main's stack, so it is gone before the exit handlers
// tear down Qt's own statics (a function-local static application crashed
// at exit). Widgets a benchmark keeps go first, through Qt's post routines.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "platform/qt/SymbolFonts.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterSymbolFonts();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
