// SPDX-License-Identifier: GPL-3.0-or-later
// The saver's start-up and frames for the page's preview: the very package
// reader, GIF decoder, palette rule, texture capture, renderer and motion
// that glimmer preview and play run, and the saver window's input rule, as
// plain C functions over one running saver.
#include <emscripten/emscripten.h>

#include <new>
#include <span>

#include "json_text.h"
#include "package_file.h"
#include "package_json.h"
#include "play_input.h"
#include "saver_file_error.h"
#include "saver_startup.h"
#include "shown_name.h"

namespace {

SaverPicture picture;
std::unique_ptr<EffectRun> run;
std::string openText;
uint8_t frameColours[frameBytes * 4];
MouseRule pointer;

std::string refusalText(const std::string& refusal)
{
    return "{\"opened\": false, \"refusal\": " + jsonString(refusal) + "}";
}

}  // namespace

extern "C" {

// 1 when the bytes hold a package (a saver or a file.dat), 0 for anything else
// (a picture to make a saver of).
EMSCRIPTEN_KEEPALIVE int glimmer_holds_package(const uint8_t* file, size_t size)
{
    return holdsPackage(std::span(file, size)) ? 1 : 0;
}

// Starts the saver in `file` (a saver, a file.dat or a GIF, named `name` in
// messages) as glimmer preview does, with the motion seed. Returns 1 when it
// runs, 0 when refused; glimmer_saver_text then says which:
//   {"opened": true, "width": W, "height": H, "warnings": [...], "package": {...} or null}
//   {"opened": false, "refusal": "..."}
EMSCRIPTEN_KEEPALIVE int glimmer_open_saver(const uint8_t* file, size_t size, const char* name, uint32_t seed)
{
    run.reset();
    picture = SaverPicture{};
    const std::span bytes(file, size);
    try {
        SaverPicture loaded = loadSaverPicture(bytes, name);
        const std::string package =
            holdsPackage(bytes) ? packageJson(readPackageOf(bytes, packageStartOf(bytes, false), name)) : "null";
        picture = std::move(loaded);
        run = startSaverEffect(picture, seed);
        openText = "{\"opened\": true, \"width\": " + std::to_string(picture.width) +
                   ", \"height\": " + std::to_string(picture.height) +
                   ", \"warnings\": " + jsonStrings(picture.warnings) + ", \"package\": " + package + "}";
        return 1;
    } catch (const SaverFileError& error) {
        openText = refusalText(error.what());
    } catch (const std::bad_alloc&) {
        picture = SaverPicture{};
        openText = refusalText("there is not enough memory in this browser tab to show " + quotedName(name));
    }
    return 0;
}

EMSCRIPTEN_KEEPALIVE const char* glimmer_saver_text()
{
    return openText.c_str();
}

// The open saver from its start, with another seed.
EMSCRIPTEN_KEEPALIVE void glimmer_restart(uint32_t seed)
{
    if (run)
        run = startSaverEffect(picture, seed);
}

// One frame, as the saver's renderFrame draws it.
EMSCRIPTEN_KEEPALIVE void glimmer_step()
{
    if (run)
        stepSaverEffect(*run, picture);
}

// The last frame's 640 x 480 palette indices.
EMSCRIPTEN_KEEPALIVE const uint8_t* glimmer_frame_indices()
{
    return run ? run->frameBuffer : frameColours;
}

// The last frame as the display shows it through the picture's palette:
// red, green, blue and an opaque alpha for each pixel.
EMSCRIPTEN_KEEPALIVE const uint8_t* glimmer_frame_rgba()
{
    if (!run)
        return frameColours;
    for (int i = 0; i < frameBytes; ++i) {
        const PaletteEntry& colour = picture.palette[run->frameBuffer[i]];
        uint8_t* target = frameColours + i * 4;
        target[0] = colour.red;
        target[1] = colour.green;
        target[2] = colour.blue;
        target[3] = 255;
    }
    return frameColours;
}

// The saver window's input rule, as the page's full screen applies it.
EMSCRIPTEN_KEEPALIVE void glimmer_pointer_reset()
{
    pointer = MouseRule{};
}

EMSCRIPTEN_KEEPALIVE void glimmer_first_frame_shown()
{
    pointer.armed = 1;
}

// 1 when the pointer at (x, y) of the saver's screen ends it.
EMSCRIPTEN_KEEPALIVE int glimmer_pointer_moved(int x, int y)
{
    return mouseMoveEnds(&pointer, x, y);
}

// 1 when a key press ends it: `key` 0 is Alt alone, 1 is F10, 2 any other key.
EMSCRIPTEN_KEEPALIVE int glimmer_key_ends(int key)
{
    const PressedKey pressed = key == 0 ? PressedKey::alt : key == 1 ? PressedKey::f10 : PressedKey::other;
    return keyPressEnds(pressed) ? 1 : 0;
}

}  // extern "C"
