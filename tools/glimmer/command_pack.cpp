// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "gif_reencode_reasons.h"
#include "make_saver.h"
#include "make_wording.h"
#include "output_file.h"
#include "saver_file.h"
#include "saver_startup.h"
#include "shown_name.h"

namespace {

constexpr std::string_view packUsage = "glimmer pack PICTURE.gif -o OUT.scr [--stub FILE] [--external] [--force]";

// Where the saver parts from a viewer on this GIF. make gives the same
// reasons for re-encoding one; pack keeps any size.
std::vector<std::string> viewerDifferences(const Bytes& gif)
{
    const GifLayout layout = readGifLayout(gif);
    return gifReencodeReasons(gif, layout, true);
}

// A GIF whose picture the saver cannot decode at all is refused unless told to
// go on; otherwise each difference from a viewer is one note.
void judgeGif(const Bytes& gif, const std::string& input, bool force, Console& console, std::ostream& report)
{
    const auto differences = viewerDifferences(gif);
    const std::string undecodable = undecodableGifReason(gif);
    if (undecodable.empty()) {
        for (const auto& difference : differences)
            report << "note: the saver will show this GIF otherwise than a viewer: " << difference << "\n";
        return;
    }
    std::string message = "the saver cannot decode the picture of " + quotedName(input) + ": " + undecodable;
    for (const auto& difference : differences)
        message += "; " + difference;
    if (!force)
        fail(message + " (--force packs it all the same)");
    console.err << "warning: " << message << "\n";
}

}  // namespace

int runPackCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words, {"-o", "--stub"}, {"--external", "--force"}, packUsage);
    const auto output = arguments.takeValue("-o");
    const auto stub = arguments.takeValue("--stub");
    const bool external = arguments.takeFlag("--external");
    const bool force = arguments.takeFlag("--force");
    const auto inputs = arguments.positionals(1);
    if (!output)
        fail("say where to write the saver with -o OUT.scr");
    if (external && stub)
        fail("--stub and --external do not go together: a file.dat package holds no program");
    const std::string& input = inputs[0];
    OutputFile outputFile(*output, inputsAndStub(input, stub));
    std::ostream& report = outputFile.isStandardOutput() ? console.err : console.out;

    const Bytes gif = readWholeFile(input);
    const GifSize size = readGifScreenSize(gif);
    if (const auto forced = checkRecordShowable(size, force))
        console.err << glimmerNoteText(*forced) << "\n";
    judgeGif(gif, input, force, console, report);
    const Bytes program = external ? Bytes() : loadSaverProgram(stub);
    const Bytes packaged = buildPackagedFile(program, gif, size);
    outputFile.write(packaged);
    outputFile.commit();
    report << "wrote " << shownName(*output) << " (" << packaged.size() << " bytes): "
           << (external ? "package" : "saver") << " with a " << size.width << " x " << size.height << " GIF of "
           << gif.size() << " bytes at offset " << packaged.size() - gif.size() << "\n";
    return exitOk;
}
