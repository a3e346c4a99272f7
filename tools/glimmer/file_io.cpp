#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>

#include "cli.h"

namespace {

// Far beyond any saver (its offsets are 32-bit) or picture glimmer can use; a
// device such as /dev/zero would otherwise be read until memory runs out.
constexpr uintmax_t largestInput = uintmax_t(1) << 30;

[[noreturn]] void failTooLarge(const std::string& path)
{
    fail("'" + path + "' is larger than 1 GiB; glimmer reads no saver or picture that large");
}

}  // namespace

Bytes readWholeFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        fail("'" + path + "' is a directory, not a file");
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        fail("cannot open '" + path + "': " + std::strerror(errno));
    if (std::filesystem::is_regular_file(path, error)) {
        const uintmax_t size = std::filesystem::file_size(path, error);
        if (!error && size > largestInput)
            failTooLarge(path);
    }
    Bytes bytes;
    char chunk[1 << 16];
    while (stream.read(chunk, sizeof chunk) || stream.gcount() > 0) {
        const size_t got = size_t(stream.gcount());
        if (bytes.size() + got > largestInput)
            failTooLarge(path);
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
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

void refuseUnwritableOutput(const std::string& output)
{
    std::error_code error;
    if (std::filesystem::is_directory(output, error))
        fail("cannot write '" + output + "': it is a directory");
    std::filesystem::path folder = std::filesystem::path(output).parent_path();
    if (folder.empty())
        folder = ".";
    if (!std::filesystem::is_directory(folder, error))
        fail("cannot write '" + output + "': there is no folder '" + folder.string() + "'");
    if (::access(folder.c_str(), W_OK) != 0)
        fail("cannot write '" + output + "': " + std::strerror(errno));
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
