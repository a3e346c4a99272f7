#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>

#include <stb/stb_image.h>

#include "commands.h"
#include "output_file.h"
#include "picture_maker.h"
#include "saver_file.h"

namespace {

constexpr std::string_view makeUsage =
    "glimmer make PICTURE -o OUT.scr [--fit cover|contain|stretch|none] [--dither D] [--reencode] "
    "[--external] [--stub FILE] [--force]";

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

// The size of the saver's record when the picture keeps its own (--fit none),
// known before the picture is decoded; none when its header cannot be read.
std::optional<GifSize> unfittedSize(std::span<const uint8_t> file)
{
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(file.data(), int(std::min<size_t>(file.size(), INT_MAX)), &width, &height, &channels))
        return std::nullopt;
    return GifSize{width, height};
}

}  // namespace

int runMakeCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words, {"-o", "--fit", "--dither", "--stub"}, {"--reencode", "--external", "--force"},
                        makeUsage);
    const auto output = arguments.takeValue("-o");
    const auto fitText = arguments.takeValue("--fit");
    const double dither = arguments.takeNumber("--dither", 0.0, 1.0).value_or(1.0);
    const bool reencode = arguments.takeFlag("--reencode");
    const bool external = arguments.takeFlag("--external");
    const auto stub = arguments.takeValue("--stub");
    const bool force = arguments.takeFlag("--force");
    const auto inputs = arguments.positionals(1);
    if (!output)
        fail("say where to write the saver with -o OUT.scr");
    FitMode fit = FitMode::cover;
    if (fitText) {
        const auto parsed = parseFitMode(*fitText);
        if (!parsed)
            fail("--fit takes cover, contain, stretch or none, not " + quotedName(*fitText));
        fit = *parsed;
    }
    if (external && stub)
        fail("--external writes a file.dat without a program; leave out --stub");
    const std::string& input = inputs[0];
    OutputFile outputFile(*output, inputsAndStub(input, stub));
    std::ostream& report = outputFile.isStandardOutput() ? console.err : console.out;

    const Bytes file = readWholeFile(input);
    // The program first: a missing one should be reported before any work.
    const Bytes program = external ? Bytes() : loadSaverProgram(stub);

    std::string refusedName;
    const auto format = detectPictureFormat(file, &refusedName);
    if (!format)
        fail(quotedName(input) + " is " + (refusedName.empty() ? "not a picture glimmer can read" : refusedName) +
             "; glimmer make reads GIF, PNG, JPEG, BMP and TGA pictures");

    if (fit == FitMode::none) {
        if (const auto size = unfittedSize(file))
            refuseUnshowableRecord(*size, force, console);
    }
    if (*format == PictureFormat::gif) {
        if (const std::string damage = gifDamage(file); !damage.empty())
            fail("cannot read the GIF picture " + quotedName(input) + ": " + damage);
    }

    Bytes gif;
    std::string description;
    if (*format == PictureFormat::gif && !reencode) {
        const auto reasons = gifReencodeReasons(file, fit == FitMode::none);
        if (reasons.empty()) {
            gif = file;
            report << "packing the GIF unchanged: the saver shows it as it is (--reencode re-encodes it)\n";
        } else {
            report << "re-encoding the GIF: " << joined(reasons, "; ") << "\n";
        }
    }
    if (gif.empty()) {
        const RgbPicture picture = loadPicture(file, shownName(input));
        const IndexedPicture indexed = quantisePicture(fitPicture(picture, fit), dither);
        gif = encodeGif(indexed);
        description = "a " + std::to_string(indexed.width) + " x " + std::to_string(indexed.height) + " picture of " +
                      std::to_string(indexed.coloursUsed) + (indexed.coloursUsed == 1 ? " colour" : " colours") +
                      " from the " + pictureFormatName(*format) + " of " + std::to_string(picture.width) + " x " +
                      std::to_string(picture.height) + " (fit " + fitModeName(fit) + ", dither " +
                      numberText(dither) + ")";
        if (fit == FitMode::none)
            report << unfittedNote(indexed) << "\n";
    }
    const GifSize size = readGifScreenSize(gif);
    if (description.empty())
        description = "the " + std::to_string(size.width) + " x " + std::to_string(size.height) + " GIF unchanged";

    const Bytes packaged = buildPackagedFile(program, gif, size);
    outputFile.write(packaged);
    outputFile.commit();
    report << "wrote " << shownName(*output) << " (" << packaged.size() << " bytes): "
           << (external ? "a file.dat package" : "a saver") << " with " << description << "\n";
    if (external && std::filesystem::path(*output).filename() != "file.dat")
        report << "note: a saver built with GLIMMER_EXTERNAL_PACKAGE reads a file named file.dat beside it\n";
    return exitOk;
}
