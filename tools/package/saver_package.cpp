// SPDX-License-Identifier: GPL-3.0-or-later
#include "saver_package.h"

#include <limits>
#include <string>

#include "package/gif_decoder.h"
#include "package/package_format.h"
#include "saver_file_error.h"

std::optional<GifSize> gifScreenSize(std::span<const uint8_t> gif)
{
    if (gif.size() < 13 || !hasGifSignature(gif.data(), gif.size()))
        return std::nullopt;
    return GifSize{gif[6] | gif[7] << 8, gif[8] | gif[9] << 8};
}

Bytes buildPackagedFile(std::span<const uint8_t> program, std::span<const uint8_t> gif, GifSize size)
{
    const uint64_t headerStart = program.size();
    const uint64_t pictureOffset = headerStart + packageHeaderSize + 1;
    const uint64_t total = pictureOffset + gif.size();
    if (total > uint64_t(std::numeric_limits<int32_t>::max()))
        refuseSaverFile("the picture is too large for a package record (" + std::to_string(gif.size()) + " bytes)");

    ImagePackage package = {};
    package.imageCount = 1;
    for (int record = 0; record < imageRecordCount; ++record) {
        package.width[record] = 0;
        package.height[record] = 0;
        package.colourKey[record] = noColourKey;
        package.offset[record] = int32_t(total);
        package.length[record] = 0;
        package.kind[record] = gifKind;
    }
    package.width[0] = size.width;
    package.height[0] = size.height;
    package.offset[0] = int32_t(pictureOffset);
    package.length[0] = int32_t(gif.size());

    Bytes file(program.begin(), program.end());
    file.resize(size_t(pictureOffset), 0);
    writePackageHeader(package, file.data() + headerStart);
    file.insert(file.end(), gif.begin(), gif.end());
    return file;
}
