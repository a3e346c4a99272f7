// SPDX-License-Identifier: GPL-3.0-or-later
// The package header reader on arbitrary bytes, from memory and from a stream.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "package/package_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImagePackage package;
    std::memset(&package, 0x5A, sizeof package);
    const int fromMemory = parsePackageHeader(data, size, &package);
    if (fromMemory) {
        // What was read writes back to the same 392 bytes, text block aside.
        unsigned char written[packageHeaderSize];
        writePackageHeader(package, written);
        if (std::memcmp(written, data, textBlockStart) != 0)
            __builtin_trap();
    }
    if (FILE* stream = fmemopen(const_cast<uint8_t*>(data), size ? size : 1, "rb")) {
        ImagePackage fromFile;
        const int result = size ? readPackageHeaderFrom(stream, &fromFile) : 0;
        if (result != fromMemory)
            __builtin_trap();
        std::fclose(stream);
    }
    return 0;
}
