#include "edid/CreatorStateJson.h"

#include "edid/Latin1Text.h"


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
