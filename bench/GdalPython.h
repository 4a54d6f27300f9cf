#pragma once
// Times a step of GDAL's Python bindings (Debian's python3-gdal, which lives
// beside the system's own interpreter) for comparison with ours. The timing
// is taken inside Python, so that the interpreter's start does not count.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/NumberText.h"
#include "tests/support/TempFolder.h"

// Runs `statements` (Python, on one line, using `module` of osgeo, with
// exceptions on) once per iteration and reports the time they take as the
// iteration's manual time; a failure skips the benchmark with `failure`.
inline void RunTimedGdalPython(benchmark::State& state, const std::string& module, const std::string& statements,
                               const char* failure)
{
    const std::string python = "/usr/bin/python3 -c \"";
    if (std::system((python + "from osgeo import " + module + "\" >/dev/null 2>&1").c_str()) != 0) {
        state.SkipWithError("python3-gdal is not installed");
        return;
    }
    TTempFolder folder;
    const std::string output = folder.Path("seconds");
    std::string command = python + "import time; from osgeo import " + module + "; " + module +
                          ".UseExceptions(); t = time.perf_counter(); " + statements +
                          "; print(time.perf_counter() - t)\" > '" + output + "' 2>/dev/null";
    for (auto _ : state) {
        double seconds = -1;
        const std::string printed = std::system(command.c_str()) == 0 ? folder.Read("seconds") : std::string();
        if (!TryStrToFloat(printed.substr(0, printed.find('\n')), seconds)) seconds = -1;
        if (seconds < 0) {
            state.SkipWithError(failure);
            return;
        }
        state.SetIterationTime(seconds);
    }
}
