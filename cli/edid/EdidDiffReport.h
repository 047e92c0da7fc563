#pragma once

// kelmctl edid diff: compares two images and prints the difference (text or JSON). Shared by
// kelmctl (files) and kelmctl-device, which also reads operands that name device slots.

#include <functional>
#include <string>
#include <vector>

#include "cli/core/CommandLine.h"
#include "edid/EdidDiff.h"
#include "edid/Json.h"

// Returned by runEdidDiff in a program without device access when an operand is a slot: kelmctl
// then hands the whole command line to kelmctl-device.
inline constexpr int kEdidNeedsDevice = -100;

// Reads a slot ("input1", "user3" ...) into an image; false after printing why it could not.
using EdidSlotReader = std::function<bool(const std::string &slot, EdidImage &image)>;
// Makes the reader of one command run (one search for both operands).
using EdidSlotReaderFactory = std::function<EdidSlotReader(const GlobalOptions &global)>;
// The device tool registers its reader at start-up; kelmctl has none.
struct EdidSlotReaderRegistration
{
    explicit EdidSlotReaderRegistration(EdidSlotReaderFactory factory);
};

// "input1", "Output2", "user3", "internal4": the shape of a slot name (the device decides
// whether it has the slot).
bool looksLikeSlotName(const std::string &text);

// Exit status: 0 identical, 1 different, 2 an operand that could not be read. An operand that
// names an existing file is a file; otherwise a slot name is read through the registered reader;
// without one it returns kEdidNeedsDevice before printing anything.
int runEdidDiff(const std::string &a, const std::string &b, bool json, const GlobalOptions &global);

JsonValue edidDiffToJson(const EdidDiff &diff);
std::vector<std::string> edidDiffLines(const EdidDiff &diff);
