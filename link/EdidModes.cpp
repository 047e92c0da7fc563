#include "link/EdidModes.h"

#include <algorithm>
#include <cctype>

const std::array<EdidModeButton, 17> kEdidModeButtons = {{
    {"RadioButton_Set_IntEdid1", "Internal 1", EdidModeKind::Internal, 1, 0, 1},
    {"RadioButton_Set_IntEdid2", "Internal 2", EdidModeKind::Internal, 2, 0, 2},
    {"RadioButton_Set_IntEdid3", "Internal 3", EdidModeKind::Internal, 3, 0, 3},
    {"RadioButton_Set_IntEdid4", "Internal 4", EdidModeKind::Internal, 4, 0, 4},
    {"RadioButton_Set_IntEdid5", "Internal 5", EdidModeKind::Internal, 5, 0, 5},
    {"RadioButton_Set_IntEdid6", "Internal 6", EdidModeKind::Internal, 6, 0, 6},
    {"RadioButton_Set_IntEdid7", "Internal 7", EdidModeKind::Internal, 7, 0, 7},
    {"RadioButton_Set_IntEdid8", "Internal 8", EdidModeKind::Internal, 8, 0, 8},
    {"RadioButton_Set_ExtEdid1", "External 1", EdidModeKind::External, 1, 1, 1},
    {"RadioButton_Set_UserEdid1", "User 1", EdidModeKind::User, 1, 2, 1},
    {"RadioButton_Set_UserEdid2", "User 2", EdidModeKind::User, 2, 2, 2},
    {"RadioButton_Set_UserEdid3", "User 3", EdidModeKind::User, 3, 2, 3},
    {"RadioButton_Set_UserEdid4", "User 4", EdidModeKind::User, 4, 2, 4},
    {"RadioButton_Set_UserEdid5", "User 5", EdidModeKind::User, 5, 2, 5},
    {"RadioButton_Set_UserEdid6", "User 6", EdidModeKind::User, 6, 2, 6},
    {"RadioButton_Set_UserEdid7", "User 7", EdidModeKind::User, 7, 2, 7},
    {"RadioButton_Set_UserEdid8", "User 8", EdidModeKind::User, 8, 2, 8},
}};

namespace {

struct ModeParts
{
    EdidModeKind kind;
    int number;
};

std::optional<ModeParts> splitMode(int mode, const EdidModeCounts &c)
{
    if (mode < 0 || mode >= c.total())
        return std::nullopt;
    if (mode < c.internals)
        return ModeParts{EdidModeKind::Internal, mode + 1};
    if (mode < c.internals + c.externals)
        return ModeParts{EdidModeKind::External, mode - c.internals + 1};
    return ModeParts{EdidModeKind::User, mode - c.internals - c.externals + 1};
}

const char *kPrefixes[3] = {kIntEdidButtonPrefix, kExtEdidButtonPrefix, kUserEdidButtonPrefix};
const char *kKindWords[3] = {"Internal", "External", "User"};

} // namespace

std::optional<std::uint8_t> edidModeIndex(EdidModeKind kind, int number, const EdidModeCounts &c)
{
    int index = number - 1;
    if (kind == EdidModeKind::External)
        index += c.internals;
    else if (kind == EdidModeKind::User)
        index += c.internals + c.externals;
    if (number < 1 || index < 0 || index > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(index);
}

std::string edidModeButtonName(int mode, const EdidModeCounts &c)
{
    const auto parts = splitMode(mode, c);
    if (!parts)
        return {};
    return std::string(kPrefixes[static_cast<int>(parts->kind)]) + std::to_string(parts->number);
}

std::string edidModeDisplayName(int mode, const EdidModeCounts &c)
{
    const auto parts = splitMode(mode, c);
    if (!parts)
        return {};
    return std::string(kKindWords[static_cast<int>(parts->kind)]) + " " + std::to_string(parts->number);
}

std::optional<std::uint8_t> parseEdidModeName(const std::string &text, const EdidModeCounts &c)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    const int counts[3] = {c.internals, c.externals, c.users};
    for (int kind = 0; kind < 3; ++kind) {
        std::string word(kKindWords[kind]);
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        if (lower.size() <= word.size() || lower.compare(0, word.size(), word) != 0)
            continue;
        const std::string digits = lower.substr(word.size());
        if (digits.size() > 3 || !std::all_of(digits.begin(), digits.end(),
                                              [](unsigned char ch) { return std::isdigit(ch) != 0; }))
            return std::nullopt;
        const int number = std::stoi(digits);
        if (number < 1 || number > counts[kind])
            return std::nullopt;
        return edidModeIndex(static_cast<EdidModeKind>(kind), number, c);
    }
    return std::nullopt;
}

EdidModeReportEffect edidModeReportEffect(std::uint8_t report, std::uint8_t current, bool modeSelectable,
                                          const EdidModeCounts &c)
{
    EdidModeReportEffect effect;
    effect.newCurrent = current;
    if (report == current)
        return effect;
    effect.changed = true;
    if (!modeSelectable && current < c.total())
        effect.disableButton = edidModeButtonName(current, c);
    if (report < c.total())
        effect.markButton = edidModeButtonName(report, c);
    effect.newCurrent = report;
    return effect;
}
