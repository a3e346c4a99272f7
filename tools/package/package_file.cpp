// SPDX-License-Identifier: GPL-3.0-or-later
#include "package_file.h"

#include "saver_file_error.h"
#include "shown_name.h"

bool startsWithGif(std::span<const uint8_t> file)
{
    return hasGifSignature(file.data(), file.size()) != 0;
}

bool packageMagicAt(std::span<const uint8_t> file, size_t at)
{
    return at <= file.size() && hasPackageMagic(file.data() + at, file.size() - at) != 0;
}

GifSize readGifScreenSize(std::span<const uint8_t> gif)
{
    const auto size = gifScreenSize(gif);
    if (size)
        return *size;
    if (!startsWithGif(gif))
        refuseSaverFile("the picture is not a GIF (it does not start with \"GIF\")");
    refuseSaverFile("the picture is cut short: it ends inside its header, after " + std::to_string(gif.size()) +
                    " of its 13 bytes");
}

long packageStartOf(std::span<const uint8_t> file, bool external)
{
    if (external)
        return 0;
    if (packageMagicAt(file, 0))
        return 0;
    return packageOffset;
}

bool holdsPackage(std::span<const uint8_t> file)
{
    return packageMagicAt(file, size_t(packageStartOf(file, false)));
}

ImagePackage readPackageOf(std::span<const uint8_t> file, long start, const std::string& path)
{
    if (file.size() < size_t(start) + packageMagicLength)
        refuseSaverFile(quotedName(path) + " holds no package: it ends before byte " +
                        std::to_string(start + packageMagicLength) +
                        (start ? " (a saver's header starts at byte 61440)" : ""));
    const auto header = file.subspan(size_t(start));
    if (!packageMagicAt(file, size_t(start)))
        refuseSaverFile(quotedName(path) + " holds no package: the magic at byte " + std::to_string(start) +
                        " is not \"" + packageMagic + "\"");
    ImagePackage package;
    if (!parsePackageHeader(header.data(), header.size(), &package))
        refuseSaverFile(quotedName(path) + " has a corrupt package header: it ends after " +
                        std::to_string(header.size()) + " of its " + std::to_string(packageHeaderSize) + " bytes");
    return package;
}

std::string unshowableRecordReason(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
        return "a size the saver cannot make a picture surface of";
    if (width * height > maxSurfacePixels)
        return "more pixels than glimmer preview and play take (" + std::to_string(maxSurfacePixels) + ")";
    return "";
}
