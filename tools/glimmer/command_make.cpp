// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include "commands.h"
#include "fit_picture.h"
#include "make_budget.h"
#include "make_saver.h"
#include "make_wording.h"
#include "maker_error.h"
#include "output_file.h"
#include "saver_file.h"

namespace {

constexpr std::string_view makeUsage =
    "glimmer make PICTURE -o OUT.scr [--fit cover|contain|stretch|none] [--dither D] [--reencode] "
    "[--crop X,Y,W,H] [--turn 90|180|270] [--seamless] [--external] [--stub FILE] [--force]";

// "X,Y,W,H": four whole numbers, or nothing.
std::optional<CropRect> parseCrop(const std::string& text)
{
    CropRect crop;
    int* const parts[4] = {&crop.x, &crop.y, &crop.width, &crop.height};
    size_t at = 0;
    for (int index = 0; index < 4; ++index) {
        if (index > 0 && (at >= text.size() || text[at++] != ','))
            return std::nullopt;
        const size_t start = at;
        if (at < text.size() && text[at] == '-')
            ++at;
        int64_t value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value < 1'000'000'000)
            value = value * 10 + (text[at++] - '0');
        if (at == start || text[at - 1] == '-' || value >= 1'000'000'000)
            return std::nullopt;
        *parts[index] = int(text[start] == '-' ? -value : value);
    }
    if (at != text.size())
        return std::nullopt;
    return crop;
}

}  // namespace

int runMakeCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words, {"-o", "--fit", "--dither", "--stub", "--crop", "--turn"}, {"--reencode", "--external", "--force", "--seamless"},
                        makeUsage);
    const auto output = arguments.takeValue("-o");
    const auto fitText = arguments.takeValue("--fit");
    const double dither = arguments.takeNumber("--dither", 0.0, 1.0).value_or(1.0);
    const bool reencode = arguments.takeFlag("--reencode");
    const bool external = arguments.takeFlag("--external");
    const auto stub = arguments.takeValue("--stub");
    const bool force = arguments.takeFlag("--force");
    const auto cropText = arguments.takeValue("--crop");
    const auto turn = arguments.takeInteger("--turn", -1'000'000, 1'000'000);
    const bool seamless = arguments.takeFlag("--seamless");
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
    std::optional<CropRect> crop;
    if (cropText) {
        crop = parseCrop(*cropText);
        if (!crop)
            fail("--crop takes X,Y,W,H (four whole numbers: the rectangle's left, top, width and height), not " +
                 quotedName(*cropText));
    }
    if (external && stub)
        fail("--external writes a file.dat without a program; leave out --stub");
    const std::string& input = inputs[0];
    OutputFile outputFile(*output, inputsAndStub(input, stub));
    std::ostream& report = outputFile.isStandardOutput() ? console.err : console.out;

    // What is no picture, or too large to be one that make can take, is
    // refused before it is read.
    try {
        const Bytes start = readFileStart(input, 64);
        if (!start.empty())
            pictureFormatOrRefuse(start, shownName(input));
    } catch (const MakeError& error) {
        fail(error.what());
    }
    const Bytes file = readWholeFile(input, makeMemoryBudget, "the memory glimmer make may use for a picture");
    // The program first: a missing one should be reported before any work.
    const Bytes program = external ? Bytes() : loadSaverProgram(stub);

    MakeOptions options;
    options.pictureName = shownName(input);
    options.fit = fit;
    options.dither = dither;
    options.reencode = reencode;
    options.force = force;
    options.crop = crop;
    options.turn = int(turn.value_or(0));
    options.seamless = seamless;
    MadeSaver made;
    try {
        made = makeSaverPackage(file, options, program);
    } catch (const MakeError& error) {
        fail(glimmerRefusalText(error.refusal));
    }
    for (const auto& note : made.notes)
        (note.kind == NoteKind::unshowableForced ? console.err : report) << glimmerNoteText(note) << "\n";
    outputFile.write(made.file);
    outputFile.commit();
    report << "wrote " << shownName(*output) << " (" << made.file.size() << " bytes): "
           << (external ? "a file.dat package" : "a saver") << " with " << made.summary << "\n";
    if (external && std::filesystem::path(*output).filename() != "file.dat")
        report << "note: a saver built with GLIMMER_EXTERNAL_PACKAGE reads a file named file.dat beside it\n";
    return exitOk;
}
