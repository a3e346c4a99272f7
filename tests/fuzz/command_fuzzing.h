// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a whole glimmer command in-process on a file that holds the fuzzer's
// bytes (a memfd, opened by its /proc path), with stdout and stderr caught in
// strings. A command may succeed (0) or refuse (2, with a message on stderr and
// nothing on stdout); anything else, an escaping exception included, is a
// finding.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "../native/tool/tool_run.h"
#include "cli.h"
#include "fuzz_check.h"
#include "package/package_format.h"

namespace fuzzing {

// The input file, made once per process and rewritten for each input.
inline const std::string& inputPath(const uint8_t* data, size_t size)
{
    static int descriptor = -1;
    static std::string path;
    if (descriptor < 0) {
        descriptor = memfd_create("glimmer-fuzz-input", 0);
        CHECK(descriptor >= 0);
        path = "/proc/self/fd/" + std::to_string(descriptor);
    }
    CHECK(ftruncate(descriptor, 0) == 0);
    size_t written = 0;
    while (written < size) {
        const ssize_t got = pwrite(descriptor, data + written, size - written, off_t(written));
        CHECK(got > 0);
        written += size_t(got);
    }
    return path;
}

// The fuzzer's bytes as a file, behind a 61440-byte stand-in program ("MZ"
// and zeros) when `behindProgram`, so that the saver's layout is in reach of
// short inputs.
inline std::vector<uint8_t> fileOf(const uint8_t* data, size_t size, bool behindProgram)
{
    std::vector<uint8_t> file;
    if (behindProgram) {
        file.assign(size_t(packageOffset), 0);
        file[0] = 'M';
        file[1] = 'Z';
    }
    file.insert(file.end(), data, data + size);
    return file;
}

// A scratch file name of this process in /dev/shm, for commands that write.
inline std::string scratchPath(const std::string& ending)
{
    return "/dev/shm/glimmer-fuzz-" + std::to_string(getpid()) + ending;
}

// Runs the command in-process; its exit status and what it printed must obey
// the tool's rules whatever the input.
inline ToolRun runCommand(const std::vector<std::string>& words)
{
    const ToolRun run = glimmer(words);
    CHECK(run.status == exitOk || run.status == exitRefused);
    if (run.status == exitRefused) {
        CHECK(run.out.empty());
        CHECK(!run.err.empty());
    }
    // Refusals the commands did not foresee are findings too.
    CHECK(run.err.find(": internal error: ") == std::string::npos);
    CHECK(run.err.find(": out of memory") == std::string::npos);
    return run;
}

}  // namespace fuzzing
