#include "edid/CreatorStateJson.h"

namespace {

// The state's texts are Latin-1 (a byte per character, as in the EDID); JSON texts are UTF-8.
std::string utf8FromLatin1(const std::string &text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// False when the text holds a character beyond Latin-1.
bool latin1FromUtf8(const std::string &text, std::string &out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(char(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
            out.push_back(char(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F)));
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

JsonValue creatorStateToJson(const CreatorState &state)
{
    JsonValue object = JsonValue::object();
    for (const CreatorField &f : creatorFields()) {
        if (f.flag)
            object.set(f.name, JsonValue(state.*(f.flag)));
        else
            object.set(f.name, JsonValue(utf8FromLatin1(state.*(f.text))));
    }
    return object;
}

bool applyCreatorStateJson(const JsonValue &object, CreatorState &state, std::string *error)
{
    auto fail = [error](const std::string &sentence) {
        if (error)
            *error = sentence;
        return false;
    };
    if (!object.isObject())
        return fail("The creator state must be a JSON object keyed by control names.");
    CreatorState result = state;
    for (const auto &[name, value] : object.members()) {
        const CreatorField *f = findCreatorField(name);
        if (!f)
            return fail("'" + name + "' is not a control of the EDID Creator.");
        if (f->flag) {
            if (!value.isBool())
                return fail("'" + name + "' is a check box and takes true or false.");
            result.setFlag(name, value.asBool());
        } else if (value.isString()) {
            if (!latin1FromUtf8(value.asString(), result.*(f->text)))
                return fail("'" + name + "' holds a character an EDID text cannot hold.");
        } else if (value.isInteger()) {
            result.*(f->text) = std::to_string(value.asInt());
        } else {
            return fail("'" + name + "' is an edit field and takes a string.");
        }
    }
    state = std::move(result);
    return true;
}
