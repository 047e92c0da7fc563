#include "link/SlotLists.h"

#include <algorithm>
#include <cctype>

namespace {

const char *kKindNames[4] = {"Input", "Output", "User", "Internal"};

void addGroup(std::vector<std::string> &items, SlotKind kind, int count)
{
    for (int k = 1; k <= count; ++k)
        items.push_back(std::string(kKindNames[static_cast<int>(kind)]) + " " + std::to_string(k));
}

} // namespace

std::optional<std::uint16_t> slotCodeFromAllList(int index, const SlotCounts &c)
{
    if (index < 0)
        return std::nullopt;
    if (index < c.inputs)
        return makeSlotCode(SlotKind::Input, index + 1);
    if (index == c.inputs)
        return std::nullopt;
    if (index < c.inputs + c.outputs + 1)
        return makeSlotCode(SlotKind::Output, index - c.inputs);
    if (index == c.inputs + c.outputs + 1)
        return std::nullopt;
    if (index < c.inputs + c.outputs + c.users + 2)
        return makeSlotCode(SlotKind::User, index - c.inputs - c.outputs - 1);
    if (index == c.inputs + c.outputs + c.users + 2)
        return std::nullopt;
    if (index < c.inputs + c.outputs + c.users + c.internals + 3)
        return makeSlotCode(SlotKind::Internal, index - c.inputs - c.outputs - c.users - 2);
    return std::nullopt;
}

std::optional<std::uint16_t> slotCodeFromUploadList(int index, const SlotCounts &c)
{
    if (index < 0)
        return std::nullopt;
    if (index < c.inputs)
        return makeSlotCode(SlotKind::Input, index + 1);
    if (index == c.inputs)
        return std::nullopt;
    if (index < c.inputs + c.users + 1)
        return makeSlotCode(SlotKind::User, index - c.inputs);
    return std::nullopt;
}

std::vector<std::string> allListItems(const SlotCounts &c)
{
    std::vector<std::string> items;
    addGroup(items, SlotKind::Input, c.inputs);
    items.emplace_back(kSlotListSeparator);
    addGroup(items, SlotKind::Output, c.outputs);
    items.emplace_back(kSlotListSeparator);
    addGroup(items, SlotKind::User, c.users);
    items.emplace_back(kSlotListSeparator);
    addGroup(items, SlotKind::Internal, c.internals);
    return items;
}

std::vector<std::string> uploadListItems(const SlotCounts &c)
{
    std::vector<std::string> items;
    addGroup(items, SlotKind::Input, c.inputs);
    items.emplace_back(kSlotListSeparator);
    addGroup(items, SlotKind::User, c.users);
    return items;
}

int separatorSkip(const std::vector<std::string> &items, int index)
{
    const int n = static_cast<int>(items.size());
    if (index < 0 || index >= n || items[index] != kSlotListSeparator)
        return index;
    for (int i = index - 1; i >= 0; --i)
        if (items[i] != kSlotListSeparator)
            return i;
    for (int i = index + 1; i < n; ++i)
        if (items[i] != kSlotListSeparator)
            return i;
    return index;
}

bool openAvailableForAllListIndex(int index, const SlotCounts &c)
{
    if (index < c.inputs)
        return true;
    if (index < c.inputs + c.outputs + 1)
        return false;
    if (index < c.inputs + c.outputs + c.users + 2)
        return true;
    return false;
}

std::string slotDisplayName(std::uint16_t code)
{
    return std::string(kKindNames[static_cast<int>(slotKindOf(code))]) + " " +
           std::to_string(slotNumberOf(code));
}

std::string proposedEdidFileName(std::uint16_t code)
{
    return std::string(kKindNames[static_cast<int>(slotKindOf(code))]) + std::to_string(slotNumberOf(code)) +
           " EDID.bin";
}

std::string slotName(std::uint16_t code)
{
    std::string name = kKindNames[static_cast<int>(slotKindOf(code))];
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return name + std::to_string(slotNumberOf(code));
}

std::optional<std::uint16_t> parseSlotName(const std::string &text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    for (int kind = 0; kind < 4; ++kind) {
        std::string prefix(kKindNames[kind]);
        std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        if (lower.size() <= prefix.size() || lower.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string digits = lower.substr(prefix.size());
        if (digits.size() > 4 || !std::all_of(digits.begin(), digits.end(),
                                              [](unsigned char ch) { return std::isdigit(ch) != 0; }))
            return std::nullopt;
        const int number = std::stoi(digits);
        if (number < 1 || number > 0x1000)
            return std::nullopt;
        return makeSlotCode(static_cast<SlotKind>(kind), number);
    }
    return std::nullopt;
}
