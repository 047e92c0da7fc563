#include "link/EdidModes.h"

#include <algorithm>
#include <cctype>

namespace {

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

std::optional<EdidMode> edidModeOf(int mode, const EdidModeCounts &c)
{
    if (mode < 0 || mode >= c.total())
        return std::nullopt;
    if (mode < c.internals)
        return EdidMode{EdidModeKind::Internal, mode + 1};
    if (mode < c.internals + c.externals)
        return EdidMode{EdidModeKind::External, mode - c.internals + 1};
    return EdidMode{EdidModeKind::User, mode - c.internals - c.externals + 1};
}

std::string edidModeDisplayName(int mode, const EdidModeCounts &c)
{
    const auto parts = edidModeOf(mode, c);
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
        effect.disable = edidModeOf(current, c);
    effect.mark = edidModeOf(report, c);
    effect.newCurrent = report;
    return effect;
}
