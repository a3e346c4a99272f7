// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer play as a screen-saver hack, checked from outside on an X display:
// this program makes the window a daemon would, starts play into it, and
// reads the window back. What it shows must be a frame of the saver's own
// run for that seed (the very frame glimmer preview writes for that step),
// scaled by whole pixels, with black bars; a resize is followed; SIGTERM and
// SIGINT end play with status 0; so does the window's destruction; a 32-bit
// window gets opaque pixels; an id of no window is refused.
//
// usage: hack_window_check GLIMMER SAVER WORK_FOLDER
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "effect/rotozoom.h"
#include "saver_startup.h"

extern char** environ;

namespace {

constexpr uint32_t seed = 7;
// How far the checker follows the saver's run looking for the frame shown:
// a minute at --fps 10.
constexpr int framesSearched = 600;
// Reads of the window, a quarter of a second apart, before giving up: play
// may be slow to start on a loaded machine.
constexpr int windowReads = 20;

int failures = 0;

void check(bool good, const std::string& what)
{
    std::cout << (good ? "PASS: " : "FAIL: ") << what << std::endl;
    failures += !good;
}

[[noreturn]] void abortCheck(const std::string& what)
{
    std::cout << "FAIL: " << what << "\n1 or more checks failed" << std::endl;
    std::exit(1);
}

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string readText(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A glimmer started with stdout and stderr into WORK/NAME.out and .err.
struct Play {
    pid_t pid = -1;
    std::string out, err;
};

Play startGlimmer(const std::string& glimmer, std::vector<std::string> arguments, const std::string& work,
                  const std::string& name, std::vector<std::string> environment = {})
{
    Play play{-1, work + "/" + name + ".out", work + "/" + name + ".err"};
    arguments.insert(arguments.begin(), glimmer);
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "XSCREENSAVER_WINDOW=", 20) != 0)
            environment.emplace_back(*entry);
    std::vector<char*> argv, envp;
    for (auto& word : arguments)
        argv.push_back(word.data());
    for (auto& entry : environment)
        envp.push_back(entry.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, play.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, play.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&play.pid, glimmer.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        abortCheck("cannot start " + glimmer);
    posix_spawn_file_actions_destroy(&actions);
    return play;
}

// The exit status within `seconds`, or empty (and the process killed).
std::optional<int> waitEnd(Play& play, double seconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    for (; std::chrono::steady_clock::now() < until; pause(20))
        if (waitpid(play.pid, &status, WNOHANG) == play.pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    kill(play.pid, SIGKILL);
    waitpid(play.pid, &status, 0);
    return std::nullopt;
}

std::string describeEnd(const std::optional<int>& status)
{
    return status ? "status " + std::to_string(*status) : std::string("still running");
}

struct Area {
    int x, y, width, height;
};

// Whether the window's image holds `frame` at `where`, each window pixel the
// frame pixel under its top-left corner, and black everywhere else.
bool shows(XImage* image, int width, int height, const Area& where, const uint8_t* frame, const uint32_t* colours)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= where.x && x < where.x + where.width && y >= where.y && y < where.y + where.height;
            const uint32_t wanted = inside ? colours[frame[(y - where.y) * frameHeight / where.height * frameWidth +
                                                           (x - where.x) * frameWidth / where.width]]
                                           : 0;
            if ((XGetPixel(image, x, y) & 0xFFFFFF) != wanted)
                return false;
        }
    return true;
}

// Reads the window until it shows a frame of the seed's run later than
// `after` at `where`; its number (and its pixels into `shownPixels`), or 0.
int waitForFrame(Display* display, Window window, const Area& where, const SaverPicture& picture,
                 const uint32_t* colours, int after, std::vector<uint8_t>* shownPixels = nullptr)
{
    for (int read = 0; read < windowReads; ++read) {
        pause(250);
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        XImage* image = XGetImage(display, window, 0, 0, unsigned(attributes.width), unsigned(attributes.height),
                                  AllPlanes, ZPixmap);
        if (!image)
            abortCheck("XGetImage failed");
        if (image->red_mask != 0xFF0000 || image->green_mask != 0xFF00 || image->blue_mask != 0xFF)
            abortCheck("the screen is not 24-bit RGB");
        const auto run = startSaverEffect(picture, seed);
        int found = 0;
        for (int number = 1; number <= framesSearched && !found; ++number) {
            stepSaverEffect(*run, picture);
            if (shows(image, attributes.width, attributes.height, where, run->frameBuffer, colours))
                found = number;
        }
        XDestroyImage(image);
        if (found > after) {
            if (shownPixels)
                shownPixels->assign(run->frameBuffer, run->frameBuffer + frameBytes);
            return found;
        }
    }
    return 0;
}

Window makeWindow(Display* display, int width, int height)
{
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
    attributes.event_mask = StructureNotifyMask;
    const Window window = XCreateWindow(display, DefaultRootWindow(display), 0, 0, unsigned(width), unsigned(height),
                                        0, CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask,
                                        &attributes);
    XMapWindow(display, window);
    XEvent event;
    do
        XNextEvent(display, &event);
    while (event.type != MapNotify);
    return window;
}

std::string hexId(Window window)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

// A PGM of glimmer preview: the header, then 640 x 480 palette indices.
std::vector<uint8_t> previewFrame(const std::string& glimmer, const std::string& saver, const std::string& work, int n)
{
    const std::string output = work + "/preview-" + std::to_string(n) + ".pgm";
    Play preview = startGlimmer(
        glimmer, {"preview", saver, "--seed", std::to_string(seed), "--frames", std::to_string(n), "-o", output}, work,
        "preview");
    if (waitEnd(preview, 60) != 0)
        abortCheck("glimmer preview failed: " + readText(preview.err));
    const std::string pgm = readText(output);
    const std::string header = "P5\n640 480\n255\n";
    if (pgm.size() != header.size() + size_t(frameBytes) || pgm.compare(0, header.size(), header) != 0)
        abortCheck("glimmer preview wrote no 640 x 480 PGM");
    return {pgm.begin() + long(header.size()), pgm.end()};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        abortCheck("usage: hack_window_check GLIMMER SAVER WORK_FOLDER");
    const std::string glimmer = argv[1], saver = argv[2], work = argv[3];
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        abortCheck("no X display");

    std::ifstream saverIn(saver, std::ios::binary);
    const SaverPicture picture =
        loadSaverPicture(std::vector<uint8_t>{std::istreambuf_iterator<char>(saverIn), {}}, saver);
    uint32_t colours[paletteSize];
    for (int i = 0; i < paletteSize; ++i) {
        const auto& entry = picture.palette[size_t(i)];
        colours[i] = uint32_t(entry.red) << 16 | uint32_t(entry.green) << 8 | entry.blue;
    }
    // glimmer play on the saver at the seed and 10 frames a second, with `where` it draws.
    const auto startPlay = [&](std::vector<std::string> where, const std::string& name,
                               const std::vector<std::string>& environment = {}) {
        where.insert(where.begin(), {"play", saver, "--seed", std::to_string(seed), "--fps", "10"});
        return startGlimmer(glimmer, where, work, name, environment);
    };

    // --- a large window: the frame twice over in whole pixels, centred
    Window window = makeWindow(display, 1300, 980);
    Play play = startPlay({"--window-id", hexId(window)}, "large");
    std::vector<uint8_t> shownPixels;
    const int shown = waitForFrame(display, window, {10, 10, 1280, 960}, picture, colours, 0, &shownPixels);
    check(shown > 0, "a 1300 x 980 window shows a frame of seed 7 (frame " + std::to_string(shown) +
                         ") at 2 x 2 pixels a pixel, centred, with black bars");
    if (shown > 0)
        check(previewFrame(glimmer, saver, work, shown) == shownPixels,
              "it is the frame glimmer preview --frames " + std::to_string(shown) + " writes");

    // --- resized: at 1 x 1 in a window a little larger than the frame, then
    // shrunk to the largest 4:3 that fits a smaller one
    XResizeWindow(display, window, 700, 500);
    XSync(display, False);
    const int atSize = waitForFrame(display, window, {30, 10, 640, 480}, picture, colours, shown);
    check(atSize > 0, "resized to 700 x 500: a later frame (" + std::to_string(atSize) + ") at 1 x 1, centred");
    XResizeWindow(display, window, 400, 400);
    XSync(display, False);
    const int shrunk = waitForFrame(display, window, {0, 50, 400, 300}, picture, colours, atSize);
    check(shrunk > 0, "resized to 400 x 400: a later frame (" + std::to_string(shrunk) +
                          ") shrunk to 400 x 300, bars above and below");

    kill(play.pid, SIGTERM);
    const auto afterTerm = waitEnd(play, 2);
    check(afterTerm == 0, "SIGTERM ends play at once with status 0 (" + describeEnd(afterTerm) + ")");
    const std::string out = readText(play.out);
    check(out.find("with seed 7") != std::string::npos, "play reports its frames and seed: " + out);

    // --- SIGINT, with the window named by XSCREENSAVER_WINDOW
    const std::string daemonWindow = "XSCREENSAVER_WINDOW=" + hexId(window);
    play = startPlay({"-root"}, "interrupt", {daemonWindow});
    check(waitForFrame(display, window, {0, 50, 400, 300}, picture, colours, 0) > 0,
          "-root with XSCREENSAVER_WINDOW draws into that window");
    kill(play.pid, SIGINT);
    const auto afterInt = waitEnd(play, 2);
    check(afterInt == 0, "SIGINT ends play with status 0 (" + describeEnd(afterInt) + ")");

    // --- the window destroyed under it
    play = startPlay({"-root"}, "destroyed", {daemonWindow});
    pause(700);
    XDestroyWindow(display, window);
    XSync(display, False);
    const auto afterDestroy = waitEnd(play, 3);
    const std::string err = readText(play.err);
    check(afterDestroy == 0 && err.find("glimmer play: the window " + hexId(window) + " is gone") != std::string::npos,
          "the window destroyed: play ends with status 0 and a line on stderr (" + describeEnd(afterDestroy) +
              ", stderr: " + err + ")");

    // --- a window id that names nothing is refused
    play = startPlay({"-window-id", hexId(window)}, "missing");
    const auto afterMissing = waitEnd(play, 10);
    check(afterMissing == 2 && readText(play.err).find("there is no window") != std::string::npos,
          "a window id of no window is refused with status 2 (" + describeEnd(afterMissing) + ")");

    // --- a 32-bit window (as a compositing desktop gives): opaque pixels
    XVisualInfo argb{};
    if (XMatchVisualInfo(display, DefaultScreen(display), 32, TrueColor, &argb)) {
        XSetWindowAttributes attributes{};
        attributes.colormap = XCreateColormap(display, DefaultRootWindow(display), argb.visual, AllocNone);
        const Window deep = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 660, 480, 0, 32, InputOutput,
                                          argb.visual, CWColormap | CWBorderPixel | CWBackPixel, &attributes);
        XMapWindow(display, deep);
        XSync(display, False);
        play = startPlay({"--window-id", hexId(deep)}, "deep");
        unsigned long bar = 0, inside = 0;
        for (int read = 0; read < windowReads && (inside >> 24) != 0xFF; ++read) {
            pause(250);
            if (XImage* image = XGetImage(display, deep, 0, 0, 660, 480, AllPlanes, ZPixmap)) {
                bar = XGetPixel(image, 5, 240);
                inside = XGetPixel(image, 330, 240);
                XDestroyImage(image);
            }
        }
        kill(play.pid, SIGTERM);
        const auto afterDeep = waitEnd(play, 2);
        char seen[64];
        std::snprintf(seen, sizeof seen, "bar %08lx, frame %08lx", bar, inside);
        check(bar == 0xFF000000ul && (inside >> 24) == 0xFF && (inside & 0xFFFFFF) != 0 && afterDeep == 0,
              std::string("a 32-bit window gets opaque black bars and an opaque frame (") + seen + ")");
    } else {
        std::cout << "(no 32-bit visual on this screen: the opaque-pixel check is left out)" << std::endl;
    }

    XCloseDisplay(display);
    std::cout << (failures ? std::to_string(failures) + " check(s) failed" : "all checks passed") << std::endl;
    return failures ? 1 : 0;
}
