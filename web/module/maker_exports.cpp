// SPDX-License-Identifier: GPL-3.0-or-later
// The maker as the page's worker calls it: plain C functions over one result
// at a time. The worker copies the picture and the saver program into the
// module's memory, calls glimmer_make, then reads the saver's bytes and the
// JSON text that says what was made or why it was refused.
#include <emscripten/emscripten.h>

#include <cstdlib>
#include <new>
#include <span>

#include "fit_picture.h"
#include "json_text.h"
#include "make_saver.h"
#include "maker_error.h"
#include "page_wording.h"
#include "saver_file_error.h"
#include "shown_name.h"
#include "tile_choice_json.h"

namespace {

struct MakeResult {
    Bytes file;
    std::string text;
};

MakeResult lastResult;
// The last picture read, so that a new choice of tile is made without decoding it again.
PictureKeep keptPicture;

std::string refusalText(const std::string& refusal, RefusalKind kind = RefusalKind::plain)
{
    return "{\"made\": false, \"refusal\": " + jsonString(refusal) + ", \"refusalKind\": " +
           jsonString(refusalKindName(kind)) + "}";
}

}  // namespace

// Tells the page each step of a make as it begins, while the make runs.
EM_JS(void, reportMakeStep, (const char* step), {
    if (Module.onMakeStep)
        Module.onMakeStep(UTF8ToString(step));
});

extern "C" {

// Makes a saver of the picture named `name` with `program` (the padded 32-bit
// saver program) in front, as glimmer make does with the same fit, dither and
// re-encode choice (never forced: a saver whose picture the preview could not
// show is refused). Returns 1 when made, 0 when refused; either way the
// result's text says what happened, in the page's words, with each note's and
// the refusal's kind:
//   {"made": true, "summary": "...", "notes": ["..."], "noteKinds": ["gif-reencoded", ...]}
//   {"made": false, "refusal": "...", "refusalKind": "plain"}
EMSCRIPTEN_KEEPALIVE int glimmer_make_chosen(const uint8_t* picture, size_t pictureSize, const char* name,
                                             const char* fit, double dither, int reencode, const uint8_t* program,
                                             size_t programSize, const char* choiceJson)
{
    lastResult = MakeResult{};
    try {
        const auto choice = parseTileChoice(choiceJson);
        if (!choice)
            refuse("the choice of tile is not understood: " + quotedName(choiceJson));
        MakeOptions options;
        options.crop = choice->crop;
        options.turn = choice->turn;
        options.seamless = choice->seamless;
        options.keep = &keptPicture;
        options.pictureName = shownName(name);
        const auto fitMode = parseFitMode(fit);
        if (!fitMode)
            refuse("fit takes cover, contain, stretch or none, not " + quotedName(fit));
        if (!(dither >= 0.0 && dither <= 1.0))
            refuse("dither takes a number from 0 to 1");
        options.fit = *fitMode;
        options.dither = dither;
        options.reencode = reencode != 0;
        options.onStep = [](const std::string& step) { reportMakeStep(step.c_str()); };
        MadeSaver made = makeSaverPackage(std::span(picture, pictureSize), options, std::span(program, programSize));
        std::vector<std::string> notes, kinds;
        for (const MakeNote& note : made.notes) {
            notes.push_back(pageNoteText(note));
            kinds.push_back(noteKindName(note.kind));
        }
        lastResult.text = "{\"made\": true, \"summary\": " + jsonString(made.summary) +
                          ", \"notes\": " + jsonStrings(notes) + ", \"noteKinds\": " + jsonStrings(kinds) + "}";
        lastResult.file = std::move(made.file);
        return 1;
    } catch (const MakeError& error) {
        lastResult.text = refusalText(pageRefusalText(error.refusal), error.refusal.kind);
    } catch (const SaverFileError& error) {
        lastResult.text = refusalText(error.what());
    } catch (const std::bad_alloc&) {
        lastResult.text = refusalText("there is not enough memory in this browser tab to make a saver of " +
                                      quotedName(name));
    }
    return 0;
}

// As glimmer_make_chosen with the whole picture, unturned, not seamless.
EMSCRIPTEN_KEEPALIVE int glimmer_make(const uint8_t* picture, size_t pictureSize, const char* name, const char* fit,
                                      double dither, int reencode, const uint8_t* program, size_t programSize)
{
    return glimmer_make_chosen(picture, pictureSize, name, fit, dither, reencode, program, programSize, "{}");
}

// The size of the picture as shown after `turn` (what a crop counts in),
// without making a saver; the picture is read and kept for the make that
// follows. Returns 1 with the result's text {"width": W, "height": H}, or 0
// with a refusal as glimmer_make gives it.
EMSCRIPTEN_KEEPALIVE int glimmer_shown_size(const uint8_t* picture, size_t pictureSize, const char* name, int turn)
{
    lastResult = MakeResult{};
    try {
        MakeOptions options;
        options.pictureName = shownName(name);
        options.turn = turn;
        options.keep = &keptPicture;
        const ShownSize size = shownPictureSize(std::span(picture, pictureSize), options);
        lastResult.text = "{\"width\": " + std::to_string(size.width) + ", \"height\": " +
                          std::to_string(size.height) + "}";
        return 1;
    } catch (const MakeError& error) {
        lastResult.text = refusalText(pageRefusalText(error.refusal), error.refusal.kind);
    } catch (const std::bad_alloc&) {
        lastResult.text = refusalText("there is not enough memory in this browser tab to read " + quotedName(name));
    }
    return 0;
}

// Lets go of the kept picture (when the page is given another, or none).
EMSCRIPTEN_KEEPALIVE void glimmer_forget_picture()
{
    keptPicture = PictureKeep{};
}

EMSCRIPTEN_KEEPALIVE const uint8_t* glimmer_result_bytes()
{
    return lastResult.file.data();
}

EMSCRIPTEN_KEEPALIVE size_t glimmer_result_size()
{
    return lastResult.file.size();
}

EMSCRIPTEN_KEEPALIVE const char* glimmer_result_text()
{
    return lastResult.text.c_str();
}

}  // extern "C"
