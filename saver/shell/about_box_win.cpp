// SPDX-License-Identifier: MIT
#include "shell/about_box_win.h"

#include <shellapi.h>

#include "resources/about_box_ids.h"

const char linkTarget[] = "https://" GLIMMER_SITE_HOST "/link";

ShellExecuteProcedure openLinkProcedure = ShellExecuteA;

namespace {

// The password provider's entry point: provider key, owner, two reserved values.
using PasswordChangeProcedure = DWORD(WINAPI*)(LPCSTR providerKey, HWND owner, DWORD reserved1, DWORD reserved2);

}  // namespace

void showAboutBox(HINSTANCE instance)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(ABOUT_BOX_DIALOG), nullptr, aboutBoxProcedure, 0);
}

INT_PTR CALLBACK aboutBoxProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case ABOUT_BOX_VISIT_SITE:
        openLinkProcedure(dialog, "open", linkTarget, nullptr, nullptr, SW_SHOWNORMAL);
        return TRUE;
    case ABOUT_BOX_OK:
        EndDialog(dialog, 1);
        return TRUE;
    default:
        return FALSE;
    }
}

void changePassword(HWND owner)
{
    HMODULE provider = LoadLibraryA("MPR.DLL");
    if (!provider)
        return;
    // GetProcAddress gives a generic FARPROC; the provider's entry point has its own signature.
    auto change = reinterpret_cast<PasswordChangeProcedure>(
        reinterpret_cast<void*>(GetProcAddress(provider, "PwdChangePasswordA")));
    if (change)
        change("SCRSAVE", owner, 0, 0);
    FreeLibrary(provider);
}
