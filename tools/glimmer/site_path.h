// SPDX-License-Identifier: GPL-3.0-or-later
// Which file of the web site a request names: only files inside the site
// folder, whatever the path says (.., dots encoded as %2e, links out).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

struct SiteFile {
    enum class Kind {
        file,         // `path`: a regular file inside the site
        folder,       // a folder asked for without its final /: redirect to `location`
        notFound,     // nothing there, or it lies outside the site
        badRequest,   // a path no file could have (.., ., NUL, backslash, not absolute)
    };
    Kind kind;
    std::filesystem::path path;
    std::string location;
};

// `requestPath` is the request's path with its %XX escapes decoded; `site` the
// canonical path of the site folder. A folder's file is its index.html.
SiteFile findSiteFile(const std::filesystem::path& site, std::string_view requestPath);
