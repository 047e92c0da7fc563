#include "edid/CreatorRules.h"

#include "edid/CreatorTables.h"

const std::vector<const char *> &fourKBoxNames()
{
    static const std::vector<const char *> names = {
        "CheckBox_VideoIdCode_93", "CheckBox_VideoIdCode_94", "CheckBox_VideoIdCode_95",
        "CheckBox_VideoIdCode_96", "CheckBox_VideoIdCode_97", "CheckBox_YUV420VDB_96",
        "CheckBox_YUV420VDB_97",
    };
    return names;
}

const std::vector<const char *> &hdrBoxNames()
{
    static const std::vector<const char *> names = [] {
        std::vector<const char *> n;
        for (const CreatorBitBox &b : hdrDepthBoxes())
            n.push_back(b.box.name);
        return n;
    }();
    return names;
}

bool any4KChecked(const CreatorState &state)
{
    for (const char *name : fourKBoxNames())
        if (*state.flag(name))
            return true;
    return false;
}

bool anyHdrChecked(const CreatorState &state)
{
    for (const CreatorBitBox &b : hdrDepthBoxes())
        if (state.*(b.box.member))
            return true;
    return false;
}

CreatorRuleReaction hdrBoxClicked(const CreatorState &state, std::string_view hdrBox)
{
    CreatorRuleReaction r;
    r.acts = true;
    const bool *checked = state.flag(hdrBox);
    if (checked && *checked && !any4KChecked(state)) {
        r.breach = true;
        r.warning = kHdrNeeds4kMessage;
        r.captionRed.emplace_back(std::string(hdrBox), true);
    } else {
        r.captionRed.emplace_back(std::string(hdrBox), false);
    }
    return r;
}

CreatorRuleReaction fourKBoxClicked(const CreatorState &state, std::string_view fourKBox)
{
    CreatorRuleReaction r;
    const bool *checked = state.flag(fourKBox);
    if (checked && *checked) {
        if (anyHdrChecked(state)) {
            r.acts = true;
            for (const CreatorBitBox &b : hdrDepthBoxes())
                r.captionRed.emplace_back(b.box.name, false);
        }
    } else if (anyHdrChecked(state) && !any4KChecked(state)) {
        r.acts = true;
        r.breach = true;
        r.warning = kHdrNeeds4kMessage;
        for (const CreatorBitBox &b : hdrDepthBoxes())
            if (state.*(b.box.member))
                r.captionRed.emplace_back(b.box.name, true);
    }
    return r;
}

EdidStatusWord applyRuleReaction(const CreatorRuleReaction &reaction, EdidStatusWord status)
{
    if (!reaction.acts)
        return status;
    return reaction.breach ? EdidStatusWord(status | EdidStatus::FieldOutOfLimits)
                           : EdidStatusWord(status & ~EdidStatus::FieldOutOfLimits);
}
