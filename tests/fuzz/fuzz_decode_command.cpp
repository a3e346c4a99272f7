// SPDX-License-Identifier: GPL-3.0-or-later
// `glimmer decode` as a whole command on arbitrary files.
//
// The input is the file. Its last byte also picks the options (a GIF's last
// byte, its trailer 0x3B, picks the plain command with a colour PNG):
//   bit 0     -o OUT.png (otherwise OUT.pgm)
//   bit 2     --length N, N from the four bytes before the last
//   bit 5     clear: --width W --height H, each 1 to 320, from the two bytes
//             before the last; set: the GIF's own screen size, unless it is
//             above 512 x 512 pixels, when the harness gives 1 to 320 as well
//             (large targets only cost time; their refusal has its own tests)
//   bit 6     a 61440-byte stand-in program in front of the bytes (a saver)
//   bit 7     --offset N, N below the file's size + 8, from the two bytes
//             before the last
// A success must leave the output file of the right kind and size; a refusal
// must leave none.
#include <sys/stat.h>

#include <cstring>

#include "command_fuzzing.h"
#include "file_io.h"
#include "package/package_format.h"

namespace {

uint32_t read32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

bool exists(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

// The logical screen of the GIF the command will decode, as far as the harness
// can tell without decoding (0 x 0 when it cannot).
uint64_t screenPixels(const std::vector<uint8_t>& file, size_t pictureAt)
{
    if (pictureAt + 10 > file.size())
        return 0;
    const uint64_t width = file[pictureAt + 6] | file[pictureAt + 7] << 8;
    const uint64_t height = file[pictureAt + 8] | file[pictureAt + 9] << 8;
    return width * height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t options = size ? data[size - 1] : 0x21;
    const uint8_t* tail = size >= 5 ? data + size - 5 : nullptr;
    const std::vector<uint8_t> file = fuzzing::fileOf(data, size, options & 0x40);

    const bool png = options & 0x01;
    const std::string output = fuzzing::scratchPath(png ? ".png" : ".pgm");
    std::remove(output.c_str());
    std::vector<std::string> words = {"decode", fuzzing::inputPath(file.data(), file.size()), "-o", output};
    size_t pictureAt = 0;
    if (tail && (options & 0x80)) {
        const size_t offset = (tail[2] | tail[3] << 8) % (file.size() + 8);
        words.insert(words.end(), {"--offset", std::to_string(offset)});
        pictureAt = offset;
    } else if (file.size() >= size_t(packageOffset) + 38 &&
               std::memcmp(file.data() + packageOffset, packageMagic, packageMagicLength) == 0) {
        pictureAt = read32(file.data() + packageOffset + 34);
    } else if (file.size() >= 38 && std::memcmp(file.data(), packageMagic, packageMagicLength) == 0) {
        pictureAt = read32(file.data() + 34);
    }
    if (tail && (options & 0x04))
        words.insert(words.end(), {"--length", std::to_string(read32(tail))});
    const uint64_t screen = screenPixels(file, pictureAt);
    if (!(options & 0x20) || screen > 512 * 512) {
        const int width = 1 + (tail ? tail[2] : 0) % 320;
        const int height = 1 + (tail ? tail[3] : 0) % 320;
        words.insert(words.end(), {"--width", std::to_string(width), "--height", std::to_string(height)});
    }

    const ToolRun run = fuzzing::runCommand(words);
    if (run.status != exitOk) {
        CHECK(!exists(output));
        return 0;
    }
    CHECK(run.out.find("decoded a ") == 0);
    const Bytes written = readWholeFile(output);
    std::remove(output.c_str());
    if (png) {
        CHECK(written.size() > 8 && std::memcmp(written.data(), "\x89PNG\r\n\x1a\n", 8) == 0);
    } else {
        // "P5\nW H\n255\n" and one sample a pixel.
        unsigned width = 0, height = 0;
        const std::string head(written.begin(), written.begin() + long(std::min<size_t>(written.size(), 32)));
        CHECK(std::sscanf(head.c_str(), "P5\n%u %u", &width, &height) == 2);
        const std::string header = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        CHECK(head.compare(0, header.size(), header) == 0);
        CHECK(written.size() == header.size() + size_t(width) * height);
    }
    return 0;
}
