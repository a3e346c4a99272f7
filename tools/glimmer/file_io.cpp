#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>

#include "cli.h"

Bytes readWholeFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        fail("'" + path + "' is a directory, not a file");
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        fail("cannot open '" + path + "': " + std::strerror(errno));
    Bytes bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (stream.bad())
        fail("cannot read '" + path + "'");
    return bytes;
}

void writeWholeFile(const std::string& path, std::span<const uint8_t> bytes)
{
    const std::string temporary = path + ".part";
    {
        std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
        if (!stream)
            fail("cannot write '" + path + "': " + std::strerror(errno));
        stream.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        stream.close();
        if (!stream) {
            std::remove(temporary.c_str());
            fail("cannot write '" + path + "'");
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        fail("cannot write '" + path + "': " + error.message());
    }
}

void refuseOverwritingInput(const std::string& input, const std::string& output)
{
    std::error_code error;
    if (input == output || std::filesystem::equivalent(input, output, error))
        fail("the output '" + output + "' is the input itself; choose another output name");
}

std::filesystem::path toolDirectory()
{
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}
