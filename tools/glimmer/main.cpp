#include <iostream>

#include "cli.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> words(argv + 1, argv + argc);
    Console console{std::cout, std::cerr};
    return runGlimmer(words, console);
}
