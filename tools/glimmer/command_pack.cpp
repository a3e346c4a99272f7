#include "commands.h"
#include "saver_file.h"

int runPackCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words);
    const auto output = arguments.takeValue("-o");
    const auto stub = arguments.takeValue("--stub");
    const bool external = arguments.takeFlag("--external");
    const auto inputs = arguments.positionals(1, "glimmer pack PICTURE.gif -o OUT.scr [--stub FILE] [--external]");
    if (!output)
        fail("say where to write the saver with -o OUT.scr");
    const std::string& input = inputs[0];
    refuseOverwritingInput(input, *output);
    refuseUnwritableOutput(*output);

    const Bytes gif = readWholeFile(input);
    const GifSize size = readGifScreenSize(gif);
    const Bytes program = external ? Bytes() : loadSaverProgram(stub);
    const Bytes packaged = buildPackagedFile(program, gif, size);
    writeWholeFile(*output, packaged);
    console.out << "wrote " << *output << " (" << packaged.size() << " bytes): "
                << (external ? "package" : "saver") << " with a " << size.width << " x " << size.height
                << " GIF of " << gif.size() << " bytes at offset " << packaged.size() - gif.size() << "\n";
    return exitOk;
}
