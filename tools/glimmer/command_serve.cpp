// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer serve: the on-line maker's site from this machine, to try it and to
// test it in a browser. Ends on SIGINT (Ctrl+C) or SIGTERM.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <thread>

#include "commands.h"
#include "site_server.h"

namespace {

constexpr std::string_view serveUsage = "glimmer serve [--port N] [--bind ADDR] [--site DIR]";
constexpr int defaultPort = 8080;

std::filesystem::path siteFolder(const std::optional<std::string>& given)
{
    const std::filesystem::path folder = given ? std::filesystem::path(*given) : GLIMMER_DEFAULT_SITE;
    std::error_code error;
    const auto canonical = std::filesystem::canonical(folder, error);
    if (error || !std::filesystem::is_directory(canonical, error) ||
        !std::filesystem::exists(canonical / "index.html", error))
        fail("there is no site in " + quotedName(folder.string()) +
             (given ? "" : ": build it first with 'cmake --preset web && cmake --build --preset web'") +
             ", or give the folder of one with --site DIR");
    return canonical;
}

// SIGINT and SIGTERM held back from every thread, the server's included, so
// that the command takes them in turn and stops the server cleanly.
class StopSignals {
public:
    StopSignals()
    {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    }
    ~StopSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

    // Waits until one of them comes or `running` turns false.
    void wait(const std::atomic<bool>& running) const
    {
        const timespec pause{0, 200'000'000};
        while (running && sigtimedwait(&signals_, nullptr, &pause) < 0) {
        }
    }

private:
    sigset_t signals_;
    sigset_t previous_;
};

}  // namespace

int runServeCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words, {"--port", "--bind", "--site"}, {}, serveUsage);
    const int port = int(arguments.takeInteger("--port", 0, 65535).value_or(defaultPort));
    const std::string address = arguments.takeValue("--bind").value_or("127.0.0.1");
    const auto site = arguments.takeValue("--site");
    arguments.positionals(0);
    const std::filesystem::path folder = siteFolder(site);

    SiteServer server(folder);
    server.set_logger([&console](const httplib::Request& request, const httplib::Response& response) {
        console.out << request.method << " " << request.target << " " << response.status << "\n" << std::flush;
    });
    const StopSignals stopSignals;
    errno = 0;
    const int bound = port == 0 ? server.bind_to_any_port(address) : server.bind_to_port(address, port) ? port : -1;
    if (bound < 0)
        fail("cannot serve on " + address + " port " + std::to_string(port) + ": " +
             (errno == EADDRINUSE ? std::string("another program is using that port")
              : errno ? std::string(std::strerror(errno))
                      : std::string("not an address of this machine")) +
             "; choose another with --port N (or --bind ADDR)");
    const std::string host = address.find(':') == std::string::npos ? address : "[" + address + "]";
    console.out << "serving " << shownName(folder.string()) << " at http://" << host << ":" << bound << "/ (Ctrl+C stops)\n"
                << std::flush;

    std::atomic<bool> running = true;
    std::thread listening([&] {
        server.listen_after_bind();
        running = false;
    });
    // stop() does nothing to a server that has not begun to listen, and a
    // signal that comes before then stays pending until the wait below.
    while (running && !server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stopSignals.wait(running);
    server.stop();
    listening.join();
    console.out << "stopped\n";
    return exitOk;
}
