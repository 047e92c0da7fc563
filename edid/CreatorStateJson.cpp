#include "edid/CreatorStateJson.h"

#include "edid/Latin1Text.h"


JsonValue creatorStateToJson(const CreatorState &state)
{
    JsonValue object = JsonValue::object();
    for (const CreatorField &f : creatorFields()) {
        if (f.flag)
            object[f.name] = state.*(f.flag);
        else
            object[f.name] = utf8FromLatin1(state.*(f.text));
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
    if (!object.is_object())
        return fail("The creator state must be a JSON object keyed by control names.");
    CreatorState result = state;
    for (const auto &[name, value] : object.items()) {
        const CreatorField *f = findCreatorField(name);
        if (!f)
            return fail("'" + name + "' is not a control of the EDID Creator.");
        if (f->flag) {
            if (!value.is_boolean())
                return fail("'" + name + "' is a check box and takes true or false.");
            result.setFlag(name, value.get<bool>());
        } else if (value.is_string()) {
            if (!latin1FromUtf8(value.get_ref<const std::string &>(), result.*(f->text)))
                return fail("'" + name + "' holds a character an EDID text cannot hold.");
        } else if (value.is_number_unsigned()) {
            result.*(f->text) = std::to_string(value.get<std::uint64_t>());
        } else if (value.is_number_integer()) {
            result.*(f->text) = std::to_string(value.get<std::int64_t>());
        } else {
            return fail("'" + name + "' is an edit field and takes a string.");
        }
    }
    state = std::move(result);
    return true;
}
