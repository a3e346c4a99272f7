#include "saver_file.h"

#include <cstring>

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

GifSize readGifScreenSize(std::span<const uint8_t> gif)
{
    if (gif.size() < 13 || std::memcmp(gif.data(), "GIF", 3) != 0)
        fail("the picture is not a GIF (it does not start with \"GIF\")");
    return GifSize{gif[6] | gif[7] << 8, gif[8] | gif[9] << 8};
}

void refuseUnshowableRecord(GifSize size, bool force, Console& console)
{
    const std::string reason = unshowableRecordReason(size.width, size.height);
    if (reason.empty())
        return;
    const std::string what = "the picture is " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                             ", " + reason + ": glimmer preview and play ";
    if (!force)
        fail(what + "would refuse the saver (--force makes it all the same)");
    console.err << "warning: " << what << "will refuse this saver\n";
}

std::vector<std::string> inputsAndStub(const std::string& picture, const std::optional<std::string>& stub)
{
    std::vector<std::string> inputs{picture};
    if (stub)
        inputs.push_back(*stub);
    return inputs;
}

long packageStartOf(std::span<const uint8_t> file, bool external)
{
    if (external)
        return 0;
    if (file.size() >= size_t(packageMagicLength) &&
        std::memcmp(file.data(), packageMagic, packageMagicLength) == 0)
        return 0;
    return packageOffset;
}

ImagePackage readPackageOf(std::span<const uint8_t> file, long start, const std::string& path)
{
    if (file.size() < size_t(start) + packageMagicLength)
        fail(quotedName(path) + " holds no package: it ends before byte " +
             std::to_string(start + packageMagicLength) + (start ? " (a saver's header starts at byte 61440)" : ""));
    const auto header = file.subspan(size_t(start));
    if (std::memcmp(header.data(), packageMagic, packageMagicLength) != 0)
        fail(quotedName(path) + " holds no package: the magic at byte " + std::to_string(start) +
             " is not \"GlimmerwheelStudio\"");
    ImagePackage package;
    if (!parsePackageHeader(header.data(), header.size(), &package))
        fail(quotedName(path) + " has a corrupt package header: it ends after " + std::to_string(header.size()) +
             " of its " + std::to_string(packageHeaderSize) + " bytes");
    return package;
}
