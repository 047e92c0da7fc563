#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "edid/CreatorState.h"
#include "edid/EdidImage.h"

// HDR colour depths are offered only together with a 4K format. The creator page runs the two
// click reactions from the click handlers of the HDR boxes and the 4K boxes, after the box changed.

inline constexpr const char *kHdrNeeds4kMessage = "HDR Must Base On 4K!";

// 4K boxes in the order they are tested: VIC 93, 94, 95, 96, 97, then 4:2:0 96, 97.
const std::vector<const char *> &fourKBoxNames();
// HDR boxes: CheckBox_HDR_1, _2, _3.
const std::vector<const char *> &hdrBoxNames();

bool any4KChecked(const CreatorState &state);
bool anyHdrChecked(const CreatorState &state);

// What a click does to the page. With `acts` false nothing changes; otherwise the warning line
// shows `warning` (empty: emptied), status bit 0x0001 follows `breach`, and each listed box gets
// its caption colour (true: red, false: the default colour).
struct CreatorRuleReaction
{
    bool acts = false;
    bool breach = false;
    std::string warning;
    std::vector<std::pair<std::string, bool>> captionRed;
};

CreatorRuleReaction hdrBoxClicked(const CreatorState &state, std::string_view hdrBox);
CreatorRuleReaction fourKBoxClicked(const CreatorState &state, std::string_view fourKBox);

EdidStatusWord applyRuleReaction(const CreatorRuleReaction &reaction, EdidStatusWord status);
