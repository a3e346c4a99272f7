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

namespace {

struct MakeResult {
    Bytes file;
    std::string text;
};

MakeResult lastResult;

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
EMSCRIPTEN_KEEPALIVE int glimmer_make(const uint8_t* picture, size_t pictureSize, const char* name, const char* fit,
                                      double dither, int reencode, const uint8_t* program, size_t programSize)
{
    lastResult = MakeResult{};
    try {
        MakeOptions options;
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
