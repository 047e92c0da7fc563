#pragma once

// Slot codes and the slot lists of the EDID pages (pure C++, no Qt).
//
// A slot code is 16 bits: the kind in bits 15-12 and the 0-based slot number below. The lists the
// operator picks from hold "Input %d" .. then a separator, "Output %d" .., separator, "User %d" ..,
// separator, "Internal %d" .. (the "all" list); the upload list holds inputs, separator, users.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class SlotKind : std::uint8_t { Input = 0, Output = 1, User = 2, Internal = 3 };

struct SlotCounts
{
    int inputs = 0;
    int outputs = 0;
    int users = 0;
    int internals = 0;
    constexpr int of(SlotKind kind) const
    {
        const int counts[4] = {inputs, outputs, users, internals};
        return counts[static_cast<int>(kind) & 3];
    }
};

// The item between two groups of a slot list (sixteen hyphens).
inline constexpr const char *kSlotListSeparator = "----------------";

// number is 1-based, as the lists show it.
constexpr std::uint16_t makeSlotCode(SlotKind kind, int number)
{
    return static_cast<std::uint16_t>((static_cast<unsigned>(kind) << 12) | ((number - 1) & 0x0FFF));
}
constexpr SlotKind slotKindOf(std::uint16_t code)
{
    return static_cast<SlotKind>((code >> 12) & 0x3);
}
// 1-based slot number.
constexpr int slotNumberOf(std::uint16_t code)
{
    return (code & 0x0FFF) + 1;
}
// Whether a device with these counts has the slot.
constexpr bool slotExists(std::uint16_t code, const SlotCounts &counts)
{
    return slotNumberOf(code) <= counts.of(slotKindOf(code));
}
// Only inputs and user slots take an uploaded EDID.
constexpr bool slotAcceptsUpload(std::uint16_t code)
{
    return slotKindOf(code) == SlotKind::Input || slotKindOf(code) == SlotKind::User;
}

// Index of ComboBox_EdidSel_All / ComboBox_EdidSel_Src to a slot code. No code for a negative
// index (nothing selected) or for a separator's index.
std::optional<std::uint16_t> slotCodeFromAllList(int index, const SlotCounts &counts);
// Index of ComboBox_EdidSel_Upload / ComboBox_EdidSel_Dest to a slot code.
std::optional<std::uint16_t> slotCodeFromUploadList(int index, const SlotCounts &counts);

// The items of the two list shapes, in order.
std::vector<std::string> allListItems(const SlotCounts &counts);
std::vector<std::string> uploadListItems(const SlotCounts &counts);

// Where the selection goes when the operator picks a separator: the slot just above it (the last
// slot of the group before). When the group above is empty the next slot upwards is taken, and
// when there is none above at all the first slot below. Any other index is returned unchanged.
int separatorSkip(const std::vector<std::string> &items, int index);

// Whether the Open picture shows available for this index of the "all" list (input or user slot).
bool openAvailableForAllListIndex(int index, const SlotCounts &counts);

// "Input 3", "User 1" ... as the lists show the slot.
std::string slotDisplayName(std::uint16_t code);
// The file name the save dialog proposes: "Input%d EDID.bin", "Internal2 EDID.bin" ...
std::string proposedEdidFileName(std::uint16_t code);
// "input1", "output2", "user3", "internal4": the name kelmctl, backups and the history use.
std::string slotName(std::uint16_t code);
// "input1", "output2", "user3", "internal4" (case-insensitive, number from 1) to a code.
std::optional<std::uint16_t> parseSlotName(const std::string &text);
