// SPDX-License-Identifier: GPL-3.0-or-later
#include "package_file.h"

#include <cstring>

#include "saver_file_error.h"
#include "saver_startup.h"
#include "shown_name.h"

GifSize readGifScreenSize(std::span<const uint8_t> gif)
{
    if (gif.size() < 13 || std::memcmp(gif.data(), "GIF", 3) != 0)
        refuseSaverFile("the picture is not a GIF (it does not start with \"GIF\")");
    return GifSize{gif[6] | gif[7] << 8, gif[8] | gif[9] << 8};
}

long packageStartOf(std::span<const uint8_t> file, bool external)
{
    if (external)
        return 0;
    if (file.size() >= size_t(packageMagicLength) &&
        std::memcmp(file.data(), packageMagic, packageMagicLength) == 0)
        return 0;
    return packageOffset;
}

bool holdsPackage(std::span<const uint8_t> file)
{
    const size_t start = size_t(packageStartOf(file, false));
    return file.size() >= start + packageMagicLength &&
           std::memcmp(file.data() + start, packageMagic, packageMagicLength) == 0;
}

ImagePackage readPackageOf(std::span<const uint8_t> file, long start, const std::string& path)
{
    if (file.size() < size_t(start) + packageMagicLength)
        refuseSaverFile(quotedName(path) + " holds no package: it ends before byte " +
                        std::to_string(start + packageMagicLength) +
                        (start ? " (a saver's header starts at byte 61440)" : ""));
    const auto header = file.subspan(size_t(start));
    if (std::memcmp(header.data(), packageMagic, packageMagicLength) != 0)
        refuseSaverFile(quotedName(path) + " holds no package: the magic at byte " + std::to_string(start) +
                        " is not \"GlimmerwheelStudio\"");
    ImagePackage package;
    if (!parsePackageHeader(header.data(), header.size(), &package))
        refuseSaverFile(quotedName(path) + " has a corrupt package header: it ends after " +
                        std::to_string(header.size()) + " of its " + std::to_string(packageHeaderSize) + " bytes");
    return package;
}

UnshowableRecord unshowableRecord(GifSize size)
{
    const std::string reason = unshowableRecordReason(size.width, size.height);
    if (reason.empty())
        return {};
    const std::string what = "the picture is " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                             ", " + reason + ": glimmer preview and play ";
    return {what + "would refuse the saver (--force makes it all the same)", what + "will refuse this saver"};
}
