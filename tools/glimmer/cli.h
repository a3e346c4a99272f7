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

// A command's arguments: flags are taken off one by one, then what is left
// must be the positional ones.
class Arguments {
public:
    explicit Arguments(std::span<const std::string> words);

    bool takeFlag(std::string_view name);
    std::optional<std::string> takeValue(std::string_view name);
    std::optional<int64_t> takeInteger(std::string_view name, int64_t lowest, int64_t highest);
    std::optional<double> takeNumber(std::string_view name, double lowest, double highest);
    // The remaining words; an unknown option among them is an error.
    std::vector<std::string> positionals(size_t count, std::string_view usage);

private:
    std::vector<std::string> words_;
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
