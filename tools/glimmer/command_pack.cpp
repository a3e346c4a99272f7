// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "make_saver.h"
#include "make_wording.h"
#include "output_file.h"
#include "saver_file.h"

namespace {

constexpr std::string_view packUsage = "glimmer pack PICTURE.gif -o OUT.scr [--stub FILE] [--external] [--force]";

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
    const std::string& input = inputs[0];
    OutputFile outputFile(*output, inputsAndStub(input, stub));
    std::ostream& report = outputFile.isStandardOutput() ? console.err : console.out;

    const Bytes gif = readWholeFile(input);
    const GifSize size = readGifScreenSize(gif);
    if (const auto forced = checkRecordShowable(size, force))
        console.err << glimmerNoteText(*forced) << "\n";
    const Bytes program = external ? Bytes() : loadSaverProgram(stub);
    const Bytes packaged = buildPackagedFile(program, gif, size);
    outputFile.write(packaged);
    outputFile.commit();
    report << "wrote " << shownName(*output) << " (" << packaged.size() << " bytes): "
           << (external ? "package" : "saver") << " with a " << size.width << " x " << size.height << " GIF of "
           << gif.size() << " bytes at offset " << packaged.size() - gif.size() << "\n";
    return exitOk;
}
