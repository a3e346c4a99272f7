// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include <sys/stat.h>

#include "commands.h"
#include "file_io.h"
#include "hack_files.h"
#include "output_file.h"
#include "saver_startup.h"

namespace {

constexpr std::string_view installHackUsage = "glimmer install-hack SAVER.scr [--dir DIR] [--replace]";

std::string defaultFolder()
{
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        fail("HOME is not set: say where to install with --dir DIR");
    return std::string(home) + "/.local/share/glimmerwheel";
}

void writeWhole(const std::string& path, std::string_view text, const std::string& input)
{
    const std::string inputs[] = {input};
    OutputFile output(path, inputs);
    output.write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    output.commit();
}

}  // namespace

int runInstallHackCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words, {"--dir"}, {"--replace"}, installHackUsage);
    const std::optional<std::string> folderOption = arguments.takeValue("--dir");
    if (folderOption && folderOption->empty())
        fail("--dir needs a folder's name");
    const std::string folder = folderOption ? *folderOption : defaultFolder();
    const bool replace = arguments.takeFlag("--replace");
    const std::string input = arguments.positionals(1)[0];

    const Bytes file = readWholeFile(input);
    // Refused here, not later by the daemon, when play could not show it.
    const SaverPicture picture = loadSaverPicture(file, input);
    for (const auto& warning : picture.warnings)
        console.err << "warning: " << warning << "\n";

    std::error_code error;
    const std::filesystem::path target = std::filesystem::absolute(folder, error);
    if (error)
        fail("cannot name the folder " + quotedName(folder) + ": " + error.message());
    std::filesystem::create_directories(target, error);
    if (error || !std::filesystem::is_directory(target))
        fail("cannot make the folder " + quotedName(target.string()) + ": " +
             (error ? error.message() : "something else has that name"));
    const std::string launcher = (target / hackName).string();
    const std::string description = launcher + ".xml";
    const std::string saverCopy = launcher + ".scr";
    if (!replace)
        for (const std::string& path : {launcher, description, saverCopy})
            if (std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found)
                fail(quotedName(path) + " exists (an earlier install-hack?): give --replace to replace it");

    const std::filesystem::path glimmer = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        fail("cannot find this glimmer's own path: " + error.message());
    const std::string saverName = std::filesystem::path(input).stem().string();

    writeWhole(saverCopy, std::string_view(reinterpret_cast<const char*>(file.data()), file.size()), input);
    writeWhole(description, hackDescription(saverName), input);
    writeWhole(launcher, hackLauncher(glimmer.string(), saverCopy, saverName), input);
    if (chmod(launcher.c_str(), 0755) != 0)
        fail("cannot make " + quotedName(launcher) + " a program: " + std::error_code(errno, std::generic_category()).message());

    console.out << "installed " << shownName(saverName) << " as an XScreenSaver hack in " << shownName(target.string())
                << ":\n  " << shownName(launcher) << "        the launcher (it runs glimmer play)\n  "
                << shownName(description) << "    the settings' description\n  " << shownName(saverCopy)
                << "    the saver it plays\n"
                << "Add this line to the programs: list in ~/.xscreensaver (then restart xscreensaver):\n"
                << "  \"Glimmerwheel: " << shownName(saverName) << "\"  " << shownName(launcher) << " --root  \\n\\\n"
                << "For its options in xscreensaver-settings, copy " << shownName(description)
                << " to /usr/share/xscreensaver/config/ (as root).\n";
    return exitOk;
}
