// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> words(argv + 1, argv + argc);
    Console console{std::cout, std::cerr};
    const int status = runGlimmer(words, console);
    // What was printed is part of the result: a full disk behind stdout is a
    // failure too.
    errno = 0;
    std::cout.flush();
    if (std::fflush(stdout) != 0 || std::ferror(stdout) || !std::cout) {
        std::cerr << "glimmer: cannot write the standard output: " << (errno ? std::strerror(errno) : "write error")
                  << "\n";
        return exitRefused;
    }
    return status;
}
