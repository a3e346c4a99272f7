// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the platform's password-provider library. Built twice as
// MPR.DLL: with PwdChangePasswordA, which records the four arguments it gets,
// and (GLIMMER_NO_ENTRY_POINT) without it. Both record being loaded and being
// freed into mpr_calls.txt beside the library, one line each:
//   load
//   PwdChangePasswordA <provider key> <owner> <reserved1> <reserved2>
//   free        (FreeLibrary)
//   exit        (still loaded when the process ended)
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

HMODULE thisLibrary;

void record(const char* line)
{
    char path[MAX_PATH + 32];
    const DWORD length = GetModuleFileNameA(thisLibrary, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char* slash = std::strrchr(path, '\\');
    std::strcpy(slash ? slash + 1 : path, "mpr_calls.txt");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(std::strlen(line)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

}  // namespace

#ifndef GLIMMER_NO_ENTRY_POINT
extern "C" DWORD WINAPI PwdChangePasswordA(LPCSTR providerKey, HWND owner, DWORD reserved1, DWORD reserved2)
{
    char line[256];
    std::snprintf(line, sizeof line, "PwdChangePasswordA %.100s %lld %lu %lu", providerKey ? providerKey : "(null)",
                  static_cast<long long>(reinterpret_cast<INT_PTR>(owner)), static_cast<unsigned long>(reserved1),
                  static_cast<unsigned long>(reserved2));
    record(line);
    return 0;
}
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        thisLibrary = instance;
        record("load");
    } else if (reason == DLL_PROCESS_DETACH) {
        // The reserved pointer is null when FreeLibrary unloads the library.
        record(reserved ? "exit" : "free");
    }
    return TRUE;
}
