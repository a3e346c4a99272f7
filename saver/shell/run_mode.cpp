// SPDX-License-Identifier: MIT
#include "shell/run_mode.h"

#include <cstring>

RunMode chooseRunMode(const char* argumentText)
{
    RunMode mode = About;
    for (int i = 0; i < 2 && argumentText[i] != '\0'; ++i) {
        switch (argumentText[i]) {
        case 'p': mode = Preview; break;
        case 'S':
        case 's': mode = Saver; break;
        case 'A':
        case 'a': mode = ChangePassword; break;
        default: break;
        }
    }
    return mode;
}

int isWindowedTestMode(const char* argumentText)
{
    return argumentText[0] == 'w';
}

intptr_t parseOwnerHandle(const char* argumentText)
{
    if (std::strlen(argumentText) < 4)
        return 0;
    const char* cursor = argumentText + 3;
    while (*cursor == ' ' || *cursor == ':')
        ++cursor;

    // Longer texts are cut to the buffer; a window handle has far fewer digits.
    char ownerHandleText[ownerHandleTextCapacity] = {};
    for (size_t i = 0; i + 1 < ownerHandleTextCapacity && cursor[i] != '\0'; ++i)
        ownerHandleText[i] = cursor[i];

    const char* digit = ownerHandleText;
    while (*digit == ' ' || (*digit >= '\t' && *digit <= '\r'))
        ++digit;
    bool negative = false;
    if (*digit == '+' || *digit == '-')
        negative = *digit++ == '-';
    uintptr_t value = 0;  // unsigned: overlong numbers wrap instead of overflowing
    for (; *digit >= '0' && *digit <= '9'; ++digit)
        value = value * 10 + uintptr_t(*digit - '0');
    return intptr_t(negative ? 0 - value : value);
}

template <typename Char>
int deriveExePath(const Char* moduleFileName, int externalPackage, Char* exePath, size_t capacity)
{
    size_t length = pathLength(moduleFileName);
    if (externalPackage) {
        while (length > 0 && moduleFileName[length - 1] != '\\')
            --length;
    }
    if (length + 1 > capacity) {
        exePath[0] = 0;
        return 0;
    }
    for (size_t i = 0; i < length; ++i)
        exePath[i] = moduleFileName[i];
    exePath[length] = 0;
    return 1;
}

template int deriveExePath(const char*, int, char*, size_t);
template int deriveExePath(const wchar_t*, int, wchar_t*, size_t);
