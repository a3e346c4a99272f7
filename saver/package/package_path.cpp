// SPDX-License-Identifier: MIT
#include "package/package_path.h"

#include <cstring>

int formPackagePath(const char* exePath, int externalPackage, char* packagePath, size_t capacity)
{
    static const char dataFileName[] = "file.dat";
    const size_t length = std::strlen(exePath);
    const size_t needed = length + (externalPackage ? sizeof dataFileName - 1 : 0) + 1;
    if (needed > capacity) {
        packagePath[0] = '\0';
        return 0;
    }
    std::memcpy(packagePath, exePath, length);
    if (externalPackage)
        std::memcpy(packagePath + length, dataFileName, sizeof dataFileName - 1);
    packagePath[needed - 1] = '\0';
    return 1;
}
