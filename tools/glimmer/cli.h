// SPDX-License-Identifier: GPL-3.0-or-later
// What every glimmer command shares: where it writes, how it fails, and how it
// reads its arguments.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shown_name.h"

struct Console {
    std::ostream& out;
    std::ostream& err;
};

// Exit status of a command: 0 done, 2 refused (bad input, with a message).
constexpr int exitOk = 0;
constexpr int exitRefused = 2;

// Thrown by argument and input checks; the command table turns it into its
// message on stderr and exit status 2.
struct CommandError {
    std::string message;
};

[[noreturn]] void fail(std::string message);

// Thrown when "-h" or "--help" stands among a command's options.
struct HelpRequested {};

// A number as people write it: 0.5, 1, 0 (never "-0" or "1.000000").
std::string numberText(double number);

// A command's arguments, read left to right as Unix tools read them: an
// option that takes a value takes the next word whatever it is ("-o -h"
// writes a file named -h), "--name=value" is the same as "--name value",
// "--" ends the options, and an unknown option is refused. The options are
// then taken off one by one; what is left are the positional words.
class Arguments {
public:
    Arguments(std::span<const std::string> words, std::vector<std::string_view> valueOptions,
              std::vector<std::string_view> flagOptions, std::string_view usage);

    bool takeFlag(std::string_view name);
    std::optional<std::string> takeValue(std::string_view name);
    std::optional<int64_t> takeInteger(std::string_view name, int64_t lowest, int64_t highest);
    std::optional<double> takeNumber(std::string_view name, double lowest, double highest);
    // The positional words; refused with the usage unless there are `count`.
    std::vector<std::string> positionals(size_t count);

private:
    std::vector<std::pair<std::string, std::string>> values_;
    std::vector<std::string> flags_;
    std::vector<std::string> positionals_;
    std::string usage_;
};

int64_t parseInteger(std::string_view text, std::string_view what, int64_t lowest, int64_t highest);

using CommandFunction = int (*)(std::span<const std::string> arguments, Console& console);

struct Command {
    std::string_view name;
    std::string_view summary;
    std::string_view help;
    CommandFunction run;
};

// The tool's whole command line (without the program name).
int runGlimmer(std::span<const std::string> words, Console& console);
