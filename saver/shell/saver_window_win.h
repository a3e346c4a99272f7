// SPDX-License-Identifier: MIT
// The saver's one top-level window and the input that ends the saver.
#pragma once

#include <windows.h>

#include "shell/mouse_rule.h"

extern HWND SaverWindow;
// Set at the first activation message; the message loop renders only after it.
extern int windowActivated;
// Armed after every frame; takes every pointer message.
extern MouseRule mouseRule;

// Registers the class "ZEP" and creates the window: a full-screen popup, or
// with `fullScreen` 0 the captioned window of the test mode (and presentRect
// widened to the frame of a 640 x 480 client area). Returns non-zero when the
// window exists.
int createSaverWindow(HINSTANCE instance, int fullScreen);

LRESULT CALLBACK saverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
