#include "edid/CreatorState.h"

#include <algorithm>
#include <map>

const std::vector<CreatorField> &creatorFields()
{
    static const std::vector<CreatorField> fields = {
#define KELM_CREATOR_FLAG_ENTRY(name) {#name, &CreatorState::name, nullptr, nullptr},
        KELM_CREATOR_FLAGS(KELM_CREATOR_FLAG_ENTRY)
#undef KELM_CREATOR_FLAG_ENTRY
#define KELM_CREATOR_TEXT_ENTRY(name, start) {#name, nullptr, &CreatorState::name, start},
            KELM_CREATOR_TEXTS(KELM_CREATOR_TEXT_ENTRY)
#undef KELM_CREATOR_TEXT_ENTRY
    };
    return fields;
}

const CreatorField *findCreatorField(std::string_view name)
{
    // Built once; lookups by name happen for every control the page or a JSON file names.
    static const std::map<std::string_view, const CreatorField *> index = [] {
        std::map<std::string_view, const CreatorField *> m;
        for (const CreatorField &f : creatorFields())
            m.emplace(f.name, &f);
        return m;
    }();
    auto it = index.find(name);
    return it == index.end() ? nullptr : it->second;
}

bool *CreatorState::flag(std::string_view name)
{
    const CreatorField *f = findCreatorField(name);
    return f && f->flag ? &(this->*(f->flag)) : nullptr;
}

const bool *CreatorState::flag(std::string_view name) const
{
    return const_cast<CreatorState *>(this)->flag(name);
}

std::string *CreatorState::text(std::string_view name)
{
    const CreatorField *f = findCreatorField(name);
    return f && f->text ? &(this->*(f->text)) : nullptr;
}

const std::string *CreatorState::text(std::string_view name) const
{
    return const_cast<CreatorState *>(this)->text(name);
}

bool CreatorState::setFlag(std::string_view name, bool value)
{
    bool *f = flag(name);
    if (!f)
        return false;
    *f = value;
    if (name == "RadioButton_Edid_Fmt_Hdmi")
        RadioButton_Edid_Fmt_Dvi = !value;
    else if (name == "RadioButton_Edid_Fmt_Dvi")
        RadioButton_Edid_Fmt_Hdmi = !value;
    return true;
}

std::vector<std::string> creatorStateDifferences(const CreatorState &a, const CreatorState &b)
{
    std::vector<std::string> names;
    for (const CreatorField &f : creatorFields()) {
        bool same = f.flag ? a.*(f.flag) == b.*(f.flag) : a.*(f.text) == b.*(f.text);
        if (!same)
            names.emplace_back(f.name);
    }
    return names;
}
