// SPDX-License-Identifier: GPL-3.0-or-later
// An Xlib error handler that keeps the first error's text instead of ending
// the process with status 1 as Xlib's own does: play looks at it after the
// request that may have failed.
#pragma once

#include <X11/Xlib.h>

#include <string>

// The first X error since it was last cleared; empty if none came.
extern std::string xError;

int keepXError(Display* display, XErrorEvent* event);
