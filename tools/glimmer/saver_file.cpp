// SPDX-License-Identifier: GPL-3.0-or-later
#include "saver_file.h"

#include "cli.h"
#include "embedded_saver.h"
#include "saver_startup.h"

Bytes loadSaverProgram(const std::optional<std::string>& stubPath)
{
    if (!stubPath) {
        const auto embedded = embeddedSaverProgram();
        if (embedded.empty())
            fail("this glimmer was built without its saver program; give one with --stub SAVER.exe "
                 "(build/win32/saver.exe of the win32 preset)");
        // The build pads the program before it is carried here; a wrong size
        // would put the package where the saver does not look.
        if (embedded.size() != size_t(packageOffset))
            fail("the saver program inside this glimmer is " + std::to_string(embedded.size()) + " bytes, not " +
                 std::to_string(packageOffset) + "; rebuild glimmer");
        return Bytes(embedded.begin(), embedded.end());
    }
    const std::string& path = *stubPath;
    Bytes program = readWholeFile(path);
    if (program.size() != size_t(packageOffset) || program.size() < 2 || program[0] != 'M' || program[1] != 'Z')
        fail(quotedName(path) + " is not a padded saver program of " + std::to_string(packageOffset) + " bytes");
    return program;
}

std::vector<std::string> inputsAndStub(const std::string& picture, const std::optional<std::string>& stub)
{
    std::vector<std::string> inputs{picture};
    if (stub)
        inputs.push_back(*stub);
    return inputs;
}
