#pragma once

// The EDID modes input 1 can present: indexes, kinds and numbers, names, reports (pure C++).
//
// An EDID mode index counts internal EDIDs first, then external (output) ones, then user EDIDs:
// internal k is k - 1, external k is N + k - 1, user k is N + X + k - 1, with N, X, U the device's
// internal, output and user counts. Note the order differs from the slot lists.

#include <cstdint>
#include <optional>
#include <string>

enum class EdidModeKind : std::uint8_t { Internal = 0, External = 1, User = 2 };

struct EdidModeCounts
{
    int internals = 0; // N
    int externals = 0; // X (the output count)
    int users = 0;     // U
    int total() const { return internals + externals + users; }
};

// A mode as kind and number (from 1 within its kind).
struct EdidMode
{
    EdidModeKind kind = EdidModeKind::Internal;
    int number = 1;
    bool operator==(const EdidMode &) const = default;
};

// The mode index of kind/number (number from 1); no index when it does not fit in a byte.
std::optional<std::uint8_t> edidModeIndex(EdidModeKind kind, int number, const EdidModeCounts &counts);

// Kind and number of mode m; none for m outside 0..total-1.
std::optional<EdidMode> edidModeOf(int mode, const EdidModeCounts &counts);

// "Internal 2", "External 1", "User 3" for mode m; empty for m >= total.
std::string edidModeDisplayName(int mode, const EdidModeCounts &counts);

// "internal1", "external1", "user3" (case-insensitive) to a mode index; none when the device has
// no such mode.
std::optional<std::uint8_t> parseEdidModeName(const std::string &text, const EdidModeCounts &counts);

// What a mode report changes. current is the last index shown (255 after connect).
struct EdidModeReportEffect
{
    bool changed = false;            // false: the report equals current, nothing happens
    std::optional<EdidMode> disable; // the previous mode, to disable (device not selectable)
    std::optional<EdidMode> mark;    // the reported mode, to enable and mark
    std::uint8_t newCurrent = 255;
};
EdidModeReportEffect edidModeReportEffect(std::uint8_t report, std::uint8_t current, bool modeSelectable,
                                          const EdidModeCounts &counts);
