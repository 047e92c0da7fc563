#pragma once

// The EDID modes input 1 can present, and the mode buttons of the "Mode Select" group (pure C++).
//
// An EDID mode index counts internal EDIDs first, then external (output) ones, then user EDIDs:
// internal k is k - 1, external k is N + k - 1, user k is N + X + k - 1, with N, X, U the device's
// internal, output and user counts. Note the order differs from the slot lists.

#include <array>
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

// One mode button of the group. column 0 left (internal), 1 middle (external), 2 right (user);
// row from 1.
struct EdidModeButton
{
    const char *name;
    const char *caption;
    EdidModeKind kind;
    int number; // 1-based within its kind
    int column;
    int row;
};

// The 17 buttons the group holds: 8 internal, 1 external, 8 user.
extern const std::array<EdidModeButton, 17> kEdidModeButtons;

// Name prefixes; a button's name is the prefix followed by its decimal number.
inline constexpr const char *kIntEdidButtonPrefix = "RadioButton_Set_IntEdid";
inline constexpr const char *kExtEdidButtonPrefix = "RadioButton_Set_ExtEdid";
inline constexpr const char *kUserEdidButtonPrefix = "RadioButton_Set_UserEdid";

// Heading above the first row of buttons.
inline constexpr const char *kEdidModeColumnHeading =
    "Internal                           External                         User";

// The mode index of kind/number (number from 1); no index when it does not fit in a byte.
std::optional<std::uint8_t> edidModeIndex(EdidModeKind kind, int number, const EdidModeCounts &counts);

// The name of the button of mode m, composed from the prefix and number; the caller skips names
// that name no button (external 2 and above, counts over 8). Empty for m >= total.
std::string edidModeButtonName(int mode, const EdidModeCounts &counts);

// "Internal 2", "External 1", "User 3" for mode m; empty for m >= total.
std::string edidModeDisplayName(int mode, const EdidModeCounts &counts);

// "internal1", "external1", "user3" (case-insensitive) to a mode index; none when the device has
// no such mode.
std::optional<std::uint8_t> parseEdidModeName(const std::string &text, const EdidModeCounts &counts);

// What a mode report does to the buttons. current is the last index shown (255 after connect).
struct EdidModeReportEffect
{
    bool changed = false;      // false: the report equals current, nothing happens
    std::string disableButton; // button of the previous mode to disable (device not selectable)
    std::string markButton;    // button to enable and mark
    std::uint8_t newCurrent = 255;
};
EdidModeReportEffect edidModeReportEffect(std::uint8_t report, std::uint8_t current, bool modeSelectable,
                                          const EdidModeCounts &counts);
