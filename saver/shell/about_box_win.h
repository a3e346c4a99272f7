// SPDX-License-Identifier: MIT
// The two services that do not show the effect: the About box and the
// system's screen-saver password change.
#pragma once

#include <windows.h>

// The Visit Site button's web address on the maker's site.
extern const char linkTarget[];

// How the Visit Site button opens `linkTarget`: ShellExecuteA, unless a test
// puts its own recorder here.
using ShellExecuteProcedure = HINSTANCE(WINAPI*)(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                                 LPCSTR directory, INT showCommand);
extern ShellExecuteProcedure openLinkProcedure;

// Shows the About box (dialog resource 101) modally, with no owner.
void showAboutBox(HINSTANCE instance);

// OK ends the box with 1; Visit Site opens the link and leaves the box open.
// Cancel (Escape, the close box) is ignored, so only OK or Enter end it.
INT_PTR CALLBACK aboutBoxProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the system's password dialog through MPR.DLL, with `owner` (0 for none)
// as its owner window; silent when the library or its entry point is missing.
void changePassword(HWND owner);
