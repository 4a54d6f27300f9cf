#pragma once
// Times a step of GDAL's Python bindings (Debian's python3-gdal, which lives
// beside the system's own interpreter) for comparison with ours. The timing
// is taken inside Python, so that the interpreter's start does not count.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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
    std::string command = python + "import time; from osgeo import " + module + "; " + module +
                          ".UseExceptions(); t = time.perf_counter(); " + statements +
                          "; print(time.perf_counter() - t)\" 2>/dev/null";
    for (auto _ : state) {
        double seconds = -1;
        if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
            if (std::fscanf(pipe, "%lf", &seconds) != 1) seconds = -1;
            ::pclose(pipe);
        }
        if (seconds < 0) {
            state.SkipWithError(failure);
            return;
        }
        state.SetIterationTime(seconds);
    }
}
