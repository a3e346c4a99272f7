// SPDX-License-Identifier: GPL-3.0-or-later
// The table of glimmer's commands; each lives in its own command_*.cpp.
#pragma once

#include <span>

#include "cli.h"

int runPackCommand(std::span<const std::string> arguments, Console& console);
int runInspectCommand(std::span<const std::string> arguments, Console& console);
int runMakeCommand(std::span<const std::string> arguments, Console& console);
int runPreviewCommand(std::span<const std::string> arguments, Console& console);
int runPlayCommand(std::span<const std::string> arguments, Console& console);
int runDecodeCommand(std::span<const std::string> arguments, Console& console);
int runServeCommand(std::span<const std::string> arguments, Console& console);
int runInstallHackCommand(std::span<const std::string> arguments, Console& console);

std::span<const Command> glimmerCommands();
