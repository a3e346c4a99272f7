// SPDX-License-Identifier: GPL-3.0-or-later
#include "site_server.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>

#include "site_answer.h"
#include "site_path.h"

const char siteContentSecurityPolicy[] =
    "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; worker-src 'self'; connect-src 'self'; "
    "img-src 'self' blob:; style-src 'self'; object-src 'none'; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

std::string siteContentType(const std::filesystem::path& file)
{
    static const std::map<std::string, std::string> types = {
        {".html", "text/html; charset=utf-8"},       {".js", "text/javascript; charset=utf-8"},
        {".mjs", "text/javascript; charset=utf-8"},  {".css", "text/css; charset=utf-8"},
        {".wasm", "application/wasm"},               {".txt", "text/plain; charset=utf-8"},
        {".gif", "image/gif"},                       {".png", "image/png"},
        {".gz", "application/gzip"},                 {".json", "application/json"},
        {".webmanifest", "application/manifest+json"},
    };
    const auto type = types.find(file.extension().string());
    return type == types.end() ? "application/octet-stream" : type->second;
}

namespace {

// Threads enough for a crowd of idle clients and still some for others;
// beyond them a connection waits for one to be freed by a deadline.
constexpr size_t mostConnectionThreads = 1024;
// Bytes read from a file at a time: what one answer holds in memory.
constexpr size_t chunkSize = 64 * 1024;

// An open file of the site, shared by the answer that sends it.
class OpenFile {
public:
    explicit OpenFile(const std::filesystem::path& path) : descriptor_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~OpenFile()
    {
        if (descriptor_ >= 0)
            close(descriptor_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // A regular file's size and modification time; nothing for anything else.
    bool describe(struct stat& status) const { return descriptor_ >= 0 && fstat(descriptor_, &status) == 0 && S_ISREG(status.st_mode); }

    // Up to `size` bytes at `offset` into `sink`; false when the file has
    // shrunk or cannot be read, which ends the answer.
    bool send(uint64_t offset, size_t size, httplib::DataSink& sink) const
    {
        char buffer[chunkSize];
        const ssize_t got = pread(descriptor_, buffer, std::min(size, chunkSize), off_t(offset));
        return got > 0 && sink.write(buffer, size_t(got));
    }

private:
    int descriptor_;
};

// Strong enough for a folder of build output: the size and the time to the
// nanosecond change with every rewrite.
std::string entityTag(const struct stat& status, StoredCoding coding)
{
    char tag[64];
    std::snprintf(tag, sizeof tag, "\"%llx-%llx%s\"", static_cast<unsigned long long>(status.st_size),
                  static_cast<unsigned long long>(status.st_mtim.tv_sec) * 1000000000ull +
                      static_cast<unsigned long long>(status.st_mtim.tv_nsec),
                  coding == StoredCoding::brotli ? "-br" : coding == StoredCoding::gzip ? "-gz" : "");
    return tag;
}

// Whether the client's copy (If-None-Match, else If-Modified-Since) is current.
bool clientCopyCurrent(const httplib::Request& request, const std::string& tag, std::time_t modified)
{
    if (request.has_header("If-None-Match"))
        return etagListMatches(request.get_header_value("If-None-Match"), tag);
    if (!request.has_header("If-Modified-Since"))
        return false;
    const auto since = parseHttpDate(request.get_header_value("If-Modified-Since"));
    return since && modified <= *since;
}

// The file's stored form `coding` beside it, when there is one that is a
// regular file inside the site.
std::shared_ptr<OpenFile> storedForm(const std::filesystem::path& site, const std::string& requestPath,
                                     StoredCoding coding)
{
    const SiteFile found = findSiteFile(site, requestPath + (coding == StoredCoding::brotli ? ".br" : ".gz"));
    if (found.kind != SiteFile::Kind::file)
        return nullptr;
    return std::make_shared<OpenFile>(found.path);
}

void answerWithFile(const std::filesystem::path& site, const SiteFile& found, const httplib::Request& request,
                    httplib::Response& response)
{
    auto file = std::make_shared<OpenFile>(found.path);
    struct stat status {};
    if (!file->describe(status)) {
        response.status = 500;
        response.set_content("cannot read the file\n", "text/plain; charset=utf-8");
        return;
    }
    const std::string type = siteContentType(found.path);
    response.set_header("Vary", "Accept-Encoding");
    response.set_header("Accept-Ranges", "bytes");
    // A stored .br or .gz form is sent whole: ranges are of the file itself.
    StoredCoding coding = StoredCoding::identity;
    if (!request.has_header("Range")) {
        const std::string path = request.path.empty() || request.path.back() == '/' ? request.path + "index.html"
                                                                                   : request.path;
        const auto brotli = storedForm(site, path, StoredCoding::brotli);
        const auto gzip = storedForm(site, path, StoredCoding::gzip);
        struct stat storedStatus {};
        coding = chooseCoding(request.get_header_value("Accept-Encoding"),
                              brotli && brotli->describe(storedStatus), gzip && gzip->describe(storedStatus));
        if (coding != StoredCoding::identity) {
            file = coding == StoredCoding::brotli ? brotli : gzip;
            file->describe(status);
            response.set_header("Content-Encoding", coding == StoredCoding::brotli ? "br" : "gzip");
        }
    }
    const std::string tag = entityTag(status, coding);
    response.set_header("ETag", tag);
    response.set_header("Last-Modified", httpDate(status.st_mtim.tv_sec));
    if (clientCopyCurrent(request, tag, status.st_mtim.tv_sec)) {
        response.status = 304;
        return;
    }
    const uint64_t size = uint64_t(status.st_size);
    RangeAnswer range;
    // If-Range: the part only of the copy the client has, else the whole.
    if (request.has_header("Range") &&
        (!request.has_header("If-Range") || request.get_header_value("If-Range") == tag))
        range = answerRange(request.get_header_value("Range"), size);
    if (range.kind == RangeAnswer::Kind::unsatisfiable) {
        response.status = 416;
        response.set_header("Content-Range", "bytes */" + std::to_string(size));
        response.set_content("no such part of the file\n", "text/plain; charset=utf-8");
        return;
    }
    if (range.kind == RangeAnswer::Kind::whole)
        range = {RangeAnswer::Kind::whole, 0, size};
    else
        response.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                                 std::to_string(range.first + range.length - 1) + "/" +
                                                 std::to_string(size));
    response.status = range.kind == RangeAnswer::Kind::part ? 206 : 200;
    if (range.length == 0) {
        response.set_content("", type);
        return;
    }
    const uint64_t first = range.first;
    response.set_content_provider(size_t(range.length), type,
                                  [file, first](size_t offset, size_t length, httplib::DataSink& sink) {
                                      return file->send(first + offset, length, sink);
                                  });
}

}  // namespace

SiteServer::SiteServer(const std::filesystem::path& site, const ConnectionLimits& limits) : limits_(limits)
{
    new_task_queue = [] { return new ConnectionThreads(mostConnectionThreads); };
    // httplib's own socket options share the port with any other server that
    // asks for it (SO_REUSEPORT): a second glimmer serve on a taken port would
    // start and get some of the requests. Only the quick reuse of a port just
    // given up is wanted.
    set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    set_default_headers({
        {"Content-Security-Policy", siteContentSecurityPolicy},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Cache-Control", "no-cache"},
    });
    // Nothing is posted to a static site: a request with a body is cut short.
    set_payload_max_length(1024);
    set_pre_routing_handler([site](const httplib::Request& request, httplib::Response& response) {
        if (request.method != "GET" && request.method != "HEAD") {
            response.status = 405;
            response.set_header("Allow", "GET, HEAD");
            response.set_header("Connection", "close");
            response.set_content("only GET and HEAD\n", "text/plain; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }
        const SiteFile found = findSiteFile(site, request.path);
        switch (found.kind) {
        case SiteFile::Kind::badRequest:
            response.status = 400;
            response.set_content("bad path\n", "text/plain; charset=utf-8");
            break;
        case SiteFile::Kind::notFound:
            response.status = 404;
            response.set_content("not found\n", "text/plain; charset=utf-8");
            break;
        case SiteFile::Kind::folder:
            response.status = 301;
            response.set_header("Location", found.location);
            break;
        case SiteFile::Kind::file:
            answerWithFile(site, found, request, response);
            break;
        }
        return httplib::Server::HandlerResponse::Handled;
    });
}

bool SiteServer::bind_to_port(const std::string& host, int port)
{
    return httplib::Server::bind_to_port(host, port) && ::listen(svr_sock_, SOMAXCONN) == 0;
}

int SiteServer::bind_to_any_port(const std::string& host)
{
    const int port = httplib::Server::bind_to_any_port(host);
    return port >= 0 && ::listen(svr_sock_, SOMAXCONN) == 0 ? port : -1;
}

bool SiteServer::process_and_close_socket(socket_t socket)
{
    DeadlineStream stream(socket, svr_sock_, limits_);
    bool served = false;
    for (size_t left = keep_alive_max_count_; left > 0 && stream.awaitRequest(); --left) {
        bool closed = false;
        // Ranges are answered here, merged, never as httplib's multipart
        // answer of every part asked for.
        served = process_request(stream, left == 1, closed, [](httplib::Request& request) { request.ranges.clear(); });
        if (!served || closed)
            break;
    }
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return served;
}
