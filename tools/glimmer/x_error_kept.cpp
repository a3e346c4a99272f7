// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_error_kept.h"

std::string xError;

int keepXError(Display* display, XErrorEvent* event)
{
    if (xError.empty()) {
        char text[160] = {};
        XGetErrorText(display, event->error_code, text, sizeof text - 1);
        xError = text;
    }
    return 0;
}
