// SPDX-License-Identifier: GPL-3.0-or-later
// The web site as glimmer serve serves it: GET and HEAD of the files of one
// folder, with the headers the page needs and nothing from outside it; a
// file's stored .br or .gz form when the client takes it; ranges; answers
// that let a browser keep its copy (ETag, Last-Modified, 304).
#pragma once

#include <filesystem>
#include <string>

#include <httplib.h>

#include "site_connection.h"

// What the page may load: only from its own origin, plus the compiling of
// its WebAssembly module and its worker.
extern const char siteContentSecurityPolicy[];

// The content type a file is served with, by its ending: application/wasm
// for the module, UTF-8 text for the page and its scripts.
std::string siteContentType(const std::filesystem::path& file);

// A server that answers every request from `site`, a canonical folder, each
// connection in its own thread and under `limits`.
class SiteServer final : public httplib::Server {
public:
    explicit SiteServer(const std::filesystem::path& site, const ConnectionLimits& limits = {});

    // As httplib's, with room for a crowd of connections waiting to be
    // accepted: httplib's own backlog of 5 drops the rest, who retry seconds later.
    bool bind_to_port(const std::string& host, int port);
    int bind_to_any_port(const std::string& host);

private:
    bool process_and_close_socket(socket_t socket) override;

    ConnectionLimits limits_;
};
