// The two services that do not show the effect: the About box and the
// system's screen-saver password change.
#pragma once

#include <windows.h>

// Shows the About box (dialog resource 101) modally, with no owner.
void showAboutBox(HINSTANCE instance);
INT_PTR CALLBACK aboutBoxProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the system's password dialog through MPR.DLL; silent when it is missing.
void changePassword(HWND owner);
