#pragma once

#include <string>

#include "sim/line.h"

// The modules' registers and counters as JSON, for tests that check what a
// program wrote to a simulated module:
//
//   {"badFrames": 0, "modules": [{"address": 1, "speed": 19200, "parity": 0,
//     "init": false, "requests": 3, "replies": 3, "blinks": 1,
//     "userText": "...", "typeName": "...",
//     "measurement": [7 words from 0x0000], "general": [23 words from 0x0400],
//     "sensor": [63 words from 0x0500]}]}

namespace m8163::sim {

std::string stateJson(const Line& line);

// Writes `text` to a temporary file beside `path` and renames it over `path`,
// so that a reader sees the old or the new file, never half of one. Returns
// an empty string or the reason it failed.
std::string replaceFile(const std::string& path, const std::string& text);

}  // namespace m8163::sim
