// SPDX-License-Identifier: GPL-3.0-or-later
// A private folder for each tool test, and a reader of the PGM files that
// glimmer writes.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "file_io.h"

// A fresh folder for each test, removed afterwards.
class ToolFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // One folder, not a tree: a parameterised test's names hold slashes
        // ("EveryFormatAndFit/MakeRoundTrip"), and the folders they would make
        // above this one would outlive it.
        std::string name = "glimmer-test-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" +
                           info->name();
        std::replace(name.begin(), name.end(), '/', '.');
        directory = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::string path(const std::string& name) const { return (directory / name).string(); }
    // Returns the file's path.
    std::string write(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(path(name), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path(name);
    }
    Bytes read(const std::string& name) const { return readWholeFile(path(name)); }
    bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

    std::filesystem::path directory;
};

struct Pgm {
    int width = 0;
    int height = 0;
    Bytes samples;
};

// Checks the header glimmer writes ("P5\n<w> <h>\n255\n") and that the samples fill it.
inline Pgm parsePgm(const Bytes& bytes)
{
    Pgm pgm;
    const std::string text(bytes.begin(), bytes.end());
    std::istringstream header(text);
    std::string magic;
    int maxval = 0;
    header >> magic >> pgm.width >> pgm.height >> maxval;
    EXPECT_EQ(magic, "P5");
    EXPECT_EQ(maxval, 255);
    const size_t start = size_t(header.tellg()) + 1;
    EXPECT_EQ(text.substr(0, start), "P5\n" + std::to_string(pgm.width) + " " + std::to_string(pgm.height) + "\n255\n");
    pgm.samples.assign(bytes.begin() + long(start), bytes.end());
    EXPECT_EQ(pgm.samples.size(), size_t(pgm.width) * size_t(pgm.height));
    return pgm;
}
