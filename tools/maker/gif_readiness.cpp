// SPDX-License-Identifier: GPL-3.0-or-later
#include "gif_readiness.h"

#include <cstring>

#include "package/palette_entry.h"

GifLayout readGifLayout(std::span<const uint8_t> gif)
{
    GifLayout layout;
    size_t position = 0;
    auto has = [&](size_t count) { return position + count <= gif.size(); };
    auto word = [&](size_t at) { return int(gif[at] | gif[at + 1] << 8); };
    auto skipSubBlocks = [&]() {
        while (has(1)) {
            const size_t count = gif[position++];
            if (count == 0)
                return true;
            if (!has(count))
                break;
            position += count;
        }
        position = gif.size();
        return false;
    };
    const auto screen = gifScreenSize(gif);
    if (!screen) {
        layout.damage = gif.size() < 13 ? "it ends inside its header" : "it does not start with \"GIF\"";
        return layout;
    }
    layout.screen = *screen;
    const int packed = gif[10];
    layout.globalTable = packed & 0x80;
    layout.globalEntries = layout.globalTable ? 2 << (packed & 7) : 0;
    layout.saverTableEnd = 13 + size_t(3) * size_t(2 << (packed & 7));
    position = 13 + size_t(3) * size_t(layout.globalEntries);
    if (position > gif.size()) {
        layout.damage = "it ends inside its colour table";
        return layout;
    }
    while (has(1)) {
        const uint8_t introducer = gif[position];
        if (introducer == 0x3B)
            break;
        if (introducer == 0x21) {
            if (!has(2)) {
                layout.damage = "it ends inside an extension";
                return layout;
            }
            const uint8_t label = gif[position + 1];
            position += 2;
            if (label == 0xF9 && layout.imageCount == 0 && has(2) && gif[position] >= 1 && (gif[position + 1] & 1))
                layout.transparency = true;
            if (!skipSubBlocks()) {
                layout.damage = "it ends inside an extension";
                return layout;
            }
            continue;
        }
        if (introducer != 0x2C) {
            if (layout.imageCount == 0)
                layout.damage = "an unknown block (byte " + std::to_string(introducer) + " at offset " +
                                std::to_string(position) + ") comes before its picture";
            break;
        }
        if (!has(11)) {
            if (layout.imageCount == 0)
                layout.damage = "it ends inside its picture";
            break;
        }
        const int flags = gif[position + 9];
        if (layout.imageCount == 0) {
            layout.firstImageStart = position;
            layout.imageLeft = word(position + 1);
            layout.imageTop = word(position + 3);
            layout.imageWidth = word(position + 5);
            layout.imageHeight = word(position + 7);
            layout.imageFlags = flags;
        }
        position += 10;
        if (flags & 0x80)
            position += size_t(3) * size_t(2 << (flags & 7));
        if (!has(1)) {
            if (layout.imageCount == 0)
                layout.damage = "it ends inside its picture";
            break;
        }
        if (layout.imageCount == 0)
            layout.minimumCodeSize = gif[position];
        ++position;
        ++layout.imageCount;
        const bool complete = skipSubBlocks();
        if (layout.imageCount == 1)
            layout.firstImageComplete = complete;
    }
    if (layout.imageCount == 0 && layout.damage.empty())
        layout.damage = "it holds no picture";
    return layout;
}

std::vector<std::string> gifReencodeReasons(std::span<const uint8_t> gif, const GifLayout& layout, bool anySize)
{
    if (!layout.damage.empty())
        return {"it is damaged: " + layout.damage};
    std::vector<std::string> reasons;
    if (!layout.firstImageComplete)
        reasons.push_back("its picture data is cut short");
    if (layout.imageCount > 1)
        reasons.push_back("it has " + std::to_string(layout.imageCount) + " frames and the saver shows only the first");
    if (!layout.globalTable)
        reasons.push_back("it has no global colour table");
    else if (layout.globalEntries < paletteSize)
        reasons.push_back("its global colour table has " + std::to_string(layout.globalEntries) +
                          " entries, not 256");
    if (layout.imageFlags & 0x80)
        reasons.push_back("its picture has a local colour table");
    if (layout.transparency)
        reasons.push_back("it uses transparency");
    const auto* separator =
        layout.saverTableEnd < gif.size()
            ? static_cast<const uint8_t*>(std::memchr(gif.data() + layout.saverTableEnd, 0x2C,
                                                      gif.size() - layout.saverTableEnd))
            : nullptr;
    if (layout.globalTable && separator && size_t(separator - gif.data()) < layout.firstImageStart)
        reasons.push_back("a byte 0x2C in an extension before the picture would be taken for its start");
    if ((layout.imageFlags & 0x40) && layout.imageFlags != 0x40 && !(layout.imageFlags & 0x80))
        reasons.push_back("its interlace flag comes with other flags, and the saver would not de-interlace it");
    if (layout.imageLeft != 0 || layout.imageTop != 0 || layout.imageWidth != layout.screen.width ||
        layout.imageHeight != layout.screen.height)
        reasons.push_back("its picture (" + std::to_string(layout.imageWidth) + " x " +
                          std::to_string(layout.imageHeight) + " at " + std::to_string(layout.imageLeft) + ", " +
                          std::to_string(layout.imageTop) + ") does not fill its " +
                          std::to_string(layout.screen.width) + " x " + std::to_string(layout.screen.height) +
                          " screen");
    if (layout.minimumCodeSize < 2 || layout.minimumCodeSize > 9)
        reasons.push_back("its LZW code size " + std::to_string(layout.minimumCodeSize) + " is outside 2 to 9");
    if (!anySize && (layout.screen.width != makeSize || layout.screen.height != makeSize))
        reasons.push_back("it is " + std::to_string(layout.screen.width) + " x " +
                          std::to_string(layout.screen.height) + ", not 256 x 256");
    return reasons;
}
