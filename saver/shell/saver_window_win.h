// SPDX-License-Identifier: MIT
// The saver's one top-level window and the input that ends the saver.
#pragma once

#include <windows.h>

extern HWND SaverWindow;
// Set at the first activation message; the message loop renders only after it.
extern int windowActivated;
// Set after every frame; arms the mouse rule.
extern int firstFrameDone;
// The last pointer position seen, and whether any has been seen yet.
extern POINT mouseReference;
extern int mouseReferenceSeen;

// Registers the class "ZEP" and creates the window: a full-screen popup, or
// with `fullScreen` 0 the captioned window of the test mode (and presentRect
// widened to the frame of a 640 x 480 client area). Returns non-zero when the
// window exists.
int createSaverWindow(HINSTANCE instance, int fullScreen);

LRESULT CALLBACK saverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
