// SPDX-License-Identifier: MIT
#include "package/package_reader_win.h"

#include <windows.h>

#include <cstdlib>

wchar_t* packagePath;
ImagePackage imagePackage;

int readPackageHeader(const wchar_t* exePath)
{
    FILE* stream = nullptr;
    const size_t capacity = packagePathCapacity(exePath, externalPackage);
    packagePath = static_cast<wchar_t*>(std::malloc(capacity * sizeof *packagePath));
    if (packagePath && formPackagePath(exePath, externalPackage, packagePath, capacity))
        stream = _wfopen(packagePath, L"rb");
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
