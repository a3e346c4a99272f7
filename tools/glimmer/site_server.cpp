// SPDX-License-Identifier: GPL-3.0-or-later
#include "site_server.h"

#include <fstream>
#include <iterator>
#include <map>

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
    };
    const auto type = types.find(file.extension().string());
    return type == types.end() ? "application/octet-stream" : type->second;
}

void serveSiteFolder(httplib::Server& server, const std::filesystem::path& site)
{
    // httplib's own socket options share the port with any other server that
    // asks for it (SO_REUSEPORT): a second glimmer serve on a taken port would
    // start and get some of the requests. Only the quick reuse of a port just
    // given up is wanted.
    server.set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_default_headers({
        {"Content-Security-Policy", siteContentSecurityPolicy},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Cache-Control", "no-cache"},
    });
    // Nothing is posted to a static site: a request with a body is cut short.
    server.set_payload_max_length(1024);
    server.set_pre_routing_handler([site](const httplib::Request& request, httplib::Response& response) {
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
        case SiteFile::Kind::file: {
            std::ifstream in(found.path, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in && !in.eof()) {
                response.status = 500;
                response.set_content("cannot read the file\n", "text/plain; charset=utf-8");
                break;
            }
            response.status = 200;
            response.set_content(std::move(bytes), siteContentType(found.path));
            break;
        }
        }
        return httplib::Server::HandlerResponse::Handled;
    });
}
