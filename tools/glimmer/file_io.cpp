// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli.h"

namespace {

// Far beyond any saver (its offsets are 32-bit) or picture glimmer can use; a
// device such as /dev/zero would otherwise be read until memory runs out.
constexpr uint64_t largestInput = uint64_t(1) << 30;

[[noreturn]] void failTooLarge(const std::string& path)
{
    fail(quotedName(path) + " is larger than 1 GiB; glimmer reads no saver or picture that large");
}

struct Descriptor {
    int value;
    ~Descriptor() { close(value); }
};

}  // namespace

Bytes readWholeFile(const std::string& path)
{
    const Descriptor file{open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC)};
    if (file.value < 0)
        fail("cannot open " + quotedName(path) + ": " + std::strerror(errno));
    struct stat status = {};
    if (fstat(file.value, &status) == 0 && S_ISDIR(status.st_mode))
        fail(quotedName(path) + " is a directory, not a file");
    if (S_ISREG(status.st_mode) && uint64_t(status.st_size) > largestInput)
        failTooLarge(path);
    Bytes bytes;
    uint8_t chunk[1 << 16];
    for (;;) {
        const ssize_t got = read(file.value, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail("cannot read " + quotedName(path) + ": " + std::strerror(errno));
        if (got == 0)
            return bytes;
        if (bytes.size() + size_t(got) > largestInput)
            failTooLarge(path);
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}
