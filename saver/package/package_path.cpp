// SPDX-License-Identifier: MIT
#include "package/package_path.h"

template <typename Char>
size_t pathLength(const Char* text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

namespace {

const char dataFileName[] = "file.dat";
constexpr size_t dataFileNameLength = sizeof dataFileName - 1;

}  // namespace

template <typename Char>
size_t packagePathCapacity(const Char* exePath, int externalPackage)
{
    return pathLength(exePath) + (externalPackage ? dataFileNameLength : 0) + 1;
}

template <typename Char>
int formPackagePath(const Char* exePath, int externalPackage, Char* packagePath, size_t capacity)
{
    const size_t length = pathLength(exePath);
    const size_t needed = packagePathCapacity(exePath, externalPackage);
    if (needed > capacity) {
        packagePath[0] = 0;
        return 0;
    }
    for (size_t i = 0; i < length; ++i)
        packagePath[i] = exePath[i];
    if (externalPackage) {
        for (size_t i = 0; i < dataFileNameLength; ++i)
            packagePath[length + i] = Char(dataFileName[i]);
    }
    packagePath[needed - 1] = 0;
    return 1;
}

template size_t pathLength(const char*);
template size_t pathLength(const wchar_t*);
template size_t packagePathCapacity(const char*, int);
template size_t packagePathCapacity(const wchar_t*, int);
template int formPackagePath(const char*, int, char*, size_t);
template int formPackagePath(const wchar_t*, int, wchar_t*, size_t);
