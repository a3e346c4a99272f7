#include "cli.h"

#include <charconv>
#include <cstdlib>
#include <exception>
#include <new>

#include "commands.h"
#include "saver_file_error.h"

void fail(std::string message)
{
    throw CommandError{std::move(message)};
}

Arguments::Arguments(std::span<const std::string> words) : words_(words.begin(), words.end()) {}

bool Arguments::takeFlag(std::string_view name)
{
    for (auto word = words_.begin(); word != words_.end(); ++word) {
        if (*word == name) {
            words_.erase(word);
            return true;
        }
    }
    return false;
}

std::optional<std::string> Arguments::takeValue(std::string_view name)
{
    for (size_t i = 0; i < words_.size(); ++i) {
        if (words_[i] != name)
            continue;
        if (i + 1 >= words_.size())
            fail(std::string(name) + " needs a value");
        std::string value = words_[i + 1];
        words_.erase(words_.begin() + long(i), words_.begin() + long(i) + 2);
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
        fail(std::string(name) + " takes a number from " + std::to_string(lowest) + " to " +
             std::to_string(highest) + ", not '" + *value + "'");
    return number;
}

std::vector<std::string> Arguments::positionals(size_t count, std::string_view usage)
{
    for (const auto& word : words_) {
        if (word.size() > 1 && word[0] == '-')
            fail("unknown option '" + word + "'\nusage: " + std::string(usage));
    }
    if (words_.size() != count)
        fail("usage: " + std::string(usage));
    return words_;
}

int64_t parseInteger(std::string_view text, std::string_view what, int64_t lowest, int64_t highest)
{
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < lowest ||
        value > highest)
        fail(std::string(what) + " takes a whole number from " + std::to_string(lowest) + " to " +
             std::to_string(highest) + ", not '" + std::string(text) + "'");
    return value;
}

namespace {

void printUsage(std::ostream& stream)
{
    stream << "glimmer: makes Glimmerwheel screen savers and shows what they will show\n\n"
              "usage: glimmer COMMAND [OPTIONS]\n\ncommands:\n";
    for (const Command& command : glimmerCommands())
        stream << "  " << command.name << std::string(10 - command.name.size(), ' ') << command.summary
               << "\n";
    stream << "\n'glimmer COMMAND --help' describes a command's options.\n";
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
        const auto arguments = words.subspan(1);
        for (const auto& word : arguments) {
            if (word == "--help" || word == "-h") {
                console.out << command.help;
                return exitOk;
            }
        }
        try {
            return command.run(arguments, console);
        } catch (const CommandError& error) {
            console.err << "glimmer " << command.name << ": " << error.message << "\n";
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
    console.err << "glimmer: unknown command '" << words[0] << "'\n\n";
    printUsage(console.err);
    return exitRefused;
}
