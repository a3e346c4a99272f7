// SPDX-License-Identifier: GPL-3.0-or-later
#include "message_box_watcher.h"

namespace {

struct Search {
    DWORD processId;
    DWORD threadId;
    std::vector<HWND> found;
};

BOOL CALLBACK collectDialog(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || (search->threadId && threadId != search->threadId))
        return TRUE;
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770" && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK collectStaticText(HWND child, LPARAM context)
{
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0)
        return TRUE;
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    auto* collected = reinterpret_cast<std::string*>(context);
    if (text[0] != '\0' && collected->empty())
        *collected = text;
    return TRUE;
}

}  // namespace

std::vector<HWND> findDialogWindows(DWORD processId, DWORD threadId)
{
    Search search{processId, threadId, {}};
    EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

SeenBox describeBox(HWND box)
{
    SeenBox seen;
    char caption[256] = {};
    GetWindowTextA(box, caption, sizeof caption);
    seen.caption = caption;
    EnumChildWindows(box, collectStaticText, reinterpret_cast<LPARAM>(&seen.text));
    return seen;
}

std::string windowsPathOf(const std::string& hostPath)
{
    std::string path = "Z:" + hostPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}
