// SPDX-License-Identifier: GPL-3.0-or-later
#include "site_path.h"

#include <system_error>

namespace {

namespace fs = std::filesystem;

// Whether `path` (canonical) is `site` or lies beneath it.
bool inside(const fs::path& site, const fs::path& path)
{
    const fs::path relative = path.lexically_relative(site);
    return !relative.empty() && *relative.begin() != "..";
}

// The path as a URL path again: everything but unreserved characters and /
// escaped.
std::string escapedPath(std::string_view path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~' || c == '/') {
            escaped += c;
        } else {
            escaped += '%';
            escaped += hex[byte >> 4];
            escaped += hex[byte & 15];
        }
    }
    return escaped;
}

// The canonical file for `path` (links resolved), when it exists inside the site.
bool resolveInside(const fs::path& site, const fs::path& path, fs::path& resolved)
{
    std::error_code error;
    resolved = fs::canonical(path, error);
    return !error && inside(site, resolved);
}

}  // namespace

SiteFile findSiteFile(const fs::path& site, std::string_view requestPath)
{
    const SiteFile bad{SiteFile::Kind::badRequest, {}, {}};
    const SiteFile none{SiteFile::Kind::notFound, {}, {}};
    if (requestPath.empty() || requestPath.front() != '/')
        return bad;
    // Each segment is a plain name: no way up, no way around the check below
    // (which still follows links to where they lead).
    fs::path relative;
    size_t start = 1;
    while (start <= requestPath.size()) {
        const size_t end = std::min(requestPath.find('/', start), requestPath.size());
        const std::string_view segment = requestPath.substr(start, end - start);
        if (segment == "." || segment == ".." || segment.find('\0') != std::string_view::npos ||
            segment.find('\\') != std::string_view::npos)
            return bad;
        if (!segment.empty())
            relative /= fs::path(segment);
        start = end + 1;
    }

    fs::path resolved;
    if (!resolveInside(site, site / relative, resolved))
        return none;
    std::error_code error;
    if (fs::is_directory(resolved, error)) {
        if (requestPath.back() != '/')
            return SiteFile{SiteFile::Kind::folder, {}, escapedPath(requestPath) + "/"};
        if (!resolveInside(site, resolved / "index.html", resolved))
            return none;
    }
    if (!fs::is_regular_file(resolved, error))
        return none;
    return SiteFile{SiteFile::Kind::file, resolved, {}};
}
