// SPDX-License-Identifier: GPL-3.0-or-later
// The fixture of the glimmer preview tests: one picture, the frames the
// saver's own code draws from it, and a refusal's checks.
#pragma once

#include "maker_test_support.h"

#include "saver_startup.h"

namespace makertest {

class PreviewTest : public MakerTest {
protected:
    // `picture` becomes picture.gif in the test's folder.
    void usePicture(Bytes picture)
    {
        gif = std::move(picture);
        write("picture.gif", gif);
    }

    // The frames that the saver's own code draws, one after another.
    std::vector<Bytes> saverFrames(uint32_t seed, int count)
    {
        const SaverPicture picture = loadSaverPicture(gif, "picture.gif");
        const auto run = startSaverEffect(picture, seed);
        std::vector<Bytes> frames;
        for (int k = 0; k < count; ++k) {
            stepSaverEffect(*run, picture);
            frames.emplace_back(run->frameBuffer, run->frameBuffer + frameBytes);
        }
        return frames;
    }

    void expectRefused(const std::vector<std::string>& words, const std::string& message)
    {
        const ToolRun run = glimmer(words);
        EXPECT_EQ(run.status, 2) << describe(run);
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }

    Bytes gif;
};

}  // namespace makertest
