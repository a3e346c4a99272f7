// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include <X11/Xlib.h>
#include <unistd.h>

#include "commands.h"
#include "file_io.h"
#include "play_hack.h"
#include "play_input.h"
#include "saver_startup.h"
#include "sdl_calls.h"
#include "seed_option.h"
#include "x_error_kept.h"

namespace {

constexpr std::string_view playUsage =
    "glimmer play INPUT [--seed S] [--fps N] [--fullscreen | --window-id ID | --root | --window]";
constexpr std::string_view playValueOptions[] = {"--seed", "--fps", "--window-id"};
// Beyond this, a cap is no cap on any display.
constexpr int64_t highestFps = 1000;
// Frames timed by the presents before deciding whether they wait for the display.
constexpr int pacingProbeFrames = 30;

[[noreturn]] void failNoDisplay(const std::string& reason)
{
    fail("cannot open a window (" + reason +
         "). glimmer play needs a graphical display: run it on a desktop or set DISPLAY; without one, "
         "make a video instead with 'glimmer preview INPUT -o preview.mp4'");
}

bool environmentSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

struct SdlSession {
    SdlSession()
    {
        // Without a display SDL would fall back to drawing nowhere, and play
        // would run unseen until killed.
        const bool driverChosen = environmentSet("SDL_VIDEODRIVER");
        if (!driverChosen && !environmentSet("DISPLAY") && !environmentSet("WAYLAND_DISPLAY"))
            failNoDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
        if (sdl().SDL_Init(SDL_INIT_VIDEO) != 0) {
            const std::string reason = sdl().SDL_GetError();
            sdl().SDL_Quit();
            failNoDisplay(reason);
        }
        const std::string driver = sdl().SDL_GetCurrentVideoDriver() ? sdl().SDL_GetCurrentVideoDriver() : "";
        if (!driverChosen && (driver == "offscreen" || driver == "dummy")) {
            sdl().SDL_Quit();
            failNoDisplay("SDL found only its '" + driver + "' video driver");
        }
    }
    ~SdlSession() { sdl().SDL_Quit(); }
};

// Xlib's own handlers print an X error and end the process with status 1;
// a window closed or killed from outside must end play with a message and
// status 2 like every other refusal.
int endOnLostConnection(Display*)
{
    // Xlib ends the process when this returns: end it first, as a refusal.
    static const char message[] =
        "glimmer play: the window was closed from outside: the X server ended the connection\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(exitRefused);
}

// Our handlers from sdl().SDL_Init (which puts in its own) to just before SDL_Quit
// (which puts Xlib's back before it closes the display): the errors that the
// window's own destruction brings are taken in by then.
struct XErrorsKept {
    XErrorsKept()
    {
        const char* driver = sdl().SDL_GetCurrentVideoDriver();
        if (!driver || std::string_view(driver) != "x11")
            return;
        xError.clear();
        XSetErrorHandler(keepXError);
        XSetIOErrorHandler(endOnLostConnection);
    }
    ~XErrorsKept()
    {
        if (display)
            XSync(display, False);
    }
    void watch(SDL_Window* window)
    {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (sdl().SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
            display = info.info.x11.display;
    }
    Display* display = nullptr;
};

void refuseAfterXError()
{
    if (!xError.empty())
        fail("the window was destroyed from outside (X error: " + xError + ")");
}

struct WindowFree {
    void operator()(SDL_Window* window) const { sdl().SDL_DestroyWindow(window); }
};
struct RendererFree {
    void operator()(SDL_Renderer* renderer) const { sdl().SDL_DestroyRenderer(renderer); }
};
struct TextureFree {
    void operator()(SDL_Texture* texture) const { sdl().SDL_DestroyTexture(texture); }
};

[[noreturn]] void failSdl(const std::string& what)
{
    fail(what + ": " + sdl().SDL_GetError());
}

PressedKey pressedKeyOf(SDL_Keycode key)
{
    if (key == SDLK_LALT || key == SDLK_RALT)
        return PressedKey::alt;
    if (key == SDLK_F10)
        return PressedKey::f10;
    return PressedKey::other;
}

// Whether the event ends play, by the saver window's rules.
bool eventEnds(const SDL_Event& event, MouseRule& pointer)
{
    switch (event.type) {
    case SDL_QUIT:
        return true;
    case SDL_KEYDOWN:
        return keyPressEnds(pressedKeyOf(event.key.keysym.sym));
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.button == SDL_BUTTON_LEFT;
    case SDL_MOUSEMOTION:
        return mouseMoveEnds(&pointer, event.motion.x, event.motion.y) != 0;
    default:
        return false;
    }
}

}  // namespace

int runPlayCommand(std::span<const std::string> words, Console& console)
{
    const std::vector<std::string> spelled = withHackSpellings(words, playValueOptions);
    Arguments arguments(spelled, {std::begin(playValueOptions), std::end(playValueOptions)},
                        {"--fullscreen", "--root", "--window"}, playUsage);
    const uint32_t seed = takeSeed(arguments);
    const int framesPerSecond = int(arguments.takeInteger("--fps", 1, highestFps).value_or(0));
    const bool fullscreen = arguments.takeFlag("--fullscreen");
    const std::optional<std::string> windowId = arguments.takeValue("--window-id");
    const bool root = arguments.takeFlag("--root");
    const bool ownWindow = arguments.takeFlag("--window");
    const auto inputs = arguments.positionals(1);
    const std::string& input = inputs[0];
    if (int(windowId.has_value()) + int(root) + int(ownWindow) > 1)
        fail("--window-id, --root and --window each name where to draw: give one of them");
    const std::optional<HackWindow> hackWindow = hackWindowOf(windowId, root, ownWindow);
    if (hackWindow && fullscreen)
        fail("--fullscreen is for play's own window; a hack draws into the window it is given at its size");

    const Bytes file = readWholeFile(input);
    const SaverPicture picture = loadSaverPicture(file, input);
    for (const auto& warning : picture.warnings)
        console.err << "warning: " << warning << "\n";
    const auto run = startSaverEffect(picture, seed);
    if (hackWindow)
        return playIntoWindow(*hackWindow, picture, *run, framesPerSecond, seed, input, console);

    // Pixels are shown as whole blocks when scaled, so that every pixel on
    // screen keeps a colour of the picture's palette.
    sdl().SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    sdl().SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    const SdlSession session;
    XErrorsKept xErrors;
    const std::string title = "Glimmerwheel - " + shownName(std::filesystem::path(input).filename().string());
    const std::unique_ptr<SDL_Window, WindowFree> window(sdl().SDL_CreateWindow(
        title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, frameWidth, frameHeight,
        SDL_WINDOW_RESIZABLE | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0)));
    if (!window)
        failSdl("cannot open a window");
    xErrors.watch(window.get());
    std::unique_ptr<SDL_Renderer, RendererFree> renderer(
        sdl().SDL_CreateRenderer(window.get(), -1, SDL_RENDERER_PRESENTVSYNC));
    if (!renderer)
        renderer.reset(sdl().SDL_CreateRenderer(window.get(), -1, 0));
    if (!renderer)
        failSdl("cannot draw into the window");
    // Scaled to the window without distortion: the frame keeps its 4:3 shape,
    // with bars of the picture's darkest colour around it.
    if (sdl().SDL_RenderSetLogicalSize(renderer.get(), frameWidth, frameHeight) != 0)
        failSdl("cannot scale the frame to the window");
    const std::unique_ptr<SDL_Texture, TextureFree> texture(sdl().SDL_CreateTexture(
        renderer.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, frameWidth, frameHeight));
    if (!texture)
        failSdl("cannot make the frame's texture");

    uint32_t colours[paletteSize];
    for (int i = 0; i < paletteSize; ++i)
        colours[i] = 0xFF000000u | uint32_t(picture.palette[size_t(i)].red) << 16 |
                     uint32_t(picture.palette[size_t(i)].green) << 8 | picture.palette[size_t(i)].blue;
    const PaletteEntry& background = picture.palette[size_t(run->backgroundIndex)];
    sdl().SDL_ShowCursor(SDL_DISABLE);

    // One frame per display refresh: the presents wait for it when the
    // renderer can; when they do not, the loop waits for the refresh itself.
    SDL_RendererInfo info{};
    sdl().SDL_GetRendererInfo(renderer.get(), &info);
    bool paceByClock = !(info.flags & SDL_RENDERER_PRESENTVSYNC);
    SDL_DisplayMode mode{};
    int refreshRate =
        sdl().SDL_GetCurrentDisplayMode(sdl().SDL_GetWindowDisplayIndex(window.get()), &mode) == 0 && mode.refresh_rate > 0
            ? mode.refresh_rate
            : 60;
    // A cap below the refresh: the presents would wait less than a frame.
    if (framesPerSecond > 0 && framesPerSecond < refreshRate) {
        refreshRate = framesPerSecond;
        paceByClock = true;
    }
    const uint64_t ticksPerSecond = sdl().SDL_GetPerformanceFrequency();
    const uint64_t frameTicks = ticksPerSecond / uint64_t(refreshRate);
    const uint64_t probeStart = sdl().SDL_GetPerformanceCounter();
    uint64_t nextFrame = probeStart;

    MouseRule pointer{};
    int64_t framesShown = 0;
    bool ending = false;
    while (!ending) {
        SDL_Event event;
        while (!ending && sdl().SDL_PollEvent(&event))
            ending = eventEnds(event, pointer);
        refuseAfterXError();
        if (ending)
            break;

        stepSaverEffect(*run, picture);
        void* pixels = nullptr;
        int pitch = 0;
        if (sdl().SDL_LockTexture(texture.get(), nullptr, &pixels, &pitch) != 0)
            failSdl("cannot update the frame's texture");
        for (int y = 0; y < frameHeight; ++y) {
            const uint8_t* source = run->frameBuffer + y * frameWidth;
            auto* target = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + long(y) * pitch);
            for (int x = 0; x < frameWidth; ++x)
                target[x] = colours[source[x]];
        }
        sdl().SDL_UnlockTexture(texture.get());
        sdl().SDL_SetRenderDrawColor(renderer.get(), background.red, background.green, background.blue, 255);
        sdl().SDL_RenderClear(renderer.get());
        sdl().SDL_RenderCopy(renderer.get(), texture.get(), nullptr, nullptr);
        sdl().SDL_RenderPresent(renderer.get());
        refuseAfterXError();
        ++framesShown;
        pointer.armed = 1;

        if (!paceByClock && framesShown == pacingProbeFrames &&
            sdl().SDL_GetPerformanceCounter() - probeStart < frameTicks * pacingProbeFrames / 2)
            paceByClock = true;
        if (paceByClock) {
            nextFrame += frameTicks;
            const uint64_t now = sdl().SDL_GetPerformanceCounter();
            if (nextFrame > now)
                sdl().SDL_Delay(uint32_t((nextFrame - now) * 1000 / ticksPerSecond));
            else
                nextFrame = now;
        }
    }
    console.out << "played " << framesShown << " frame" << (framesShown == 1 ? "" : "s") << " of " << shownName(input)
                << " with seed " << seed << "\n";
    return exitOk;
}
