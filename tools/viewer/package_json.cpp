// SPDX-License-Identifier: GPL-3.0-or-later
#include "package_json.h"

#include <cstdio>

std::string packageKindText(unsigned char kind)
{
    if (kind >= 0x20 && kind < 0x7F && kind != '"' && kind != '\\')
        return std::string(1, char(kind));
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", kind);
    return escaped;
}

std::string packageJson(const ImagePackage& package)
{
    std::string json = "{\"imageCount\": " + std::to_string(package.imageCount) + ", \"records\": [";
    for (int record = 0; record < imageRecordCount; ++record) {
        json += std::string(record ? ", " : "") + "{\"width\": " + std::to_string(package.width[record]) +
                ", \"height\": " + std::to_string(package.height[record]) +
                ", \"colourKey\": " + std::to_string(package.colourKey[record]) +
                ", \"offset\": " + std::to_string(package.offset[record]) +
                ", \"length\": " + std::to_string(package.length[record]) + ", \"kind\": \"" +
                packageKindText(package.kind[record]) + "\"}";
    }
    json += "], \"options\": [";
    for (int option = 0; option < optionByteCount; ++option)
        json += (option ? ", " : "") + std::to_string(int(package.optionBytes[option]));
    return json + "]}";
}
