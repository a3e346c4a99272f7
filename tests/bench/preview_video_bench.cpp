// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer preview of the default picture, 300 frames at 640 x 480, into each
// kind of animation: cpu_s is the CPU time of the whole process (the encoders'
// threads included) per run, MB the file's size.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "cli.h"

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void previewToFile(benchmark::State& state, const char* ending)
{
    const std::string picture = GLIMMER_SOURCE_DIR "/assets/glimmerwheel.gif";
    const std::string output = (std::filesystem::temp_directory_path() /
                                ("glimmer-bench-" + std::to_string(getpid()) + ending)).string();
    std::ostringstream out, err;
    Console console{out, err};
    const std::vector<std::string> words = {"preview", picture, "--seed", "1", "-o", output};
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        if (runGlimmer(words, console) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
        cpu += processCpuSeconds() - before;
    }
    if (std::filesystem::exists(output)) {
        state.counters["MB"] = double(std::filesystem::file_size(output)) / 1e6;
        std::filesystem::remove(output);
    }
    state.counters["cpu_s"] = cpu / double(std::max<int64_t>(state.iterations(), 1));
}

}  // namespace

BENCHMARK_CAPTURE(previewToFile, mp4, ".mp4")->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(previewToFile, webm, ".webm")->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(previewToFile, gif, ".gif")->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
