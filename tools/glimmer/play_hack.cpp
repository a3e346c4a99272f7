// SPDX-License-Identifier: GPL-3.0-or-later
#include "play_hack.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include "window_frame.h"
#include "x_error_kept.h"

namespace {

// When the display does not tell its refresh rate.
constexpr int defaultFramesPerSecond = 60;

// The screen's refresh rate by RandR, as play in its own window follows it.
int refreshRateOf(Display* display, Window root)
{
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase))
        return defaultFramesPerSecond;
    XRRScreenConfiguration* configuration = XRRGetScreenInfo(display, root);
    if (!configuration)
        return defaultFramesPerSecond;
    const short rate = XRRConfigCurrentRate(configuration);
    XRRFreeScreenConfigInfo(configuration);
    return rate > 0 ? rate : defaultFramesPerSecond;
}

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

// Without SA_RESTART, so that a frame's wait ends at once on the signal.
void stopOnSignals()
{
    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// Xlib's own handlers print and end the process with status 1. An X error is
// kept and looked at after the request; the connection lost means the
// display (and the window with it) is gone, which for a hack is an ordinary
// end.
int endOnLostConnection(Display*)
{
    static const char message[] = "glimmer play: the display closed the connection; ending\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(exitOk);
}

std::string hexId(unsigned long id)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

struct DisplayClose {
    void operator()(Display* display) const
    {
        XSync(display, False);
        XCloseDisplay(display);
    }
};

// An XImage over pixels that this program owns (XDestroyImage would free them).
class FrameImage {
public:
    FrameImage(Display* display, Visual* visual, int depth) : display_(display), visual_(visual), depth_(depth) {}
    ~FrameImage() { release(); }
    FrameImage(const FrameImage&) = delete;
    FrameImage& operator=(const FrameImage&) = delete;

    void resize(int width, int height)
    {
        release();
        pixels_.assign(size_t(width) * size_t(height), 0);
        image_ = XCreateImage(display_, visual_, unsigned(depth_), ZPixmap, 0, reinterpret_cast<char*>(pixels_.data()),
                              unsigned(width), unsigned(height), 32, width * 4);
        if (!image_)
            fail("cannot make an image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
        if (image_->bits_per_pixel != 32) {
            const int bits = image_->bits_per_pixel;
            release();
            fail("the window's pixels take " + std::to_string(bits) +
                 " bits; glimmer play draws into windows of 24 or 32 bits a pixel");
        }
        // The pixels are written as this machine's 32-bit words; Xlib swaps
        // them for a server of the other byte order.
        image_->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    }
    uint32_t* pixels() { return pixels_.data(); }
    XImage* image() { return image_; }

private:
    void release()
    {
        if (image_) {
            image_->data = nullptr;
            XDestroyImage(image_);
            image_ = nullptr;
        }
    }
    Display* display_;
    Visual* visual_;
    int depth_;
    std::vector<uint32_t> pixels_;
    XImage* image_ = nullptr;
};

void fillBars(Display* display, Window window, GC gc, int width, int height, const FramePlacement& frame)
{
    const int right = frame.x + frame.width;
    const int bottom = frame.y + frame.height;
    if (frame.y > 0)
        XFillRectangle(display, window, gc, 0, 0, unsigned(width), unsigned(frame.y));
    if (bottom < height)
        XFillRectangle(display, window, gc, 0, bottom, unsigned(width), unsigned(height - bottom));
    if (frame.x > 0 && frame.height > 0)
        XFillRectangle(display, window, gc, 0, frame.y, unsigned(frame.x), unsigned(frame.height));
    if (right < width && frame.height > 0)
        XFillRectangle(display, window, gc, right, frame.y, unsigned(width - right), unsigned(frame.height));
}

bool windowExists(Display* display, Window window)
{
    XWindowAttributes attributes;
    const std::string earlier = xError;
    xError.clear();
    const bool exists = XGetWindowAttributes(display, window, &attributes) != 0 && xError.empty();
    xError = earlier;
    return exists;
}

timespec operator+(timespec time, long nanoseconds)
{
    time.tv_nsec += nanoseconds;
    time.tv_sec += time.tv_nsec / 1000000000L;
    time.tv_nsec %= 1000000000L;
    return time;
}

bool before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

}  // namespace

unsigned long parseWindowId(std::string_view text, std::string_view what)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string_view digits = hex ? text.substr(2) : text;
    unsigned long long id = 0;
    bool good = !digits.empty() && digits.size() <= (hex ? 8u : 10u);
    for (const char c : digits) {
        const int digit = c >= '0' && c <= '9'                ? c - '0'
                          : hex && c >= 'a' && c <= 'f'       ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F'       ? c - 'A' + 10
                                                              : -1;
        if (digit < 0) {
            good = false;
            break;
        }
        id = id * (hex ? 16 : 10) + unsigned(digit);
    }
    // X ids are 29-bit numbers, never 0.
    if (!good || id == 0 || id > 0x1FFFFFFFu)
        fail(std::string(what) + " is " + quotedName(std::string(text)) +
             ", not a window id (like 0x1a00007, or 27262983)");
    return static_cast<unsigned long>(id);
}

std::optional<HackWindow> hackWindowOf(const std::optional<std::string>& windowIdOption, bool root, bool ownWindow)
{
    if (windowIdOption)
        return HackWindow{parseWindowId(*windowIdOption, "--window-id")};
    if (ownWindow)
        return std::nullopt;
    const char* fromDaemon = std::getenv("XSCREENSAVER_WINDOW");
    if (fromDaemon && *fromDaemon)
        return HackWindow{parseWindowId(fromDaemon, "XSCREENSAVER_WINDOW")};
    if (root)
        return HackWindow{0};
    return std::nullopt;
}

std::vector<std::string> withHackSpellings(std::span<const std::string> words,
                                           std::span<const std::string_view> valueOptions)
{
    std::vector<std::string> result;
    bool optionsEnded = false;
    bool isValue = false;
    for (const std::string& word : words) {
        std::string spelled = word;
        if (!optionsEnded && !isValue && (word == "-root" || word == "-window" || word == "-window-id"))
            spelled = "-" + word;
        if (!isValue && word == "--")
            optionsEnded = true;
        isValue = !optionsEnded && !isValue &&
                  std::find(valueOptions.begin(), valueOptions.end(), std::string_view(spelled)) != valueOptions.end();
        result.push_back(std::move(spelled));
    }
    return result;
}

int playIntoWindow(const HackWindow& target, const SaverPicture& picture, EffectRun& run, int framesPerSecond,
                   uint32_t seed, const std::string& input, Console& console)
{
    const char* displayName = std::getenv("DISPLAY");
    const std::unique_ptr<Display, DisplayClose> display(XOpenDisplay(nullptr));
    if (!display)
        fail(std::string("cannot open the display ") +
             (displayName && *displayName ? quotedName(displayName) : "(DISPLAY is not set)"));
    xError.clear();
    XSetErrorHandler(keepXError);
    XSetIOErrorHandler(endOnLostConnection);
    const Window window = target.id ? Window(target.id) : DefaultRootWindow(display.get());

    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display.get(), window, &attributes) || !xError.empty())
        fail("there is no window " + hexId(window) + " on this display");
    if (attributes.visual->c_class != TrueColor && attributes.visual->c_class != DirectColor)
        fail("the window " + hexId(window) + " has no true-colour visual; glimmer play draws only into those");
    // Only the size and the end of the window: input is the daemon's.
    XSelectInput(display.get(), window, StructureNotifyMask);
    XSync(display.get(), False);
    if (!xError.empty())
        fail("cannot follow the window " + hexId(window) + " (X error: " + xError + ")");

    const auto redMask = uint32_t(attributes.visual->red_mask);
    const auto greenMask = uint32_t(attributes.visual->green_mask);
    const auto blueMask = uint32_t(attributes.visual->blue_mask);
    // A 32-bit window of a compositing desktop takes the bits left over as
    // alpha: they are set, or the frame would be transparent there.
    const uint32_t opaque = attributes.depth == 32 ? ~(redMask | greenMask | blueMask) : 0;
    uint32_t colours[paletteSize];
    for (int i = 0; i < paletteSize; ++i)
        colours[i] = packedColour(picture.palette[size_t(i)], redMask, greenMask, blueMask) | opaque;
    const GC gc = XCreateGC(display.get(), window, 0, nullptr);
    XSetForeground(display.get(), gc, opaque);  // black
    FrameImage image(display.get(), attributes.visual, attributes.depth);

    stopOnSignals();
    const int refreshRate = refreshRateOf(display.get(), DefaultRootWindow(display.get()));
    const int pace = framesPerSecond > 0 && framesPerSecond < refreshRate ? framesPerSecond : refreshRate;
    const long frameNanoseconds = 1000000000L / pace;
    timespec nextFrame{};
    clock_gettime(CLOCK_MONOTONIC, &nextFrame);
    int width = attributes.width;
    int height = attributes.height;
    FramePlacement placement{};
    bool placed = false;
    bool gone = false;
    int64_t framesShown = 0;
    while (!stopRequested && !gone) {
        while (XPending(display.get())) {
            XEvent event;
            XNextEvent(display.get(), &event);
            if (event.type == ConfigureNotify && event.xconfigure.window == window &&
                (event.xconfigure.width != width || event.xconfigure.height != height)) {
                width = event.xconfigure.width;
                height = event.xconfigure.height;
                placed = false;
            } else if (event.type == DestroyNotify && event.xdestroywindow.window == window) {
                gone = true;
            }
        }
        if (gone || stopRequested)
            break;

        stepSaverEffect(run, picture);
        if (!placed) {
            placement = placeFrame(width, height);
            if (placement.width > 0 && placement.height > 0)
                image.resize(placement.width, placement.height);
            placed = true;
        }
        fillBars(display.get(), window, gc, width, height, placement);
        if (placement.width > 0 && placement.height > 0) {
            drawFrameScaled(std::span(run.frameBuffer, size_t(frameBytes)), colours, placement, image.pixels(),
                            placement.width);
            XPutImage(display.get(), window, gc, image.image(), 0, 0, placement.x, placement.y,
                      unsigned(placement.width), unsigned(placement.height));
        }
        XSync(display.get(), False);
        if (!xError.empty()) {
            if (!windowExists(display.get(), window))
                gone = true;
            else
                fail("cannot draw into the window " + hexId(window) + " (X error: " + xError + ")");
        }
        ++framesShown;

        nextFrame = nextFrame + frameNanoseconds;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (before(now, nextFrame))
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &nextFrame, nullptr);  // a signal cuts it short
        else
            nextFrame = now;
    }
    if (gone)
        console.err << "glimmer play: the window " << hexId(window) << " is gone; ending\n";
    XFreeGC(display.get(), gc);
    console.out << "played " << framesShown << " frame" << (framesShown == 1 ? "" : "s") << " of " << shownName(input)
                << " with seed " << seed << "\n";
    return exitOk;
}
