// SPDX-License-Identifier: GPL-3.0-or-later
// `glimmer inspect` as a whole command on arbitrary files.
//
// The input is the file. Its last byte also picks the options: bit 0 adds
// --external, bit 1 --json, and bit 6 puts a 61440-byte stand-in program in
// front of the bytes, so that the saver's layout is in reach of short inputs.
// Besides the exit status rule, the outcome must match the header rule: the
// command succeeds exactly when a whole 392-byte header with the magic starts
// where the command looks for it, and it warns once for each record outside
// the file.
#include <cstring>

#include "command_fuzzing.h"
#include "package/package_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t options = size ? data[size - 1] : 0;
    const bool external = options & 0x01;
    const bool json = options & 0x02;
    const std::vector<uint8_t> file = fuzzing::fileOf(data, size, options & 0x40);

    std::vector<std::string> words = {"inspect", fuzzing::inputPath(file.data(), file.size())};
    if (external)
        words.push_back("--external");
    if (json)
        words.push_back("--json");
    const ToolRun run = fuzzing::runCommand(words);

    const bool magicAtStart =
        file.size() >= size_t(packageMagicLength) && std::memcmp(file.data(), packageMagic, packageMagicLength) == 0;
    const size_t start = external || magicAtStart ? 0 : size_t(packageOffset);
    ImagePackage package;
    const bool readable =
        file.size() >= start && parsePackageHeader(file.data() + start, file.size() - start, &package) == 1;
    CHECK((run.status == exitOk) == readable);
    if (!readable)
        return 0;
    CHECK(!run.out.empty());
    if (json)
        CHECK(run.out.front() == '{' && run.out.substr(run.out.size() - 2) == "}\n");
    int outside = 0;
    for (int record = 0; record < imageRecordCount; ++record) {
        const int64_t offset = package.offset[record];
        const int64_t length = package.length[record];
        outside += offset < 0 || length < 0 || uint64_t(offset) + uint64_t(length) > file.size();
    }
    size_t warnings = 0;
    for (size_t at = run.err.find("warning: record"); at != std::string::npos;
         at = run.err.find("warning: record", at + 1))
        ++warnings;
    CHECK(warnings == size_t(outside));
    return 0;
}
