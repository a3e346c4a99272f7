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

[[noreturn]] void failTooLarge(const std::string& path, uint64_t largest, std::string_view what)
{
    if (largest == largestInput)
        fail(quotedName(path) + " is larger than 1 GiB; glimmer reads no saver or picture that large");
    fail(quotedName(path) + " is larger than " + std::to_string(largest >> 20) + " MB, more than " + std::string(what));
}

struct Descriptor {
    int value;
    ~Descriptor() { close(value); }
};

}  // namespace

Bytes readWholeFile(const std::string& path)
{
    return readWholeFile(path, largestInput, "");
}

Bytes readFileStart(const std::string& path, size_t count)
{
    const Descriptor file{open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC)};
    if (file.value < 0)
        fail("cannot open " + quotedName(path) + ": " + std::strerror(errno));
    struct stat status = {};
    if (fstat(file.value, &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    Bytes bytes(count);
    size_t filled = 0;
    while (filled < count) {
        const ssize_t got = read(file.value, bytes.data() + filled, count - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail("cannot read " + quotedName(path) + ": " + std::strerror(errno));
        if (got == 0)
            break;
        filled += size_t(got);
    }
    bytes.resize(filled);
    return bytes;
}

Bytes readWholeFile(const std::string& path, uint64_t largest, std::string_view what)
{
    const Descriptor file{open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC)};
    if (file.value < 0)
        fail("cannot open " + quotedName(path) + ": " + std::strerror(errno));
    struct stat status = {};
    if (fstat(file.value, &status) == 0 && S_ISDIR(status.st_mode))
        fail(quotedName(path) + " is a directory, not a file");
    if (S_ISREG(status.st_mode) && uint64_t(status.st_size) > largest)
        failTooLarge(path, largest, what);
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
        if (bytes.size() + size_t(got) > largest)
            failTooLarge(path, largest, what);
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}
