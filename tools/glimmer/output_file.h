// SPDX-License-Identifier: GPL-3.0-or-later
// The one way glimmer writes a file: whole or not at all, never through a link,
// never over one of its inputs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// An output being written. Made before any work, so that an output that
// cannot be written is refused at once: it checks the name, the folder and
// the inputs, and opens a temporary file with a short unique name in the
// output's folder. commit() flushes the data to the disk and renames the
// temporary over the output; until then the output is untouched, and the
// temporary is removed on every way out, signals included (SIGINT, SIGTERM,
// SIGHUP, SIGPIPE).
//
// An output that exists and is not a regular file (/dev/null, a FIFO, a
// terminal, /dev/stdout on a pipe) is written directly and never replaced.
// A symbolic link is replaced as a link, never followed for writing.
class OutputFile {
public:
    OutputFile(std::string path, std::span<const std::string> inputs);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Fails with the system's reason (a full disk, ...).
    void write(std::span<const uint8_t> bytes);
    void commit();

    // The output is this process's standard output: reports go elsewhere.
    bool isStandardOutput() const { return standardOutput_; }

private:
    void flush();
    [[noreturn]] void failWith(const std::string& reason);
    void discard();

    std::string path_;
    int descriptor_ = -1;
    int folder_ = -1;             // the output's folder, for the rename
    std::string temporaryName_;   // in folder_; empty when written directly
    int slot_ = -1;               // in the signal handlers' list of temporaries
    bool standardOutput_ = false;
    std::vector<uint8_t> buffer_;
};
