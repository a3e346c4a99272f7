// SPDX-License-Identifier: GPL-3.0-or-later
// The pointer rule that the saver window, glimmer play and the web page's
// player share: each scenario is a run of pointer positions from a fresh rule,
// the first frame shown where a step says so.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/mouse_rule.h"

namespace {

struct Step {
    int armed;  // the first frame has been shown by this move
    int x;
    int y;
    int ends;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

const Scenario scenarios[] = {
    {"moves before the first frame never end, then are measured from the last one",
     {{0, 0, 0, 0}, {0, 300, 200, 0}, {0, 5, 470, 0}, {1, 15, 460, 0}, {1, 26, 460, 1}}},
    {"the first move after the first frame only sets the reference",
     {{1, 320, 240, 0}, {1, 340, 240, 1}}},
    {"ten pixels right, left, down, up and on both axes do not end",
     {{1, 100, 100, 0}, {1, 110, 100, 0}, {1, 100, 100, 0}, {1, 100, 110, 0}, {1, 100, 100, 0}, {1, 110, 90, 0}}},
    {"eleven right, left, down and up end",
     {{1, 100, 100, 0}, {1, 111, 100, 1}, {1, 100, 100, 1}, {1, 100, 111, 1}, {1, 100, 100, 1}}},
    {"the reference follows the pointer also after an ending move",
     {{1, 10, 10, 0}, {1, 40, 10, 1}, {1, 45, 10, 0}}},
    {"the full 16-bit range: 65530 to 65535 is five pixels",
     {{1, 65530, 5, 0}, {1, 65535, 5, 0}, {1, 0, 5, 1}}},
};

}  // namespace

TEST(MouseRule, ScenariosFromAFreshRule)
{
    for (const Scenario& scenario : scenarios) {
        MouseRule rule{};
        for (size_t at = 0; at < scenario.steps.size(); ++at) {
            const Step& step = scenario.steps[at];
            rule.armed = step.armed;
            EXPECT_EQ(mouseMoveEnds(&rule, step.x, step.y), step.ends) << scenario.name << ", step " << at;
            EXPECT_EQ(std::vector({rule.seen, rule.x, rule.y}), std::vector({1, step.x, step.y})) << scenario.name;
        }
    }
}

TEST(MouseRule, SmallStepsNeverEndHoweverFarTheyGo)
{
    MouseRule rule{1, 0, 0, 0};
    for (int step = 0; step < 60; ++step)
        ASSERT_EQ(mouseMoveEnds(&rule, step * 10, step * 9), 0) << "step " << step;
    EXPECT_EQ(std::vector({rule.x, rule.y}), std::vector({590, 531}));
}
