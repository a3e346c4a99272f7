// SPDX-License-Identifier: GPL-3.0-or-later
// The web site as glimmer serve serves it: GET and HEAD of the files of one
// folder, with the headers the page needs and nothing from outside it.
#pragma once

#include <filesystem>
#include <string>

#include <httplib.h>

// What the page may load: only from its own origin, plus the compiling of
// its WebAssembly module and its worker.
extern const char siteContentSecurityPolicy[];

// The content type a file is served with, by its ending: application/wasm
// for the module, UTF-8 text for the page and its scripts.
std::string siteContentType(const std::filesystem::path& file);

// Sets `server` up to answer every request from `site`, a canonical folder.
void serveSiteFolder(httplib::Server& server, const std::filesystem::path& site);
