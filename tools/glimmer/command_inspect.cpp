// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <sstream>

#include "commands.h"
#include "package_json.h"
#include "saver_file.h"

namespace {

bool recordOutsideFile(const ImagePackage& package, int record, uint64_t fileSize)
{
    const int64_t offset = package.offset[record];
    const int64_t length = package.length[record];
    return offset < 0 || length < 0 || uint64_t(offset) + uint64_t(length) > fileSize;
}

void printTable(const ImagePackage& package, long start, std::ostream& out)
{
    out << "magic       " << packageMagic << " (at byte " << start << ")\n"
        << "imageCount  " << package.imageCount << "\n"
        << "record      width     height  colourKey     offset     length  kind\n";
    for (int record = 0; record < imageRecordCount; ++record) {
        char line[128];
        std::snprintf(line, sizeof line, "%-6d %10d %10d %10d %10d %10d  %s\n", record, package.width[record],
                      package.height[record], package.colourKey[record], package.offset[record],
                      package.length[record], packageKindText(package.kind[record]).c_str());
        out << line;
    }
    out << "options    ";
    for (int option = 0; option < optionByteCount; ++option)
        out << " " << int(package.optionBytes[option]);
    out << "\n";
}

}  // namespace

int runInspectCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words, {}, {"--external", "--json"}, "glimmer inspect FILE [--external] [--json]");
    const bool external = arguments.takeFlag("--external");
    const bool json = arguments.takeFlag("--json");
    const auto inputs = arguments.positionals(1);
    const Bytes file = readWholeFile(inputs[0]);
    const long start = packageStartOf(file, external);
    const ImagePackage package = readPackageOf(file, start, inputs[0]);

    // Everything is formed first, so that a refusal prints nothing on stdout.
    std::ostringstream report;
    if (json)
        report << packageJson(package) << "\n";
    else
        printTable(package, start, report);
    console.out << report.str();
    for (int record = 0; record < imageRecordCount; ++record) {
        if (recordOutsideFile(package, record, file.size()))
            console.err << "warning: record " << record << " (offset " << package.offset[record] << ", length "
                        << package.length[record] << ") lies outside the file of " << file.size() << " bytes\n";
    }
    return exitOk;
}
