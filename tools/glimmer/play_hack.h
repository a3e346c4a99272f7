// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer play as an X screen-saver hack: it draws into a window that another
// program gives it (XScreenSaver's daemon, its settings' preview), or into
// the root window, follows that window's size, ignores input, and ends on
// SIGTERM or SIGINT, or when the window goes away.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "saver_startup.h"

// The window to draw into; 0 is the screen's root window.
struct HackWindow {
    unsigned long id = 0;
};

// A window id as X tools print it: hexadecimal with 0x, or decimal. `what`
// names where it came from, for the refusal.
unsigned long parseWindowId(std::string_view text, std::string_view what);

// Where play draws, by the options and XSCREENSAVER_WINDOW: --window-id
// first, then --window (play's own window), then the variable, then --root.
// Empty when play opens its own window.
std::optional<HackWindow> hackWindowOf(const std::optional<std::string>& windowIdOption, bool root,
                                       bool ownWindow);

// XScreenSaver's spelling of the hack options (-root, -window-id ID,
// -window) in glimmer's (--root, ...), up to "--" and never as an option's
// value.
std::vector<std::string> withHackSpellings(std::span<const std::string> words,
                                           std::span<const std::string_view> valueOptions);

// Plays until a signal or the window's end; `framesPerSecond` 0 means the
// default pace. Returns play's exit status.
int playIntoWindow(const HackWindow& window, const SaverPicture& picture, EffectRun& run, int framesPerSecond,
                   uint32_t seed, const std::string& input, Console& console);
