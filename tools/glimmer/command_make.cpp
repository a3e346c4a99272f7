#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "picture_maker.h"
#include "saver_file.h"

namespace {

constexpr std::string_view makeUsage =
    "glimmer make PICTURE -o OUT.scr [--fit cover|contain|stretch|none] [--dither D] [--reencode] "
    "[--external] [--stub FILE]";

std::string joined(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : std::string(separator)) + part;
    return text;
}

std::string colourText(const PaletteEntry& entry)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", entry.red, entry.green, entry.blue);
    return text;
}

// With --fit none the picture keeps its size: the saver's texture takes its
// top-left 255 x 255 pixels, and palette index 0 where it is smaller.
std::string unfittedNote(const IndexedPicture& picture)
{
    const int shownWidth = std::min(picture.width, 255);
    const int shownHeight = std::min(picture.height, 255);
    std::string note = "--fit none: each 256 x 256 tile of the saver shows the top-left " +
                       std::to_string(shownWidth) + " x " + std::to_string(shownHeight) + " pixels of this " +
                       std::to_string(picture.width) + " x " + std::to_string(picture.height) + " picture";
    if (picture.width < makeSize || picture.height < makeSize)
        note += ", and palette index 0 (" + colourText(picture.palette[0]) + ") fills the rest of the tile";
    return note;
}

}  // namespace

int runMakeCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words);
    const auto output = arguments.takeValue("-o");
    const auto fitText = arguments.takeValue("--fit");
    const double dither = arguments.takeNumber("--dither", 0.0, 1.0).value_or(1.0);
    const bool reencode = arguments.takeFlag("--reencode");
    const bool external = arguments.takeFlag("--external");
    const auto stub = arguments.takeValue("--stub");
    const auto inputs = arguments.positionals(1, makeUsage);
    if (!output)
        fail("say where to write the saver with -o OUT.scr");
    FitMode fit = FitMode::cover;
    if (fitText) {
        const auto parsed = parseFitMode(*fitText);
        if (!parsed)
            fail("--fit takes cover, contain, stretch or none, not '" + *fitText + "'");
        fit = *parsed;
    }
    if (external && stub)
        fail("--external writes a file.dat without a program; leave out --stub");
    const std::string& input = inputs[0];
    refuseOverwritingInput(input, *output);
    refuseUnwritableOutput(*output);

    const Bytes file = readWholeFile(input);
    // The program first: a missing one should be reported before any work.
    const Bytes program = external ? Bytes() : loadSaverProgram(stub);

    std::string refusedName;
    const auto format = detectPictureFormat(file, &refusedName);
    if (!format)
        fail("'" + input + "' is " + (refusedName.empty() ? "not a picture glimmer can read" : refusedName) +
             "; glimmer make reads GIF, PNG, JPEG, BMP and TGA pictures");

    if (*format == PictureFormat::gif) {
        if (const std::string damage = gifDamage(file); !damage.empty())
            fail("cannot read the GIF picture '" + input + "': " + damage);
    }

    Bytes gif;
    std::string description;
    if (*format == PictureFormat::gif && !reencode) {
        const auto reasons = gifReencodeReasons(file, fit == FitMode::none);
        if (reasons.empty()) {
            gif = file;
            console.out << "packing the GIF unchanged: the saver shows it as it is (--reencode re-encodes it)\n";
        } else {
            console.out << "re-encoding the GIF: " << joined(reasons, "; ") << "\n";
        }
    }
    if (gif.empty()) {
        const RgbPicture picture = loadPicture(file, input);
        const IndexedPicture indexed = quantisePicture(fitPicture(picture, fit), dither);
        gif = encodeGif(indexed);
        char settings[64];
        std::snprintf(settings, sizeof settings, "fit %s, dither %g", fitModeName(fit), dither);
        description = "a " + std::to_string(indexed.width) + " x " + std::to_string(indexed.height) + " picture of " +
                      std::to_string(indexed.coloursUsed) + " colours from the " + pictureFormatName(*format) +
                      " of " + std::to_string(picture.width) + " x " + std::to_string(picture.height) + " (" +
                      settings + ")";
        if (fit == FitMode::none)
            console.out << unfittedNote(indexed) << "\n";
    }
    const GifSize size = readGifScreenSize(gif);
    if (description.empty())
        description = "the " + std::to_string(size.width) + " x " + std::to_string(size.height) + " GIF unchanged";

    const Bytes packaged = buildPackagedFile(program, gif, size);
    writeWholeFile(*output, packaged);
    console.out << "wrote " << *output << " (" << packaged.size() << " bytes): "
                << (external ? "a file.dat package" : "a saver") << " with " << description << "\n";
    if (external && std::filesystem::path(*output).filename() != "file.dat")
        console.out << "note: a saver built with GLIMMER_EXTERNAL_PACKAGE reads a file named file.dat beside it\n";
    return exitOk;
}
