// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif_orientation.h"

#include <cstring>
#include <vector>

#include <libexif/exif-data.h>

int exifOrientation(std::span<const uint8_t> exif)
{
    static const uint8_t header[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<uint8_t> block;
    if (exif.size() < 6 || std::memcmp(exif.data(), header, 6) != 0)
        block.assign(header, header + 6);
    block.insert(block.end(), exif.begin(), exif.end());

    ExifData* data = exif_data_new();
    if (!data)
        return 1;
    // libexif mends what it loads (a missing orientation reads as 1, a value
    // stored in the wrong integer type is converted).
    exif_data_load_data(data, block.data(), unsigned(block.size()));
    int orientation = 1;
    const ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->size >= 2) {
        const int value = exif_get_short(entry->data, exif_data_get_byte_order(data));
        if (value >= 1 && value <= 8)
            orientation = value;
    }
    exif_data_unref(data);
    return orientation;
}
