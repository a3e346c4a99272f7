// SPDX-License-Identifier: MIT
// The one screen mode the saver shows: 640 x 480 pixels of 8-bit palette
// indices, full screen or in the test window's client area.
#pragma once

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;
constexpr int screenDepth = 8;
