// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#include "commands.h"
#include "make_wording.h"
#include "maker_error.h"
#include "saver_file_error.h"

void fail(std::string message)
{
    throw CommandError{std::move(message)};
}

std::string numberText(double number)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", number + 0.0);
    return text;
}

Arguments::Arguments(std::span<const std::string> words, std::vector<std::string_view> valueOptions,
                     std::vector<std::string_view> flagOptions, std::string_view usage)
    : usage_(usage)
{
    const auto declared = [](const std::vector<std::string_view>& names, std::string_view name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    bool optionsEnded = false;
    bool helpRequested = false;
    std::string problem;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            positionals_.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "-h" || word == "--help") {
            helpRequested = true;
            continue;
        }
        const size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
        const std::string name = word.substr(0, equals);
        std::string complaint;
        if (declared(valueOptions, name)) {
            std::optional<std::string> value;
            if (equals != std::string::npos)
                value = word.substr(equals + 1);
            else if (i + 1 < words.size())
                value = words[++i];
            const bool repeated = std::any_of(values_.begin(), values_.end(),
                                              [&](const auto& taken) { return taken.first == name; });
            if (!value)
                complaint = name + " needs a value";
            else if (repeated)
                complaint = name + " is given twice";
            else
                values_.emplace_back(name, *value);
        } else if (declared(flagOptions, name)) {
            if (equals != std::string::npos)
                complaint = name + " takes no value";
            else
                flags_.push_back(name);
        } else {
            complaint = "unknown option " + quotedName(word) + "\nusage: " + std::string(usage);
        }
        if (problem.empty())
            problem = complaint;
    }
    if (helpRequested)
        throw HelpRequested{};
    if (!problem.empty())
        fail(problem);
}

bool Arguments::takeFlag(std::string_view name)
{
    const auto found = std::find(flags_.begin(), flags_.end(), name);
    if (found == flags_.end())
        return false;
    flags_.erase(std::remove(flags_.begin(), flags_.end(), name), flags_.end());
    return true;
}

std::optional<std::string> Arguments::takeValue(std::string_view name)
{
    for (auto taken = values_.begin(); taken != values_.end(); ++taken) {
        if (taken->first != name)
            continue;
        std::string value = std::move(taken->second);
        values_.erase(taken);
        return value;
    }
    return std::nullopt;
}

std::optional<int64_t> Arguments::takeInteger(std::string_view name, int64_t lowest, int64_t highest)
{
    const auto value = takeValue(name);
    if (!value)
        return std::nullopt;
    return parseInteger(*value, name, lowest, highest);
}

std::optional<double> Arguments::takeNumber(std::string_view name, double lowest, double highest)
{
    const auto value = takeValue(name);
    if (!value)
        return std::nullopt;
    char* end = nullptr;
    const double number = std::strtod(value->c_str(), &end);
    if (value->empty() || *end != '\0' || !(number >= lowest && number <= highest))
        fail(std::string(name) + " takes a number from " + numberText(lowest) + " to " + numberText(highest) +
             ", not " + quotedName(*value));
    // "-0" is 0: no minus sign in what is printed back.
    return number + 0.0;
}

std::vector<std::string> Arguments::positionals(size_t count)
{
    if (positionals_.size() != count)
        fail("usage: " + usage_);
    return positionals_;
}

int64_t parseInteger(std::string_view text, std::string_view what, int64_t lowest, int64_t highest)
{
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < lowest ||
        value > highest)
        fail(std::string(what) + " takes a whole number from " + std::to_string(lowest) + " to " +
             std::to_string(highest) + ", not " + quotedName(text));
    return value;
}

namespace {

void printUsage(std::ostream& stream)
{
    stream << "glimmer: makes Glimmerwheel screen savers and shows what they will show\n\n"
              "usage: glimmer COMMAND [OPTIONS]\n\ncommands:\n";
    // The summaries in one column, two spaces past the longest name.
    size_t column = 0;
    for (const Command& command : glimmerCommands())
        column = std::max(column, command.name.size() + 2);
    for (const Command& command : glimmerCommands())
        stream << "  " << command.name << std::string(column - command.name.size(), ' ') << command.summary
               << "\n";
    stream << "\n'glimmer COMMAND --help' describes a command's options. An option's value may\n"
              "start with a dash (-o -x.scr); '--' ends the options, so that the words after it\n"
              "are file names even when they start with a dash. Every output is written whole\n"
              "or not at all. Exit status: 0 done, 2 refused (the reason on stderr).\n";
}

}  // namespace

int runGlimmer(std::span<const std::string> words, Console& console)
{
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        printUsage(words.empty() ? console.err : console.out);
        return words.empty() ? exitRefused : exitOk;
    }
    for (const Command& command : glimmerCommands()) {
        if (words[0] != command.name)
            continue;
        try {
            return command.run(words.subspan(1), console);
        } catch (const HelpRequested&) {
            console.out << command.help;
            return exitOk;
        } catch (const CommandError& error) {
            console.err << "glimmer " << command.name << ": " << error.message << "\n";
            return exitRefused;
        } catch (const MakeError& error) {
            console.err << "glimmer " << command.name << ": " << glimmerRefusalText(error.refusal) << "\n";
            return exitRefused;
        } catch (const SaverFileError& error) {
            console.err << "glimmer " << command.name << ": " << error.what() << "\n";
            return exitRefused;
        } catch (const std::bad_alloc&) {
            console.err << "glimmer " << command.name << ": out of memory\n";
            return exitRefused;
        } catch (const std::exception& error) {
            // Not a refusal the command foresaw, but still no crash.
            console.err << "glimmer " << command.name << ": internal error: " << error.what() << "\n";
            return exitRefused;
        }
    }
    console.err << "glimmer: unknown command " << quotedName(words[0]) << "\n\n";
    printUsage(console.err);
    return exitRefused;
}
