#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// JSON values: objects keep their members in insertion order, so written output has a stable key
// order (the record's field order, the window's row order).
using JsonValue = nlohmann::ordered_json;

// Writes the value as JSON: indent < 0 gives one line without spaces, otherwise that many spaces
// per level. Strings must be UTF-8 (EDID texts are converted from Latin-1 first); a byte sequence
// that is not, such as an odd file name, is written as U+FFFD instead of failing.
std::string toJson(const JsonValue &value, int indent = -1);

inline constexpr std::size_t kJsonMaxDepth = 200;

// Strict parser (RFC 8259): one value, optional surrounding whitespace, no comments, no trailing
// commas, valid UTF-8 and escapes, no key twice in one object, nesting at most kJsonMaxDepth deep.
// Linear in the text's length. On failure returns false with `out` unchanged and, when `error` is
// given, a sentence starting "invalid JSON" (with the byte offset for syntax errors).
bool parseJson(std::string_view text, JsonValue &out, std::string *error = nullptr);
