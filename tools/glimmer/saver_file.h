// Building and reading saver files and file.dat packages.
#pragma once

#include <optional>
#include <string>

#include "file_io.h"
#include "package/package_format.h"
#include "package_file.h"
#include "saver_package.h"

// The padded 32-bit saver program: from --stub, or the one carried inside the tool.
Bytes loadSaverProgram(const std::optional<std::string>& stubPath);
