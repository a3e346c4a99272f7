// SPDX-License-Identifier: MIT
#include "package/package_reader_win.h"

#include <windows.h>

char packagePath[pathCapacity];
ImagePackage imagePackage;

int readPackageHeader(const char* exePath)
{
    FILE* stream = nullptr;
    if (formPackagePath(exePath, externalPackage, packagePath, sizeof packagePath))
        stream = std::fopen(packagePath, "rb");
    if (!stream) {
        MessageBoxA(nullptr, "error opening file", "", MB_OK);
        return 0;
    }
    int result = 0;
    if (externalPackage || std::fseek(stream, packageOffset, SEEK_SET) == 0)
        result = readPackageHeaderFrom(stream, &imagePackage);
    std::fclose(stream);
    return result;
}
