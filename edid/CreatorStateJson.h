#pragma once

#include <string>

#include "edid/CreatorState.h"
#include "edid/Json.h"

// The creator state as a JSON object keyed by control names: check and radio boxes as booleans,
// edits as strings (texts exactly as the edit holds them, blanks included).
JsonValue creatorStateToJson(const CreatorState &state);

// Sets the controls that `object` names and leaves the others. An edit also takes an integer
// (written as its decimal text). Returns false, with a sentence in `error` and the state
// unchanged, when the value is no object, a name is no creator control or a value has the wrong type.
bool applyCreatorStateJson(const JsonValue &object, CreatorState &state, std::string *error = nullptr);
